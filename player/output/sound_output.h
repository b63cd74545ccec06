// The sound outputs reelrun plays movie sound through. Each is one class in its own file; the
// table in sound_output.cpp (SoundOutputs) is the one place that says, per output, the switch
// that asks for it, its name, what --help says of it, how it is made and whether it is tried
// when none is asked for, with the null output last.
//
// Contract: an output is a ZoeSoundOutput (installed in the ZoeContext before movies open)
// and every ZoeSoundOutput call comes from the player's thread. An output that also works on
// a thread of its own (the callback output's 75 ms service timer) must not touch a track
// while the player is inside the movie layer: the player brackets each movie-layer call with
// Enter/Leave, and the output's own thread skips its turn when it finds the player inside.
// Install() is called once: false means the output cannot work here (no audio device
// driver), and the next one the walk reaches is tried.
#pragma once

#include <memory>
#include <span>
#include <vector>

#include "player/movie/zoe.h"

namespace reel {

enum SoundKind { kAutomaticSound = 0, kCallbackSound = 1, kQueueSound = 2, kNullSound = 3 };

class SoundOutput : public ZoeSoundOutput {
 public:
  explicit SoundOutput(int kind) : kind_(kind) {}
  int Kind() const { return kind_; }
  virtual bool Install() = 0;
  // The name of the output's row.
  const char* Name() const;
  virtual void Enter() {}
  virtual void Leave() {}
  // While set, closing a track cuts its sound off instead of letting the device play out
  // what it holds (the user ended the run and wants it gone now).
  void SkipDrain(bool skip = true) { skipDrain_ = skip; }

 protected:
  bool skipDrain_ = false;

 private:
  int kind_;
};

// Makes an output of the row's kind (installed by the caller).
using SoundFactory = std::unique_ptr<SoundOutput> (*)(ZoeContext& context, int kind);

struct SoundOutputEntry {
  int kind;
  const char* switchName;   // the switch that asks for it, for --help; "": none does
  const char* name;         // Name() and --help
  const char* description;  // for --help
  SoundFactory make;
  bool automatic;  // tried, in table order, when none is asked for and below the one asked for
};

// In the order ChooseSoundOutput walks them; the null output is the last row.
std::span<const SoundOutputEntry> SoundOutputs();

// The rows ChooseSoundOutput tries for a kind, in table order: the one asked for, then the
// automatic ones below it; with none asked for (kAutomaticSound), every automatic one.
std::vector<const SoundOutputEntry*> SoundWalk(int kind);

// The first output of the walk that installs; the null output when none does.
std::unique_ptr<SoundOutput> ChooseSoundOutput(int kind, ZoeContext& context);

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

// The factories, one per file.
std::unique_ptr<SoundOutput> MakeQueueOutput(ZoeContext& context, int kind);
std::unique_ptr<SoundOutput> MakeCallbackOutput(ZoeContext& context, int kind);
std::unique_ptr<SoundOutput> MakeNullOutput(ZoeContext& context, int kind);

// Bytes per sample frame of a track.
uint32_t TrackFrameBytes(const ZoeTrack& track);
// Opens an audio device in the track's format (PCM as stored: 8-bit unsigned or 16-bit
// little-endian); a callback device when `callback` is given. 0 when it cannot open.
uint32_t OpenTrackDevice(const ZoeTrack& track, uint16_t samples,
                         void (*callback)(void*, uint8_t*, int), void* user);

}  // namespace reel
