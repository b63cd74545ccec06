// Steady sound: an 80 s movie (320 x 200, 25 fps, 16-bit stereo at 32 kHz, sound half a
// second ahead of the pictures as `ztptool encode` writes it) played through each sound
// output into SDL's disk audio driver, headless. Reported per output:
// - gaps: runs of silence the output put between the movie's samples (the sound is a
//   counter that is never silent, so every silent sample frame was inserted);
// - lost: movie samples missing from the file;
// - playback_s: the player's own playback time (first frame to the end of the last one);
// - off_percent: how far that is from the movie's length, by the wall clock;
// - device_off_percent: the same by the device's own clock. The disk driver sleeps a period
//   between writes and so runs slow by what it spends besides (2 % on a busy machine); a
//   player paced by its device follows it, as it must to stay in step with the sound.
// Goal: no gaps, nothing lost, playback within 0.2 % of 80 s.
//
// 32 kHz makes the disk driver's period a whole number of milliseconds (1024 and 512
// samples are 32 and 16 ms), so the driver itself keeps time; at 44.1 kHz it runs about 1 %
// fast, which any player paced by its device would follow.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "player/app/options.h"
#include "player/app/player.h"
#include "player/app/sdl_host.h"
#include "player/movie/zoe_encode.h"

namespace {

constexpr uint32_t kRate = 32000;
constexpr uint32_t kFps = 25;
constexpr uint32_t kSeconds = 80;
constexpr uint32_t kFrames = kFps * kSeconds;

int16_t Left(uint64_t i) {
  return static_cast<int16_t>(1 + i % 30000);
}
int16_t Right(uint64_t i) {
  return static_cast<int16_t>(-1 - static_cast<int64_t>(i % 20000));
}

std::string MovieFile() {
  static const std::string path = [] {
    std::vector<zoe::EncodeFrame> frames(kFrames);
    for (uint32_t f = 0; f < kFrames; ++f) {
      zoe::EncodeFrame& e = frames[f];
      for (int i = 0; i < 768; ++i)
        e.palette[i] = zoe::kComponent[(i / 3 + i % 3 * 7) % 64];
      e.pixels.assign(320 * 200, 3);
      // A block that moves, so every frame has video to decode.
      for (uint32_t y = 0; y < 40; ++y)
        for (uint32_t x = 0; x < 40; ++x)
          e.pixels[(y + f % 160) * 320 + (x + 2 * f) % 280] = static_cast<uint8_t>(10 + f % 50);
    }
    zoe::EncodeOptions o;
    o.width = 320;
    o.height = 200;
    o.rate = -static_cast<int32_t>(100000 / kFps);
    o.soundLeadMs = 500;
    zoe::EncodeAudio a;
    a.sampleRate = kRate;
    a.stereo = true;
    a.bits16 = true;
    for (uint64_t i = 0; i < uint64_t{kRate} * kSeconds; ++i) {
      for (int16_t v : {Left(i), Right(i)}) {
        a.pcm.push_back(static_cast<uint8_t>(v));
        a.pcm.push_back(static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8));
      }
    }
    o.tracks.push_back(std::move(a));
    const zoe::EncodeResult r = zoe::EncodeMovie(o, frames);
    const std::string name = "/tmp/bench_sound_" + std::to_string(getpid()) + ".ztp";
    std::ofstream(name, std::ios::binary)
        .write(reinterpret_cast<const char*>(r.movie.data()), std::streamsize(r.movie.size()));
    return name;
  }();
  return path;
}

struct Heard {
  uint64_t frames = 0;  // sample frames in the file, silence included
  uint64_t gaps = 0;
  uint64_t lost = 0;
  uint64_t samples = 0;
};

// Walks the disk driver's file: leading and trailing silence is the device idling, silence
// in between was inserted; every other sample frame must be the next one of the movie.
Heard Listen(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
  const size_t n = bytes.size() / 4;
  auto at = [&](size_t k, int c) {
    const size_t o = 4 * k + 2 * c;
    return static_cast<int16_t>(static_cast<uint8_t>(bytes[o]) | static_cast<uint8_t>(bytes[o + 1])
                                                                     << 8);
  };
  Heard h;
  h.frames = n;
  size_t first = 0, last = n;
  while (first < n && at(first, 0) == 0 && at(first, 1) == 0)
    ++first;
  while (last > first && at(last - 1, 0) == 0 && at(last - 1, 1) == 0)
    --last;
  uint64_t next = 0;
  bool silent = false;
  for (size_t k = first; k < last; ++k) {
    if (at(k, 0) == 0 && at(k, 1) == 0) {
      if (!silent) ++h.gaps;
      silent = true;
      continue;
    }
    silent = false;
    // Find this sample in the movie's counter from where we were.
    uint64_t i = next;
    while (i < next + 60000 && (Left(i) != at(k, 0) || Right(i) != at(k, 1)))
      ++i;
    h.lost += i - next;
    next = i + 1;
    ++h.samples;
  }
  h.lost += uint64_t{kRate} * kSeconds - std::min<uint64_t>(next, uint64_t{kRate} * kSeconds);
  return h;
}

void BM_SteadySound80s(benchmark::State& state) {
  const bool callback = state.range(0) == 1;
  const std::string movie = MovieFile();
  const std::string wave = "/tmp/bench_sound_" + std::to_string(getpid()) + ".raw";
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", wave.c_str(), 1);
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  reel::RunResult result;
  double wall = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::string> words = {movie, "/S", "/J"};
    if (callback) words.push_back("/Z");
    const reel::CommandLine c = reel::ParseCommandLine(words);
    reel::SdlHost host(c.options);
    result = reel::RunPlayer(c, host);
    wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  const Heard h = Listen(wave);
  const double seconds = result.stats.playbackTime / 1000.0;
  state.counters["gaps"] = double(h.gaps);
  state.counters["lost"] = double(h.lost);
  state.counters["sound_skips"] = result.stats.soundSkips;
  state.counters["skipped_frames"] = result.stats.skippedFrames;
  state.counters["playback_s"] = seconds;
  state.counters["off_percent"] = (seconds - kSeconds) * 100.0 / kSeconds;
  state.counters["heard_s"] = double(h.samples) / kRate;
  // Seconds of sound the device put out per second of wall clock while the player ran.
  const double deviceRate = double(h.frames) / kRate / wall;
  state.counters["device_rate"] = deviceRate;
  state.counters["device_off_percent"] = (seconds * deviceRate - kSeconds) * 100.0 / kSeconds;
  std::remove(wave.c_str());
}
BENCHMARK(BM_SteadySound80s)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("callback")
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
