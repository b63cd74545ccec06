#include <gtest/gtest.h>

#include <numeric>

#include "player/output/blitters.h"

namespace {

using reel::Rect;
using reel::Scaling;

reel::Palette Grey() {
  reel::Palette p{};
  for (int i = 0; i < 256; ++i)
    p[i] = {uint8_t(i), uint8_t(i), uint8_t(i), 0};
  return p;
}

// A 4 x 3 picture with distinct indices 10, 11, ...
struct Picture {
  std::vector<uint8_t> pixels = std::vector<uint8_t>(12);
  Picture() { std::iota(pixels.begin(), pixels.end(), 10); }
  reel::BlitSource Source() const { return {pixels.data(), 4, 4, 3}; }
};

TEST(Blitters, NamesByIndex) {
  const char* names[] = {"8-bit 1x", "8-bit 2x", "8-bit 2x Interlaced", "8-bit 2x Smoothing"};
  for (int i = 0; i < 4; ++i) {
    EXPECT_STREQ(reel::BlitterAt(i)->name, names[i]);
    EXPECT_STREQ(reel::BlitterAt(i + 6)->name, (std::string("16-") + (names[i] + 2)).c_str());
  }
  EXPECT_EQ(reel::BlitterAt(4), nullptr);
  EXPECT_EQ(reel::BlitterAt(10), nullptr);
  EXPECT_EQ(reel::BlitterIndex(true, Scaling::k2xSmoothing), 9);
}

TEST(Blitters, PixelFormats) {
  EXPECT_EQ(reel::Pixel16(255, 255, 255, reel::PixelFormat16::k565), 0xFFFF);
  EXPECT_EQ(reel::Pixel16(255, 255, 255, reel::PixelFormat16::k555), 0x7FFF);
  EXPECT_EQ(reel::Pixel16(8, 4, 16, reel::PixelFormat16::k565), 1 * 2048 + 1 * 32 + 2);
  EXPECT_EQ(reel::Pixel16(8, 8, 16, reel::PixelFormat16::k555), 1 * 1024 + 1 * 32 + 2);
}

TEST(Blitters, OneToOneCopiesOnlyTheRectangle) {
  Picture p;
  std::vector<uint8_t> out(12, 0);
  reel::BlitterAt(0)->blit(p.Source(), {out.data(), 4}, {1, 1, 2, 2}, {});
  EXPECT_EQ(out, (std::vector<uint8_t>{0, 0, 0, 0, 0, 15, 16, 0, 0, 19, 20, 0}));
  // Past the picture: clipped.
  std::vector<uint8_t> all(12, 0);
  reel::BlitterAt(0)->blit(p.Source(), {all.data(), 4}, {-5, -5, 100, 100}, {});
  EXPECT_EQ(all, p.pixels);
}

TEST(Blitters, DoublingAndInterlacing) {
  Picture p;
  std::vector<uint8_t> out(8 * 6, 0);
  reel::BlitterAt(1)->blit(p.Source(), {out.data(), 8}, {0, 0, 4, 3}, {});
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x)
      ASSERT_EQ(out[y * 8 + x], p.pixels[(y / 2) * 4 + x / 2]) << x << "," << y;
  std::vector<uint8_t> laced(8 * 6, 0xEE);
  reel::BlitterAt(2)->blit(p.Source(), {laced.data(), 8}, {0, 0, 4, 3}, {});
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x)
      ASSERT_EQ(laced[y * 8 + x], y % 2 ? 0xEE : p.pixels[(y / 2) * 4 + x / 2]);
}

TEST(Blitters, SixteenBitGoesThroughTheColourTable) {
  Picture p;
  reel::BlitTables t;
  t.pixels = reel::ColourTable(Grey(), reel::PixelFormat16::k565);
  std::vector<uint16_t> out(8 * 6, 0);
  reel::BlitterAt(7)->blit(p.Source(), {reinterpret_cast<uint8_t*>(out.data()), 16}, {0, 0, 4, 3},
                           t);
  EXPECT_EQ(out[0], reel::Pixel16(10, 10, 10, reel::PixelFormat16::k565));
  EXPECT_EQ(out[8 * 5 + 7], reel::Pixel16(21, 21, 21, reel::PixelFormat16::k565));
}

TEST(Blitters, SmoothingTables) {
  reel::Palette pal = Grey();
  const std::vector<uint8_t> t8 = reel::SmoothingTable8(pal);
  EXPECT_EQ(t8[7 * 256 + 7], 7);
  EXPECT_EQ(t8[10 * 256 + 20], 15);  // the grey between them
  EXPECT_EQ(t8[20 * 256 + 10], 15);
  EXPECT_EQ(t8[10 * 256 + 21], 15);  // 15.5 rounds down
  // With only black and white in the palette, a mid grey goes to the first nearest (black).
  reel::Palette two{};
  two[255] = {255, 255, 255, 0};
  const std::vector<uint8_t> t2 = reel::SmoothingTable8(two);
  EXPECT_EQ(t2[0 * 256 + 255], 0);
  const std::vector<uint16_t> t16 = reel::SmoothingTable16(pal, reel::PixelFormat16::k555);
  EXPECT_EQ(t16[11 * 256 + 21], reel::Pixel16(15, 15, 15, reel::PixelFormat16::k555));  // 5 + 10
}

TEST(Blitters, SmoothingFillsInBetweenPixels) {
  Picture p;
  reel::BlitTables t;
  t.smooth8 = reel::SmoothingTable8(Grey());
  std::vector<uint8_t> out(8 * 6, 0);
  reel::BlitterAt(3)->blit(p.Source(), {out.data(), 8}, {0, 0, 4, 3}, t);
  EXPECT_EQ(out[0], 10);          // the pixel itself
  EXPECT_EQ(out[1], 10);          // between 10 and 11, rounded down
  EXPECT_EQ(out[8], 12);          // between 10 and 14 below
  EXPECT_EQ(out[9], 12);          // between 10 and 15 on the diagonal
  EXPECT_EQ(out[7], 13);          // the right edge repeats the pixel
  EXPECT_EQ(out[8 * 5 + 7], 21);  // so does the bottom-right corner
}

}  // namespace
