#include "player/output/changed_rects.h"

#include <algorithm>

namespace reel {
namespace {

Rect Bounds(const Rect& a, const Rect& b) {
  const int x0 = std::min(a.x, b.x), y0 = std::min(a.y, b.y);
  const int x1 = std::max(a.x + a.w, b.x + b.w), y1 = std::max(a.y + a.h, b.y + b.h);
  return {x0, y0, x1 - x0, y1 - y0};
}

int64_t Area(const Rect& r) {
  return int64_t{r.w} * r.h;
}

}  // namespace

std::vector<Rect> ChangedStrips(const ZoeTarget& target) {
  std::vector<Rect> strips;
  const uint64_t perRow = target.blocksPerRow;
  const uint64_t total = perRow * target.blockRows;
  if (total == 0) return strips;
  const uint64_t groups = std::min<uint64_t>((total + 15) / 16, target.changed.size());
  bool open = false;
  Rect strip;
  for (uint64_t g = 0; g < groups; ++g) {
    if (!target.changed[g]) {
      open = false;
      continue;
    }
    const uint64_t last = std::min(total, 16 * g + 16);
    for (uint64_t b = 16 * g; b < last;) {
      const int band = static_cast<int>(b / perRow);
      const uint64_t rowEnd = std::min(last, (b / perRow + 1) * perRow);
      const int x = static_cast<int>(b % perRow) * 4;
      const int w = static_cast<int>(rowEnd - b) * 4;
      if (open && strip.y == band * 4 && strip.x + strip.w == x) {
        strips.back().w += w;
        strip = strips.back();
      } else {
        strip = {x, band * 4, w, 4};
        strips.push_back(strip);
      }
      open = true;
      b = rowEnd;
    }
  }
  return strips;
}

std::vector<Rect> MergeStrips(const std::vector<Rect>& strips, MergeRule rule) {
  std::vector<Rect> rects;
  if (rule == MergeRule::kNone || strips.empty()) return rects;
  Rect box = strips[0];
  int64_t summed = Area(box);
  for (size_t i = 1; i < strips.size(); ++i) {
    const Rect grown = Bounds(box, strips[i]);
    const int64_t sum = summed + Area(strips[i]);
    // Once the list is full, what remains goes into the last box.
    if (rule == MergeRule::kBounding || 4 * Area(grown) <= 5 * sum ||
        rects.size() + 1 == kMaxRects) {
      box = grown;
      summed = sum;
    } else {
      rects.push_back(box);
      box = strips[i];
      summed = Area(box);
    }
  }
  rects.push_back(box);
  return rects;
}

Rect AlignRect(Rect r, int xOffset, int width) {
  const int screenLeft = r.x + xOffset;
  const int shift = ((screenLeft % 8) + 8) % 8;
  if (r.x - shift >= 0) {
    r.x -= shift;
    r.w += shift;
  }
  const int wider = (r.w + 7) & ~7;
  if (r.x + wider <= width) r.w = wider;
  return r;
}

void JoinRects(std::vector<Rect>& rects) {
  for (bool joined = true; joined;) {
    joined = false;
    for (size_t i = 0; i < rects.size() && !joined; ++i) {
      for (size_t j = 0; j < rects.size() && !joined; ++j) {
        if (i == j) continue;
        Rect& a = rects[i];
        const Rect& b = rects[j];
        const bool stacked = a.x == b.x && a.w == b.w && a.y + a.h == b.y;
        const bool besides = a.y == b.y && a.h == b.h && a.x + a.w == b.x;
        if (!stacked && !besides) continue;
        a = Bounds(a, b);
        rects.erase(rects.begin() + static_cast<ptrdiff_t>(j));
        joined = true;
      }
    }
  }
}

std::vector<Rect> ChangedRects(const ZoeTarget& target, bool newPalette, const ChangedArea& area) {
  if (area.rule == MergeRule::kNone) return {};
  std::vector<Rect> rects = MergeStrips(ChangedStrips(target), area.rule);
  if (rects.empty()) {
    if (newPalette) rects.push_back(Rect{});
    return rects;
  }
  for (Rect& r : rects) {
    r = AlignRect(r, area.xOffset, area.width);
    r.y *= area.lineScale;
    r.h *= area.lineScale;
    // Never past the picture, whatever the map held.
    r.w = std::max(0, std::min(r.w, area.width - r.x));
    r.h = std::max(0, std::min(r.h, area.height - r.y));
  }
  JoinRects(rects);
  return rects;
}

}  // namespace reel
