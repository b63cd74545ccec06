// Sound: chunk decompression from hand-written bit streams, track set-up, the track rings,
// the sound clock (due and late), underruns, pause and resume, against a fake output.
#include <gtest/gtest.h>

#include "player/movie/zoe.h"
#include "player/movie/zoe_internal.h"
#include "tests/player/movie/zoe_fixtures.h"

namespace {

using zoe_test::Bits;
using zoe_test::ByteTreeFixture;
using zoe_test::MovieFixture;
using zoe_test::TestContext;

std::vector<uint8_t> Decompress(const std::vector<uint8_t>& bits, size_t length,
                                size_t ringSize = 0, size_t start = 0, uint8_t fill = 0xEE) {
  std::vector<uint8_t> out(ringSize ? ringSize : length, fill);
  zoe::SoundTrees trees;
  zoe::DecompressSound(bits.data(), bits.size(), out.data(), out.size(), start, length, 0x80,
                       trees);
  return out;
}

TEST(SoundChunks, EightBitMonoAddsDeltasModulo256) {
  ByteTreeFixture deltas({1, 255});
  Bits b;
  b.Bit(1).Bit(0).Bit(0);  // sound, mono, 8-bit
  b.Bit(0);                // the bit before each tree
  deltas.Write(b);
  b.Put(128, 8);
  b.Code(deltas.CodeOf(1)).Code(deltas.CodeOf(255));
  EXPECT_EQ(Decompress(b.Words(), 3), (std::vector<uint8_t>{128, 129, 128}));
}

TEST(SoundChunks, SixteenBitMonoStartsHighByteFirst) {
  ByteTreeFixture low({0xFF}), high({0xFF});  // root leaves: no bits per delta
  Bits b;
  b.Bit(1).Bit(0).Bit(1);
  b.Bit(1);
  low.Write(b);
  b.Bit(0);
  high.Write(b);
  b.Put(0x12, 8).Put(0x34, 8);
  // 0x1234, then minus one twice; little-endian samples.
  EXPECT_EQ(Decompress(b.Words(), 6), (std::vector<uint8_t>{0x34, 0x12, 0x33, 0x12, 0x32, 0x12}));
}

TEST(SoundChunks, StereoStartsRightThenLeftAndDecodesLeftFirst) {
  ByteTreeFixture left({1, 2}), right({10, 20});
  Bits b;
  b.Bit(1).Bit(1).Bit(0);
  b.Bit(0);
  left.Write(b);
  b.Bit(0);
  right.Write(b);
  b.Put(200, 8).Put(100, 8);  // right, left
  b.Code(left.CodeOf(2)).Code(right.CodeOf(10));
  b.Code(left.CodeOf(1)).Code(right.CodeOf(20));
  EXPECT_EQ(Decompress(b.Words(), 6), (std::vector<uint8_t>{100, 200, 102, 210, 103, 230}));

  // 16-bit stereo: trees left low, left high, right low, right high.
  ByteTreeFixture ll({1}), lh({0}), rl({0}), rh({1});
  Bits c;
  c.Bit(1).Bit(1).Bit(1);
  for (auto* t : {&ll, &lh, &rl, &rh}) {
    c.Bit(0);
    t->Write(c);
  }
  c.Put(0x20, 8).Put(0x21, 8).Put(0x10, 8).Put(0x11, 8);  // RH RL LH LL
  EXPECT_EQ(Decompress(c.Words(), 8),
            (std::vector<uint8_t>{0x11, 0x10, 0x21, 0x20, 0x12, 0x10, 0x21, 0x21}));
}

TEST(SoundChunks, AChunkWithoutSoundWritesSilenceForItsLength) {
  Bits b;
  b.Bit(0);
  // Starting near the end of a ring of 8: wraps to the start.
  const auto out = Decompress(b.Words(), 5, 8, 6);
  EXPECT_EQ(out, (std::vector<uint8_t>{0x80, 0x80, 0x80, 0xEE, 0xEE, 0xEE, 0x80, 0x80}));
}

TEST(SoundChunks, NeverWritesPastTheLengthOrTheRing) {
  ByteTreeFixture low({1}), high({0});
  Bits b;
  b.Bit(1).Bit(1).Bit(1);  // 16-bit stereo: 4 bytes per sample frame
  for (int i = 0; i < 4; ++i) {
    b.Bit(0);
    (i % 2 ? high : low).Write(b);
  }
  b.Put(0, 32);
  // 5 bytes asked: the second sample frame is cut after its first byte.
  auto out = Decompress(b.Words(), 5, 16, 0, 0xEE);
  EXPECT_EQ(out[4], 1);
  EXPECT_EQ(out[5], 0xEE);
  // A length beyond the ring stops at the ring's size.
  out = Decompress(b.Words(), 1000, 12, 0, 0xEE);
  EXPECT_EQ(out.size(), 12u);
}

TEST(SoundChunks, DataThatRunsOutEndsInSilence) {
  ByteTreeFixture deltas({1, 2, 3, 4, 5, 6, 7, 8});
  Bits b;
  b.Bit(1).Bit(0).Bit(0).Bit(0);
  deltas.Write(b);
  b.Put(10, 8);
  auto bits = b.Words();  // no deltas at all: the padding gives a few
  auto out = Decompress(bits, 200);
  EXPECT_EQ(out[0], 10);
  EXPECT_EQ(out[199], 0x80);
  // Damaged trees: silence from the start.
  Bits bad;
  bad.Bit(1).Bit(0).Bit(0).Bit(0);
  for (int i = 0; i < 40; ++i)
    bad.Put(0xFFFFFFFF, 32);
  out = Decompress(bad.Words(), 10);
  EXPECT_EQ(out, std::vector<uint8_t>(10, 0x80));
}

// A movie with one raw 8-bit mono track at 1000 Hz and 10 frames per second (100 bytes of
// sound a frame); frame k's chunk holds `lengths[k]` bytes of the value k + 1.
MovieFixture SoundMovie(const std::vector<uint32_t>& lengths, uint32_t rateWord = 0,
                        uint32_t largest = 100) {
  MovieFixture f;
  f.rate = 100;
  f.treeData = zoe_test::SolidTrees(1);
  f.audioRate[0] = rateWord ? rateWord : 1000 | kZoeAudioPresent;
  f.audioSize[0] = largest;
  f.frames = static_cast<uint32_t>(lengths.size());
  for (size_t k = 0; k < lengths.size(); ++k) {
    std::vector<uint8_t> frame;
    if (lengths[k] > 0) {
      const uint32_t size = lengths[k] + 4;
      for (int i = 0; i < 4; ++i)
        frame.push_back(static_cast<uint8_t>(size >> (8 * i)));
      frame.insert(frame.end(), lengths[k], static_cast<uint8_t>(k + 1));
    }
    f.frameData.push_back(frame);
    f.types.push_back(lengths[k] > 0 ? 2 : 0);
  }
  return f;
}

struct SoundPlayer : TestContext {
  zoe_test::FakeOutput output;
  ZoeMovie* m = nullptr;
  zoe_test::Canvas canvas;
  SoundPlayer() { ctx.output = &output; }
  ~SoundPlayer() { ZoeClose(m); }
  ZoeMovie* Start(const MovieFixture& f, uint32_t flags = kZoeTrack0) {
    m = Open(f.Bytes(), flags);
    if (m != nullptr) canvas.Attach(m);
    return m;
  }
  ZoeTrack& Track() { return *m->tracks[0]; }
};

TEST(SoundTracks, OpenOnlyWhenPresentWithARateAndAnOutput) {
  {
    SoundPlayer p;
    ASSERT_TRUE(p.Start(SoundMovie({100, 100})));
    EXPECT_EQ(p.m->syncTrack, 0);
    EXPECT_TRUE(p.m->flags & kZoeTrack0);
    EXPECT_EQ(p.ctx.openTracks, 1);
    EXPECT_EQ(p.Track().ring.size(), 8192u);
    EXPECT_EQ(p.Track().bytesPerFrame1024, 100 * 1024);
    EXPECT_EQ(p.Track().lateAcc, 1000 * 512);
    ZoeClose(p.m);
    p.m = nullptr;
    EXPECT_EQ(p.ctx.openTracks, 0);
    EXPECT_FALSE(p.ctx.soundTrees);
  }
  for (uint32_t word : {1000u, static_cast<uint32_t>(kZoeAudioPresent)}) {
    SoundPlayer p;
    ASSERT_TRUE(p.Start(SoundMovie({100, 100}, word)));
    EXPECT_EQ(p.m->syncTrack, -1);
    EXPECT_FALSE(p.m->flags & kZoeTrack0);
    ZoeDecodeFrame(p.m);  // the chunk is skipped; the picture still decodes
    EXPECT_EQ(p.canvas.At(0, 0), 1);
  }
  {
    SoundPlayer p;
    p.output.failOpen = true;
    ASSERT_TRUE(p.Start(SoundMovie({100, 100})));
    EXPECT_EQ(p.m->syncTrack, -1);
  }
  {
    SoundPlayer p;
    ASSERT_TRUE(p.Start(SoundMovie({100, 100}), 0));  // not asked for
    EXPECT_EQ(p.m->syncTrack, -1);
  }
  {
    // A context's own output until the player picks one: the movie plays silent, every
    // frame's picture decodes and the sound calls do nothing.
    TestContext t;
    ZoeMovie* m = t.Open(SoundMovie({100, 100}).Bytes(), kZoeTrack0);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->syncTrack, -1);
    EXPECT_EQ(t.ctx.openTracks, 0);
    EXPECT_EQ(ZoeDecodeFrame(m), 0);
    EXPECT_EQ(ZoeSoundPause(m, 0), 1);
    EXPECT_EQ(ZoeSoundPause(m, 1), 1);
    ZoeClose(m);
  }
}

TEST(SoundTracks, OnlyATrackTheOutputTakesGetsItsRing) {
  {
    // Declined, as the null output declines every track: no ring was ever allocated.
    SoundPlayer p;
    p.output.failOpen = true;
    ASSERT_TRUE(p.Start(SoundMovie({100, 100})));
    EXPECT_EQ(p.output.ringAtOpen, std::vector<size_t>{0});
    EXPECT_EQ(p.m->syncTrack, -1);
  }
  {
    // Taken: the ring is there once the movie is open, and holds silence until sound comes.
    SoundPlayer p;
    ASSERT_TRUE(p.Start(SoundMovie({100, 100})));
    EXPECT_EQ(p.Track().ring, std::vector<uint8_t>(8192, 0x80));
  }
}

TEST(SoundTracks, AbsurdRatesAndPeriodsStayBounded) {
  SoundPlayer p;
  MovieFixture f =
      SoundMovie({100, 100}, 0xFFFFFF | kZoeAudioPresent | kZoeAudio16Bit | kZoeAudioStereo);
  f.rate = 0x7FFFFFFF;  // weeks per frame
  f.audioSize[0] = 0xFFFFFFFF;
  ASSERT_TRUE(p.Start(f));
  EXPECT_EQ(p.Track().ring.size(), zoe::kMaxTrackRing);
  EXPECT_GT(p.Track().bytesPerFrame1024, 0);
  EXPECT_LE(p.Track().largestChunk, zoe::kMaxTrackRing);
  ZoeDecodeFrame(p.m);
  EXPECT_EQ(ZoeFrameDue(p.m), 1);  // far from due, and no overflow made it look due
  EXPECT_GE(p.Track().lateAcc, 0);
  ZoeAdvance(p.m);
  ZoeDecodeFrame(p.m);
  EXPECT_EQ(p.Track().totalWritten, 200u);
}

TEST(SoundTracks, FramesFeedTheRingInOrder) {
  SoundPlayer p;
  ASSERT_TRUE(p.Start(SoundMovie({100, 80, 120})));
  for (int k = 0; k < 3; ++k) {
    if (k > 0) ZoeAdvance(p.m);
    ZoeDecodeFrame(p.m);
  }
  std::vector<uint8_t> expected;
  expected.insert(expected.end(), 100, 1);
  expected.insert(expected.end(), 80, 2);
  expected.insert(expected.end(), 120, 3);
  EXPECT_EQ(p.output.taken[0], expected);
  EXPECT_EQ(p.Track().totalWritten, 300u);
}

TEST(SoundTracks, ChunksLongerThanTheFreeSpaceAreCut) {
  SoundPlayer p;
  p.output.take = false;
  ASSERT_TRUE(p.Start(SoundMovie({5000, 5000})));
  ZoeDecodeFrame(p.m);
  ZoeAdvance(p.m);
  ZoeDecodeFrame(p.m);
  EXPECT_EQ(p.Track().buffered, 8192u);
  EXPECT_EQ(p.Track().overflows, 1u);
  EXPECT_EQ(p.Track().ring[8191], 2);
}

TEST(SoundTracks, AnUnderrunIsPaddedWithSilenceOnce) {
  SoundPlayer p;
  ASSERT_TRUE(p.Start(SoundMovie({100, 60, 60, 60}, 0, 100)));
  ZoeDecodeFrame(p.m);
  ZoeAdvance(p.m);
  p.Track().underrun = true;  // the output ran dry
  ZoeDecodeFrame(p.m);
  ZoeAdvance(p.m);
  EXPECT_EQ(p.Track().soundSkips, 1u);
  const auto& got = p.output.taken[0];
  ASSERT_EQ(got.size(), 100u + 40 + 60);
  EXPECT_EQ(got[100], 0x80);  // 40 bytes of silence before the short chunk
  EXPECT_EQ(got[139], 0x80);
  EXPECT_EQ(got[140], 2);
  // The next frame clears the handled underrun without padding.
  ZoeDecodeFrame(p.m);
  EXPECT_FALSE(p.Track().underrun);
  EXPECT_EQ(p.Track().soundSkips, 1u);
}

TEST(SoundClock, FramesAreDueWhenTheirSoundHasPlayed) {
  SoundPlayer p;
  ASSERT_TRUE(p.Start(SoundMovie({100, 100, 100, 100})));
  ZoeDecodeFrame(p.m);  // frame 0: 100 bytes of sound
  EXPECT_EQ(ZoeFrameDue(p.m), 1);
  p.output.played[0] = 91;
  EXPECT_EQ(ZoeFrameDue(p.m), 1);
  p.output.played[0] = 92;  // 92 + 8 reaches 100
  EXPECT_EQ(ZoeFrameDue(p.m), 0);
  EXPECT_EQ(ZoeFrameDue(p.m), 0);  // the check is done until the next frame
  ZoeAdvance(p.m);
  ZoeDecodeFrame(p.m);
  EXPECT_EQ(ZoeFrameDue(p.m), 1);
}

TEST(SoundClock, VideoHalfASecondBehindTheSoundIsSkipped) {
  for (uint32_t extra : {0u, static_cast<uint32_t>(kZoeNeverSkip)}) {
    SoundPlayer p;
    ASSERT_TRUE(p.Start(SoundMovie({100, 100, 100}), kZoeTrack0 | extra));
    EXPECT_EQ(ZoeDecodeFrame(p.m), 0);
    ZoeAdvance(p.m);
    p.canvas.pixels.assign(p.canvas.pixels.size(), 0);
    // Late once the played position reaches anchor + (500 + 2 x 100) bytes.
    p.output.played[0] = 699;
    EXPECT_EQ(ZoeDecodeFrame(p.m), 0);
    ZoeAdvance(p.m);
    p.output.played[0] = 800;
    EXPECT_EQ(ZoeDecodeFrame(p.m), 1);
    EXPECT_EQ(ZoeFrameDue(p.m), 0);  // a late frame is not waited for
    ZoeStats s;
    ZoeGetStats(p.m, s);
    EXPECT_EQ(s.skippedFrames, extra ? 0u : 1u);
    EXPECT_EQ(p.canvas.At(0, 0), 1);  // frame 1 was drawn in any case
  }
}

TEST(SoundPause, DropsBufferedSoundAndResumesWithACushion) {
  SoundPlayer p;
  p.output.take = false;
  ASSERT_TRUE(p.Start(SoundMovie({100, 100, 100, 100})));
  ZoeDecodeFrame(p.m);
  ZoeAdvance(p.m);
  ZoeDecodeFrame(p.m);
  EXPECT_EQ(p.Track().buffered, 200u);
  EXPECT_EQ(ZoeSoundPause(p.m, 0), 1);
  EXPECT_TRUE(p.m->soundPaused);
  EXPECT_EQ(p.Track().buffered, 0u);
  EXPECT_EQ(p.Track().totalWritten, 0u);
  EXPECT_EQ(p.output.pauses, 1);
  // Nothing moves into the rings while paused.
  const uint32_t write = p.Track().writePos;
  ZoeDecodeFrame(p.m);
  EXPECT_EQ(p.Track().writePos, write);

  // Resume at the frame where it paused: the last chunk's worth plays again.
  EXPECT_EQ(ZoeSoundPause(p.m, 1), 1);
  EXPECT_FALSE(p.m->soundPaused);
  EXPECT_EQ(p.Track().buffered, 100u);
  std::vector<uint8_t> cushion(100);
  ZoeTrackTake(p.Track(), cushion.data(), 100);
  EXPECT_EQ(cushion, std::vector<uint8_t>(100, 2));

  // Pause, move on, resume: silence instead.
  ZoeSoundPause(p.m, 0);
  ZoeAdvance(p.m);
  EXPECT_EQ(ZoeSoundPause(p.m, 1), 1);
  ZoeTrackTake(p.Track(), cushion.data(), 100);
  EXPECT_EQ(cushion, std::vector<uint8_t>(100, 0x80));

  // A failed resume leaves the movie paused.
  ZoeSoundPause(p.m, 0);
  p.output.failResume = true;
  EXPECT_EQ(ZoeSoundPause(p.m, 1), 0);
  EXPECT_TRUE(p.m->soundPaused);
}

TEST(SoundTracks, SeekingToFrameZeroResetsTheTracks) {
  SoundPlayer p;
  ASSERT_TRUE(p.Start(SoundMovie({100, 100})));
  ZoeDecodeFrame(p.m);
  ZoeAdvance(p.m);
  ZoeDecodeFrame(p.m);
  p.output.played[0] = 150;
  ZoeAdvance(p.m);  // wraps
  EXPECT_EQ(p.m->frame, 0u);
  EXPECT_EQ(p.output.resets, 1);
  EXPECT_EQ(p.Track().totalWritten, 0u);
  EXPECT_EQ(p.Track().frameAcc, 0);
  EXPECT_EQ(p.output.played[0], 0u);
}

TEST(SoundTracks, CompressedChunksThatHoldNoSoundKeepTheirPlaceAsSilence) {
  SoundPlayer p;
  MovieFixture f = SoundMovie({0, 0}, 1000 | kZoeAudioPresent | kZoeAudioCompressed);
  // Frame 0: a compressed chunk of 50 bytes whose first bit says "no sound".
  f.frameData[0] = {12, 0, 0, 0, 50, 0, 0, 0, 0, 0, 0, 0};
  f.types[0] = 2;
  ASSERT_TRUE(p.Start(f));
  ZoeDecodeFrame(p.m);
  EXPECT_EQ(p.output.taken[0], std::vector<uint8_t>(50, 0x80));
}

}  // namespace
