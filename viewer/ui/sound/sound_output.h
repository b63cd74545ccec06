#pragma once
// Playing a sound entry: one sound at a time from a WAV image in memory. Starting a sound
// ends the one playing; what the device cannot play is simply not heard; a machine without
// a sound device stays silent. None of it ever shows a box or waits for the sound.

#include <memory>

#include "common/bytes.h"
#include "common/result.h"

namespace brindle {

class SoundOutput {
 public:
  virtual ~SoundOutput() = default;
  // Starts the sound and returns at once. The output keeps its own copy of the samples for
  // as long as they play. A sound the audio layer cannot play is an error with its reason;
  // a machine without a sound device plays nothing and that is no error.
  virtual Status Play(ByteView wav) = 0;
  virtual void Stop() = 0;
  // True while samples are still waiting to be heard.
  virtual bool Playing() const = 0;
};

// Through SDL's audio: the image read by SDL's WAV reader, its samples queued to a device
// opened in the sound's own format. The audio subsystem starts with the first sound.
std::unique_ptr<SoundOutput> MakeSdlSoundOutput();

}  // namespace brindle
