#include "player/app/summary.h"

namespace reel {

std::string FormatRate(uint64_t x, uint64_t y) {
  if (y == 0) y = 1;
  return std::to_string(x / y) + "." + std::to_string((10 * x / y) % 10);
}

namespace {

std::string Count(uint64_t n, const char* unit, const char* pluralTail, const char* singleTail) {
  return std::to_string(n) + " " + unit + (n == 1 ? singleTail : pluralTail);
}

}  // namespace

std::string FormatDuration(uint32_t ms) {
  if (ms < 1000) return Count(ms, "millisecond", "s", "");
  if (ms < 60000) return Count(ms / 1000, "second", "s", "");
  if (ms < 3600000)
    return Count(ms / 60000, "minute", "s ", " ") + Count(ms % 60000 / 1000, "second", "s", "");
  return Count(ms / 3600000, "hour", "s ", " ") + Count(ms % 3600000 / 60000, "minute", "s", "");
}

std::string SummaryText(const SummaryInput& in) {
  const ZoeStats& s = in.stats;
  const uint64_t total = s.playbackTime;
  auto percent = [&](uint32_t part) { return FormatRate(uint64_t{part} * 100, total); };
  std::string t = "  Frame rate: ";
  t += s.period == 0 ? "As fast as possible." : FormatRate(100000, s.period);
  t += "\r\n  Frame rate obtained: " + FormatRate(uint64_t{s.framesPlayed} * 1000, total);
  t += "\r\n  Total frames played: " + std::to_string(s.framesPlayed);
  t += "\r\n  Skipped frames: " + std::to_string(s.skippedFrames);
  t += "\r\n  Sound skips: " + std::to_string(s.soundSkips);
  if (in.endedEarlyAt != 0)
    t += "\r\n  Movie ends early at frame " + std::to_string(in.endedEarlyAt);
  t += "\r\n  Total playback time: " + FormatDuration(s.playbackTime);
  t += "\r\n  Total open time: " + FormatDuration(s.openTime);
  t += "\r\n\r\n  Average frame size: " + std::to_string(s.averageFrameSize);
  t += "\r\n  Highest one second data rate: " + std::to_string(in.highestRate);
  t += "\r\n  Highest one second data rate start frame: " + std::to_string(in.highestRateFrame);
  t += "\r\n  Speed of playback device: " + std::to_string(s.deviceSpeed);
  t += "\r\n  Memory used for playback: " + std::to_string(s.peakMemory);
  t += "\r\n  Total extra buffering memory: " + std::to_string(s.bufferSize);
  t += "\r\n  Highest extra buffering memory used: " + std::to_string(s.peakBuffered);
  t += "\r\n\n  Percentage spent decompressing: " + percent(s.decompressTime);
  t += "\r\n  Percentage spent blitting: " + percent(s.blitTime);
  t += "\r\n  Percentage spent reading: " + percent(s.readTime);
  t += "\r\n  Percentage spent background reading: " + percent(s.backgroundReadTime);
  t += " (when idle)\r\n\n  Slowest frame: " + std::to_string(s.slowestFrame);
  t += "  Frame rate: " + FormatRate(1000, s.slowestTime);
  if (s.framesPlayed > 1) {
    t += "\r\n  Second slowest frame: " + std::to_string(s.secondSlowestFrame);
    t += "  Frame rate: " + FormatRate(1000, s.secondSlowestTime);
  }
  t += "\r\n\r\n  Screen colors: " + std::to_string(in.screenColors);
  t += "\r\n  Display blitter: " + in.blitter;
  // Built in a 2048-byte buffer: never longer.
  if (t.size() > 2047) t.resize(2047);
  return t;
}

}  // namespace reel
