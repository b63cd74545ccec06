// ZoeOpen over arbitrary bytes, then every frame decoded, advanced and (for the sound) fed to
// an output that drains the rings. The first byte picks the open flags and the bit reader.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "player/movie/zoe.h"

namespace {

class DrainOutput : public ZoeSoundOutput {
 public:
  bool Open(ZoeTrack& t) override {
    tracks_.push_back(&t);
    return true;
  }
  void Close(ZoeTrack& t) override { std::erase(tracks_, &t); }
  uint32_t Played(ZoeTrack& t) override { return static_cast<uint32_t>(t.totalWritten / 2); }
  void Reset(ZoeTrack&) override {}
  void Service() override {
    uint8_t sink[4096];
    for (ZoeTrack* t : tracks_) {
      while (ZoeTrackTake(*t, sink, sizeof sink) > 0) {
      }
    }
  }
  void Pause(ZoeTrack&) override {}
  bool Resume(ZoeTrack&) override { return true; }

 private:
  std::vector<ZoeTrack*> tracks_;
};

class StillClock : public ZoeClock {
 public:
  uint32_t Milliseconds() override { return now_; }
  void Pause(uint32_t ms) override { now_ += ms; }

 private:
  uint32_t now_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t mode = data[0];
  ZoeMemoryFile file(data + 1, size - 1);
  StillClock clock;
  DrainOutput output;
  ZoeContext ctx;
  ctx.debug = 0;
  ctx.clock = &clock;
  ctx.output = &output;
  ctx.fastReader = mode & 1;
  uint32_t flags = kZoeFromHandle | kZoeAllTracks;
  if (mode & 2) flags |= kZoePreload;
  if (mode & 4) flags |= kZoeFillBuffer;
  if (mode & 8) flags |= kZoeNeverSkip;
  flags |= (mode >> 4 & 3u) << 20;  // line scaling
  const int32_t extra = mode & 0x40 ? 0 : -1;
  ZoeMovie* m = ZoeOpen({"", &file}, flags, extra, ctx);
  if (m == nullptr) return 0;
  std::vector<uint8_t> picture;
  const uint64_t pixels = uint64_t{m->header.width} * m->header.height;
  if (pixels > 0 && pixels <= (1u << 22)) {
    picture.resize(pixels);
    ZoeSurface s;
    s.pixels = picture.data();
    s.pitch = static_cast<int32_t>(m->header.width);
    s.width = s.pitch;
    s.height = static_cast<int32_t>(m->header.height);
    s.bottomUp = mode & 0x80;
    ZoeSetTarget(m, s);
  }
  uint8_t map[256];
  for (int i = 0; i < 256; ++i)
    map[i] = static_cast<uint8_t>(255 - i);
  if (mode & 0x80) ZoeRemapColors(m, map);
  // Every frame once, the ring frame and the wrap, bounded.
  const uint32_t steps = std::min<uint32_t>(m->tableEntries + 2, 4096);
  for (uint32_t k = 0; k < steps; ++k) {
    ZoeDecodeFrame(m);
    ZoeFrameDue(m);
    ZoeBackgroundRead(m);
    if (k == 1) {
      ZoeSoundPause(m, 0);
      ZoeSoundPause(m, 1);
    }
    ZoeAdvance(m);
  }
  ZoeStats stats;
  ZoeGetStats(m, stats);
  ZoeClose(m);
  return 0;
}
