// Opening movies and reading their frames: header and tables, refusals, the buffering choice,
// aligned streaming, background reads, seeking, advancing with and without a ring frame, the
// frame clock and the statistics the movie keeps.
#include <gtest/gtest.h>

#include <numeric>

#include "player/movie/zoe.h"
#include "tests/player/movie/zoe_fixtures.h"

namespace {

using zoe_test::MovieFixture;
using zoe_test::TestContext;

// A movie whose frame k holds `sizes[k]` bytes of the value k + 1 (the trees consume no bits,
// so any bytes decode).
MovieFixture SizedMovie(const std::vector<uint32_t>& sizes, int32_t rate = 100, bool ring = false) {
  MovieFixture f;
  f.rate = rate;
  f.flags = ring ? kZoeHeaderRing : 0;
  f.treeData = zoe_test::SolidTrees(1);
  f.frames = static_cast<uint32_t>(sizes.size() - (ring ? 1 : 0));
  for (size_t k = 0; k < sizes.size(); ++k) {
    f.frameData.push_back(std::vector<uint8_t>(sizes[k], static_cast<uint8_t>(k + 1)));
  }
  return f;
}

struct MovieCloser {
  void operator()(ZoeMovie* m) const { ZoeClose(m); }
};
using MoviePtr = std::unique_ptr<ZoeMovie, MovieCloser>;

TEST(ZoeOpenHeader, ReadsTheHeaderAndTablesAtTheirOffsets) {
  MovieFixture f = SizedMovie({10, 20, 30});
  f.width = 320;
  f.height = 200;
  f.audioSize = {1, 2, 3, 4, 5, 6, 7};
  f.audioRate[3] = 22050 | kZoeAudioPresent;
  f.types = {0, 0x10, 0};
  TestContext t;
  MoviePtr m(t.Open(f.Bytes()));
  ASSERT_TRUE(m);
  const ZoeHeader& h = m->header;
  EXPECT_EQ(h.magic, kZoeMagic);
  EXPECT_EQ(h.width, 320u);
  EXPECT_EQ(h.height, 200u);
  EXPECT_EQ(h.frames, 3u);
  EXPECT_EQ(h.rate, 100);
  EXPECT_EQ(h.audioSize[6], 7u);
  EXPECT_EQ(h.audioRate[3], 22050u | kZoeAudioPresent);
  EXPECT_EQ(h.treesSize, f.treeData.size());
  EXPECT_EQ(m->frameSizes, (std::vector<uint32_t>{10, 20, 30}));
  EXPECT_EQ(m->frameTypes, (std::vector<uint8_t>{0, 0x10, 0}));
  EXPECT_EQ(m->frame0Offset, 104 + 5 * 3 + static_cast<int64_t>(f.treeData.size()));
  EXPECT_EQ(m->period, 10000u);
  EXPECT_EQ(m->averageFrameSize, 20u);
  EXPECT_EQ(m->frameData[0], 1);

  uint8_t raw[kZoeHeaderSize];
  h.Write(raw);
  const auto bytes = f.Bytes();
  EXPECT_TRUE(std::equal(raw, raw + kZoeHeaderSize, bytes.begin()));
}

TEST(ZoeOpenHeader, PeriodsAndFrameRates) {
  EXPECT_EQ(ZoePeriod(0), 0u);
  EXPECT_EQ(ZoeFramesPerSecond(0), 100000u);
  EXPECT_EQ(ZoePeriod(-1), 1u);
  EXPECT_EQ(ZoePeriod(100), 10000u);
  EXPECT_EQ(ZoeFramesPerSecond(10000), 10u);
  EXPECT_EQ(ZoeFramesPerSecond(300000), 1u);  // never below one
  TestContext t;
  ZoeSetForcedRate(-2500, t.ctx);
  MoviePtr m(t.Open(SizedMovie({10, 10}).Bytes(), kZoeForceRate));
  ASSERT_TRUE(m);
  EXPECT_EQ(m->header.rate, -2500);
  EXPECT_EQ(m->period, 2500u);
}

TEST(ZoeOpenRefusals, NamesTheFailureOnTheDebugOutput) {
  TestContext t;
  MovieFixture f = SizedMovie({10});
  f.magic = "ZTP3";
  EXPECT_EQ(t.Open(f.Bytes()), nullptr);
  EXPECT_EQ(t.debug.back(), "Wasn't a Zoetrope file\r\n");

  EXPECT_EQ(ZoeOpen({"missing.ztp"}, 0, -1, t.ctx), nullptr);
  EXPECT_EQ(t.debug.back(), "Couldn't open the Zoetrope file\r\n");

  // A header cut short, tables longer than the file, no frames at all.
  EXPECT_EQ(t.Open(std::vector<uint8_t>(50, 'Z')), nullptr);
  MovieFixture big = SizedMovie({10});
  auto bytes = big.Bytes();
  bytes[12] = 0xFF;
  bytes[13] = 0xFF;
  bytes[14] = 0xFF;
  EXPECT_EQ(t.Open(bytes), nullptr);
  EXPECT_EQ(t.debug.back(), "Couldn't allocate track table\r\n");
  MovieFixture none = SizedMovie({10});
  none.frames = 0;
  none.frameData.clear();
  EXPECT_EQ(t.Open(none.Bytes()), nullptr);
  // Damaged trees.
  MovieFixture trees = SizedMovie({10});
  trees.treeSize = {0, 0, 0, 0};
  EXPECT_EQ(t.Open(trees.Bytes()), nullptr);

  t.debug.clear();
  ZoeMovie* m = t.Open(SizedMovie({10}).Bytes());
  ASSERT_NE(m, nullptr);
  const std::string address = std::to_string(reinterpret_cast<uintptr_t>(m));
  ZoeClose(m);
  EXPECT_EQ(t.debug, (std::vector<std::string>{"ZoeOpen - file: movie.ztp\r\n",
                                               "ZoeOpen returned: " + address + "\r\n",
                                               "ZoeClose: " + address + "\r\n"}));
  ZoeClose(nullptr);
}

TEST(ZoeOpenBuffering, AutomaticSizeAndTheFourFifthsRule) {
  TestContext t;
  // Automatic: B is at least 12288, so 15361 bytes of frames are preloaded, 15362 streamed.
  MoviePtr a(t.Open(SizedMovie({7680, 7681}).Bytes()));
  EXPECT_TRUE(a->preloaded);
  MoviePtr b(t.Open(SizedMovie({7681, 7681}).Bytes()));
  EXPECT_FALSE(b->preloaded);
  EXPECT_EQ(b->ringSize, 12288u);
  // An explicit size is at least 8192: 10241 bytes preload, 10242 stream.
  MoviePtr c(t.Open(SizedMovie({5120, 5121}).Bytes(), 0, 0));
  EXPECT_TRUE(c->preloaded);
  MoviePtr d(t.Open(SizedMovie({5121, 5121}).Bytes(), 0, 0));
  EXPECT_FALSE(d->preloaded);
  EXPECT_EQ(d->ringSize, 8192u);
  // Asked for a preload.
  MoviePtr e(t.Open(SizedMovie({50000, 50000}).Bytes(), kZoePreload));
  EXPECT_TRUE(e->preloaded);
  EXPECT_TRUE(e->flags & kZoePreload);
}

TEST(ZoeOpenBuffering, ReadAheadFollowsTheBusiestSecond) {
  // About 1 MB at 15 frames per second; frames 20-34 form the busiest second with a little
  // more than 36 x 4096 bytes.
  std::vector<uint32_t> sizes(117, 9000);
  for (int k = 20; k < 34; ++k)
    sizes[k] = 9837;
  sizes[34] = 36 * 4096 + 100 - 14 * 9837;
  TestContext t;
  MoviePtr m(t.Open(SizedMovie(sizes, -6666).Bytes()));
  ASSERT_TRUE(m);
  EXPECT_EQ(m->highestRate, 36u * 4096 + 100);
  EXPECT_EQ(m->highestRateFrame, 21u);
  EXPECT_FALSE(m->preloaded);
  EXPECT_EQ(m->ringSize, 37u * 4096);
  EXPECT_EQ(m->readCapacity, 9838u);  // the largest frame
}

TEST(ZoeOpenBuffering, ShortMoviesReportTheirWholeSizeAsTheHighestRate) {
  TestContext t;
  MoviePtr m(t.Open(SizedMovie({100, 200, 300}).Bytes()));  // 10 frames per second
  EXPECT_EQ(m->highestRate, 600u);
  EXPECT_EQ(m->highestRateFrame, 1u);
  // The window at frame 0 never counts.
  MoviePtr n(t.Open(SizedMovie({900, 1, 1, 1}, -50000).Bytes()));  // 2 frames per second
  EXPECT_EQ(n->highestRate, 2u);
  EXPECT_EQ(n->highestRateFrame, 2u);
}

TEST(ZoeStreaming, OpensFromAHandleAndKeepsReadsAligned) {
  std::vector<uint8_t> file(5000, 0xAB);
  std::vector<uint32_t> sizes(40, 3000);
  const auto movie = SizedMovie(sizes).Bytes();
  file.insert(file.end(), movie.begin(), movie.end());
  zoe_test::LoggedFile handle(file.data(), file.size());
  handle.Seek(5000);
  TestContext t;
  ZoeMovie* m = ZoeOpen({"", &handle}, kZoeFromHandle, -1, t.ctx);
  ASSERT_NE(m, nullptr);
  EXPECT_FALSE(m->preloaded);
  const int64_t frame0 = 5000 + 104 + 5 * 40 + static_cast<int64_t>(zoe_test::SolidTrees(1).size());
  EXPECT_EQ(m->frame0Offset, frame0);
  // The first read after the trees brings the offset onto a 4096 boundary.
  size_t first = 0;
  while (handle.reads[first].offset != frame0)
    ++first;
  EXPECT_EQ(handle.reads[first].size, 4096 - frame0 % 4096);
  for (int k = 0; k < 30; ++k) {
    EXPECT_EQ(m->frameData[0], k + 1);
    ZoeBackgroundRead(m);
    ZoeAdvance(m);
  }
  for (size_t i = first + 1; i < handle.reads.size(); ++i) {
    // A read that meets the end of the file is followed by one more asking for the rest.
    if (i > 0 && handle.reads[i - 1].offset + handle.reads[i - 1].size > int64_t(file.size())) {
      continue;
    }
    EXPECT_EQ(handle.reads[i].offset % 4096, 0) << i;
    EXPECT_EQ(handle.reads[i].size % 4096, 0) << i;
  }
  EXPECT_FALSE(m->readError);
  ZoeClose(m);
  // The caller's file stays usable.
  EXPECT_TRUE(handle.Seek(0));
  uint8_t byte = 0;
  EXPECT_EQ(handle.Read(&byte, 1), 1);
}

TEST(ZoeStreaming, LargeRequestsBypassTheRingInAlignedPieces) {
  TestContext t;
  std::vector<uint8_t> bytes = SizedMovie({40000, 40000, 40000, 40000}).Bytes();
  zoe_test::LoggedFile file(bytes.data(), bytes.size());
  ZoeMovie* m = ZoeOpen({"", &file}, kZoeFromHandle, 8192, t.ctx);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->frameData[39999], 1);
  ZoeAdvance(m);
  EXPECT_EQ(m->frameData[0], 2);
  EXPECT_EQ(m->frameData[39999], 2);
  for (const auto& r : file.reads)
    EXPECT_LE(r.size, 16384);
  ZoeClose(m);
}

TEST(ZoeStreaming, BackgroundReadsFillTheRingAndStopAtTheEnd) {
  TestContext t;
  std::vector<uint32_t> sizes(30, 3000);
  MoviePtr m(t.Open(SizedMovie(sizes).Bytes(), 0, 16384));
  ASSERT_FALSE(m->preloaded);
  int reads = 0;
  while (ZoeBackgroundRead(m.get()) == 4096)
    ++reads;
  // Fewer than 4096 bytes free: nothing more.
  EXPECT_LT(m->ringSize - m->ringHeld, 4096u);
  EXPECT_EQ(ZoeBackgroundRead(m.get()), 0u);
  EXPECT_GE(reads, 2);
  EXPECT_EQ(m->peakHeld, m->ringHeld);
  // Frames keep coming through the ring in order.
  for (uint32_t k = 1; k < 29; ++k) {
    ZoeAdvance(m.get());
    ZoeBackgroundRead(m.get());
    EXPECT_EQ(m->frameData[2999], k + 1);
  }
  ZoeAdvance(m.get());
  EXPECT_EQ(m->frame, 29u);
  EXPECT_EQ(m->frameData[0], 30);
  // At the last frame there is nothing to read ahead... once it is past the frame count.
  m->frame = m->header.frames;
  EXPECT_EQ(ZoeBackgroundRead(m.get()), 0u);
}

TEST(ZoeStreaming, FillFlagFillsTheRingWhileOpening) {
  TestContext t;
  std::vector<uint32_t> sizes(30, 3000);
  MoviePtr m(t.Open(SizedMovie(sizes).Bytes(), kZoeFillBuffer, 16384));
  EXPECT_LT(m->ringSize - m->ringHeld, 4096u);
  ZoeStats stats;
  ZoeGetStats(m.get(), stats);
  EXPECT_EQ(stats.backgroundReadTime, 0u);  // background reading during the open counts as opening
  EXPECT_EQ(stats.bufferSize, 16384u);
}

TEST(ZoeStreaming, SeekInsideTheRingReadsNothing) {
  std::vector<uint32_t> sizes(20, 2000);
  auto bytes = SizedMovie(sizes).Bytes();
  zoe_test::LoggedFile file(bytes.data(), bytes.size());
  TestContext t;
  ZoeMovie* m = ZoeOpen({"", &file}, kZoeFromHandle | kZoeFillBuffer, 16384, t.ctx);
  ASSERT_NE(m, nullptr);
  ASSERT_FALSE(m->preloaded);
  const size_t before = file.reads.size();
  ZoeSeek(m, 5);
  EXPECT_EQ(file.reads.size(), before);
  EXPECT_EQ(m->frameData[0], 6);
  // Back to frame 2 lies behind the ring: the file is read again, aligned.
  ZoeSeek(m, 2);
  EXPECT_GT(file.reads.size(), before);
  EXPECT_EQ(m->frameData[999], 3);
  ZoeClose(m);
}

TEST(ZoeStreaming, SimulatedReadSpeedStretchesReads) {
  TestContext t;
  ZoeSetReadSpeed(100000, t.ctx);
  std::vector<uint32_t> sizes(30, 3000);
  MoviePtr m(t.Open(SizedMovie(sizes).Bytes(), kZoeSimulateSpeed, 16384));
  ZoeSetReadSpeed(0, t.ctx);  // only movies opened later are affected
  const uint32_t before = t.clock.now;
  EXPECT_EQ(ZoeBackgroundRead(m.get()), 4096u);
  EXPECT_GE(t.clock.now - before, 40u);
  MoviePtr n(t.Open(SizedMovie(sizes).Bytes(), kZoeSimulateSpeed, 16384));
  const uint32_t later = t.clock.now;
  EXPECT_EQ(ZoeBackgroundRead(n.get()), 4096u);
  EXPECT_EQ(t.clock.now, later);
}

TEST(ZoeNavigation, RingFrameStandsInForFrameZeroOnLaterPasses) {
  TestContext t;
  for (uint32_t flags : {0u, static_cast<uint32_t>(kZoePreload)}) {
    MoviePtr m(t.Open(SizedMovie({5000, 6000, 7000, 8000}, 100, true).Bytes(), flags, 0));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->preloaded, flags != 0);
    std::vector<uint32_t> seen;
    for (int i = 0; i < 9; ++i) {
      seen.push_back(m->frameData[0]);
      ZoeAdvance(m.get());
    }
    // frames 0, 1, 2, the ring frame, then 1, 2, ring...
    EXPECT_EQ(seen, (std::vector<uint32_t>{1, 2, 3, 4, 2, 3, 4, 2, 3}));
  }
}

TEST(ZoeNavigation, WrapsToFrameZeroAndClearsThePalette) {
  MovieFixture f = SizedMovie({10, 10});
  // Frame 0 keeps every entry; frame 1 sets entry 0 to white.
  f.frameData[0] = {1, 0xFF, 0xFF, 0};
  f.frameData[1] = {1, 63, 63, 63};
  f.types = {1, 1};
  TestContext t;
  MoviePtr m(t.Open(f.Bytes()));
  EXPECT_EQ(m->palette[0], 0);
  EXPECT_TRUE(m->paletteChanged);
  ZoeDecodeFrame(m.get());
  ZoeAdvance(m.get());
  EXPECT_EQ(m->palette[0], 255);
  EXPECT_TRUE(m->paletteChanged);
  ZoeDecodeFrame(m.get());
  ZoeAdvance(m.get());
  EXPECT_EQ(m->frame, 0u);
  EXPECT_EQ(m->palette[0], 0);
  EXPECT_TRUE(m->paletteChanged);  // frame 1's palette was the last one applied

  // A one-frame movie applies the same palette again: not a change.
  MovieFixture one = SizedMovie({10});
  one.frameData[0] = {1, 63, 63, 63};
  one.types = {1};
  MoviePtr n(t.Open(one.Bytes()));
  EXPECT_TRUE(n->paletteChanged);
  ZoeDecodeFrame(n.get());
  ZoeAdvance(n.get());
  EXPECT_EQ(n->frame, 0u);
  EXPECT_EQ(n->palette[0], 255);
  EXPECT_FALSE(n->paletteChanged);
}

TEST(ZoeNavigation, FramesThatTheFileDoesNotHoldEndPlaybackQuietly) {
  for (uint32_t flags : {0u, static_cast<uint32_t>(kZoePreload)}) {
    MovieFixture f = SizedMovie({5000, 5000, 5000, 5000});
    auto bytes = f.Bytes();
    bytes.resize(bytes.size() - 7000);  // frames 2 and 3 are cut
    TestContext t;
    MoviePtr m(t.Open(bytes, flags, 0));
    ASSERT_TRUE(m);
    zoe_test::Canvas canvas;
    ASSERT_TRUE(canvas.Attach(m.get()));
    EXPECT_EQ(ZoeDecodeFrame(m.get()), 0);
    ZoeAdvance(m.get());
    EXPECT_FALSE(m->readError);
    ZoeAdvance(m.get());
    EXPECT_TRUE(m->readError);
    const uint32_t decoded = m->framesDecoded;
    EXPECT_EQ(ZoeDecodeFrame(m.get()), 0);
    EXPECT_EQ(m->framesDecoded, decoded);
    EXPECT_EQ(ZoeFrameDue(m.get()), 0);
    ZoeAdvance(m.get());
    EXPECT_EQ(m->frame, 3u);  // only counts
  }
}

TEST(ZoeNavigation, LineScalingFromTheFileOrForcedByTheCaller) {
  TestContext t;
  MovieFixture f = SizedMovie({10});
  f.height = 8;
  f.flags = kZoeHeaderInterlaced;
  MoviePtr a(t.Open(f.Bytes()));
  EXPECT_EQ(a->header.height, 16u);
  EXPECT_TRUE(a->flags & kZoeInterlace);
  MoviePtr b(t.Open(f.Bytes(), kZoeNoScaling));
  EXPECT_EQ(b->header.height, 8u);
  EXPECT_FALSE(b->flags & kZoeNoScaling);
  MoviePtr c(t.Open(f.Bytes(), kZoeDouble));
  EXPECT_EQ(c->header.height, 16u);
  EXPECT_TRUE(c->flags & kZoeDouble);
  EXPECT_FALSE(c->flags & kZoeInterlace);
  f.flags = kZoeHeaderInterlaced | kZoeHeaderDoubled;  // both: neither
  MoviePtr d(t.Open(f.Bytes()));
  EXPECT_EQ(d->header.height, 8u);
}

TEST(ZoeRecord, CallerSuppliedRecordIsClearedNotFreed) {
  TestContext t;
  t.files["movie.ztp"] = SizedMovie({10, 20}).Bytes();
  ZoeMovie record;
  record.frame = 99;
  ZoeMovie* m = ZoeOpen({"movie.ztp", nullptr, &record}, kZoeCallerRecord, -1, t.ctx);
  ASSERT_EQ(m, &record);
  EXPECT_EQ(record.frame, 0u);
  EXPECT_EQ(record.frameSizes.size(), 2u);
  ZoeClose(m);
  EXPECT_TRUE(record.frameSizes.empty());
  EXPECT_EQ(record.context, nullptr);
}

TEST(ZoeStats, CountsMemoryFramesAndTimes) {
  TestContext t;
  MovieFixture f = SizedMovie({4000, 4000, 4000, 4000, 4000});
  MoviePtr m(t.Open(f.Bytes(), 0, 0));
  ASSERT_FALSE(m->preloaded);
  zoe_test::Canvas canvas;
  ASSERT_TRUE(canvas.Attach(m.get()));
  EXPECT_GE(m->memoryPeak, uint64_t{kZoeRecordSize} + 8192 + 4096 + 4000 + 8);
  for (int k = 0; k < 3; ++k) {
    ZoeDecodeFrame(m.get());
    t.clock.now += k == 1 ? 50 : 10;
    ZoeNoteBlitStart(m.get());
    t.clock.now += 5;
    ZoeAdvance(m.get());
  }
  EXPECT_EQ(canvas.At(0, 0), 1);  // solid colour 1 from the fixture trees
  ZoeStats s;
  ZoeGetStats(m.get(), s);
  EXPECT_EQ(s.playbackTime, 10u + 5 + 50 + 5 + 10 + 5);
  EXPECT_EQ(s.period, 10000u);
  EXPECT_EQ(s.framesPlayed, 3u);
  EXPECT_EQ(s.skippedFrames, 0u);
  EXPECT_EQ(s.blitTime, 15u);
  EXPECT_EQ(s.decompressTime, 70u);
  EXPECT_EQ(s.slowestTime, 55u);
  EXPECT_EQ(s.slowestFrame, 2u);
  EXPECT_EQ(s.secondSlowestTime, 15u);
  EXPECT_EQ(s.averageFrameSize, 4000u);
  EXPECT_EQ(s.bufferSize, 8192u);
}

TEST(ZoeFrameClock, WaitsOnePeriodPerFrameWithoutSound) {
  TestContext t;
  MoviePtr m(t.Open(SizedMovie({10, 10, 10}).Bytes()));  // 100 ms per frame
  EXPECT_EQ(ZoeFrameDue(m.get()), 1);
  t.clock.now += 99;
  EXPECT_EQ(ZoeFrameDue(m.get()), 1);
  t.clock.now += 1;
  EXPECT_EQ(ZoeFrameDue(m.get()), 0);
  EXPECT_EQ(ZoeFrameDue(m.get()), 0);  // consumed until the next frame
  ZoeAdvance(m.get());
  EXPECT_EQ(ZoeFrameDue(m.get()), 1);
  // Far behind: the next due time restarts from now.
  t.clock.now += 1000;
  EXPECT_EQ(ZoeFrameDue(m.get()), 0);
  ZoeAdvance(m.get());
  t.clock.now += 50;
  EXPECT_EQ(ZoeFrameDue(m.get()), 1);
  t.clock.now += 50;
  EXPECT_EQ(ZoeFrameDue(m.get()), 0);

  MovieFixture fast = SizedMovie({10, 10});
  fast.rate = 0;
  MoviePtr f(t.Open(fast.Bytes()));
  EXPECT_EQ(ZoeFrameDue(f.get()), 0);
  EXPECT_EQ(ZoeFrameDue(nullptr), 0);
}

}  // namespace
