// The sound outputs reelrun plays movie sound through. Each is one class in its own file; the
// table in sound_output.cpp lists them, the null output last.
//
// Contract: an output is a ZoeSoundOutput (installed in the ZoeContext before movies open)
// and every ZoeSoundOutput call comes from the player's thread. An output that also works on
// a thread of its own (the callback output's 75 ms service timer) must not touch a track
// while the player is inside the movie layer: the player brackets each movie-layer call with
// Enter/Leave, and the output's own thread skips its turn when it finds the player inside.
// Install() is called once: false means the output cannot work here (no audio device
// driver), and the next one in the table is tried.
#pragma once

#include <memory>
#include <span>
#include <string>

#include "player/movie/zoe.h"

namespace reel {

class SoundOutput : public ZoeSoundOutput {
 public:
  virtual bool Install() = 0;
  virtual const char* Name() const = 0;
  virtual void Enter() {}
  virtual void Leave() {}
  // While set, closing a track cuts its sound off instead of letting the device play out
  // what it holds (the user ended the run and wants it gone now).
  void SkipDrain(bool skip = true) { skipDrain_ = skip; }

 protected:
  bool skipDrain_ = false;
};

using SoundFactory = std::unique_ptr<SoundOutput> (*)(ZoeContext& context);

struct SoundOutputEntry {
  const char* name;
  SoundFactory make;
};

// "callback" (/Z only), "queue" (the default), "null".
std::span<const SoundOutputEntry> SoundOutputs();

// The first output, from the named one on down the table, that installs.
std::unique_ptr<SoundOutput> ChooseSoundOutput(const std::string& first, ZoeContext& context);

// Bracket for movie-layer calls.
class SoundGuard {
 public:
  explicit SoundGuard(SoundOutput* output) : output_(output) {
    if (output_) output_->Enter();
  }
  ~SoundGuard() {
    if (output_) output_->Leave();
  }
  SoundGuard(const SoundGuard&) = delete;
  SoundGuard& operator=(const SoundGuard&) = delete;

 private:
  SoundOutput* output_;
};

std::unique_ptr<SoundOutput> MakeQueueOutput(ZoeContext& context);
std::unique_ptr<SoundOutput> MakeCallbackOutput(ZoeContext& context);
std::unique_ptr<SoundOutput> MakeNullOutput(ZoeContext& context);

// Bytes per sample frame of a track.
uint32_t TrackFrameBytes(const ZoeTrack& track);
// Opens an audio device in the track's format (PCM as stored: 8-bit unsigned or 16-bit
// little-endian); a callback device when `callback` is given. 0 when it cannot open.
uint32_t OpenTrackDevice(const ZoeTrack& track, uint16_t samples,
                         void (*callback)(void*, uint8_t*, int), void* user);

}  // namespace reel
