// Speed of reelrun's display path and memory of streamed playing:
// - a 640 x 480 movie played as fast as possible through the displays (offscreen driver),
//   frames per second next to the movie layer's pure decode rate on the same movie;
// - the 2x smoothing blit of 320 x 200 into 640 x 400 (16-bit), next to a memcpy of its output;
// - the peak memory of playing a 100 MB movie streamed from disk, next to its preload size.
#include <SDL2/SDL.h>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "big_movie.h"
#include "player/movie/zoe.h"
#include "player/movie/zoe_encode.h"
#include "player/output/blitters.h"
#include "player/output/display.h"
#include "player/output/player_window.h"

namespace {

constexpr uint32_t kWidth = 640, kHeight = 480;
constexpr int kFrames = 24;

// The movie layer's benchmark content (24 frames), as fast as possible, ring frame on.
const std::vector<uint8_t>& Movie640x480() {
  static const std::vector<uint8_t> movie = [] {
    const std::vector<zoe::EncodeFrame> frames = bench_movie::TypicalFrames();
    zoe::EncodeOptions o;
    o.width = kWidth;
    o.height = kHeight;
    o.rate = 0;
    o.ring = true;
    return zoe::EncodeMovie(o, frames).movie;
  }();
  return movie;
}

// Decoding alone, into a plain buffer, as fast as possible.
void BM_DecodeOnly640x480(benchmark::State& state) {
  const std::vector<uint8_t>& bytes = Movie640x480();
  ZoeMemoryFile file(bytes.data(), bytes.size());
  ZoeContext ctx;
  ctx.debug = 0;
  ZoeMovie* m = ZoeOpen({"", &file}, kZoeFromHandle | kZoePreload, -1, ctx);
  std::vector<uint8_t> picture(kWidth * kHeight);
  ZoeSurface s{picture.data(), int(kWidth), int(kWidth), int(kHeight), 0, 0, false};
  ZoeSetTarget(m, s);
  for (auto _ : state) {
    ZoeDecodeFrame(m);
    ZoeAdvance(m);
  }
  state.SetItemsProcessed(state.iterations());
  ZoeClose(m);
}
BENCHMARK(BM_DecodeOnly640x480)->Unit(benchmark::kMillisecond);

// Decoding and showing through a display on an offscreen window: kind 5 (the texture and our
// blitter) or kind 4 (the window surface).
void BM_PlayFast640x480(benchmark::State& state) {
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  reel::WindowRequest wr;
  wr.width = kWidth;
  wr.height = kHeight;
  auto window = reel::PlayerWindow::Create(wr);
  if (!window) {
    state.SkipWithError("no offscreen video driver");
    return;
  }
  const std::vector<uint8_t>& bytes = Movie640x480();
  ZoeMemoryFile file(bytes.data(), bytes.size());
  ZoeContext ctx;
  ctx.debug = 0;
  ZoeMovie* m = ZoeOpen({"", &file}, kZoeFromHandle | kZoePreload, -1, ctx);
  reel::DisplayRequest r;
  r.width = kWidth;
  r.height = kHeight;
  r.kind = static_cast<int>(state.range(0));
  reel::DisplayHost host{window->Get(), false};
  auto display = reel::OpenDisplay(r, host);
  ZoeSetTarget(m, display->Surface());
  for (auto _ : state) {
    if (m->paletteChanged) display->SetPalette(m->palette.data());
    const bool newPalette = m->paletteChanged;
    ZoeDecodeFrame(m);
    display->Show(reel::ChangedRects(m->target, newPalette, display->Area(1)));
    ZoeAdvance(m);
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel(display->Name());
  display.reset();
  ZoeClose(m);
}
BENCHMARK(BM_PlayFast640x480)->Arg(5)->Arg(4)->ArgName("kind")->Unit(benchmark::kMillisecond);

void BM_Smooth2x320x200To16Bit(benchmark::State& state) {
  std::mt19937 rng(3);
  std::vector<uint8_t> picture(320 * 200);
  for (auto& p : picture)
    p = static_cast<uint8_t>(rng() % 64 + (rng() % 4 == 0 ? 128 : 0));
  reel::Palette palette{};
  for (int i = 0; i < 256; ++i)
    palette[i] = {uint8_t(i * 3), uint8_t(255 - i), uint8_t(i * 7), 0};
  reel::BlitTables tables;
  tables.pixels = reel::ColourTable(palette, reel::PixelFormat16::k565);
  tables.smooth16 = reel::SmoothingTable16(palette, reel::PixelFormat16::k565);
  std::vector<uint8_t> screen(640 * 400 * 2);
  const reel::Blitter* b = reel::BlitterAt(reel::BlitterIndex(true, reel::Scaling::k2xSmoothing));
  for (auto _ : state) {
    b->blit({picture.data(), 320, 320, 200}, {screen.data(), 1280}, {0, 0, 320, 200}, tables);
    benchmark::DoNotOptimize(screen.data());
  }
  state.SetBytesProcessed(state.iterations() * int64_t(screen.size()));
}
BENCHMARK(BM_Smooth2x320x200To16Bit);

void BM_MemcpySmoothOutput640x400x2(benchmark::State& state) {
  std::vector<uint8_t> from(640 * 400 * 2, 3), to(640 * 400 * 2);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), to.size());
    benchmark::DoNotOptimize(to.data());
  }
  state.SetBytesProcessed(state.iterations() * int64_t(to.size()));
}
BENCHMARK(BM_MemcpySmoothOutput640x400x2);

long MaxRssKb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

// A 100 MB movie on disk: 3000 frames of about 33 kB behind a real header, tables and trees,
// written piece by piece so the process never holds it. It is then played through to the end
// streamed (decoding each frame into a picture); the movie's own peak memory and the growth
// of the process's peak resident size are reported next to the file's (preload) size.
void BM_PlayStreamed100MB(benchmark::State& state) {
  const std::string path = "/tmp/reel_bench_100mb_" + std::to_string(getpid()) + ".ztp";
  using bench_movie::kCount;
  constexpr uint32_t kSize = bench_movie::kFrameSize;
  uint64_t fileSize = 0;
  {
    // Rate 0: as fast as possible.
    const std::vector<uint8_t> head = bench_movie::BigMovieHead(0);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(head.data(), 1, head.size(), f);
    // Each later frame: skip runs, a valid frame that changes nothing.
    const std::vector<uint8_t> filler(kSize, 0);
    for (uint32_t k = 1; k < kCount; ++k)
      std::fwrite(filler.data(), 1, filler.size(), f);
    fileSize = static_cast<uint64_t>(std::ftell(f));
    std::fclose(f);
  }
  ZoeStats stats;
  const long before = MaxRssKb();
  for (auto _ : state) {
    ZoeContext ctx;
    ctx.debug = 0;
    ZoeMovie* m = ZoeOpen({path}, 0, -1, ctx);
    if (m == nullptr || m->preloaded) {
      state.SkipWithError("the movie was not streamed");
      break;
    }
    std::vector<uint8_t> picture(kWidth * kHeight);
    ZoeSetTarget(m, {picture.data(), int(kWidth), int(kWidth), int(kHeight), 0, 0, false});
    for (uint32_t k = 0; k < kCount; ++k) {
      ZoeDecodeFrame(m);
      if (k + 1 < kCount) ZoeAdvance(m);
    }
    ZoeGetStats(m, stats);
    ZoeClose(m);
  }
  std::remove(path.c_str());
  state.counters["file_bytes"] = double(fileSize);
  state.counters["movie_peak_bytes"] = double(stats.peakMemory);
  state.counters["read_ahead_bytes"] = double(stats.bufferSize);
  state.counters["process_peak_growth_kb"] = double(MaxRssKb() - before);
}
BENCHMARK(BM_PlayStreamed100MB)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
