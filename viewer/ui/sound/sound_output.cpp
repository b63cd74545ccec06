#include "viewer/ui/sound/sound_output.h"

#define SDL_MAIN_HANDLED
#include <SDL.h>

#include <limits>

namespace brindle {

namespace {

class SdlSoundOutput : public SoundOutput {
 public:
  ~SdlSoundOutput() override {
    Stop();
    if (ready_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }

  Status Play(ByteView wav) override {
    Stop();
    if (wav.empty() || wav.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
      return Fail("the sound is empty or too large");
    // Without a device every sound is silent, by design.
    if (!Ready()) return Ok();
    SDL_RWops* rw = SDL_RWFromConstMem(wav.data(), static_cast<int>(wav.size()));
    SDL_AudioSpec format{};
    Uint8* samples = nullptr;
    Uint32 length = 0;
    // A header that lies or a format SDL does not know: not heard, and said why.
    if (!rw || !SDL_LoadWAV_RW(rw, 1, &format, &samples, &length)) return Fail(SDL_GetError());
    format.callback = nullptr;  // fed by queue
    device_ = SDL_OpenAudioDevice(nullptr, 0, &format, nullptr, 0);
    Status started;
    if (device_ == 0) {
      started = Fail(SDL_GetError());
    } else if (SDL_QueueAudio(device_, samples, length) == 0) {
      // The queue takes its own copy, so the samples live exactly as long as they play.
      SDL_PauseAudioDevice(device_, 0);
    } else {
      started = Fail(SDL_GetError());
      Stop();
    }
    SDL_FreeWAV(samples);
    return started;
  }

  void Stop() override {
    if (device_ == 0) return;
    SDL_CloseAudioDevice(device_);
    device_ = 0;
  }

  bool Playing() const override { return device_ != 0 && SDL_GetQueuedAudioSize(device_) > 0; }

 private:
  // The audio subsystem, started once; without a device every sound is silent.
  bool Ready() {
    if (!tried_) {
      tried_ = true;
      SDL_SetMainReady();
      // SIGINT and SIGTERM stay the window's: SDL's handlers would turn them into a quit
      // event nobody here reads, and the window would no longer end on them.
      SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
      ready_ = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    }
    return ready_;
  }

  bool tried_ = false;
  bool ready_ = false;
  SDL_AudioDeviceID device_ = 0;
};

}  // namespace

std::unique_ptr<SoundOutput> MakeSdlSoundOutput() {
  return std::make_unique<SdlSoundOutput>();
}

}  // namespace brindle
