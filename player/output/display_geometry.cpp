#include "player/output/display_geometry.h"

#include <algorithm>
#include <cstring>

namespace reel {

PictureBuffer::PictureBuffer(int width, int height, int lines, bool bottomUp)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      pitch_(LinePitch(std::max(width, 0))),
      lines_(std::max({lines, height, 0})),
      bottomUp_(bottomUp),
      pixels_(size_t(pitch_) * size_t(lines_), 0) {}

uint8_t* PictureBuffer::Line(int y) {
  const int stored = bottomUp_ ? lines_ - 1 - y : y;
  return pixels_.data() + size_t(stored) * size_t(pitch_);
}

const uint8_t* PictureBuffer::Line(int y) const {
  return const_cast<PictureBuffer*>(this)->Line(y);
}

void PictureBuffer::Fill(uint8_t index) {
  std::memset(pixels_.data(), index, pixels_.size());
}

Rect FitKeepingAspect(int pw, int ph, int ww, int wh) {
  Rect dst{0, 0, ww, wh};
  if (pw <= 0 || ph <= 0 || (ww == pw && wh == ph)) return dst;
  const int64_t w = pw, h = ph;
  if (int64_t{ww} * h > int64_t{wh} * w) {
    dst.w = static_cast<int>(int64_t{wh} * w / h);
  } else {
    dst.h = static_cast<int>(int64_t{ww} * h / w);
  }
  dst.x = (ww - dst.w) / 2;
  dst.y = (wh - dst.h) / 2;
  return dst;
}

}  // namespace reel
