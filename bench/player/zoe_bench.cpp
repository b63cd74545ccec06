// Speed of the movie layer: video decoding of 640 x 480 movies (typical content and the all-
// full-block worst case) next to a plain copy of the same output bytes, sound decompression
// against real time, and how much of a 100 MB streamed movie ZoeOpen reads.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "big_movie.h"
#include "player/movie/zoe.h"
#include "player/movie/zoe_encode.h"

namespace {

constexpr uint32_t kWidth = 640, kHeight = 480;
constexpr int kFrames = 24;

// The worst case: every block of every frame changes and has more than two colours.
std::vector<zoe::EncodeFrame> FullFrames() {
  std::mt19937 rng(2);
  std::vector<zoe::EncodeFrame> frames(kFrames);
  for (auto& e : frames) {
    for (int i = 0; i < 768; ++i)
      e.palette[i] = zoe::kComponent[i % 64];
    e.pixels.resize(kWidth * kHeight);
    for (auto& p : e.pixels)
      p = static_cast<uint8_t>(rng() % 48);
  }
  return frames;
}

// Shares of each block type over frames 1 and later (as the encoder chooses them), indexed
// by block type and reported beside the timings.
std::array<double, 4> BlockMix(const std::vector<zoe::EncodeFrame>& frames) {
  std::array<double, 4> count{};
  double total = 0;
  for (size_t f = 1; f < frames.size(); ++f) {
    for (uint32_t by = 0; by < kHeight / 4; ++by) {
      for (uint32_t bx = 0; bx < kWidth / 4; ++bx) {
        bool same = true;
        uint8_t colours[16];
        int distinct = 0;
        for (uint32_t i = 0; i < 16; ++i) {
          const size_t at = (by * 4 + i / 4) * kWidth + bx * 4 + i % 4;
          const uint8_t v = frames[f].pixels[at];
          same &= v == frames[f - 1].pixels[at];
          if (std::find(colours, colours + distinct, v) == colours + distinct)
            colours[distinct++] = v;
        }
        const zoe::BlockType type = same            ? zoe::kSkip
                                    : distinct == 1 ? zoe::kSolid
                                    : distinct == 2 ? zoe::kTwoColour
                                                    : zoe::kFull;
        ++count[type];
        ++total;
      }
    }
  }
  for (auto& c : count)
    c /= total;
  return count;
}

std::vector<uint8_t> Encode(const std::vector<zoe::EncodeFrame>& frames) {
  zoe::EncodeOptions o;
  o.width = kWidth;
  o.height = kHeight;
  o.rate = -(100000 / 15);
  return zoe::EncodeMovie(o, frames).movie;
}

void DecodeMovie(benchmark::State& state, const std::vector<uint8_t>& movie, bool fast,
                 const std::array<double, 4>& mix) {
  ZoeContext ctx;
  ctx.debug = 0;
  ctx.fastReader = fast;
  ZoeMemoryFile file(movie.data(), movie.size());
  ZoeMovie* m = ZoeOpen({"", &file}, kZoeFromHandle | kZoePreload, -1, ctx);
  if (m == nullptr) {
    state.SkipWithError("movie did not open");
    return;
  }
  std::vector<uint8_t> picture(kWidth * kHeight);
  ZoeSurface s;
  s.pixels = picture.data();
  s.pitch = s.width = kWidth;
  s.height = kHeight;
  ZoeSetTarget(m, s);
  for (auto _ : state) {
    ZoeDecodeFrame(m);
    ZoeAdvance(m);
    benchmark::DoNotOptimize(picture.data());
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * int64_t{kWidth * kHeight});
  state.counters["movie_bytes_per_frame"] = double(movie.size()) / kFrames;
  state.counters["skip"] = mix[zoe::kSkip];
  state.counters["solid"] = mix[zoe::kSolid];
  state.counters["two_colour"] = mix[zoe::kTwoColour];
  state.counters["full"] = mix[zoe::kFull];
  ZoeClose(m);
}

struct Prepared {
  std::vector<uint8_t> movie;
  std::array<double, 4> mix;
  explicit Prepared(const std::vector<zoe::EncodeFrame>& frames)
      : movie(Encode(frames)), mix(BlockMix(frames)) {}
};

const Prepared& TypicalMovie() {
  static const Prepared p(bench_movie::TypicalFrames());
  return p;
}
const Prepared& FullMovie() {
  static const Prepared p(FullFrames());
  return p;
}

void BM_DecodeTypical640x480(benchmark::State& state) {
  DecodeMovie(state, TypicalMovie().movie, state.range(0), TypicalMovie().mix);
}
BENCHMARK(BM_DecodeTypical640x480)->Arg(1)->Arg(0)->ArgName("fast_reader");

void BM_DecodeAllFull640x480(benchmark::State& state) {
  DecodeMovie(state, FullMovie().movie, state.range(0), FullMovie().mix);
}
BENCHMARK(BM_DecodeAllFull640x480)->Arg(1)->Arg(0)->ArgName("fast_reader");

// The same output bytes copied with memcpy, frame after frame, as the yardstick.
void BM_MemcpyFrame640x480(benchmark::State& state) {
  std::vector<std::vector<uint8_t>> sources(kFrames, std::vector<uint8_t>(kWidth * kHeight));
  for (int f = 0; f < kFrames; ++f)
    std::memset(sources[f].data(), f, sources[f].size());
  std::vector<uint8_t> picture(kWidth * kHeight);
  int f = 0;
  for (auto _ : state) {
    std::memcpy(picture.data(), sources[f].data(), picture.size());
    benchmark::DoNotOptimize(picture.data());
    f = (f + 1) % kFrames;
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * int64_t{kWidth * kHeight});
}
BENCHMARK(BM_MemcpyFrame640x480);

// One second of 16-bit stereo sound at 22050 Hz in 15 chunks.
void BM_SoundDecompress16BitStereo22050(benchmark::State& state) {
  constexpr uint32_t kRate = 22050, kChunks = 15;
  std::vector<std::vector<uint8_t>> chunks;
  std::vector<size_t> lengths;
  std::mt19937 rng(3);
  uint32_t done = 0;
  for (uint32_t c = 0; c < kChunks; ++c) {
    const uint32_t end = kRate * (c + 1) / kChunks;
    std::vector<uint8_t> pcm;
    for (uint32_t i = done; i < end; ++i) {
      for (int ch = 0; ch < 2; ++ch) {
        const int v =
            static_cast<int>(8000 * std::sin(i * 0.031 * (ch + 1)) + 3000 * std::sin(i * 0.17)) +
            int(rng() % 200) - 100;
        pcm.push_back(static_cast<uint8_t>(v));
        pcm.push_back(static_cast<uint8_t>(v >> 8));
      }
    }
    done = end;
    lengths.push_back(pcm.size());
    chunks.push_back(zoe::EncodeSoundBits(pcm.data(), pcm.size(), true, true));
  }
  std::vector<uint8_t> ring(256 * 1024);
  zoe::SoundTrees trees;
  size_t pos = 0;
  for (auto _ : state) {
    for (uint32_t c = 0; c < kChunks; ++c) {
      zoe::DecompressSound(chunks[c].data(), chunks[c].size(), ring.data(), ring.size(), pos,
                           lengths[c], 0, trees);
      pos = (pos + lengths[c]) % ring.size();
    }
    benchmark::DoNotOptimize(ring.data());
  }
  // Each iteration decodes one second of sound.
  state.counters["x_real_time"] =
      benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
  state.SetBytesProcessed(state.iterations() * int64_t{kRate * 4});
}
BENCHMARK(BM_SoundDecompress16BitStereo22050);

// A 100 MB movie of 3000 frames: ZoeOpen in streaming mode reads the header, the tables, the
// trees and frame 0 (with the alignment read) and nothing more.
void BM_OpenStreamed100MB(benchmark::State& state) {
  static std::vector<uint8_t> movie = [] {
    std::vector<uint8_t> out = bench_movie::BigMovieHead(-(100000 / 15));
    out.resize(out.size() + size_t{bench_movie::kFrameSize} * (bench_movie::kCount - 1), 0x55);
    return out;
  }();
  uint64_t read = 0;
  ZoeContext ctx;
  ctx.debug = 0;
  for (auto _ : state) {
    ZoeMemoryFile file(movie.data(), movie.size());
    ZoeMovie* m = ZoeOpen({"", &file}, kZoeFromHandle, -1, ctx);
    if (m == nullptr || m->preloaded) {
      state.SkipWithError("the movie was not streamed");
      break;
    }
    read = file.BytesRead();
    ZoeClose(m);
  }
  state.counters["file_bytes"] = double(movie.size());
  state.counters["bytes_read"] = double(read);
}
BENCHMARK(BM_OpenStreamed100MB)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
