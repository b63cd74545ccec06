// Reading frame data after the open: from memory when the movie was preloaded, otherwise
// through a read-ahead ring of B bytes (plus 4096 spare bytes that absorb the last background
// read's overshoot before the write pointer wraps). File reads stay 4096-aligned: the first
// read after a jump brings the offset onto a boundary and every later read is a multiple of
// 4096 bytes.
#include <algorithm>
#include <cstring>

#include "player/movie/zoe_internal.h"

namespace zoe {
namespace {

constexpr uint32_t kBlock = 4096;

uint64_t FileRead(ZoeMovie& m, uint8_t* destination, uint64_t n) {
  uint64_t got = 0;
  while (got < n) {
    const int64_t r = m.file->Read(destination + got, static_cast<int64_t>(n - got));
    if (r <= 0) break;
    got += static_cast<uint64_t>(r);
  }
  return got;
}

// Under a simulated device speed, a read lasts as long as the device would have needed.
void Throttle(ZoeMovie& m, uint32_t started, uint64_t bytes) {
  if (!(m.flags & kZoeSimulateSpeed) || m.readSpeed == 0) return;
  ZoeClock& clock = *m.context->clock;
  const uint64_t need = bytes * 1000 / m.readSpeed;
  while (clock.Milliseconds() - started < need)
    clock.Pause(1);
}

// Moves the ring's read side on by n held bytes.
void RingConsume(ZoeMovie& m, uint8_t* destination, uint32_t n) {
  while (n > 0 && m.ringHeld > 0) {
    const uint32_t part = std::min({n, m.ringHeld, m.ringWrap - m.ringRead});
    if (destination != nullptr) {
      std::memcpy(destination, &m.ring[m.ringRead], part);
      destination += part;
    }
    m.ringRead += part;
    m.ringHeld -= part;
    n -= part;
    if (m.ringRead == m.ringWrap) {
      m.ringRead = 0;
      m.ringWrap = m.ringSize;
      if (m.ringHeld == 0) m.ringWrite = 0;
    }
  }
}

void EmptyRing(ZoeMovie& m) {
  m.ringRead = m.ringWrite = m.ringHeld = 0;
  m.ringWrap = m.ringSize;
}

}  // namespace

uint64_t ReadMovie(ZoeMovie& m, uint8_t* destination, uint64_t n) {
  ZoeClock& clock = *m.context->clock;
  const uint32_t started = clock.Milliseconds();
  uint64_t fromFile = 0;
  uint64_t got = 0;
  if (m.ring.empty()) {
    got = fromFile = FileRead(m, destination, n);
    if (got < n) m.readError = true;
  } else {
    const uint32_t first = static_cast<uint32_t>(std::min<uint64_t>(n, m.ringHeld));
    RingConsume(m, destination, first);
    got = first;
    uint64_t remain = n - got;
    // Large requests bypass the ring, in aligned pieces of up to 16384 bytes.
    while (remain > kBlock) {
      const uint64_t piece = std::min<uint64_t>(16384, remain / kBlock * kBlock);
      const uint64_t r = FileRead(m, destination + got, piece);
      fromFile += r;
      got += r;
      remain -= r;
      if (r < piece) {
        m.readError = true;
        remain = 0;
      }
    }
    if (remain > 0) {
      EmptyRing(m);
      const uint64_t r = FileRead(m, m.ring.data(), kBlock);
      fromFile += r;
      m.ringWrite = static_cast<uint32_t>(r);
      m.ringHeld = static_cast<uint32_t>(r);
      const uint32_t take = static_cast<uint32_t>(std::min(r, remain));
      RingConsume(m, destination + got, take);
      got += take;
      if (take < remain) m.readError = true;
    }
  }
  m.consumedOffset += static_cast<int64_t>(got);
  Throttle(m, started, fromFile);
  m.foregroundBytes += fromFile;
  m.foregroundTime += clock.Milliseconds() - started;
  return got;
}

void AlignRing(ZoeMovie& m) {
  EmptyRing(m);
  const uint64_t offset = static_cast<uint64_t>(m.consumedOffset);
  if (offset % kBlock == 0) return;
  ZoeClock& clock = *m.context->clock;
  const uint32_t started = clock.Milliseconds();
  const uint64_t r = FileRead(m, m.ring.data(), kBlock - offset % kBlock);
  m.ringWrite = m.ringHeld = static_cast<uint32_t>(r);
  m.peakHeld = std::max(m.peakHeld, m.ringHeld);
  Throttle(m, started, r);
  m.foregroundBytes += r;
  m.foregroundTime += clock.Milliseconds() - started;
}

void ReadFrame(ZoeMovie& m) {
  if (m.frame >= m.tableEntries) {
    m.readError = true;
    return;
  }
  const uint32_t size = m.frameSizes[m.frame];
  if (m.preloaded) {
    const uint64_t start = static_cast<uint64_t>(m.frameStarts[m.frame]);
    // Frames the file did not hold end the movie like a short read.
    if (start + size > m.loaded) {
      m.readError = true;
      return;
    }
    m.frameData = m.readBuffer.data() + start;
    m.frameSize = size;
    return;
  }
  if (size > m.readCapacity) {
    m.readError = true;
    return;
  }
  m.frameSize = static_cast<uint32_t>(ReadMovie(m, m.readBuffer.data(), size));
  m.frameData = m.readBuffer.data();
}

void LocateChunks(ZoeMovie& m) {
  const uint32_t frames = m.header.frames;
  if (m.frame >= frames) {
    if (!(m.header.flags & kZoeHeaderRing)) {
      ZoeSeek(&m, 0);
    } else if (m.frame == frames) {
      ReadFrame(m);
    } else {
      ZoeSeek(&m, 1);
    }
  }
  m.paletteChunk = nullptr;
  m.soundChunk.fill(nullptr);
  m.soundChunkSize.fill(0);
  m.videoData = nullptr;
  m.videoSize = 0;
  m.paletteChanged = false;
  m.frameConsumed = false;
  if (m.readError || m.frameData == nullptr) return;

  const uint8_t* data = m.frameData;
  const uint32_t size = m.frameSize;
  const uint8_t type = m.frameTypes[m.frame];
  uint32_t pos = 0;
  if (type & kZoeFramePalette && size > 0) {
    m.paletteChunk = data;
    pos = std::min<uint32_t>(data[0] * 4u, size);
  }
  for (int t = 0; t < kZoeTracks; ++t) {
    if (!(type & (kZoeFrameSound0 << t))) continue;
    if (size - pos < 4) break;
    // A chunk length that does not fit the frame is cut to what is there.
    uint32_t length = std::max<uint32_t>(Le32(data + pos), 4);
    length = std::min(length, size - pos);
    m.soundChunk[t] = data + pos;
    m.soundChunkSize[t] = length;
    pos += length;
  }
  m.videoData = data + pos;
  m.videoSize = size - pos;
  m.bytesBeforeVideo = pos;
  if (m.paletteChunk != nullptr) {
    // The palette bytes are read up to the end of the frame at most.
    ApplyPaletteChunk(data + 1, size - 1, m.palette);
    m.paletteChanged = static_cast<int64_t>(m.frame) != m.paletteFrame;
  }
}

}  // namespace zoe

uint32_t ZoeBackgroundRead(ZoeMovie* m) {
  if (m == nullptr || m->ring.empty() || m->file == nullptr || m->readError) return 0;
  if (m->frame >= m->header.frames || m->ringSize - m->ringHeld < zoe::kBlock) return 0;
  ZoeClock& clock = *m->context->clock;
  const uint32_t started = clock.Milliseconds();
  const uint64_t r = zoe::FileRead(*m, &m->ring[m->ringWrite], zoe::kBlock);
  m->ringWrite += static_cast<uint32_t>(r);
  m->ringHeld += static_cast<uint32_t>(r);
  if (m->ringWrite >= m->ringWrap) {
    m->ringWrap = m->ringWrite;
    m->ringWrite = 0;
  }
  m->peakHeld = std::max(m->peakHeld, m->ringHeld);
  zoe::Throttle(*m, started, r);
  m->backgroundBytes += r;
  m->backgroundTime += clock.Milliseconds() - started;
  return static_cast<uint32_t>(r);
}

void ZoeSeek(ZoeMovie* m, uint32_t k) {
  if (m == nullptr) return;
  if (k >= m->tableEntries) {
    m->readError = true;
    return;
  }
  m->frame = k;
  if (k == 0) {
    m->palette.fill(0);
    zoe::ResetTracks(*m);
  }
  const int64_t offset = m->frame0Offset + m->frameStarts[k];
  if (!m->preloaded) {
    const int64_t ahead = offset - m->consumedOffset;
    if (ahead >= 0 && ahead <= m->ringHeld) {
      zoe::RingConsume(*m, nullptr, static_cast<uint32_t>(ahead));
      m->consumedOffset = offset;
    } else {
      if (!m->file->Seek(offset)) {
        m->readError = true;
        return;
      }
      m->consumedOffset = offset;
      zoe::AlignRing(*m);
    }
  }
  zoe::ReadFrame(*m);
}

void ZoeAdvance(ZoeMovie* m) {
  if (m == nullptr) return;
  zoe::CloseFrameTiming(*m);
  if (m->readError) {
    ++m->frame;
    return;
  }
  ++m->frame;
  if (m->frame < m->header.frames) zoe::ReadFrame(*m);
  zoe::LocateChunks(*m);
  zoe::ServiceOutput(*m);
}
