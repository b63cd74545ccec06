// The blitters that copy a rectangle of the 8-bit picture to the screen picture: 1x, or 2x
// as plain doubling, interlaced (every second screen line) or smoothed (in-between pixels
// from a table of blended colours); 8-bit ones copy indices, 16-bit ones turn each index into
// a 5-6-5 or 5-5-5 pixel through a table. The tables are rebuilt when the palette changes.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "player/output/display_geometry.h"

namespace reel {

enum class PixelFormat16 { k565, k555 };

uint16_t Pixel16(uint8_t red, uint8_t green, uint8_t blue, PixelFormat16 format);

// What the blitters read besides the picture.
struct BlitTables {
  std::array<uint16_t, 256> pixels{};  // colour index to 16-bit pixel
  std::vector<uint8_t> smooth8;        // 256 x 256 indices, empty unless smoothing
  std::vector<uint16_t> smooth16;      // 256 x 256 pixels, empty unless smoothing
};

// 16-bit colour table of a palette.
std::array<uint16_t, 256> ColourTable(const Palette& palette, PixelFormat16 format);
// Entry (a, b): the palette index nearest to the mean of a and b.
std::vector<uint8_t> SmoothingTable8(const Palette& palette);
// Entry (a, b): the pixel of half a plus half b, each half rounded down.
std::vector<uint16_t> SmoothingTable16(const Palette& palette, PixelFormat16 format);

enum class Scaling { k1x = 0, k2x = 1, k2xInterlaced = 2, k2xSmoothing = 3 };

struct BlitSource {
  const uint8_t* origin;  // top-left of the picture
  int step;               // bytes from one line to the one below (negative when bottom-up)
  int width;
  int height;
};

// Where the blitter writes: top-left of the screen picture, bytes per line. The rectangle is
// in picture pixels; a 2x blitter writes at twice its position.
struct BlitDest {
  uint8_t* origin;
  int pitch;
};

// 32-bit (0x00RRGGBB) colour table of a palette: the colours exactly.
std::array<uint32_t, 256> ColourTable32(const Palette& palette);
// Copies a rectangle of the picture as 32-bit pixels, 1x.
void Blit32(const BlitSource& source, uint8_t* origin, int pitch, Rect r,
            const std::array<uint32_t, 256>& table);

using BlitFunction = void (*)(const BlitSource&, const BlitDest&, Rect, const BlitTables&);

struct Blitter {
  const char* name;
  bool bits16;
  Scaling scaling;
  BlitFunction blit;
};

// The blitters by index: 6 for 16-bit screens, else 0, plus the scaling.
const Blitter* BlitterAt(int index);
int BlitterIndex(bool bits16, Scaling scaling);

// Clips a rectangle to the picture; empty when nothing is left.
Rect ClipToPicture(Rect r, int width, int height);

}  // namespace reel
