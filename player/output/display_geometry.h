// The picture buffer a display owns and the decoder writes into, and the rectangles in it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace reel {

struct Rect {
  int x = 0;
  int y = 0;
  int w = 0;
  int h = 0;
  bool operator==(const Rect&) const = default;
};

// One 8-bit picture: width x height indices, each line `pitch` bytes (the width rounded up to
// a multiple of 8), `lines` lines allocated, stored top-down or bottom-up.
class PictureBuffer {
 public:
  PictureBuffer() = default;
  PictureBuffer(int width, int height, int lines, bool bottomUp);

  int Width() const { return width_; }
  int Height() const { return height_; }
  int Pitch() const { return pitch_; }
  int Lines() const { return lines_; }
  bool BottomUp() const { return bottomUp_; }
  uint8_t* Data() { return pixels_.data(); }
  const uint8_t* Data() const { return pixels_.data(); }
  // The first byte of picture line y (counted from the top whatever the storage order).
  uint8_t* Line(int y);
  const uint8_t* Line(int y) const;
  // Bytes from one picture line to the one below it.
  int Step() const { return bottomUp_ ? -pitch_ : pitch_; }
  void Fill(uint8_t index);

 private:
  int width_ = 0;
  int height_ = 0;
  int pitch_ = 0;
  int lines_ = 0;
  bool bottomUp_ = false;
  std::vector<uint8_t> pixels_;
};

// Where a picture of pw x ph goes in a window of ww x wh: the whole window when the sizes
// match, else scaled to fit at the picture's aspect ratio and centred (bars beside it).
Rect FitKeepingAspect(int pw, int ph, int ww, int wh);

inline int LinePitch(int width) {
  return (width + 7) & ~7;
}

// Palette entries as the screen keeps them: red, green, blue, flags.
struct PaletteEntry {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  uint8_t flags = 0;
  bool SameColour(const PaletteEntry& o) const {
    return red == o.red && green == o.green && blue == o.blue;
  }
};
using Palette = std::array<PaletteEntry, 256>;

// Marks an entry the screen must not fold onto an equal colour elsewhere.
inline constexpr uint8_t kNoCollapse = 4;

}  // namespace reel
