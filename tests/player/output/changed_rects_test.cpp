#include <gtest/gtest.h>

#include "player/output/changed_rects.h"

namespace {

using reel::Rect;

// A target of width x stored lines with the given groups marked changed.
ZoeTarget Target(uint32_t width, uint32_t lines, std::initializer_list<uint32_t> groups) {
  ZoeTarget t;
  t.mode = 1;
  t.width = width;
  t.storedHeight = lines;
  t.blocksPerRow = width / 4;
  t.blockRows = lines / 4;
  t.changed.assign(t.blocksPerRow * t.blockRows / 16 + 32, 0);
  for (uint32_t g : groups)
    t.changed[g] = 1;
  return t;
}

reel::ChangedArea Area(reel::MergeRule rule, int width, int height) {
  reel::ChangedArea a;
  a.rule = rule;
  a.width = width;
  a.height = height;
  return a;
}

TEST(ChangedRects, GroupsBecomeStripsPerBand) {
  // 128 pixels wide: two groups per band. Groups 0 and 1 make one strip; group 3 is alone.
  EXPECT_EQ(reel::ChangedStrips(Target(128, 16, {0, 1, 3})),
            (std::vector<Rect>{{0, 0, 128, 4}, {64, 4, 64, 4}}));
  // 96 pixels wide (24 blocks): group 1 covers blocks 16-31, the end of band 0 and the start
  // of band 1, and continues into group 2 on band 1.
  EXPECT_EQ(reel::ChangedStrips(Target(96, 16, {1, 2})),
            (std::vector<Rect>{{64, 0, 32, 4}, {0, 4, 96, 4}}));
  // The last group stops at the picture's end.
  EXPECT_EQ(reel::ChangedStrips(Target(96, 8, {2})), (std::vector<Rect>{{32, 4, 64, 4}}));
}

TEST(ChangedRects, MergingKeepsWasteUnderAQuarter) {
  const std::vector<Rect> stacked{{0, 0, 64, 4}, {0, 4, 64, 4}, {0, 8, 64, 4}};
  EXPECT_EQ(reel::MergeStrips(stacked, reel::MergeRule::kCompact),
            std::vector<Rect>{Rect(0, 0, 64, 12)});
  // Far apart: the bounding box would waste most of its area.
  const std::vector<Rect> apart{{0, 0, 64, 4}, {256, 100, 64, 4}};
  EXPECT_EQ(reel::MergeStrips(apart, reel::MergeRule::kCompact), apart);
  EXPECT_EQ(reel::MergeStrips(apart, reel::MergeRule::kBounding),
            std::vector<Rect>{Rect(0, 0, 320, 104)});
  EXPECT_TRUE(reel::MergeStrips(apart, reel::MergeRule::kNone).empty());
  // Never more than four: the rest joins the last box.
  std::vector<Rect> many;
  for (int i = 0; i < 8; ++i)
    many.push_back({0, 40 * i, 4, 4});
  const std::vector<Rect> merged = reel::MergeStrips(many, reel::MergeRule::kCompact);
  ASSERT_EQ(merged.size(), reel::kMaxRects);
  EXPECT_EQ(merged.back(), Rect(0, 120, 4, 164));
}

TEST(ChangedRects, EdgesAlignToEightPixelsOnTheScreen) {
  EXPECT_EQ(reel::AlignRect({12, 0, 20, 4}, 0, 320), Rect(8, 0, 24, 4));
  EXPECT_EQ(reel::AlignRect({12, 0, 20, 4}, 4, 320), Rect(12, 0, 24, 4));  // 16 on the screen
  EXPECT_EQ(reel::AlignRect({4, 0, 8, 4}, 0, 14), Rect(0, 0, 12, 4));      // not past the edge
}

TEST(ChangedRects, JoinsRectanglesThatShareASide) {
  std::vector<Rect> r{
      {0, 0, 64, 4}, {64, 0, 32, 4}, {0, 20, 8, 8}, {0, 28, 8, 4}, {100, 100, 4, 4}};
  reel::JoinRects(r);
  EXPECT_EQ(r, (std::vector<Rect>{{0, 0, 96, 4}, {0, 20, 8, 12}, {100, 100, 4, 4}}));
}

TEST(ChangedRects, PaletteOnlyFramesAndScaledLines) {
  const ZoeTarget none = Target(64, 8, {});
  EXPECT_TRUE(reel::ChangedRects(none, false, Area(reel::MergeRule::kCompact, 64, 8)).empty());
  EXPECT_EQ(reel::ChangedRects(none, true, Area(reel::MergeRule::kCompact, 64, 8)),
            std::vector<Rect>{Rect{}});
  EXPECT_TRUE(
      reel::ChangedRects(Target(64, 8, {0}), true, Area(reel::MergeRule::kNone, 64, 8)).empty());
  reel::ChangedArea doubled = Area(reel::MergeRule::kCompact, 64, 16);
  doubled.lineScale = 2;
  EXPECT_EQ(reel::ChangedRects(Target(64, 8, {1}), false, doubled),
            std::vector<Rect>{Rect(0, 8, 64, 8)});
}

}  // namespace
