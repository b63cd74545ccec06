// ZoeOpen over arbitrary bytes, then every frame decoded, advanced and (for the sound) fed to
// an output that drains the rings. The first byte picks the open flags and the bit reader.
//
// The work one input may ask for is bounded here, not in the movie layer, whose limits are
// sized for real movies: a header can claim a picture of millions of pixels or seven tracks
// of megabytes of sound ring each, and every such input would cost the fuzzer as much as
// hundreds of small ones while reaching no code a small movie does not. So the picture, the
// sound rings and the frames played are kept small; a movie that asks for more is refused
// (picture) or opened without the tracks that do not fit (sound).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "player/movie/zoe.h"

namespace {

// 128 x 128 pixels: 1024 blocks, more than any path of the decoder needs.
constexpr uint64_t kMaxPixels = 128 * 128;
// Sound ring bytes of all open tracks together: seven of the smallest ring fit.
constexpr uint64_t kMaxSoundRings = 64 * 1024;
// Every frame once, the ring frame and the wrap, for movies of up to 14 frames.
constexpr uint32_t kMaxSteps = 16;

// The ring a track would get, as the movie layer sizes it: a second of sound and two frames'
// worth (0 when the track is absent).
uint64_t TrackRingBytes(const ZoeHeader& h, int t) {
  const uint32_t word = h.audioRate[t];
  const uint64_t rate = word & 0xFFFFFF;
  if (!(word & kZoeAudioPresent) || rate == 0) return 0;
  const uint64_t perSecond =
      rate * (word & kZoeAudio16Bit ? 2 : 1) * (word & kZoeAudioStereo ? 2 : 1);
  const uint64_t period = std::min<uint64_t>(ZoePeriod(h.rate), 60 * 100000);
  return std::max<uint64_t>(perSecond + 2 * perSecond * period / 100000, 8192);
}

// The open flags for the tracks whose rings fit the budget together, in track order.
uint32_t AffordableTracks(const ZoeHeader& h) {
  uint32_t flags = 0;
  uint64_t total = 0;
  for (int t = 0; t < kZoeTracks; ++t) {
    const uint64_t ring = TrackRingBytes(h, t);
    if (ring == 0 || total + ring > kMaxSoundRings) continue;
    total += ring;
    flags |= kZoeTrack0 << t;
  }
  return flags;
}

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
  // An input too short for a header goes to ZoeOpen as it is: its refusal is worth fuzzing.
  uint32_t tracks = kZoeAllTracks;
  if (size > kZoeHeaderSize) {
    const ZoeHeader h = ZoeHeader::Parse(data + 1);
    if (uint64_t{h.width} * h.height > kMaxPixels) return 0;
    tracks = AffordableTracks(h);
  }
  uint32_t flags = kZoeFromHandle | tracks;
  if (mode & 2) flags |= kZoePreload;
  if (mode & 4) flags |= kZoeFillBuffer;
  if (mode & 8) flags |= kZoeNeverSkip;
  flags |= (mode >> 4 & 3u) << 20;  // line scaling
  const int32_t extra = mode & 0x40 ? 0 : -1;
  ZoeMovie* m = ZoeOpen({"", &file}, flags, extra, ctx);
  if (m == nullptr) return 0;
  std::vector<uint8_t> picture;
  const uint64_t pixels = uint64_t{m->header.width} * m->header.height;
  // Line doubling may have doubled the shown height since the check above.
  if (pixels > 0 && pixels <= 2 * kMaxPixels) {
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
  const uint32_t steps = std::min<uint32_t>(m->tableEntries + 2, kMaxSteps);
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
