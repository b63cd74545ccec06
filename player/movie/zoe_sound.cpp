// Sound tracks: each frame's chunks go into a per-track ring that the output drains, and the
// first open track (the sync track) keeps the clock that paces the pictures.
//
// Compressed chunk content after its two length words:
//   1 bit  holds sound (0: silent chunk)      1 bit stereo      1 bit 16-bit
//   per channel byte tree (1, 2 or 4): one uninterpreted bit, then an 8-bit tree
//   starting values, 8 bits each: 8-bit mono s; 8-bit stereo R, L; 16-bit mono H, L;
//     16-bit stereo RH, RL, LH, LL
//   then per sample frame and channel (left first) a delta from the channel's tree(s),
//   low byte before high byte, added modulo the sample size.
#include <algorithm>
#include <cstring>

#include "player/movie/zoe_internal.h"

namespace zoe {
namespace {

// Writes into a ring that wraps at its end, never more than `length` bytes in all.
struct RingWriter {
  uint8_t* out;
  size_t size;
  size_t pos;
  size_t left;
  void Put(uint8_t b) {
    if (left == 0) return;
    out[pos] = b;
    if (++pos == size) pos = 0;
    --left;
  }
  void Fill(uint8_t b) {
    while (left > 0) {
      size_t n = std::min(left, size - pos);
      std::memset(out + pos, b, n);
      pos = (pos + n) % size;
      left -= n;
    }
  }
};

template <bool Stereo, bool Bits16>
void DecodeDeltas(FastBitReader& r, SoundTrees& trees, RingWriter& w) {
  uint32_t left = 0, right = 0;
  if (!Bits16) {
    if (Stereo) right = r.Bits(8);
    left = r.Bits(8);
  } else {
    if (Stereo) {
      right = r.Bits(8) << 8;
      right |= r.Bits(8);
    }
    left = r.Bits(8) << 8;
    left |= r.Bits(8);
  }
  auto put = [&](uint32_t s) {
    w.Put(static_cast<uint8_t>(s));
    if (Bits16) w.Put(static_cast<uint8_t>(s >> 8));
  };
  for (;;) {
    put(left);
    if (Stereo) put(right);
    if (w.left == 0) return;
    if (r.Overrun()) break;
    if (!Bits16) {
      left = (left + trees[0].Decode(r)) & 0xFF;
      if (Stereo) right = (right + trees[1].Decode(r)) & 0xFF;
    } else {
      uint32_t lo = trees[0].Decode(r);
      left = (left + (lo | uint32_t{trees[1].Decode(r)} << 8)) & 0xFFFF;
      if (Stereo) {
        lo = trees[2].Decode(r);
        right = (right + (lo | uint32_t{trees[3].Decode(r)} << 8)) & 0xFFFF;
      }
    }
  }
  // The chunk's data ran out before its length: the rest is silence.
  w.Fill(Bits16 ? 0 : 0x80);
}

}  // namespace

void DecompressSound(const uint8_t* data, size_t size, uint8_t* out, size_t outSize, size_t start,
                     size_t length, uint8_t silence, SoundTrees& trees) {
  if (outSize == 0) return;
  RingWriter w{out, outSize, start % outSize, std::min(length, outSize)};
  FastBitReader r(data, size);
  // A chunk without sound still takes its place in the ring: silence, not stale bytes.
  if (!r.Bit()) return w.Fill(silence);
  const bool stereo = r.Bit();
  const bool bits16 = r.Bit();
  const int count = (stereo ? 2 : 1) * (bits16 ? 2 : 1);
  for (int i = 0; i < count; ++i) {
    r.Bit();
    if (!ReadByteTree(r, trees[i])) return w.Fill(bits16 ? 0 : 0x80);
  }
  if (stereo) {
    if (bits16) return DecodeDeltas<true, true>(r, trees, w);
    return DecodeDeltas<true, false>(r, trees, w);
  }
  if (bits16) return DecodeDeltas<false, true>(r, trees, w);
  return DecodeDeltas<false, false>(r, trees, w);
}

uint32_t SoundChunkLength(const ZoeMovie& m, int t) {
  const uint8_t* chunk = m.soundChunk[t];
  const uint32_t size = m.soundChunkSize[t];
  if (chunk == nullptr || size < 4) return 0;
  if (m.header.audioRate[t] & kZoeAudioCompressed) return size < 8 ? 0 : Le32(chunk + 4);
  return size - 4;
}

TrackFormat FormatOf(uint32_t word, uint32_t moviePeriod) {
  TrackFormat f;
  f.bytesPerSecond =
      (word & 0xFFFFFF) * (word & kZoeAudio16Bit ? 2 : 1) * (word & kZoeAudioStereo ? 2 : 1);
  // Bytes of sound per frame, x 1024. A header may claim hours per frame; the clock treats
  // anything beyond a minute as a minute so that its sums stay representable.
  const uint64_t period = std::min<uint64_t>(moviePeriod, 60 * 100000);
  f.bytesPerFrame1024 = static_cast<int64_t>(uint64_t{f.bytesPerSecond} * 1024 * period / 100000);
  const uint64_t perFrame = static_cast<uint64_t>(f.bytesPerFrame1024) / 1024;
  // One second and two frames of sound.
  const uint64_t size = (uint64_t{f.bytesPerSecond} + 2 * perFrame + 4095) / 4096 * 4096;
  f.ringSize = static_cast<uint32_t>(std::clamp<uint64_t>(size, 8192, kMaxTrackRing));
  return f;
}

namespace {

TrackFormat TrackFormatOf(const ZoeMovie& m, int t) {
  return FormatOf(m.header.audioRate[t], m.period);
}

}  // namespace

bool SetUpTrack(ZoeMovie& m, int t) {
  ZoeContext& ctx = *m.context;
  const uint32_t word = m.header.audioRate[t];
  const uint32_t rate = word & 0xFFFFFF;
  if (!(word & kZoeAudioPresent) || rate == 0) return false;
  auto track = std::make_unique<ZoeTrack>();
  ZoeTrack& k = *track;
  k.movie = &m;
  k.number = t;
  k.sampleRate = rate;
  k.stereo = word & kZoeAudioStereo;
  k.bits16 = word & kZoeAudio16Bit;
  k.compressed = word & kZoeAudioCompressed;
  const TrackFormat format = TrackFormatOf(m, t);
  k.bytesPerSecond = format.bytesPerSecond;
  k.bytesPerFrame1024 = format.bytesPerFrame1024;
  const uint64_t size = format.ringSize;
  k.largestChunk = std::min<uint32_t>(m.header.audioSize[t] & ~3u, static_cast<uint32_t>(size));
  k.lateAcc = int64_t{k.bytesPerSecond} * 512;
  if (!ctx.output->Open(k)) return false;
  // The output holds the track from here on: keep it where closing the movie finds it, so
  // that an allocation failing below still closes it with the output.
  m.tracks[t] = std::move(track);
  if (m.syncTrack < 0) m.syncTrack = t;
  if (ctx.openTracks++ == 0) {
    ctx.soundTrees = std::make_unique<SoundTrees>();
    m.Count(8192);
  }
  // Up to 4 MiB, so only for a track an output took: the null output declines them all.
  k.ring.assign(size, k.Silence());
  m.Count(kZoeTrackRecordSize + size);
  return true;
}

void CloseTracks(ZoeMovie& m) {
  ZoeContext& ctx = *m.context;
  for (auto& track : m.tracks) {
    if (!track) continue;
    ctx.output->Close(*track);
    m.Uncount(kZoeTrackRecordSize + track->ring.size());
    track.reset();
    if (--ctx.openTracks == 0) {
      ctx.soundTrees.reset();
      m.Uncount(8192);
    }
  }
  m.syncTrack = -1;
}

void ResetTracks(ZoeMovie& m) {
  if (m.syncTrack < 0) return;
  ZoeTrack& sync = *m.tracks[m.syncTrack];
  if (sync.totalWritten == 0) return;
  int mine = 0;
  for (auto& track : m.tracks)
    mine += track != nullptr;
  // Another movie's tracks share the output: leave the sound alone.
  if (mine != m.context->openTracks) return;
  for (auto& track : m.tracks) {
    if (!track) continue;
    ZoeTrack& k = *track;
    m.context->output->Reset(k);
    k.buffered = 0;
    k.readPos = k.writePos;
    k.frameAcc = 0;
    k.anchor = 0;
    k.lateAcc = int64_t{k.bytesPerSecond} * 512;
    k.totalWritten = 0;
  }
}

void ServiceOutput(ZoeMovie& m) {
  if (m.syncTrack >= 0) m.context->output->Service();
}

namespace {

void CopyIntoRing(ZoeTrack& k, const uint8_t* data, uint32_t n) {
  const uint32_t size = static_cast<uint32_t>(k.ring.size());
  uint32_t pos = k.writePos;
  while (n > 0) {
    const uint32_t part = std::min(n, size - pos);
    std::memcpy(&k.ring[pos], data, part);
    data += part;
    n -= part;
    pos = (pos + part) % size;
  }
}

void Advance(ZoeTrack& k, uint32_t n) {
  k.writePos = static_cast<uint32_t>((uint64_t{k.writePos} + n) % k.ring.size());
  k.buffered += n;
  k.totalWritten += n;
}

}  // namespace

void FrameSound(ZoeMovie& m) {
  if (m.syncTrack < 0 || m.soundPaused) return;
  if (m.period != 0) m.soundCheckPending = true;
  ZoeTrack& sync = *m.tracks[m.syncTrack];
  sync.frameAcc += sync.bytesPerFrame1024;
  sync.lateAcc += sync.bytesPerFrame1024;
  if (sync.frameAcc > 0x0FA00000 && sync.lateAcc > 0x02000000) {
    sync.frameAcc -= 0x0FA00000;
    sync.lateAcc -= 0x0FA00000;
    sync.anchor += 256000;
  }
  bool first = true;
  for (int t = 0; t < kZoeTracks; ++t) {
    if (!m.tracks[t]) continue;
    ZoeTrack& k = *m.tracks[t];
    uint32_t r = SoundChunkLength(m, t);
    if (first) {
      first = false;
      k.noSound = r == 0;
      if (k.noSound) break;
    }
    const uint32_t size = static_cast<uint32_t>(k.ring.size());
    if (uint64_t{k.buffered} + r > size) {
      ++k.overflows;
      r = size - k.buffered;
    }
    if (k.underrun) {
      if (k.underrunHandled) {
        k.underrun = false;
        k.underrunHandled = false;
      } else {
        k.underrunHandled = true;
        // The listener heard a gap whether or not a cushion of silence is added here.
        if (k.totalWritten > 0) ++k.soundSkips;
        if (r < k.largestChunk && k.totalWritten > 0) {
          const uint32_t e = std::min(k.largestChunk - r, size - k.buffered - r);
          RingWriter w{k.ring.data(), size, k.writePos, e};
          w.Fill(k.Silence());
          Advance(k, e);
        }
      }
    }
    const uint8_t* chunk = m.soundChunk[t];
    if (r > 0) {
      if (k.compressed) {
        DecompressSound(chunk + 8, m.soundChunkSize[t] - 8, k.ring.data(), size, k.writePos, r,
                        k.Silence(), *m.context->soundTrees);
      } else {
        CopyIntoRing(k, chunk + 4, r);
      }
      Advance(k, r);
    }
  }
  if (static_cast<int64_t>(sync.totalWritten) < sync.anchor + sync.frameAcc / 1024) {
    sync.lateAcc -= sync.frameAcc;
    sync.frameAcc = 0;
    sync.anchor = static_cast<int64_t>(sync.totalWritten);
  }
  m.context->output->Service();
}

bool SoundLate(ZoeMovie& m) {
  if (m.syncTrack < 0 || m.soundPaused) return false;
  ZoeTrack& sync = *m.tracks[m.syncTrack];
  if (sync.noSound) return false;
  const int64_t played = m.context->output->Played(sync);
  if (played >= sync.anchor + sync.lateAcc / 1024) {
    m.soundCheckPending = false;
    return true;
  }
  return false;
}

int SoundWait(ZoeMovie& m) {
  if (!m.soundCheckPending || m.soundPaused) return 0;
  ZoeTrack& sync = *m.tracks[m.syncTrack];
  const int64_t played = m.context->output->Played(sync);
  if (played + 8 < sync.anchor + sync.frameAcc / 1024) return 1;
  m.soundCheckPending = false;
  return 0;
}

}  // namespace zoe

uint32_t ZoeTrackTake(ZoeTrack& k, uint8_t* destination, uint32_t n) {
  n = std::min(n, k.buffered);
  const uint32_t size = static_cast<uint32_t>(k.ring.size());
  uint32_t done = 0;
  while (done < n) {
    const uint32_t part = std::min(n - done, size - k.readPos);
    std::memcpy(destination + done, &k.ring[k.readPos], part);
    done += part;
    k.readPos = (k.readPos + part) % size;
  }
  k.buffered -= n;
  return n;
}

uint64_t ZoeTrackSoundLimit(const ZoeMovie& m, int t) {
  if (t < 0 || t >= kZoeTracks) return 0;
  const zoe::TrackFormat f = zoe::TrackFormatOf(m, t);
  return f.ringSize + uint64_t{m.tableEntries} * static_cast<uint64_t>(f.bytesPerFrame1024 / 1024);
}

std::vector<uint8_t> ZoeFrameSound(const ZoeMovie& m, int t, zoe::SoundTrees& workspace) {
  if (t < 0 || t >= kZoeTracks) return {};
  // A chunk longer than the track's ring is cut there, as playback cuts it.
  const uint32_t length = std::min(zoe::SoundChunkLength(m, t), zoe::TrackFormatOf(m, t).ringSize);
  if (length == 0) return {};
  const uint32_t word = m.header.audioRate[t];
  const uint8_t silence = word & kZoeAudio16Bit ? 0 : 0x80;
  std::vector<uint8_t> pcm(length, silence);
  const uint8_t* chunk = m.soundChunk[t];
  if (word & kZoeAudioCompressed) {
    zoe::DecompressSound(chunk + 8, m.soundChunkSize[t] - 8, pcm.data(), length, 0, length, silence,
                         workspace);
  } else {
    std::copy_n(chunk + 4, length, pcm.begin());
  }
  return pcm;
}

int ZoeSoundPause(ZoeMovie* m, int on, bool force) {
  if (m == nullptr || m->syncTrack < 0) return 1;
  ZoeSoundOutput& out = *m->context->output;
  if (on == 0) {
    if (m->soundPaused) return 1;
    m->pausedFrame = m->frame;
    m->soundPaused = true;
    for (auto& track : m->tracks) {
      if (!track) continue;
      out.Pause(*track);
      track->totalWritten -= track->buffered;
      track->readPos = track->writePos;
      track->buffered = 0;
    }
    return 1;
  }
  if (!m->soundPaused) return 1;
  for (auto& track : m->tracks) {
    if (!track) continue;
    ZoeTrack& k = *track;
    const uint32_t played = out.Played(k);
    if (m->frame != 0) {
      // A cushion of one chunk before the new sound: the sound from before the pause when
      // the movie is still where it stopped, else silence.
      const uint32_t size = static_cast<uint32_t>(k.ring.size());
      const uint32_t cushion = k.largestChunk;
      k.readPos = static_cast<uint32_t>((uint64_t{k.writePos} + size - cushion) % size);
      if (m->frame != m->pausedFrame || force) {
        zoe::RingWriter w{k.ring.data(), size, k.readPos, cushion};
        w.Fill(k.Silence());
      }
      k.buffered = cushion;
      k.totalWritten = uint64_t{played} + cushion;
      k.anchor = played;
      k.frameAcc = 0;
      k.lateAcc = int64_t{k.bytesPerSecond} * 512;
    }
    if (!out.Resume(k)) return 0;
    out.Service();
    k.underrun = false;
  }
  m->soundPaused = false;
  return 1;
}
