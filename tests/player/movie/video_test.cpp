// Frame decoding from hand-written video data: block types, run lengths, runs past the end,
// line geometry, the changed-block map, damaged streams and palette chunks.
#include <gtest/gtest.h>

#include "player/movie/zoe.h"
#include "tests/player/movie/zoe_fixtures.h"

namespace {

using zoe_test::Bits;
using zoe_test::TypeValue;
using zoe_test::WordTreeFixture;

constexpr std::array<uint32_t, 4> kRoomy{100000, 100000, 100000, 100000};

// A movie record with trees and a target, decoded by hand.
struct Decoder {
  ZoeMovie movie;
  std::vector<uint8_t> pixels;
  int32_t pitch = 0;

  Decoder(uint32_t width, uint32_t height, const std::vector<uint8_t>& treeData, uint32_t flags = 0,
          bool bottomUp = false, uint32_t extraWidth = 0) {
    movie.header.width = width;
    movie.header.height = height;
    movie.flags = flags;
    pitch = static_cast<int32_t>(width + extraWidth);
    pixels.assign(size_t(pitch) * height, 0xEE);
    EXPECT_TRUE(zoe::BuildVideoTrees(treeData.data(), treeData.size(), kRoomy, movie.trees));
    ZoeSurface s;
    s.pixels = pixels.data();
    s.pitch = pitch;
    s.width = pitch;
    s.height = static_cast<int32_t>(height);
    s.bottomUp = bottomUp;
    EXPECT_TRUE(ZoeSetTarget(&movie, s));
  }
  void Decode(const std::vector<uint8_t>& video, bool fast = true) {
    zoe::DecodeVideo(movie.trees, video.data(), video.size(), movie.target, fast);
  }
  uint8_t At(uint32_t x, uint32_t y) const { return pixels[size_t(y) * pitch + x]; }
  // Colour of block b's top-left pixel.
  uint8_t Block(uint32_t b) const {
    const uint32_t perRow = movie.header.width / 4;
    return At(4 * (b % perRow), 4 * (b / perRow));
  }
};

std::vector<uint8_t> TreesWithType(const WordTreeFixture& type,
                                   const WordTreeFixture* pattern = nullptr,
                                   const WordTreeFixture* colour = nullptr,
                                   const WordTreeFixture* full = nullptr) {
  Bits b;
  for (const WordTreeFixture* t : {pattern, colour, full}) {
    if (t != nullptr) {
      t->Write(b);
    } else {
      zoe_test::WriteAbsentTree(b);
    }
  }
  type.Write(b);
  return b.Words();
}

const std::array<uint16_t, 3> kEsc{0xFFF0, 0xFFF1, 0xFFF2};

TEST(VideoRuns, RunTableIndexesGiveTheirLengths) {
  const uint16_t a = TypeValue(3, 58, 1), b = TypeValue(3, 59, 2), c = TypeValue(3, 63, 3),
                 skip = TypeValue(2, 63);
  WordTreeFixture type({a, b, c, skip}, kEsc);
  Decoder d(256, 256, TreesWithType(type));  // 4096 blocks
  Bits v;
  v.Code(type.CodeOf(a)).Code(type.CodeOf(b)).Code(type.CodeOf(c)).Code(type.CodeOf(skip));
  d.Decode(v.Words());
  EXPECT_EQ(d.Block(0), 1);
  EXPECT_EQ(d.Block(58), 1);
  EXPECT_EQ(d.Block(59), 2);
  EXPECT_EQ(d.Block(59 + 127), 2);
  EXPECT_EQ(d.Block(59 + 128), 3);
  EXPECT_EQ(d.Block(59 + 128 + 2047), 3);
  EXPECT_EQ(d.Block(59 + 128 + 2048), 0xEE);  // skipped
  EXPECT_EQ(d.Block(4095), 0xEE);
  const uint8_t* row = &d.pixels[3 * 256];  // the fourth line of block row 0 is solid too
  EXPECT_EQ(row[0], 1);
  EXPECT_EQ(zoe::kRunLengths[0], 1);
  EXPECT_EQ(zoe::kRunLengths[58], 59);
  EXPECT_EQ(zoe::kRunLengths[59], 128);
  EXPECT_EQ(zoe::kRunLengths[63], 2048);
}

TEST(VideoRuns, ARunPastTheLastBlockStopsAtTheFrameEnd) {
  // 320 x 200: 80 x 50 = 4000 blocks. Skip 3000 blocks, then 2048 solid blocks.
  const uint16_t s1024 = TypeValue(2, 62), s512 = TypeValue(2, 61), s256 = TypeValue(2, 60),
                 s128 = TypeValue(2, 59), s56 = TypeValue(2, 55), solid = TypeValue(3, 63, 9);
  WordTreeFixture type({s1024, s512, s256, s128, s56, solid}, kEsc);
  Decoder d(320, 200, TreesWithType(type));
  Bits v;
  for (uint16_t t : {s1024, s1024, s512, s256, s128, s56, solid})
    v.Code(type.CodeOf(t));
  // Anything after the frame's end must not be read: trailing junk bits.
  const size_t used = v.Count();
  v.Put(0xFFFFFFFF, 32);
  d.Decode(v.Words());
  EXPECT_EQ(d.Block(2999), 0xEE);
  EXPECT_EQ(d.Block(3000), 9);
  EXPECT_EQ(d.Block(3999), 9);
  EXPECT_EQ(d.At(319, 199), 9);
  EXPECT_EQ(used, 7u * 3);
  // Every changed group is marked: blocks 3000-3999 are groups 187-249.
  EXPECT_EQ(d.movie.target.changed[186], 0);
  EXPECT_EQ(d.movie.target.changed[187], 1);
  EXPECT_EQ(d.movie.target.changed[249], 1);
}

TEST(VideoBlocks, FullAndTwoColourBlocksFollowTheirBitLayouts) {
  const uint16_t full = TypeValue(1, 0), two = TypeValue(0, 0);
  WordTreeFixture type({full, two}, kEsc);
  WordTreeFixture fullTree({0x0403, 0x0201, 0x0807, 0x0605}, kEsc);
  WordTreeFixture colour({0x0A05}, kEsc);
  WordTreeFixture pattern({0x0001, 0x8421}, kEsc);
  Decoder d(8, 4, TreesWithType(type, &pattern, &colour, &fullTree));
  Bits v;
  v.Code(type.CodeOf(full));
  for (int line = 0; line < 4; ++line) {
    const bool odd = line % 2;
    v.Code(fullTree.CodeOf(odd ? 0x0807 : 0x0403)).Code(fullTree.CodeOf(odd ? 0x0605 : 0x0201));
  }
  v.Code(type.CodeOf(two)).Code(colour.CodeOf(0x0A05)).Code(pattern.CodeOf(0x0001));
  d.Decode(v.Words());
  // A line from a = 0x0403, b = 0x0201 is 1, 2, 3, 4.
  EXPECT_EQ(d.At(0, 0), 1);
  EXPECT_EQ(d.At(1, 0), 2);
  EXPECT_EQ(d.At(2, 0), 3);
  EXPECT_EQ(d.At(3, 0), 4);
  EXPECT_EQ(d.At(0, 1), 5);
  EXPECT_EQ(d.At(3, 1), 8);
  // c = 0x0A05, m = 1: pixel (0,0) takes 10, the other 15 take 5.
  EXPECT_EQ(d.At(4, 0), 10);
  int fives = 0;
  for (uint32_t y = 0; y < 4; ++y) {
    for (uint32_t x = 4; x < 8; ++x)
      fives += d.At(x, y) == 5;
  }
  EXPECT_EQ(fives, 15);
}

TEST(VideoBlocks, PatternBitsGoLeftToRightThenTopToBottom) {
  const uint16_t two = TypeValue(0, 0);
  WordTreeFixture type({two}, kEsc);
  WordTreeFixture colour({0x0100}, kEsc);
  WordTreeFixture pattern({0x8421}, kEsc);
  Decoder d(4, 4, TreesWithType(type, &pattern, &colour));
  d.Decode(std::vector<uint8_t>(4, 0));  // every tree is a root leaf: no bits at all
  for (uint32_t y = 0; y < 4; ++y) {
    for (uint32_t x = 0; x < 4; ++x)
      EXPECT_EQ(d.At(x, y), x == y ? 1 : 0) << x << "," << y;
  }
}

// An 8 x 8 movie of two full block rows with distinct lines, for the line geometry tests.
struct GeometryMovie {
  const uint16_t full = TypeValue(1, 1);  // run of 2 full blocks: one block row
  WordTreeFixture type{{full}, kEsc};
  WordTreeFixture fullTree{{0x0000, 0x0101, 0x0202, 0x0303, 0x0404, 0x0505, 0x0606, 0x0707}, kEsc};
  std::vector<uint8_t> Trees() const { return TreesWithType(type, nullptr, nullptr, &fullTree); }
  // Block row r: line l of both blocks is colour 4 * r + l... (two rows: colours 0-7).
  std::vector<uint8_t> Video() const {
    Bits v;
    for (int row = 0; row < 2; ++row) {
      // the type tree is a root leaf: no bits
      for (int block = 0; block < 2; ++block) {
        for (int line = 0; line < 4; ++line) {
          const uint16_t c = static_cast<uint16_t>(0x0101 * (4 * row + line));
          v.Code(fullTree.CodeOf(c)).Code(fullTree.CodeOf(c));
        }
      }
    }
    return v.Words();
  }
};

TEST(VideoGeometry, PlainDoubledInterlacedAndBottomUpLines) {
  GeometryMovie g;
  {
    Decoder d(8, 8, g.Trees());
    d.Decode(g.Video());
    for (uint32_t y = 0; y < 8; ++y)
      EXPECT_EQ(d.At(5, y), y);
  }
  {
    // Doubled: the shown height is 16; every decoded line is written twice.
    Decoder d(8, 16, g.Trees(), kZoeDouble);
    EXPECT_EQ(d.movie.target.storedHeight, 8u);
    d.Decode(g.Video());
    for (uint32_t y = 0; y < 16; ++y)
      EXPECT_EQ(d.At(2, y), y / 2);
  }
  {
    // Interlaced: decoded lines go to every second line; the others keep what they held.
    Decoder d(8, 16, g.Trees(), kZoeInterlace);
    d.Decode(g.Video());
    for (uint32_t y = 0; y < 16; ++y)
      EXPECT_EQ(d.At(7, y), y % 2 ? 0xEE : y / 2);
  }
  {
    // Bottom-up destination with a wider pitch: the first movie line is the last in memory.
    Decoder d(8, 8, g.Trees(), 0, true, 4);
    d.Decode(g.Video());
    for (uint32_t y = 0; y < 8; ++y)
      EXPECT_EQ(d.At(0, 7 - y), y);
    EXPECT_EQ(d.At(8, 0), 0xEE);  // the margin beside the movie is untouched
  }
  {
    // The 32-bit reader gives the same pixels.
    Decoder a(8, 8, g.Trees()), b(8, 8, g.Trees());
    a.Decode(g.Video(), true);
    b.Decode(g.Video(), false);
    EXPECT_EQ(a.pixels, b.pixels);
  }
}

TEST(VideoGeometry, TargetsThatCannotHoldTheMovieAreRefused) {
  ZoeMovie m;
  m.header.width = 16;
  m.header.height = 16;
  std::vector<uint8_t> pixels(16 * 16);
  ZoeSurface s;
  s.pixels = pixels.data();
  s.pitch = 16;
  s.width = 16;
  s.height = 16;
  EXPECT_TRUE(ZoeSetTarget(&m, s));
  s.x = 4;
  EXPECT_FALSE(ZoeSetTarget(&m, s));
  s.x = 0;
  s.height = 12;
  EXPECT_FALSE(ZoeSetTarget(&m, s));
  s.height = 16;
  s.pitch = 8;
  EXPECT_FALSE(ZoeSetTarget(&m, s));
  s.pitch = 16;
  s.pixels = nullptr;
  EXPECT_FALSE(ZoeSetTarget(&m, s));
  EXPECT_FALSE(ZoeSetTarget(nullptr, s));
}

TEST(VideoChangedMap, MarksGroupsWrittenAndClearsGroupsSkippedWhole) {
  // 256 x 4: 64 blocks, four groups of 16.
  const uint16_t skip16 = TypeValue(2, 15), solid1 = TypeValue(3, 0, 4), skip31 = TypeValue(2, 30),
                 solid16 = TypeValue(3, 15, 5);
  WordTreeFixture type({skip16, solid1, skip31, solid16}, kEsc);
  Decoder d(256, 4, TreesWithType(type));
  std::fill(d.movie.target.changed.begin(), d.movie.target.changed.end(), 0x77);
  Bits v;
  for (uint16_t t : {skip16, solid1, skip31, solid16})
    v.Code(type.CodeOf(t));
  d.Decode(v.Words());
  const auto& map = d.movie.target.changed;
  EXPECT_EQ(map[0], 0);
  EXPECT_EQ(map[1], 1);
  EXPECT_EQ(map[2], 0);
  EXPECT_EQ(map[3], 1);
  EXPECT_EQ(map[4], 0);
  EXPECT_EQ(map[5], 0x77);
}

TEST(VideoDamage, AStreamThatEndsEarlyStopsWhereItsDataStops) {
  const uint16_t full = TypeValue(1, 63);
  WordTreeFixture type({full}, kEsc);
  std::vector<uint16_t> values;
  for (int i = 0; i < 64; ++i)
    values.push_back(static_cast<uint16_t>(0x0101 * i));
  WordTreeFixture fullTree(values, kEsc);
  Decoder d(64, 64, TreesWithType(type, nullptr, nullptr, &fullTree));
  // Enough for two blocks (8 values of 6 bits) only.
  Bits v;
  for (int i = 0; i < 16; ++i)
    v.Code(fullTree.CodeOf(0x0303));
  d.Decode(v.Words());
  EXPECT_EQ(d.Block(0), 3);
  EXPECT_EQ(d.Block(1), 3);
  // Decoding runs for at most the rest of the run; nothing outside the picture is touched.
  Decoder e(64, 64, TreesWithType(type, nullptr, nullptr, &fullTree));
  e.Decode({});
  EXPECT_EQ(e.pixels.size(), 64u * 64);
}

std::array<uint8_t, 768> Ramp() {
  std::array<uint8_t, 768> p;
  for (int i = 0; i < 768; ++i)
    p[i] = static_cast<uint8_t>(i / 3);
  return p;
}

TEST(PaletteChunk, KeepCopyAndNewEntries) {
  std::array<uint8_t, 768> p = Ramp();
  const uint8_t keepAll[] = {255, 255};
  zoe::ApplyPaletteChunk(keepAll, sizeof keepAll, p);
  EXPECT_EQ(p, Ramp());

  const uint8_t copy[] = {64, 10, 255, 254};
  zoe::ApplyPaletteChunk(copy, sizeof copy, p);
  EXPECT_EQ(p[0], 10);
  EXPECT_EQ(p[2], 10);
  EXPECT_EQ(p[3], 1);

  p = Ramp();
  // A new entry from 6-bit components, then a copy of 3 entries from entry 0 of the old
  // palette (not the one being built).
  const uint8_t mixed[] = {63, 32, 0, 66, 0};
  zoe::ApplyPaletteChunk(mixed, sizeof mixed, p);
  EXPECT_EQ(p[0], 255);
  EXPECT_EQ(p[1], 130);
  EXPECT_EQ(p[2], 0);
  EXPECT_EQ(p[3], 0);   // entry 1 = old entry 0
  EXPECT_EQ(p[9], 2);   // entry 3 = old entry 2
  EXPECT_EQ(p[12], 4);  // entry 4 untouched
}

TEST(PaletteChunk, StaysInsideBothTables) {
  std::array<uint8_t, 768> p = Ramp();
  // Components of 64 and more are taken modulo 64; a copy from entry 250 stops at the last
  // entry; a keep run past entry 256 ends the chunk.
  const uint8_t wild[] = {0x3F, 0x40 + 63, 0xFF, 0x7F, 250, 0xFF, 0xFF, 0xFF, 0x01, 2, 3};
  zoe::ApplyPaletteChunk(wild, sizeof wild, p);
  EXPECT_EQ(p[0], 255);
  EXPECT_EQ(p[1], 255);
  EXPECT_EQ(p[2], 255);
  EXPECT_EQ(p[3 * 1], 250);  // entry 1 = old 250
  EXPECT_EQ(p[3 * 6], 255);  // entry 6 = old 255
  EXPECT_EQ(p[3 * 7], 7);    // entries 7-63 had no source and stay
  // Data that ends in the middle of an entry changes nothing more.
  std::array<uint8_t, 768> q = Ramp();
  const uint8_t cut[] = {5, 6};
  zoe::ApplyPaletteChunk(cut, sizeof cut, q);
  EXPECT_EQ(q, Ramp());
  EXPECT_EQ(zoe::kComponent[63], 255);
  EXPECT_EQ(zoe::kComponent[32], 130);
  for (int i = 0; i < 64; ++i)
    EXPECT_EQ(zoe::kComponent[i], i * 4 + i / 16);
}

}  // namespace
