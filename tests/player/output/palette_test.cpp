#include <gtest/gtest.h>

#include "player/output/screen_palette.h"

namespace {

std::array<uint8_t, 768> Ramp() {
  std::array<uint8_t, 768> rgb{};
  for (int i = 0; i < 256; ++i) {
    rgb[3 * i] = uint8_t(i);
    rgb[3 * i + 1] = uint8_t(255 - i);
    rgb[3 * i + 2] = uint8_t(i / 2);
  }
  return rgb;
}

TEST(ScreenPalette, UsableRanges) {
  const reel::ScreenModel s256 = reel::ScreenModel::Simulated256();
  reel::PaletteRange r = reel::UsableRange(s256, false);
  EXPECT_EQ(r.screenColors, 256u);
  EXPECT_EQ(r.first, 10);
  EXPECT_EQ(r.last, 245);
  EXPECT_EQ(r.Usable(), 236);
  EXPECT_EQ(reel::UsableRange(s256, true).Usable(), 256);  // full screen owns them all
  reel::ScreenModel noStatic = s256;
  noStatic.noStatic = true;
  EXPECT_EQ(reel::UsableRange(noStatic, false).Usable(), 254);
  reel::ScreenModel deep;
  deep.bitsPerPixel = 32;
  EXPECT_EQ(reel::UsableRange(deep, false).screenColors, 1u << 24);
  EXPECT_EQ(reel::UsableRange(deep, false).Usable(), 256);
  reel::ScreenModel sixteen;
  sixteen.bitsPerPixel = 4;
  EXPECT_EQ(reel::UsableRange(sixteen, false).size, 16);
}

TEST(ScreenPalette, MoviePaletteOverStaticColours) {
  const reel::ScreenModel s = reel::ScreenModel::Simulated256();
  std::array<uint8_t, 768> rgb = Ramp();
  // Entry 20 exactly white (an upper static colour: red has both low bits set, moves down);
  // entry 21 exactly the static blue 0,0,255 (red 0 moves up); entry 22 equal to a lower
  // static colour only (left alone).
  rgb[60] = rgb[61] = rgb[62] = 255;
  rgb[63] = 0, rgb[64] = 0, rgb[65] = 255;
  rgb[66] = 128, rgb[67] = 0, rgb[68] = 0;
  const reel::Palette p = reel::LayMoviePalette(rgb.data(), reel::UsableRange(s, false), s.system);
  EXPECT_TRUE(p[0].SameColour(s.system[0]));
  EXPECT_TRUE(p[255].SameColour(s.system[255]));
  EXPECT_EQ(p[9].flags, 0);
  EXPECT_EQ(p[10].red, 10);
  EXPECT_EQ(p[10].flags, reel::kNoCollapse);
  EXPECT_EQ(p[20].red, 254);
  EXPECT_EQ(p[21].red, 1);
  EXPECT_EQ(p[22].red, 128);
}

TEST(ScreenPalette, RemapTable) {
  const reel::ScreenModel s = reel::ScreenModel::Simulated256();
  std::array<uint8_t, 768> rgb = Ramp();
  const reel::Palette p = reel::LayMoviePalette(rgb.data(), reel::UsableRange(s, false), s.system);
  // Same colour at 6-bit precision: the entry keeps its index.
  rgb[3 * 100] ^= 1;
  const std::array<uint8_t, 256> map = reel::RemapTable(rgb.data(), p);
  EXPECT_EQ(map[100], 100);
  EXPECT_EQ(map[128], 128);
  // Entry 0 of the movie (0, 255, 0) is not on the screen at entry 0 (black): the nearest is
  // the static green at 250.
  EXPECT_EQ(map[0], 250);
  // Every result is a colour the display shows, and no closer one exists.
  for (int i = 0; i < 256; ++i) {
    auto d = [&](int j) {
      const int dr = p[j].red - rgb[3 * i], dg = p[j].green - rgb[3 * i + 1],
                db = p[j].blue - rgb[3 * i + 2];
      return dr * dr + dg * dg + db * db;
    };
    if (map[i] == i) continue;
    for (int j = 0; j < 256; ++j)
      ASSERT_GE(d(j), d(map[i])) << i;
  }
}

}  // namespace
