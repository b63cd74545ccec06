#include "viewer/core/containers/placement.h"

#include <gtest/gtest.h>

#include <random>

namespace brindle {
namespace {

TResourceInfo At(std::int32_t offset, std::int32_t size) {
  TResourceInfo e;
  e.Offset = offset;
  e.Size = size;
  return e;
}

bool Overlaps(std::int64_t c, std::int64_t n, std::int64_t start, std::int64_t end) {
  return n > 0 && c < end && start < c + n;
}

// Random layouts in the shapes real and damaged files take: tightly packed, with gaps,
// overlapping, lying over the directory, running past the end of the file, empty.
std::vector<TResourceInfo> RandomLayout(std::mt19937& rng, std::int64_t dirEnd,
                                        std::int64_t* fileSize) {
  std::uniform_int_distribution<int> count(0, 40), size(0, 300), gap(0, 3), kind(0, 19);
  std::vector<TResourceInfo> entries;
  std::int64_t at = dirEnd;
  int n = count(rng);
  for (int i = 0; i < n; ++i) {
    std::int32_t s = size(rng);
    switch (kind(rng)) {
      case 0:
        entries.push_back(At(static_cast<std::int32_t>(dirEnd / 2), s));
        break;  // over the directory
      case 1:
        entries.push_back(At(static_cast<std::int32_t>(at - s / 2), s));
        break;  // overlap
      case 2:
        entries.push_back(At(static_cast<std::int32_t>(at), -s));
        break;  // negative size
      default:
        if (gap(rng) == 0) at += size(rng);
        entries.push_back(At(static_cast<std::int32_t>(at), s));
        at += s;
    }
  }
  std::shuffle(entries.begin(), entries.end(), rng);
  *fileSize = at - (gap(rng) == 0 ? 50 : 0);  // sometimes the last entry runs past the end
  return entries;
}

TEST(Placement, FastSearchEqualsTheQuadraticOneAndNeverOverlaps) {
  std::mt19937 rng(20261207);
  std::uniform_int_distribution<int> length(0, 400);
  for (int round = 0; round < 4000; ++round) {
    std::int64_t fileSize = 0;
    const std::int64_t dirEnd = 288 + 32 * 5;
    std::vector<TResourceInfo> entries = RandomLayout(rng, dirEnd, &fileSize);
    PlacementQuery q{&entries, dirEnd, fileSize, length(rng)};
    std::int64_t fast = FindPlacement(q);
    ASSERT_EQ(fast, FindPlacementQuadratic(q)) << "round " << round;
    EXPECT_GE(fast, dirEnd);
    for (const TResourceInfo& e : entries) {
      if (e.Size > 0) {
        EXPECT_FALSE(
            Overlaps(fast, q.length, e.Offset, static_cast<std::int64_t>(e.Offset) + e.Size))
            << "round " << round;
      }
    }
  }
}

TEST(Placement, TightContainerAppendsThenReusesTheOldPlace) {
  // D = 288 + 3 * 32 = 384; three entries of 100 bytes back to back.
  std::vector<TResourceInfo> entries = {At(384, 100), At(484, 100), At(584, 100)};
  PlacementQuery q{&entries, 384, 684, 100};
  // The entry's own bytes are not free while it is being replaced: the end of the file.
  EXPECT_EQ(FindPlacement(q), 684);
  // Once it lives there, its old place is a gap that the next replacement takes.
  entries[1] = At(684, 100);
  q.fileSize = 784;
  EXPECT_EQ(FindPlacement(q), 484);
  // A smaller image takes the first gap in candidate order.
  q.length = 60;
  EXPECT_EQ(FindPlacement(q), 484);
  // A larger one fits no gap.
  q.length = 101;
  EXPECT_EQ(FindPlacement(q), 784);
}

TEST(Placement, ZeroRoomIsNeverTakenAndEmptyEntriesStillCount) {
  // An empty entry at 450 splits the gap after the directory (352..500).
  std::vector<TResourceInfo> entries = {At(450, 0), At(500, 10)};
  PlacementQuery q{&entries, 352, 510, 98};
  EXPECT_EQ(FindPlacement(q), 352);
  // 99 bytes would run over the empty entry's start; 450 itself has no room, nor has the
  // end of the file, so the bytes go after it.
  q.length = 99;
  EXPECT_EQ(FindPlacement(q), 510);
  entries.erase(entries.begin());
  EXPECT_EQ(FindPlacement(q), 352);
}

TEST(Placement, DamagedLayoutsNeverLeadIntoTheHeaderOrAnotherEntry) {
  // An entry over the directory ends inside it; another is overlapped by a neighbour.
  std::vector<TResourceInfo> entries = {At(100, 50), At(400, 100), At(450, 20), At(700, 10)};
  PlacementQuery q{&entries, 384, 710, 30};
  std::int64_t c = FindPlacement(q);
  EXPECT_EQ(c, 500);  // 384 has 16 bytes, 150 lies in the directory
  // An entry claiming to run past the end of the file pushes the fallback past it.
  std::vector<TResourceInfo> past = {At(384, 1000)};
  PlacementQuery r{&past, 384, 500, 10};
  EXPECT_EQ(FindPlacement(r), 1384);
}

TEST(Placement, ProgressCountsCandidatesFromMinusOne) {
  std::vector<TResourceInfo> entries = {At(384, 10), At(394, 10), At(404, 10)};
  PlacementQuery q{&entries, 384, 414, 1000};
  std::vector<std::pair<std::int64_t, std::int64_t>> calls;
  FindPlacement(q, [&](std::int64_t j, std::int64_t last) { calls.emplace_back(j, last); });
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls.front(), std::make_pair(std::int64_t{-1}, std::int64_t{2}));
  EXPECT_EQ(calls.back(), std::make_pair(std::int64_t{2}, std::int64_t{2}));
}

}  // namespace
}  // namespace brindle
