// The encoder against the decoder: every movie the encoder writes must play back exactly the
// pictures, palettes and sound it was given, whichever way it is read.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>

#include "player/movie/zoe.h"
#include "player/movie/zoe_encode.h"
#include "tests/player/movie/zoe_fixtures.h"

namespace {

using zoe::EncodeFrame;
using zoe::EncodeOptions;
using zoe_test::TestContext;

// Palette entries at representable levels (6-bit components).
std::array<uint8_t, 768> LevelPalette(uint32_t seed) {
  std::array<uint8_t, 768> p;
  std::mt19937 rng(seed);
  for (auto& c : p)
    c = zoe::kComponent[rng() % 64];
  return p;
}

// Typical movie content: a background with a gradient, a moving two-colour stripe pattern,
// a moving noisy square and still regions, so every block type occurs.
std::vector<EncodeFrame> MakeFrames(uint32_t w, uint32_t h, int n, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<EncodeFrame> frames;
  const auto palette = LevelPalette(seed);
  for (int f = 0; f < n; ++f) {
    EncodeFrame e;
    e.palette = palette;
    e.pixels.resize(size_t{w} * h);
    for (uint32_t y = 0; y < h; ++y) {
      for (uint32_t x = 0; x < w; ++x) {
        uint8_t v = static_cast<uint8_t>(y * 8 / h + 16);
        const uint32_t sx = (x + 3 * f) % w;
        if (y > h / 2 && sx < w / 3) v = ((x + y + f) / 2) % 2 ? 200 : 201;
        const uint32_t qx = (5 * f + w / 4) % w, qy = (2 * f) % (h / 2);
        if (x >= qx && x < qx + 12 && y >= qy && y < qy + 12) v = static_cast<uint8_t>(rng());
        e.pixels[size_t{y} * w + x] = v;
      }
    }
    frames.push_back(std::move(e));
  }
  return frames;
}

struct Played {
  std::vector<std::vector<uint8_t>> pictures;
  std::vector<std::array<uint8_t, 768>> palettes;
  std::map<int, std::vector<uint8_t>> sound;
};

// Plays `count` frames in order, decoding each into one picture that is kept between frames.
Played Play(const std::vector<uint8_t>& movie, size_t count, uint32_t flags = 0, int32_t extra = -1,
            bool fast = true, const uint8_t* remap = nullptr) {
  TestContext t;
  zoe_test::FakeOutput output;
  t.ctx.output = &output;
  t.ctx.fastReader = fast;
  Played p;
  ZoeMovie* m = t.Open(movie, flags, extra);
  EXPECT_NE(m, nullptr);
  if (m == nullptr) return p;
  zoe_test::Canvas canvas;
  EXPECT_TRUE(canvas.Attach(m));
  if (remap != nullptr) ZoeRemapColors(m, remap);
  for (size_t k = 0; k < count; ++k) {
    if (k > 0) ZoeAdvance(m);
    EXPECT_EQ(ZoeDecodeFrame(m), 0);
    p.pictures.push_back(canvas.pixels);
    p.palettes.push_back(m->palette);
  }
  p.sound = output.taken;
  ZoeClose(m);
  return p;
}

std::vector<uint8_t> Encode(const EncodeOptions& o, const std::vector<EncodeFrame>& frames) {
  const zoe::EncodeResult r = zoe::EncodeMovie(o, frames);
  EXPECT_TRUE(r.ok) << r.error;
  EXPECT_FALSE(r.paletteRounded);
  return r.movie;
}

EncodeOptions Options(uint32_t w, uint32_t h) {
  EncodeOptions o;
  o.width = w;
  o.height = h;
  o.rate = -(100000 / 15);
  return o;
}

TEST(RoundTrip, TypicalContentDecodesExactlyWithEitherReaderAndBuffering) {
  const auto frames = MakeFrames(96, 64, 12, 7);
  const auto movie = Encode(Options(96, 64), frames);
  for (bool fast : {true, false}) {
    for (int32_t extra : {-1, 0}) {
      for (uint32_t flags : {0u, static_cast<uint32_t>(kZoePreload)}) {
        const Played p = Play(movie, frames.size(), flags, extra, fast);
        ASSERT_EQ(p.pictures.size(), frames.size());
        for (size_t k = 0; k < frames.size(); ++k) {
          EXPECT_EQ(p.pictures[k], frames[k].pixels) << "frame " << k;
          EXPECT_EQ(p.palettes[k], frames[k].palette) << "frame " << k;
        }
      }
    }
  }
}

TEST(RoundTrip, FrameZeroDrawsOverAnyPicture) {
  const auto frames = MakeFrames(32, 32, 2, 3);
  const auto movie = Encode(Options(32, 32), frames);
  TestContext t;
  ZoeMovie* m = t.Open(movie);
  zoe_test::Canvas canvas;
  ASSERT_TRUE(canvas.Attach(m));
  std::fill(canvas.pixels.begin(), canvas.pixels.end(), 0x5A);
  ZoeDecodeFrame(m);
  EXPECT_EQ(canvas.pixels, frames[0].pixels);
  ZoeClose(m);
}

TEST(RoundTrip, RingFrameLoopsBackToTheFirstPicture) {
  auto frames = MakeFrames(64, 32, 5, 11);
  frames[3].palette[30] = 4;  // a palette change halfway that the ring frame undoes
  frames[4].palette[30] = 4;
  EncodeOptions o = Options(64, 32);
  o.ring = true;
  const auto movie = Encode(o, frames);
  // 0 1 2 3 4 ring(=0) 1 2 3 4 ring
  const Played p = Play(movie, 11, 0, 0);
  for (size_t k = 0; k < p.pictures.size(); ++k) {
    const size_t shown = k < 5 ? k : k == 5 || k == 10 ? 0 : k - 5;
    EXPECT_EQ(p.pictures[k], frames[shown].pixels) << k;
    EXPECT_EQ(p.palettes[k], frames[shown].palette) << k;
  }
}

TEST(RoundTrip, PaletteChangesUseTheShortForms) {
  std::array<uint8_t, 768> old = LevelPalette(1);
  // Rotated by one entry: one long copy run per 64 entries.
  std::array<uint8_t, 768> rotated;
  for (int i = 0; i < 256; ++i)
    std::copy_n(&old[3 * ((i + 1) % 256)], 3, &rotated[3 * i]);
  const auto chunk = zoe::EncodePaletteChunk(old, rotated);
  EXPECT_LE(chunk.size(), 16u);
  EXPECT_EQ(chunk[0] * 4u, chunk.size());
  std::array<uint8_t, 768> built = old;
  zoe::ApplyPaletteChunk(chunk.data() + 1, chunk.size() - 1, built);
  EXPECT_EQ(built, rotated);
  // One changed entry: keep, literal, keep.
  std::array<uint8_t, 768> one = old;
  one[3 * 100] = zoe::kComponent[(zoe::NearestLevel(old[300]) + 1) % 64];
  const auto small = zoe::EncodePaletteChunk(old, one);
  EXPECT_EQ(small.size(), 8u);
  built = old;
  zoe::ApplyPaletteChunk(small.data() + 1, small.size() - 1, built);
  EXPECT_EQ(built, one);
  // Fading palettes over a movie.
  auto frames = MakeFrames(32, 16, 6, 5);
  for (size_t f = 0; f < frames.size(); ++f) {
    for (int i = 0; i < 768; ++i) {
      frames[f].palette[i] = zoe::kComponent[(zoe::NearestLevel(old[i]) * (6 - f)) / 6];
    }
  }
  const auto movie = Encode(Options(32, 16), frames);
  const Played p = Play(movie, frames.size());
  for (size_t k = 0; k < frames.size(); ++k)
    EXPECT_EQ(p.palettes[k], frames[k].palette);
}

TEST(RoundTrip, InterlacedAndDoubledMoviesShowTheirLinesAsFlagged) {
  const auto frames = MakeFrames(32, 16, 3, 9);
  for (bool doubled : {false, true}) {
    EncodeOptions o = Options(32, 16);
    o.interlaced = !doubled;
    o.doubled = doubled;
    const Played p = Play(Encode(o, frames), frames.size());
    for (size_t k = 0; k < frames.size(); ++k) {
      ASSERT_EQ(p.pictures[k].size(), 32u * 32);
      for (uint32_t y = 0; y < 32; ++y) {
        const uint8_t* shown = &p.pictures[k][y * 32];
        const uint8_t* line = &frames[k].pixels[(y / 2) * 32];
        if (doubled || y % 2 == 0) {
          EXPECT_TRUE(std::equal(shown, shown + 32, line)) << k << " " << y;
        } else {
          EXPECT_TRUE(std::all_of(shown, shown + 32, [](uint8_t v) { return v == 0; }));
        }
      }
    }
  }
}

TEST(RoundTrip, RemappedColoursFollowTheMap) {
  const auto frames = MakeFrames(48, 32, 4, 21);
  const auto movie = Encode(Options(48, 32), frames);
  // A map that merges colours (the decoder's caches must then compare sent values) and one
  // that only permutes them.
  uint8_t merging[256], permuting[256];
  for (int i = 0; i < 256; ++i) {
    merging[i] = static_cast<uint8_t>((i * 7 + 3) / 2);
    permuting[i] = static_cast<uint8_t>(255 - i);
  }
  for (const uint8_t* map : {merging, permuting}) {
    const Played p = Play(movie, frames.size(), 0, -1, true, map);
    for (size_t k = 0; k < frames.size(); ++k) {
      std::vector<uint8_t> expected = frames[k].pixels;
      for (auto& v : expected)
        v = map[v];
      EXPECT_EQ(p.pictures[k], expected) << k;
    }
  }
  TestContext t;
  ZoeMovie* m = t.Open(movie);
  ASSERT_NE(m, nullptr);
  EXPECT_TRUE(m->trees.trees[zoe::kFullTree].compact);
  ZoeRemapColors(m, merging);
  EXPECT_FALSE(m->trees.trees[zoe::kFullTree].compact);
  ZoeRemapColors(m, permuting);
  EXPECT_TRUE(m->trees.trees[zoe::kFullTree].compact);
  ZoeClose(m);
}

std::vector<uint8_t> Tone(size_t frames, bool stereo, bool bits16, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> pcm;
  for (size_t i = 0; i < frames; ++i) {
    for (int c = 0; c < (stereo ? 2 : 1); ++c) {
      const int v = static_cast<int>(3000 * std::sin(i * 0.05 * (c + 1))) + int(rng() % 64) - 32;
      if (bits16) {
        pcm.push_back(static_cast<uint8_t>(v));
        pcm.push_back(static_cast<uint8_t>(v >> 8));
      } else {
        pcm.push_back(static_cast<uint8_t>(128 + v / 64));
      }
    }
  }
  return pcm;
}

TEST(RoundTrip, SoundTracksPlayBackTheirSamples) {
  const auto frames = MakeFrames(16, 16, 10, 2);
  EncodeOptions o = Options(16, 16);
  int t = 0;
  for (bool compressed : {true, false}) {
    for (bool stereo : {false, true}) {
      for (bool bits16 : {false, true}) {
        if (t == 7) break;
        zoe::EncodeAudio a;
        a.sampleRate = 8000 + 1000 * t;
        a.stereo = stereo;
        a.bits16 = bits16;
        a.compressed = compressed;
        // The last frame takes what is left over.
        a.pcm = Tone(a.sampleRate * 10 / 15 + 37, stereo, bits16, t);
        o.tracks.push_back(a);
        ++t;
      }
    }
  }
  const auto movie = Encode(o, frames);
  const Played p = Play(movie, frames.size(), kZoeAllTracks);
  for (size_t k = 0; k < o.tracks.size(); ++k) {
    ASSERT_TRUE(p.sound.count(static_cast<int>(k))) << k;
    EXPECT_EQ(p.sound.at(static_cast<int>(k)), o.tracks[k].pcm) << "track " << k;
  }
}

// With a lead the first frame carries that much more sound, cut to what the player's ring
// holds beside a frame; the sound as a whole is unchanged, and the tools bound a track by
// what playback could take from it.
TEST(RoundTrip, SoundLeadsThePicturesAsFarAsTheRingAllows) {
  const auto frames = MakeFrames(16, 16, 30, 2);
  for (uint32_t lead : {0u, 250u, 5000u}) {
    SCOPED_TRACE(lead);
    EncodeOptions o = Options(16, 16);
    o.soundLeadMs = lead;
    zoe::EncodeAudio a;
    a.sampleRate = 11025;
    a.bits16 = true;
    a.pcm = Tone(a.sampleRate * 30 / 15, false, true, 1);
    o.tracks.push_back(a);
    const auto movie = Encode(o, frames);
    const Played p = Play(movie, frames.size(), kZoeAllTracks);
    ASSERT_TRUE(p.sound.count(0));
    EXPECT_EQ(p.sound.at(0), a.pcm);
    const ZoeHeader h = ZoeHeader::Parse(movie.data());
    const uint32_t share = 11025 * 2 * ZoePeriod(h.rate) / 100000;
    const uint32_t most = zoe::MaxSoundLead(h.audioRate[0], ZoePeriod(h.rate));
    const uint32_t wanted = lead * 11025 / 1000 * 2;
    // (Frame shares differ by a sample with rounding.)
    EXPECT_NEAR(double(h.audioSize[0]), double(share + std::min(wanted, most)), 8.0);
    // About a second: the ring is a second and two frames, rounded up to 4 KiB.
    EXPECT_LE(most + share, 11025u * 2 + 2 * share + 4096);
    EXPECT_GE(most, 11025u * 2);
  }
}

TEST(RoundTrip, SoundChunksOfEveryShape) {
  for (bool stereo : {false, true}) {
    for (bool bits16 : {false, true}) {
      for (size_t frames : {size_t{1}, size_t{2}, size_t{1000}}) {
        const auto pcm = Tone(frames, stereo, bits16, 4);
        const auto bits = zoe::EncodeSoundBits(pcm.data(), pcm.size(), stereo, bits16);
        std::vector<uint8_t> out(pcm.size(), 0xEE);
        zoe::SoundTrees trees;
        zoe::DecompressSound(bits.data(), bits.size(), out.data(), out.size(), 0, out.size(), 0x80,
                             trees);
        EXPECT_EQ(out, pcm) << stereo << bits16 << frames;
      }
    }
  }
}

TEST(RoundTrip, SampleMoviePlaysWithPicturesPalettesAndSound) {
  const zoe::EncodeResult r = zoe::MakeSampleMovie(64, 48, 12, true);
  ASSERT_TRUE(r.ok) << r.error;
  const Played p = Play(r.movie, 13, kZoeAllTracks);
  ASSERT_EQ(p.pictures.size(), 13u);
  EXPECT_NE(p.pictures[0], p.pictures[11]);
  EXPECT_EQ(p.pictures[12], p.pictures[0]);  // the ring frame brings back the first picture
  EXPECT_NE(p.palettes[0], p.palettes[11]);
  EXPECT_EQ(p.palettes[12], p.palettes[0]);
  ASSERT_TRUE(p.sound.count(0));
  EXPECT_EQ(p.sound.at(0).size(), 11025u * 12 / 10);
}

TEST(RoundTrip, EncoderRefusesWhatItCannotWriteExactly) {
  const auto frames = MakeFrames(16, 16, 2, 1);
  EncodeOptions o = Options(18, 16);
  EXPECT_FALSE(zoe::EncodeMovie(o, frames).ok);
  o = Options(16, 16);
  EXPECT_FALSE(zoe::EncodeMovie(o, {}).ok);
  auto odd = frames;
  odd[1].pixels.pop_back();
  EXPECT_FALSE(zoe::EncodeMovie(o, odd).ok);
  zoe::EncodeAudio a;
  a.sampleRate = 8000;
  a.pcm.assign(8000 * 5, 128);  // five seconds of sound for two frames
  o.tracks.push_back(a);
  EXPECT_FALSE(zoe::EncodeMovie(o, frames).ok);
  o.tracks[0].pcm.resize(100);
  o.rate = 0;
  EXPECT_FALSE(zoe::EncodeMovie(o, frames).ok);
  // Components between the 64 levels are rounded, and said so.
  o.tracks.clear();
  o.rate = 100;
  auto rounded = frames;
  rounded[0].palette[5] = 3;
  const auto r = zoe::EncodeMovie(o, rounded);
  EXPECT_TRUE(r.ok);
  EXPECT_TRUE(r.paletteRounded);
}

}  // namespace
