#include <gtest/gtest.h>

#include "player/app/summary.h"

namespace {

TEST(Summary, Durations) {
  EXPECT_EQ(reel::FormatDuration(0), "0 milliseconds");
  EXPECT_EQ(reel::FormatDuration(1), "1 millisecond");
  EXPECT_EQ(reel::FormatDuration(999), "999 milliseconds");
  EXPECT_EQ(reel::FormatDuration(1000), "1 second");
  EXPECT_EQ(reel::FormatDuration(59999), "59 seconds");
  EXPECT_EQ(reel::FormatDuration(61000), "1 minute 1 second");
  EXPECT_EQ(reel::FormatDuration(125000), "2 minutes 5 seconds");
  EXPECT_EQ(reel::FormatDuration(3600000), "1 hour 0 minutes");
  EXPECT_EQ(reel::FormatDuration(2 * 3600000 + 60000), "2 hours 1 minute");
}

TEST(Summary, Rates) {
  EXPECT_EQ(reel::FormatRate(100000, 6667), "14.9");
  EXPECT_EQ(reel::FormatRate(10, 0), "10.0");  // a zero divisor counts as one
  EXPECT_EQ(reel::FormatRate(1, 3), "0.3");
}

reel::SummaryInput Sample() {
  reel::SummaryInput in;
  ZoeStats& s = in.stats;
  s.playbackTime = 61000;
  s.period = 6667;
  s.openTime = 12;
  s.framesPlayed = 900;
  s.skippedFrames = 3;
  s.soundSkips = 1;
  s.blitTime = 6100;
  s.readTime = 610;
  s.decompressTime = 30500;
  s.backgroundReadTime = 61;
  s.deviceSpeed = 123456;
  s.slowestTime = 250;
  s.secondSlowestTime = 125;
  s.slowestFrame = 17;
  s.secondSlowestFrame = 4;
  s.averageFrameSize = 2000;
  s.peakMemory = 300000;
  s.bufferSize = 65536;
  s.peakBuffered = 60000;
  in.highestRate = 40000;
  in.highestRateFrame = 33;
  in.screenColors = 65536;
  in.blitter = "DIBSection";
  return in;
}

TEST(Summary, FullText) {
  EXPECT_EQ(reel::SummaryText(Sample()),
            "  Frame rate: 14.9\r\n  Frame rate obtained: 14.7\r\n  Total frames played: 900"
            "\r\n  Skipped frames: 3\r\n  Sound skips: 1\r\n  Total playback time: 1 minute 1 "
            "second\r\n  Total open time: 12 milliseconds\r\n\r\n  Average frame size: 2000\r\n"
            "  Highest one second data rate: 40000\r\n  Highest one second data rate start "
            "frame: 33\r\n  Speed of playback device: 123456\r\n  Memory used for playback: "
            "300000\r\n  Total extra buffering memory: 65536\r\n  Highest extra buffering memory "
            "used: 60000\r\n\n  Percentage spent decompressing: 50.0\r\n  Percentage spent "
            "blitting: 10.0\r\n  Percentage spent reading: 1.0\r\n  Percentage spent background "
            "reading: 0.1 (when idle)\r\n\n  Slowest frame: 17  Frame rate: 4.0\r\n  Second "
            "slowest frame: 4  Frame rate: 8.0\r\n\r\n  Screen colors: 65536\r\n  Display "
            "blitter: DIBSection");
}

TEST(Summary, OneFrameAndAsFastAsPossible) {
  reel::SummaryInput in = Sample();
  in.stats.framesPlayed = 1;
  in.stats.period = 0;
  in.stats.playbackTime = 0;
  in.stats.bufferSize = 0;  // preloaded
  const std::string t = reel::SummaryText(in);
  EXPECT_EQ(t.rfind("  Frame rate: As fast as possible.\r\n  Frame rate obtained: 1000.0\r\n", 0),
            0u);
  EXPECT_EQ(t.find("Second slowest"), std::string::npos);
  EXPECT_NE(t.find("Total extra buffering memory: 0\r\n"), std::string::npos);
  EXPECT_NE(t.find("Slowest frame: 17  Frame rate: 4.0\r\n\r\n  Screen colors"), std::string::npos);
}

}  // namespace
