// The playback summary shown with /S: how the last movie played.
#pragma once

#include <cstdint>
#include <string>

#include "player/movie/zoe.h"

namespace reel {

// x / y as "integer.digit" (y = 0 counts as 1).
std::string FormatRate(uint64_t x, uint64_t y);
// Milliseconds as "n millisecond(s)", "n second(s)", "m minute(s) s second(s)" or
// "h hour(s) m minute(s)".
std::string FormatDuration(uint32_t ms);

struct SummaryInput {
  ZoeStats stats;
  uint64_t highestRate = 0;  // bytes in the busiest second, and the frame it starts at
  uint32_t highestRateFrame = 0;
  uint32_t screenColors = 0;
  std::string blitter;
  uint32_t endedEarlyAt = 0;  // the frame (from 1) that could not be read, or 0
};

// The text, lines separated by "\r\n" (and two "\r\n\n" as the box has always had them).
std::string SummaryText(const SummaryInput& in);
inline const char* SummaryCaption() {
  return "Zoetrope Summary";
}

}  // namespace reel
