// Movies for the player's benchmarks. The front of a 100 MB movie for the benchmarks: a real 640 x
// 480 header, frame tables, trees and frame 0; frames 1-2999 of about 33 kB each follow as filler
// bytes the caller writes (in memory or to a file).
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "player/movie/zoe.h"
#include "player/movie/zoe_encode.h"

namespace bench_movie {

inline constexpr int kTypicalFrames = 24;

// Typical content: a still background of flat areas, a band of two-colour text-like stripes
// that scrolls, and a moving picture-like region of varied pixels (about a tenth of the area).
inline std::vector<zoe::EncodeFrame> TypicalFrames() {
  std::mt19937 rng(1);
  std::vector<zoe::EncodeFrame> frames(kTypicalFrames);
  for (int f = 0; f < kTypicalFrames; ++f) {
    auto& e = frames[f];
    for (int i = 0; i < 768; ++i)
      e.palette[i] = zoe::kComponent[i % 64];
    e.pixels.resize(640u * 480u);
    for (uint32_t y = 0; y < 480u; ++y) {
      for (uint32_t x = 0; x < 640u; ++x) {
        uint8_t v = static_cast<uint8_t>(16 + (x / 80) + 8 * (y / 120));
        if (y >= 300 && y < 380) v = ((x + 2 * f) / 3 + y / 4) % 5 == 0 ? 250 : 251;
        const uint32_t px = 40 + 6 * f, py = 60 + 2 * f;
        if (x >= px && x < px + 200 && y >= py && y < py + 150) {
          v = static_cast<uint8_t>(100 + ((x - px) / 2 + (y - py) / 3 + f) % 40 + rng() % 3);
        }
        e.pixels[y * 640u + x] = v;
      }
    }
  }
  return frames;
}

inline constexpr uint32_t kCount = 3000;
inline constexpr uint32_t kFrameSize = 100u * 1000 * 1000 / kCount;

inline std::vector<uint8_t> BigMovieHead(int32_t rate) {
  std::vector<zoe::EncodeFrame> one(1);
  one[0].pixels.assign(640 * 480, 7);
  zoe::EncodeOptions o;
  o.width = 640;
  o.height = 480;
  o.rate = -(100000 / 15);
  const std::vector<uint8_t> small = zoe::EncodeMovie(o, one).movie;
  ZoeHeader h = ZoeHeader::Parse(small.data());
  const size_t treesAt = kZoeHeaderSize + 5;
  const std::vector<uint8_t> trees(small.begin() + treesAt, small.begin() + treesAt + h.treesSize);
  const std::vector<uint8_t> frame0(small.begin() + treesAt + h.treesSize, small.end());
  h.frames = kCount;
  h.rate = rate;
  std::vector<uint8_t> out(kZoeHeaderSize);
  h.Write(out.data());
  for (uint32_t k = 0; k < kCount; ++k) {
    const uint32_t size = k == 0 ? static_cast<uint32_t>(frame0.size()) : kFrameSize;
    for (int i = 0; i < 4; ++i)
      out.push_back(static_cast<uint8_t>(size >> (8 * i)));
  }
  out.insert(out.end(), kCount, 0);
  out.insert(out.end(), trees.begin(), trees.end());
  out.insert(out.end(), frame0.begin(), frame0.end());
  return out;
}

}  // namespace bench_movie
