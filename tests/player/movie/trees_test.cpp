// The decoding trees, from hand-written tree data: shapes, lookups past 12 bits, escapes and
// the cache, absent trees, the marker and colour remapping.
#include <gtest/gtest.h>

#include "player/movie/zoe_trees.h"
#include "tests/player/movie/zoe_fixtures.h"

namespace {

using zoe::FastBitReader;
using zoe::VideoTrees;
using zoe::WordBitReader;
using zoe_test::Bits;
using zoe_test::WordTreeFixture;

constexpr std::array<uint32_t, 4> kRoomy{100000, 100000, 100000, 100000};

// Tree data with the given tree in slot `which` and the others absent.
std::vector<uint8_t> OneTree(int which, const WordTreeFixture& tree) {
  Bits b;
  for (int i = 0; i < 4; ++i) {
    if (i == which) {
      tree.Write(b);
    } else {
      zoe_test::WriteAbsentTree(b);
    }
  }
  return b.Words();
}

TEST(VideoTrees, DecodesEveryLeafOfACompleteTreeThroughTheLookup) {
  std::vector<uint16_t> values;
  for (int i = 0; i < 16; ++i)
    values.push_back(static_cast<uint16_t>(0x0101 * i + 0x2000));
  WordTreeFixture fixture(values, {1, 2, 3});
  VideoTrees trees;
  const auto data = OneTree(zoe::kFullTree, fixture);
  ASSERT_TRUE(zoe::BuildVideoTrees(data.data(), data.size(), kRoomy, trees));
  Bits stream;
  for (uint16_t v : values)
    stream.Code(fixture.CodeOf(v));
  const auto bytes = stream.Words();
  FastBitReader r(bytes.data(), bytes.size());
  for (uint16_t v : values)
    EXPECT_EQ(trees.trees[zoe::kFullTree].Decode(r), v);
  EXPECT_EQ(r.Consumed(), stream.Count());
}

TEST(VideoTrees, CodesLongerThanTheLookupWalkOnBitByBit) {
  // 2^14 leaves: every code is 14 bits, two past the table.
  std::vector<uint16_t> values;
  for (int i = 0; i < (1 << 14); ++i)
    values.push_back(static_cast<uint16_t>(i * 3 + 7));
  WordTreeFixture fixture(values, {0, 1, 2});
  VideoTrees trees;
  const auto data = OneTree(zoe::kColourTree, fixture);
  ASSERT_TRUE(zoe::BuildVideoTrees(data.data(), data.size(), kRoomy, trees));
  Bits stream;
  const std::vector<uint16_t> picks{7, 10, static_cast<uint16_t>(7 + 3 * 16383), 7 + 3 * 4095};
  for (uint16_t v : picks)
    stream.Code(fixture.CodeOf(v));
  const auto bytes = stream.Words();
  FastBitReader fast(bytes.data(), bytes.size());
  WordBitReader word(bytes.data(), bytes.size());
  VideoTrees copy = trees;
  for (uint16_t v : picks) {
    EXPECT_EQ(trees.trees[zoe::kColourTree].Decode(fast), v);
    EXPECT_EQ(copy.trees[zoe::kColourTree].Decode(word), v);
  }
  EXPECT_EQ(fast.Consumed(), 4u * 14);
  EXPECT_EQ(word.Consumed(), 4u * 14);
}

TEST(VideoTrees, RootLeafConsumesNoBits) {
  WordTreeFixture fixture({0x1234}, {0, 1, 2});
  VideoTrees trees;
  const auto data = OneTree(zoe::kTypeTree, fixture);
  ASSERT_TRUE(zoe::BuildVideoTrees(data.data(), data.size(), kRoomy, trees));
  const uint8_t none[4] = {0xFF, 0xFF, 0xFF, 0xFF};
  FastBitReader r(none, sizeof none);
  EXPECT_EQ(trees.trees[zoe::kTypeTree].Decode(r), 0x1234u);
  EXPECT_EQ(trees.trees[zoe::kTypeTree].Decode(r), 0x1234u);
  EXPECT_EQ(r.Consumed(), 0u);
}

// Values x, y and the three escapes 0xE0, 0xE1, 0xE2 as leaves.
struct CacheTree {
  static constexpr uint16_t kX = 0x0A05, kY = 0x0B06;
  WordTreeFixture fixture{{kX, kY, 0xE0, 0xE1, 0xE2, 0x0C07, 0x0D08, 0x0E09}, {0xE0, 0xE1, 0xE2}};
  VideoTrees trees;
  zoe::VideoTree& tree() { return trees.trees[zoe::kColourTree]; }
  CacheTree() {
    const auto data = OneTree(zoe::kColourTree, fixture);
    EXPECT_TRUE(zoe::BuildVideoTrees(data.data(), data.size(), kRoomy, trees));
  }
  uint32_t Decode(const std::string& code) {
    Bits b;
    b.Code(code);
    const auto bytes = b.Words();
    FastBitReader r(bytes.data(), bytes.size());
    return tree().Decode(r);
  }
  std::array<uint32_t, 3> Values() const {
    const auto& c = trees.trees[zoe::kColourTree].cache;
    return {c[0] >> 16, c[1] >> 16, c[2] >> 16};
  }
};

TEST(VideoTreeCache, KeepsTheThreeLatestValuesAndEscapesReadThem) {
  CacheTree t;
  using A = std::array<uint32_t, 3>;
  EXPECT_EQ(t.Values(), (A{0, 0, 0}));
  EXPECT_EQ(t.Decode(t.fixture.CodeOf(CacheTree::kX)), CacheTree::kX);
  EXPECT_EQ(t.Values(), (A{CacheTree::kX, 0, 0}));
  EXPECT_EQ(t.Decode(t.fixture.CodeOf(CacheTree::kY)), CacheTree::kY);
  EXPECT_EQ(t.Values(), (A{CacheTree::kY, CacheTree::kX, 0}));
  EXPECT_EQ(t.Decode(t.fixture.CodeOf(CacheTree::kX)), CacheTree::kX);
  EXPECT_EQ(t.Values(), (A{CacheTree::kX, CacheTree::kY, CacheTree::kX}));
  // The same value again changes nothing.
  EXPECT_EQ(t.Decode(t.fixture.CodeOf(CacheTree::kX)), CacheTree::kX);
  EXPECT_EQ(t.Values(), (A{CacheTree::kX, CacheTree::kY, CacheTree::kX}));
  // Escape 1 delivers slot 1 and moves it to the front; slot 2 takes the old slot 1.
  EXPECT_EQ(t.Decode(t.fixture.CodeOf(0xE1)), CacheTree::kY);
  EXPECT_EQ(t.Values(), (A{CacheTree::kY, CacheTree::kX, CacheTree::kY}));
  EXPECT_EQ(t.Decode(t.fixture.CodeOf(0xE0)), CacheTree::kY);
  EXPECT_EQ(t.Decode(t.fixture.CodeOf(0xE2)), CacheTree::kY);
  // A frame starts from the reset state.
  t.tree().ResetCache();
  EXPECT_EQ(t.Values(), (A{0, 0, 0}));
  EXPECT_EQ(t.Decode(t.fixture.CodeOf(0xE0)), 0u);
}

TEST(VideoTreeCache, EqualEscapesGoToTheFirstSlot) {
  WordTreeFixture fixture({0x0101, 0x0202, 0x00E5, 0x0303}, {0xE5, 0xE5, 0xE6});
  VideoTrees trees;
  const auto data = OneTree(zoe::kFullTree, fixture);
  ASSERT_TRUE(zoe::BuildVideoTrees(data.data(), data.size(), kRoomy, trees));
  const auto& t = trees.trees[zoe::kFullTree];
  EXPECT_TRUE(t.slotHasLeaf[0]);
  EXPECT_FALSE(t.slotHasLeaf[1]);
  EXPECT_FALSE(t.slotHasLeaf[2]);
}

TEST(VideoTreeCache, AbsentTreeSlotsLeaveTheNextTreeAlone) {
  // The colour tree is absent; the full tree follows. Resetting every cache (as each frame
  // does) must not disturb the full tree's nodes.
  WordTreeFixture full({0x0102, 0x0304}, {0xF0, 0xF1, 0xF2});
  Bits b;
  zoe_test::WriteAbsentTree(b);
  zoe_test::WriteAbsentTree(b);
  full.Write(b);
  zoe_test::WriteAbsentTree(b);
  const auto data = b.Words();
  VideoTrees trees;
  ASSERT_TRUE(zoe::BuildVideoTrees(data.data(), data.size(), kRoomy, trees));
  for (auto& t : trees.trees)
    t.ResetCache();
  Bits s;
  s.Code(full.CodeOf(0x0102)).Code(full.CodeOf(0x0304));
  const auto bytes = s.Words();
  FastBitReader r(bytes.data(), bytes.size());
  EXPECT_EQ(trees.trees[zoe::kFullTree].Decode(r), 0x0102u);
  EXPECT_EQ(trees.trees[zoe::kFullTree].Decode(r), 0x0304u);
  // An absent tree delivers 0 without consuming bits.
  EXPECT_EQ(trees.trees[zoe::kColourTree].Decode(r), 0u);
  EXPECT_EQ(r.Consumed(), 2u);
}

TEST(VideoTreeMarker, IsTheLowestValueThatNoLeafCarries) {
  WordTreeFixture a({0, 1, 3}, {0x10, 0x11, 0x12});
  WordTreeFixture c({2, 5}, {0x20, 0x21, 0x22});
  Bits b;
  a.Write(b);
  c.Write(b);
  zoe_test::WriteAbsentTree(b);
  zoe_test::WriteAbsentTree(b);
  const auto data = b.Words();
  VideoTrees trees;
  ASSERT_TRUE(zoe::BuildVideoTrees(data.data(), data.size(), kRoomy, trees));
  EXPECT_EQ(trees.marker, 4);
}

TEST(VideoTreeMarker, AResetSlotReadsAsALeafEvenWhenTheMarkerIsZero) {
  // No tree has a leaf 0, so the marker is 0, the same as a reset cache slot.
  WordTreeFixture fixture({0x0505, 0x00E0, 0x0606, 0x0707}, {0xE0, 0xE1, 0xE2});
  VideoTrees trees;
  const auto data = OneTree(zoe::kFullTree, fixture);
  ASSERT_TRUE(zoe::BuildVideoTrees(data.data(), data.size(), kRoomy, trees));
  ASSERT_EQ(trees.marker, 0);
  Bits s;
  s.Code(fixture.CodeOf(0xE0)).Code(fixture.CodeOf(0x0606));
  const auto bytes = s.Words();
  FastBitReader r(bytes.data(), bytes.size());
  EXPECT_EQ(trees.trees[zoe::kFullTree].Decode(r), 0u);
  EXPECT_EQ(trees.trees[zoe::kFullTree].Decode(r), 0x0606u);
  EXPECT_EQ(r.Consumed(), 4u);
}

TEST(VideoTreeBuild, RefusesDamagedData) {
  WordTreeFixture fixture({1, 2, 3, 4, 5, 6, 7, 8}, {0x10, 0x11, 0x12});
  const auto data = OneTree(zoe::kPatternTree, fixture);
  VideoTrees trees;
  // Cut short.
  EXPECT_FALSE(zoe::BuildVideoTrees(data.data(), 6, kRoomy, trees));
  // Larger than its declared memory (15 nodes do not fit in 14).
  std::array<uint32_t, 4> tight{14, 100, 100, 100};
  EXPECT_FALSE(zoe::BuildVideoTrees(data.data(), data.size(), tight, trees));
  tight[0] = 15;
  EXPECT_TRUE(zoe::BuildVideoTrees(data.data(), data.size(), tight, trees));
}

TEST(VideoTreeBuild, AHostileDeepTreeNeitherOverflowsTheStackNorRunsAway) {
  // A present tree without sub-trees, then a million inner nodes in a row (one bit each).
  Bits b;
  b.Bit(1).Bit(0).Bit(0).Put(0, 16).Put(0, 16).Put(0, 16);
  for (int i = 0; i < 1000000; ++i)
    b.Bit(1);
  const auto data = b.Words();
  VideoTrees trees;
  EXPECT_FALSE(zoe::BuildVideoTrees(data.data(), data.size(), kRoomy, trees));
  std::array<uint32_t, 4> huge{0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF};
  EXPECT_FALSE(zoe::BuildVideoTrees(data.data(), data.size(), huge, trees));
}

struct RemapTrees {
  WordTreeFixture colour{{0x0201, 0x0403}, {0xF0, 0xF1, 0xF2}};
  WordTreeFixture type{{zoe_test::TypeValue(3, 0, 2), zoe_test::TypeValue(1, 0, 0)},
                       {0, 0xF1, 0xF2}};
  VideoTrees trees;
  RemapTrees() {
    Bits b;
    zoe_test::WriteAbsentTree(b);
    colour.Write(b);
    zoe_test::WriteAbsentTree(b);
    type.Write(b);
    const auto data = b.Words();
    EXPECT_TRUE(zoe::BuildVideoTrees(data.data(), data.size(), kRoomy, trees));
  }
  std::pair<uint32_t, uint32_t> Decode(const std::string& colourCode, const std::string& typeCode) {
    Bits b;
    b.Code(colourCode).Code(typeCode);
    const auto bytes = b.Words();
    FastBitReader r(bytes.data(), bytes.size());
    const uint32_t c = trees.trees[zoe::kColourTree].Decode(r);
    return {c, trees.trees[zoe::kTypeTree].Decode(r)};
  }
};

TEST(VideoTreeRemap, MapsColoursAndSolidTypesThenReturnsToTheSentValues) {
  RemapTrees t;
  uint8_t map[256];
  for (int i = 0; i < 256; ++i)
    map[i] = static_cast<uint8_t>(255 - i);
  zoe::RemapVideoTrees(t.trees, map);
  auto [c, v] = t.Decode(t.colour.CodeOf(0x0201), t.type.CodeOf(zoe_test::TypeValue(3, 0, 2)));
  EXPECT_EQ(c, 0xFDFEu);
  EXPECT_EQ(v, zoe_test::TypeValue(3, 0, 253));
  // A non-solid type value is left alone.
  std::tie(c, v) = t.Decode(t.colour.CodeOf(0x0403), t.type.CodeOf(zoe_test::TypeValue(1, 0, 0)));
  EXPECT_EQ(v, zoe_test::TypeValue(1, 0, 0));
  // Reset slots take the remapped colour 0.
  EXPECT_EQ(t.trees.trees[zoe::kColourTree].resetWord >> 16, 0xFFFFu);
  EXPECT_TRUE(t.trees.remapped);

  for (int i = 0; i < 256; ++i)
    map[i] = static_cast<uint8_t>(i);
  zoe::RemapVideoTrees(t.trees, map);
  std::tie(c, v) = t.Decode(t.colour.CodeOf(0x0201), t.type.CodeOf(zoe_test::TypeValue(3, 0, 2)));
  EXPECT_EQ(c, 0x0201u);
  EXPECT_EQ(v, zoe_test::TypeValue(3, 0, 2));
  EXPECT_FALSE(t.trees.remapped);
}

// The cache starts out holding the reset colour, so a leaf that delivers the same value as
// the remapped colour 0 while being sent as another makes delivered values ambiguous.
TEST(VideoTreeRemap, ALeafDeliveringTheResetColourRulesOutTheCompactTable) {
  RemapTrees t;
  const zoe::VideoTree& colour = t.trees.trees[zoe::kColourTree];
  EXPECT_TRUE(colour.compact);
  uint8_t map[256];
  for (int i = 0; i < 256; ++i)
    map[i] = static_cast<uint8_t>(i);
  // 0x0201 now arrives as 0x0101, as does the reset colour (sent as 0).
  map[0] = 1;
  map[2] = 1;
  zoe::RemapVideoTrees(t.trees, map);
  EXPECT_FALSE(colour.compact);
  EXPECT_EQ(t.Decode(t.colour.CodeOf(0x0201), t.type.CodeOf(zoe_test::TypeValue(1, 0, 0))).first,
            0x0101u);
  // Leaves apart from each other and from the reset colour again.
  map[0] = 0;
  zoe::RemapVideoTrees(t.trees, map);
  EXPECT_TRUE(colour.compact);
}

TEST(ByteTrees, ReadsPreOrderTreesAndRefusesOversizedOnes) {
  zoe_test::ByteTreeFixture f({10, 20, 30, 40, 50});
  Bits b;
  f.Write(b);
  b.Code(f.CodeOf(30)).Code(f.CodeOf(50)).Code(f.CodeOf(10));
  const auto bytes = b.Words();
  FastBitReader r(bytes.data(), bytes.size());
  zoe::ByteTree t;
  ASSERT_TRUE(zoe::ReadByteTree(r, t));
  EXPECT_EQ(t.Decode(r), 30);
  EXPECT_EQ(t.Decode(r), 50);
  EXPECT_EQ(t.Decode(r), 10);
  // 512 leaves need 1023 nodes: more than an 8-bit tree may hold.
  zoe_test::ByteTreeFixture big(std::vector<uint8_t>(512, 1));
  Bits c;
  big.Write(c);
  const auto more = c.Words();
  FastBitReader r2(more.data(), more.size());
  EXPECT_FALSE(zoe::ReadByteTree(r2, t));
}

TEST(BitReaders, AgreeAndReadZerosPastTheEnd) {
  const uint8_t data[6] = {0xA5, 0x5A, 0xFF, 0x00, 0x81, 0x7E};
  FastBitReader fast(data, sizeof data);
  WordBitReader word(data, sizeof data);
  for (unsigned n : {1u, 7u, 12u, 3u, 9u, 10u, 5u, 12u, 12u}) {
    EXPECT_EQ(fast.Peek(n), word.Peek(n));
    EXPECT_EQ(fast.Bits(n), word.Bits(n));
  }
  EXPECT_EQ(fast.Consumed(), 71u);
  EXPECT_TRUE(fast.Overrun());
  EXPECT_TRUE(word.Overrun());
  EXPECT_EQ(fast.Bits(12), 0u);
  EXPECT_EQ(word.Bits(12), 0u);
  // The first bits: 0xA5 read least significant first.
  FastBitReader again(data, sizeof data);
  EXPECT_EQ(again.Bits(4), 0x5u);
  EXPECT_EQ(again.Bits(4), 0xAu);
}

}  // namespace
