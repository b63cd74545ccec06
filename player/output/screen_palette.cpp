#include "player/output/screen_palette.h"

#include <algorithm>

namespace reel {

Palette ScreenModel::DefaultSystemPalette() {
  Palette p{};
  const uint8_t low[10][3] = {{0, 0, 0},       {128, 0, 0},    {0, 128, 0},   {128, 128, 0},
                              {0, 0, 128},     {128, 0, 128},  {0, 128, 128}, {192, 192, 192},
                              {192, 220, 192}, {166, 202, 240}};
  const uint8_t high[10][3] = {{255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},
                               {0, 255, 0},     {255, 255, 0},   {0, 0, 255},     {255, 0, 255},
                               {0, 255, 255},   {255, 255, 255}};
  for (int i = 0; i < 10; ++i) {
    p[i] = {low[i][0], low[i][1], low[i][2], 0};
    p[246 + i] = {high[i][0], high[i][1], high[i][2], 0};
  }
  return p;
}

ScreenModel ScreenModel::Simulated256() {
  ScreenModel s;
  s.bitsPerPixel = 8;
  return s;
}

PaletteRange UsableRange(const ScreenModel& screen, bool fullScreen) {
  PaletteRange r;
  const int bits = std::clamp(screen.bitsPerPixel, 1, 24);
  r.screenColors = 1u << bits;
  r.size = static_cast<int>(std::min<uint32_t>(256, r.screenColors));
  if (fullScreen || r.screenColors != 256) {
    r.first = 0;
    r.last = r.size - 1;
    return r;
  }
  const int reserved = screen.noStatic ? 1 : std::clamp(screen.staticPerEnd, 0, 127);
  r.first = reserved;
  r.last = 255 - reserved;
  return r;
}

Palette LayMoviePalette(const uint8_t rgb[768], const PaletteRange& range, const Palette& system) {
  Palette out = system;
  for (int i = range.first; i <= range.last; ++i) {
    PaletteEntry e{rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2], kNoCollapse};
    for (int s = range.last + 1; s < 256; ++s) {
      if (!e.SameColour(system[s])) continue;
      e.red = (e.red & 3) == 3 ? uint8_t(e.red - 1) : uint8_t(e.red + 1);
      break;
    }
    out[i] = e;
  }
  return out;
}

std::array<uint8_t, 256> RemapTable(const uint8_t rgb[768], const Palette& display) {
  std::array<uint8_t, 256> map{};
  for (int i = 0; i < 256; ++i) {
    const int r = rgb[3 * i], g = rgb[3 * i + 1], b = rgb[3 * i + 2];
    const PaletteEntry& own = display[i];
    if (own.red / 4 == r / 4 && own.green / 4 == g / 4 && own.blue / 4 == b / 4) {
      map[i] = static_cast<uint8_t>(i);
      continue;
    }
    int best = i;
    int bestDistance = 0x7FFFFFFF;
    for (int k = 0; k < 256; ++k) {
      const int j = (i + k) & 255;
      const int dr = display[j].red - r, dg = display[j].green - g, db = display[j].blue - b;
      const int d = dr * dr + dg * dg + db * db;
      if (d < bestDistance) {
        bestDistance = d;
        best = j;
        if (d == 0) break;
      }
    }
    map[i] = static_cast<uint8_t>(best);
  }
  return map;
}

}  // namespace reel
