// Operations shared by the movie layer's own files.
#pragma once

#include "player/movie/zoe.h"

namespace zoe {

// Largest ring a sound track gets, whatever its header claims (over five seconds of 16-bit
// stereo sound at 192 kHz, twenty at 44.1 kHz); longer chunks are cut like any overflow.
inline constexpr uint32_t kMaxTrackRing = 4u << 20;

// Reader (buffered reading and navigation).
// Reads n bytes through the read-ahead ring (or straight from the file); a short read sets
// the movie's read-error flag. Returns the bytes delivered.
uint64_t ReadMovie(ZoeMovie& m, uint8_t* destination, uint64_t n);
void ReadFrame(ZoeMovie& m);
void LocateChunks(ZoeMovie& m);
void AlignRing(ZoeMovie& m);

// Sound.
// A track's byte rate, its share of sound per frame (x 1024) and its ring's size, from its
// header word and the movie's period.
struct TrackFormat {
  uint32_t bytesPerSecond = 0;
  int64_t bytesPerFrame1024 = 0;
  uint32_t ringSize = 0;
};
TrackFormat FormatOf(uint32_t audioWord, uint32_t period);
bool SetUpTrack(ZoeMovie& m, int t);
void CloseTracks(ZoeMovie& m);
void ResetTracks(ZoeMovie& m);
void FrameSound(ZoeMovie& m);
bool SoundLate(ZoeMovie& m);
// 1 while the sync track has not yet played the current frame's sound.
int SoundWait(ZoeMovie& m);
void ServiceOutput(ZoeMovie& m);
// Bytes of sound a frame's chunk for track t delivers (0 without a chunk).
uint32_t SoundChunkLength(const ZoeMovie& m, int t);

// Statistics timing points.
void CloseFrameTiming(ZoeMovie& m);

inline uint32_t Le32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

}  // namespace zoe
