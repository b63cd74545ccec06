// Which parts of the picture a frame changed, as at most four rectangles to copy.
//
// The decoder marks groups of 16 blocks (64 pixels of a band of 4 stored lines, running on
// into the next band at the picture's right edge). Consecutive changed groups in a band make
// a strip; strips are merged into rectangles, the rectangles aligned to 8 pixels and joined
// where they share a side.
#pragma once

#include <cstdint>
#include <vector>

#include "player/movie/zoe.h"
#include "player/output/display_geometry.h"

namespace reel {

enum class MergeRule {
  kNone,      // the display needs no rectangles (the decoder wrote to the screen itself)
  kBounding,  // one box around every strip
  kCompact,   // add strips while the box wastes at most a quarter of the area
};

struct ChangedArea {
  MergeRule rule = MergeRule::kCompact;
  int xOffset = 0;    // where the picture's left edge lies on the screen, for the alignment
  int lineScale = 1;  // 2 for interlaced and doubled movies: one stored line is two shown
  int width = 0;      // picture size in shown lines
  int height = 0;
};

inline constexpr size_t kMaxRects = 4;

// Strips from the target's changed-block map, in stored lines.
std::vector<Rect> ChangedStrips(const ZoeTarget& target);
// The rectangles to show (in shown lines). A new palette with nothing changed gives one
// empty rectangle, so that the palette gets shown.
std::vector<Rect> ChangedRects(const ZoeTarget& target, bool newPalette, const ChangedArea& area);
// The steps after the strips, for tests and the fuzz target.
std::vector<Rect> MergeStrips(const std::vector<Rect>& strips, MergeRule rule);
Rect AlignRect(Rect r, int xOffset, int width);
void JoinRects(std::vector<Rect>& rects);

}  // namespace reel
