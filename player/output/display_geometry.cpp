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

}  // namespace reel
