#include "player/output/sound_output.h"

#include <SDL2/SDL.h>

namespace reel {
namespace {

constexpr SoundOutputEntry kOutputs[] = {
    {"callback", MakeCallbackOutput},
    {"queue", MakeQueueOutput},
    {"null", MakeNullOutput},
};

}  // namespace

std::span<const SoundOutputEntry> SoundOutputs() {
  return kOutputs;
}

std::unique_ptr<SoundOutput> ChooseSoundOutput(const std::string& first, ZoeContext& context) {
  // The callback output is used only when asked for (/Z); when it cannot work the default
  // queue output stays in use.
  if (first == "null") return MakeNullOutput(context);
  const std::string asked = first == "callback" ? first : "queue";
  for (const SoundOutputEntry& e : kOutputs) {
    if (e.name == std::string("callback") && asked != "callback") continue;
    auto output = e.make(context);
    if (output && output->Install()) return output;
  }
  return MakeNullOutput(context);
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
