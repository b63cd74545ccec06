#include "player/output/sound_output.h"

#include <SDL2/SDL.h>

#include <iterator>

namespace reel {
namespace {

// /Z asks for the callback output; otherwise, or when it cannot work, the queue output, and
// the null output when there is no sound device driver at all.
constexpr SoundOutputEntry kOutputs[] = {
    {kCallbackSound, "/Z", "callback",
     "One audio device per track, pulling from a buffer the player tops up.", MakeCallbackOutput,
     false},
    {kQueueSound, "", "queue", "One audio device per track, the sound queued to it.",
     MakeQueueOutput, true},
    {kNullSound, "", "null", "No sound; the movie keeps time by the clock.", MakeNullOutput, true},
};
static_assert(kOutputs[std::size(kOutputs) - 1].kind == kNullSound, "the null output comes last");

const SoundOutputEntry* FindOutput(int kind) {
  for (const SoundOutputEntry& row : kOutputs)
    if (row.kind == kind) return &row;
  return nullptr;
}

}  // namespace

const char* SoundOutput::Name() const {
  const SoundOutputEntry* row = FindOutput(kind_);
  return row != nullptr ? row->name : "";
}

std::span<const SoundOutputEntry> SoundOutputs() {
  return kOutputs;
}

std::vector<const SoundOutputEntry*> SoundWalk(int kind) {
  std::vector<const SoundOutputEntry*> walk;
  bool reached = kind == kAutomaticSound;
  for (const SoundOutputEntry& row : kOutputs) {
    const bool asked = row.kind == kind;
    reached = reached || asked;
    if (asked || (reached && row.automatic)) walk.push_back(&row);
  }
  return walk;
}

std::unique_ptr<SoundOutput> ChooseSoundOutput(int kind, ZoeContext& context) {
  for (const SoundOutputEntry* row : SoundWalk(kind)) {
    auto output = row->make(context, row->kind);
    if (output && output->Install()) return output;
  }
  // (The null output always installs: this is for a kind no row has.)
  const SoundOutputEntry& last = kOutputs[std::size(kOutputs) - 1];
  return last.make(context, last.kind);
}

uint32_t TrackFrameBytes(const ZoeTrack& track) {
  return (track.bits16 ? 2 : 1) * (track.stereo ? 2 : 1);
}

uint32_t OpenTrackDevice(const ZoeTrack& track, uint16_t samples,
                         void (*callback)(void*, uint8_t*, int), void* user) {
  SDL_AudioSpec want{};
  want.freq = static_cast<int>(track.sampleRate);
  want.format = track.bits16 ? AUDIO_S16LSB : AUDIO_U8;
  want.channels = track.stereo ? 2 : 1;
  want.samples = samples;
  want.callback = callback;
  want.userdata = user;
  return SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
}

}  // namespace reel
