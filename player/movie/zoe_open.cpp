// Opening and closing movies, the per-frame decode call, the frame clock and statistics.
#include <algorithm>
#include <cstdlib>
#include <new>

#include "player/movie/zoe_internal.h"

ZoeHeader ZoeHeader::Parse(const uint8_t b[kZoeHeaderSize]) {
  using zoe::Le32;
  ZoeHeader h;
  h.magic = Le32(b);
  h.width = Le32(b + 4);
  h.height = Le32(b + 8);
  h.frames = Le32(b + 12);
  h.rate = static_cast<int32_t>(Le32(b + 16));
  h.flags = Le32(b + 20);
  for (int t = 0; t < kZoeTracks; ++t)
    h.audioSize[t] = Le32(b + 24 + 4 * t);
  h.treesSize = Le32(b + 52);
  for (int i = 0; i < 4; ++i)
    h.treeSize[i] = Le32(b + 56 + 4 * i);
  for (int t = 0; t < kZoeTracks; ++t)
    h.audioRate[t] = Le32(b + 72 + 4 * t);
  h.reserved = Le32(b + 100);
  return h;
}

void ZoeHeader::Write(uint8_t b[kZoeHeaderSize]) const {
  auto put = [&](int at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
      b[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  put(0, magic);
  put(4, width);
  put(8, height);
  put(12, frames);
  put(16, static_cast<uint32_t>(rate));
  put(20, flags);
  for (int t = 0; t < kZoeTracks; ++t)
    put(24 + 4 * t, audioSize[t]);
  put(52, treesSize);
  for (int i = 0; i < 4; ++i)
    put(56 + 4 * i, treeSize[i]);
  for (int t = 0; t < kZoeTracks; ++t)
    put(72 + 4 * t, audioRate[t]);
  put(100, reserved);
}

uint32_t ZoePeriod(int32_t rate) {
  if (rate > 0) return static_cast<uint32_t>(std::min<int64_t>(int64_t{rate} * 100, 0xFFFFFFFF));
  if (rate < 0) return static_cast<uint32_t>(-int64_t{rate});
  return 0;
}

uint32_t ZoeFramesPerSecond(uint32_t period) {
  return period == 0 ? 100000 : std::max<uint32_t>(100000 / period, 1);
}

void ZoeMovie::Count(uint64_t bytes) {
  memoryInUse += bytes;
  memoryPeak = std::max(memoryPeak, memoryInUse);
}

void ZoeMovie::Uncount(uint64_t bytes) {
  memoryInUse -= std::min(memoryInUse, bytes);
}

namespace zoe {
namespace {

constexpr uint64_t kMaxTableEntries = 1u << 26;
// Preloads and read-ahead rings never exceed this, whatever the tables claim.
constexpr uint64_t kMaxBuffer = 1ull << 30;

std::string Address(const void* p) {
  return std::to_string(reinterpret_cast<uintptr_t>(p));
}

void ReadDebugSetting(ZoeContext& ctx) {
  if (ctx.debug >= 0) return;
  const char* v = std::getenv("ZOETROPE_DEBUG");
  ctx.debug = v != nullptr ? static_cast<int>(std::strtol(v, nullptr, 10)) : 0;
  if (ctx.debug < 0) ctx.debug = 0;
}

// Releases what an open set up; the caller's record is cleared but not freed.
void Release(ZoeMovie* m, bool callerRecord) {
  CloseTracks(*m);
  if (callerRecord) {
    *m = ZoeMovie{};
  } else {
    delete m;
  }
}

// Highest one-second data rate: windows of `perSecond` frames, the one at frame 0 excluded.
void ScanFrameSizes(ZoeMovie& m, uint32_t perSecond) {
  const uint32_t n = m.tableEntries;
  uint64_t total = 0;
  for (uint32_t s : m.frameSizes) {
    total += s;
    m.largestFrame = std::max(m.largestFrame, s);
  }
  m.totalFrameBytes = total;
  m.averageFrameSize = n ? static_cast<uint32_t>(std::min<uint64_t>(total / n, 0xFFFFFFFF)) : 0;
  if (uint64_t{perSecond} > uint64_t{n} - 1 || n == 0) {
    m.highestRate = total;
    m.highestRateFrame = 1;
    return;
  }
  uint64_t window = 0;
  for (uint32_t i = 0; i < perSecond; ++i)
    window += m.frameSizes[i];
  m.highestRate = 0;
  m.highestRateFrame = 0;
  for (uint32_t s = 1; s + perSecond <= n - 1; ++s) {
    window += m.frameSizes[s + perSecond - 1];
    window -= m.frameSizes[s - 1];
    if (window > m.highestRate) {
      m.highestRate = window;
      m.highestRateFrame = s + 1;
    }
  }
}

ZoeMovie* OpenMovieInto(ZoeMovie* m, bool callerRecord, ZoeFile* file,
                        std::unique_ptr<ZoeFile> owned, int64_t base, uint32_t flags, int32_t extra,
                        ZoeContext& ctx, uint32_t openStart);

ZoeMovie* OpenMovie(const ZoeSource& src, uint32_t flags, int32_t extra, ZoeContext& ctx) {
  ReadDebugSetting(ctx);
  ZoeClock& clock = *ctx.clock;
  const uint32_t openStart = clock.Milliseconds();
  const bool callerRecord = flags & kZoeCallerRecord && src.record != nullptr;

  ZoeFile* file = nullptr;
  std::unique_ptr<ZoeFile> owned;
  int64_t base = 0;
  if (flags & kZoeFromHandle) {
    file = callerRecord ? src.record->file : src.file;
    ctx.Debug("ZoeOpen - file handle: " + Address(file) + "\r\n");
    base = file != nullptr ? file->Tell() : -1;
    if (base < 0) {
      ctx.Debug("Couldn't open the Zoetrope file\r\n");
      return nullptr;
    }
  } else {
    ctx.Debug("ZoeOpen - file: " + src.name + "\r\n");
    owned = ctx.openFile(src.name);
    if (!owned) {
      ctx.Debug("Couldn't open the Zoetrope file\r\n");
      return nullptr;
    }
    file = owned.get();
  }

  ZoeMovie* m = callerRecord ? src.record : new (std::nothrow) ZoeMovie;
  if (m == nullptr) {
    ctx.Debug("Couldn't allocate Zoe structure\r\n");
    return nullptr;
  }
  try {
    return OpenMovieInto(m, callerRecord, file, std::move(owned), base, flags, extra, ctx,
                         openStart);
  } catch (const std::bad_alloc&) {
    ctx.Debug("Couldn't allocate I/O buffer\r\n");
    Release(m, callerRecord);
    return nullptr;
  }
}

// Bytes the file holds from `offset` on (unbounded when its size is unknown).
uint64_t Available(const ZoeMovie& m, int64_t offset) {
  if (m.fileEnd < 0) return UINT64_MAX;
  return m.fileEnd > offset ? static_cast<uint64_t>(m.fileEnd - offset) : 0;
}

// A fresh record that reads the movie from `base` in `file`.
void StartRecord(ZoeMovie& m, bool callerRecord, ZoeFile* file, std::unique_ptr<ZoeFile> owned,
                 int64_t base, uint32_t flags, ZoeContext& ctx) {
  if (callerRecord) m = ZoeMovie{};
  m.context = &ctx;
  m.Count(kZoeRecordSize);
  m.file = file;
  m.ownedFile = std::move(owned);
  m.consumedOffset = base;
  m.fileEnd = file->Size();
  if (flags & kZoeSimulateSpeed) {
    // The speed in force now; a later change affects movies opened after it.
    m.flags |= kZoeSimulateSpeed;
    m.readSpeed = ctx.readSpeed;
  }
}

// The reading steps of an open return the debug line that says why the movie cannot be
// opened, or null when the step succeeded.

const char* ReadHeader(ZoeMovie& m, uint32_t flags) {
  uint8_t raw[kZoeHeaderSize];
  if (ReadMovie(m, raw, kZoeHeaderSize) < kZoeHeaderSize) return "Wasn't a Zoetrope file\r\n";
  m.header = ZoeHeader::Parse(raw);
  ZoeHeader& h = m.header;
  if (h.magic != kZoeMagic) return "Wasn't a Zoetrope file\r\n";
  // Nothing to play, and nothing the navigation could wrap to.
  if (h.frames == 0) return "Zoetrope file has no frames\r\n";
  // Every picture buffer is sized by these; a damaged header must not size one.
  if (uint64_t{h.width} * h.height * 2 > kZoeMaxPixels) return "Zoetrope pictures too large\r\n";
  if (flags & kZoeForceRate) h.rate = m.context->forcedRate;
  m.period = ZoePeriod(h.rate);
  return nullptr;
}

// The frame size table (4 bytes a frame) and the frame type table (1 byte a frame).
const char* ReadFrameTables(ZoeMovie& m) {
  const uint64_t entries = uint64_t{m.header.frames} + (m.header.flags & kZoeHeaderRing);
  if (entries > kMaxTableEntries || entries * 5 > Available(m, m.consumedOffset)) {
    return "Couldn't allocate track table\r\n";
  }
  m.tableEntries = static_cast<uint32_t>(entries);
  std::vector<uint8_t> tables(entries * 5);
  if (ReadMovie(m, tables.data(), tables.size()) < tables.size()) {
    return "Couldn't allocate track table\r\n";
  }
  m.frameSizes.resize(entries);
  m.frameStarts.resize(entries + 1);
  m.frameTypes.assign(tables.begin() + static_cast<ptrdiff_t>(4 * entries), tables.end());
  m.Count(entries * 5 + 4);
  for (uint64_t i = 0; i < entries; ++i) {
    m.frameSizes[i] = Le32(&tables[4 * i]);
    m.frameStarts[i + 1] = m.frameStarts[i] + m.frameSizes[i];
  }
  return nullptr;
}

const char* ReadTrees(ZoeMovie& m) {
  const ZoeHeader& h = m.header;
  // Tree memory as the format sizes it, and the workspace the tree data is read into.
  uint64_t treeMemory = kZoeTreeFixedSize;
  for (uint32_t s : h.treeSize)
    treeMemory += s;
  m.Count(treeMemory);
  if (h.treesSize > Available(m, m.consumedOffset)) return "Couldn't allocate input buffer\r\n";
  const uint64_t workspace = std::max<uint64_t>(8192, (uint64_t{h.treesSize} + 4099) / 4 * 4);
  std::vector<uint8_t> treeData(h.treesSize);
  m.Count(workspace);
  if (ReadMovie(m, treeData.data(), treeData.size()) < treeData.size()) {
    return "Couldn't read the decoding trees\r\n";
  }
  // Every node costs at least one bit of tree data; no tree may outgrow its declared memory.
  std::array<uint32_t, 4> maxNodes;
  for (int i = 0; i < 4; ++i) {
    maxNodes[i] =
        static_cast<uint32_t>(std::min<uint64_t>(h.treeSize[i] / 4, uint64_t{h.treesSize} * 8 + 1));
  }
  if (!BuildVideoTrees(treeData.data(), treeData.size(), maxNodes, m.trees)) {
    return "Couldn't build the decoding trees\r\n";
  }
  m.Uncount(workspace);
  m.frame0Offset = m.consumedOffset;
  return nullptr;
}

struct Buffering {
  bool preload = false;
  uint64_t ring = 0;     // read-ahead ring size when streaming
  uint64_t present = 0;  // frame bytes the file can deliver, within the buffer limit
};

// Preload when asked, or when the read-ahead ring would hold most of the movie anyway;
// otherwise stream through a ring sized from `extra`, or from the highest one-second rate.
Buffering ChooseBuffering(const ZoeMovie& m, uint32_t flags, int32_t extra) {
  const uint64_t total = m.totalFrameBytes;
  Buffering b;
  b.present = std::min({total, Available(m, m.frame0Offset), kMaxBuffer});
  b.preload = flags & kZoePreload;
  if (b.preload) return b;
  uint64_t size;
  if (extra < 0) {
    size = m.period == 0 ? 12288 : m.highestRate;
    size = std::max<uint64_t>(std::min(size, total / 4), 12288);
  } else {
    size = static_cast<uint64_t>(extra);
  }
  size = std::max<uint64_t>((size + 4095) / 4096 * 4096, 8192);
  if (size < total * 4 / 5) {
    // The ring never needs to be larger than what the file can deliver.
    b.ring = std::min<uint64_t>(size, std::max<uint64_t>((b.present + 4095) / 4096 * 4096, 8192));
  } else {
    b.preload = true;
  }
  return b;
}

// Allocates the read buffer and brings in frame 0: the whole movie when preloading (the
// file is then let go), else the ring's first fill.
void StartReading(ZoeMovie& m, const Buffering& b) {
  m.preloaded = b.preload;
  if (b.preload) {
    m.flags |= kZoePreload;
    m.readCapacity = b.present;
  } else {
    m.readCapacity = std::min<uint64_t>(m.largestFrame, b.present);
  }
  m.readBuffer.assign(m.readCapacity + 8, 0);
  m.Count(m.readCapacity + 8);
  if (b.preload) {
    m.loaded = ReadMovie(m, m.readBuffer.data(), m.readCapacity);
    m.readError = false;  // frames past what arrived end the movie when they are reached
    m.ownedFile.reset();
    m.file = nullptr;
  } else {
    m.ringSize = static_cast<uint32_t>(b.ring);
    m.ring.assign(b.ring + 4096, 0);
    m.Count(b.ring + 4096);
    AlignRing(m);
  }
  ReadFrame(m);
  m.paletteFrame = -1;
  LocateChunks(m);
}

// The sound tracks the caller asked for that the output accepts; the first becomes the
// sync track.
void OpenTracks(ZoeMovie& m, uint32_t flags) {
  m.syncTrack = -1;
  m.flags |= flags & 0xFFC01FFF;
  for (int t = 0; t < kZoeTracks; ++t) {
    if (flags & (kZoeTrack0 << t) && SetUpTrack(m, t)) m.flags |= kZoeTrack0 << t;
  }
}

// The caller's line scaling overrides the header's; the reported height is the shown one.
void ApplyScaling(ZoeMovie& m, uint32_t flags) {
  ZoeHeader& h = m.header;
  switch (flags & kZoeNoScaling) {
    case kZoeInterlace:
      h.flags = (h.flags | kZoeHeaderInterlaced) & ~kZoeHeaderDoubled;
      break;
    case kZoeDouble:
      h.flags = (h.flags | kZoeHeaderDoubled) & ~kZoeHeaderInterlaced;
      break;
    case kZoeNoScaling:
      h.flags &= ~(kZoeHeaderInterlaced | kZoeHeaderDoubled);
      break;
    default:
      break;
  }
  const uint32_t scaling = h.flags & (kZoeHeaderInterlaced | kZoeHeaderDoubled);
  if (scaling == kZoeHeaderInterlaced) m.flags |= kZoeInterlace;
  if (scaling == kZoeHeaderDoubled) m.flags |= kZoeDouble;
  if (m.flags & kZoeNoScaling) h.height *= 2;
}

// Reading done while opening counts as foreground reading, and playback's read time
// starts after it.
void FinishOpenTiming(ZoeMovie& m, uint32_t openStart) {
  m.openTime = m.context->clock->Milliseconds() - openStart;
  m.foregroundTime += m.backgroundTime;
  m.foregroundBytes += m.backgroundBytes;
  m.backgroundTime = 0;
  m.backgroundBytes = 0;
  m.openReadTime = m.foregroundTime;
}

ZoeMovie* OpenMovieInto(ZoeMovie* m, bool callerRecord, ZoeFile* file,
                        std::unique_ptr<ZoeFile> owned, int64_t base, uint32_t flags, int32_t extra,
                        ZoeContext& ctx, uint32_t openStart) {
  StartRecord(*m, callerRecord, file, std::move(owned), base, flags, ctx);
  const char* failure = ReadHeader(*m, flags);
  if (failure == nullptr) failure = ReadFrameTables(*m);
  if (failure == nullptr) failure = ReadTrees(*m);
  if (failure != nullptr) {
    ctx.Debug(failure);
    Release(m, callerRecord);
    return nullptr;
  }
  ScanFrameSizes(*m, ZoeFramesPerSecond(m->period));
  StartReading(*m, ChooseBuffering(*m, flags, extra));
  OpenTracks(*m, flags);
  if (flags & kZoeFillBuffer) {
    while (ZoeBackgroundRead(m) > 0) {
    }
  }
  ApplyScaling(*m, flags);
  FinishOpenTiming(*m, openStart);
  ctx.Debug("ZoeOpen returned: " + Address(m) + "\r\n");
  return m;
}

}  // namespace

void CloseFrameTiming(ZoeMovie& m) {
  if (!m.frameTiming) return;
  m.frameTiming = false;
  const uint32_t now = m.context->clock->Milliseconds();
  const uint32_t took = now - m.frameStart;
  const uint32_t number = m.timedFrame + 1;
  if (took > m.slowestTime[0] || !m.slowestMeasured) {
    if (m.slowestFrame[0] != number && m.slowestMeasured) {
      m.slowestTime[1] = m.slowestTime[0];
      m.slowestFrame[1] = m.slowestFrame[0];
    }
    m.slowestTime[0] = took;
    m.slowestFrame[0] = number;
    m.slowestMeasured = true;
  } else if (took > m.slowestTime[1] && m.slowestFrame[0] != number) {
    m.slowestTime[1] = took;
    m.slowestFrame[1] = number;
  }
  if (m.blitAsked) {
    m.blitTime += now - m.blitStart;
  } else {
    m.decompressTime += now - m.decompressStart;
  }
}

}  // namespace zoe

ZoeMovie* ZoeOpen(const ZoeSource& source, uint32_t flags, int32_t extra, ZoeContext& context) {
  return zoe::OpenMovie(source, flags, extra, context);
}

void ZoeClose(ZoeMovie* m) {
  if (m == nullptr) return;
  m->context->Debug("ZoeClose: " + zoe::Address(m) + "\r\n");
  const bool callerRecord = m->flags & kZoeCallerRecord;
  zoe::Release(m, callerRecord);
}

int ZoeDecodeFrame(ZoeMovie* m) {
  if (m == nullptr || m->readError) return 0;
  const uint32_t now = m->context->clock->Milliseconds();
  if (!m->playbackStarted) {
    m->playbackStarted = true;
    m->playbackStart = now;
  }
  m->frameTiming = true;
  m->frameStart = m->decompressStart = now;
  m->blitAsked = false;
  m->timedFrame = m->frame;
  if (m->paletteChanged) m->paletteFrame = m->frame;
  ++m->framesDecoded;
  zoe::FrameSound(*m);
  const bool late = m->period != 0 && zoe::SoundLate(*m);
  if (m->target.mode != 0) {
    if (late && !(m->flags & kZoeNeverSkip)) {
      ++m->framesSkipped;
    } else if (m->videoData != nullptr) {
      zoe::DecodeVideo(m->trees, m->videoData, m->videoSize, m->target, m->context->fastReader);
    }
  }
  return late ? 1 : 0;
}

int ZoeFrameDue(ZoeMovie* m) {
  if (m == nullptr || m->readError) return 0;
  zoe::ServiceOutput(*m);
  if (m->syncTrack >= 0) {
    const int wait = zoe::SoundWait(*m);
    if (wait) ZoeBackgroundRead(m);
    return wait;
  }
  if (m->period == 0) return 0;
  const uint64_t now = uint64_t{m->context->clock->Milliseconds()} * 100;
  if (!m->dueSet) {
    m->dueSet = true;
    m->nextDue = now + m->period;
    ZoeBackgroundRead(m);
    return 1;
  }
  if (m->frameConsumed) return 0;
  if (now < m->nextDue) {
    ZoeBackgroundRead(m);
    return 1;
  }
  if (now - m->nextDue > m->period) {
    m->nextDue = now + m->period;
  } else {
    m->nextDue += m->period;
  }
  m->frameConsumed = true;
  return 0;
}

void ZoeNoteBlitStart(ZoeMovie* m) {
  if (m == nullptr || !m->frameTiming || m->blitAsked) return;
  m->blitAsked = true;
  m->blitStart = m->context->clock->Milliseconds();
  m->decompressTime += m->blitStart - m->decompressStart;
}

void ZoeGetStats(ZoeMovie* m, ZoeStats& stats) {
  stats = ZoeStats{};
  if (m == nullptr) return;
  zoe::CloseFrameTiming(*m);
  auto clamp = [](uint64_t v) { return static_cast<uint32_t>(std::min<uint64_t>(v, 0xFFFFFFFF)); };
  stats.playbackTime =
      m->playbackStarted ? m->context->clock->Milliseconds() - m->playbackStart : 0;
  stats.period = m->period;
  stats.openTime = m->openTime;
  stats.framesPlayed = m->framesDecoded;
  stats.skippedFrames = m->framesSkipped;
  stats.soundSkips = m->syncTrack >= 0 ? m->tracks[m->syncTrack]->soundSkips : 0;
  stats.blitTime = m->blitTime;
  stats.readTime = m->foregroundTime - std::min(m->foregroundTime, m->openReadTime);
  stats.decompressTime = m->decompressTime;
  stats.backgroundReadTime = m->backgroundTime;
  const uint64_t time = uint64_t{m->foregroundTime} + m->backgroundTime;
  stats.deviceSpeed = time ? clamp((m->foregroundBytes + m->backgroundBytes) * 1000 / time) : 0;
  stats.slowestTime = m->slowestMeasured ? m->slowestTime[0] : 1000;
  stats.secondSlowestTime = m->slowestFrame[1] != 0 ? m->slowestTime[1] : 1000;
  stats.slowestFrame = m->slowestFrame[0];
  stats.secondSlowestFrame = m->slowestFrame[1];
  stats.averageFrameSize = m->averageFrameSize;
  stats.peakMemory = clamp(m->memoryPeak);
  stats.bufferSize = m->preloaded ? 0 : m->ringSize;
  stats.peakBuffered = m->peakHeld;
}
