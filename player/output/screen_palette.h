// The screen's colours as a display sees them: how many there are, which palette entries the
// system keeps for itself (on 256-colour screens), how a movie palette is laid over them and
// how the movie's colours are remapped when the screen cannot give it all 256.
#pragma once

#include <array>
#include <cstdint>

#include "player/output/display_geometry.h"

namespace reel {

struct ScreenModel {
  int bitsPerPixel = 24;
  // Entries kept by the system at each end of a 256-colour palette, and "no static colours"
  // (then only the first and last entry are kept).
  int staticPerEnd = 10;
  bool noStatic = false;
  Palette system = DefaultSystemPalette();

  static Palette DefaultSystemPalette();
  // A 256-colour screen with the usual twenty system colours, for the tests and for trying
  // the remapping on a true-colour desktop.
  static ScreenModel Simulated256();
};

struct PaletteRange {
  uint32_t screenColors = 0;  // 2 to the bits per pixel, bits capped at 24
  int size = 256;             // palette size used
  int first = 0;              // first and last usable entry
  int last = 255;
  int Usable() const { return last - first + 1; }
};

// fullScreen: the full-screen kinds own every entry.
PaletteRange UsableRange(const ScreenModel& screen, bool fullScreen);

// The display's logical palette for a movie palette (256 x RGB): entries outside the range
// keep the system's colours; a movie colour equal to one of the upper static colours has its
// red moved by one so that the system does not fold it onto the static entry.
Palette LayMoviePalette(const uint8_t rgb[768], const PaletteRange& range, const Palette& system);

// For each movie colour the display entry to draw it with: itself when the display holds the
// same colour at 6-bit precision, else the nearest one, searched from the colour's own entry.
std::array<uint8_t, 256> RemapTable(const uint8_t rgb[768], const Palette& display);

}  // namespace reel
