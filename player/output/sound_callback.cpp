// The /Z sound output: one callback device per track playing a looping half-second buffer.
// A 75 ms timer and the player's thread top the buffer up from the track's ring ("service"),
// at most once every 10 ms; when the play position runs into what was not yet written the
// buffer has underrun: it stops, rewinds and waits for sound. Pausing releases the device,
// resuming opens it again.
//
// Threads: the device's callback only moves the play position through the buffer, under the
// device lock. The service runs on the timer's thread too, so it is guarded: the player
// holds the guard while it is inside the movie layer (Enter/Leave), a timer turn that finds
// the guard taken does nothing, and a service already running is never entered again.
#include <SDL2/SDL.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <vector>

#include "player/output/sound_output.h"

namespace reel {
namespace {

constexpr uint32_t kServiceMs = 75;
constexpr uint32_t kServiceGapMs = 10;

struct CallbackTrack {
  SDL_AudioDeviceID device = 0;
  std::vector<uint8_t> buffer;
  uint8_t silence = 0;
  // Shared with the device's callback (under the device lock).
  bool playing = false;
  uint32_t playPos = 0;
  uint64_t consumed = 0;   // bytes the device took since the buffer last started
  uint64_t available = 0;  // bytes written since the buffer last started
  // The service's own.
  uint64_t seen = 0;     // consumed as of the last service
  uint64_t started = 0;  // written when the buffer last started from 0
  uint32_t writePos = 0;
  uint64_t free = 0;
  uint64_t written = 0;  // bytes written into the buffer since the track opened or reset
  bool silencePending = false;
  uint64_t silenceAt = 0;  // written count where the pending silence begins
  uint64_t reported = 0;
  uint64_t lastReal = 0;  // the position from the buffer, and when it last moved
  uint32_t lastRealAt = 0;
};

void Callback(void* user, Uint8* out, int len) {
  auto* t = static_cast<CallbackTrack*>(user);
  if (!t->playing) {
    std::memset(out, t->silence, size_t(len));
    return;
  }
  const uint32_t size = static_cast<uint32_t>(t->buffer.size());
  while (len > 0) {
    const uint32_t part = std::min<uint32_t>(uint32_t(len), size - t->playPos);
    // Playing past what was written goes on (the service notices the underrun), but it
    // sounds as silence, not as the stale sound of the last time round.
    const uint64_t fresh =
        std::min<uint64_t>(part, t->available - std::min(t->available, t->consumed));
    std::memcpy(out, &t->buffer[t->playPos], size_t(fresh));
    std::memset(out + fresh, t->silence, size_t(part - fresh));
    out += part;
    len -= int(part);
    t->playPos = (t->playPos + part) % size;
    t->consumed += part;
  }
}

class CallbackOutput : public SoundOutput {
 public:
  CallbackOutput(ZoeContext& context, int kind) : SoundOutput(kind), context_(context) {}
  ~CallbackOutput() override {
    StopTimer();
    // A service the timer began before it was removed finishes before the output goes.
    { std::lock_guard lock(guard_); }
    if (installed_) SDL_QuitSubSystem(SDL_INIT_AUDIO | SDL_INIT_TIMER);
  }
  bool Install() override {
    return installed_ = SDL_InitSubSystem(SDL_INIT_AUDIO | SDL_INIT_TIMER) == 0;
  }
  void Enter() override { guard_.lock(); }
  void Leave() override { guard_.unlock(); }

  bool Open(ZoeTrack& track) override {
    std::lock_guard lock(guard_);
    context_.Debug("Using DirectSound\r\n");
    auto state = std::make_shared<CallbackTrack>();
    state->buffer.assign(std::max<uint32_t>((track.bytesPerSecond / 2 + 4095) / 4096 * 4096, 4096),
                         track.Silence());
    state->silence = track.Silence();
    Rewind(*state);
    if (!OpenDevice(track, *state)) return false;
    track.outputState = state;
    tracks_.push_back(&track);
    if (timer_ == 0) timer_ = SDL_AddTimer(kServiceMs, TimerTick, this);
    return true;
  }

  void Close(ZoeTrack& track) override {
    std::lock_guard lock(guard_);
    CallbackTrack* s = State(track);
    if (s == nullptr) return;
    Drain(track, *s);
    CloseDevice(*s);
    tracks_.erase(std::remove(tracks_.begin(), tracks_.end(), &track), tracks_.end());
    track.outputState.reset();
    if (tracks_.empty()) StopTimer();
  }

  uint32_t Played(ZoeTrack& track) override {
    std::lock_guard lock(guard_);
    Service();
    CallbackTrack* s = State(track);
    if (s == nullptr) return 0;
    // Written minus what still waits in the buffer.
    const uint64_t real = std::min(s->written, s->started + s->seen);
    const uint32_t now = SDL_GetTicks();
    uint64_t played = real;
    if (real != s->lastReal) {
      s->lastReal = real;
      s->lastRealAt = now;
    } else if (s->playing) {
      // Between the device's pulls the position moves on with the clock.
      played =
          std::min(s->written, real + uint64_t{now - s->lastRealAt} * track.bytesPerSecond / 1000);
    }
    s->reported = std::max(s->reported, played);
    return static_cast<uint32_t>(s->reported);
  }

  void Reset(ZoeTrack& track) override {
    std::lock_guard lock(guard_);
    CallbackTrack* s = State(track);
    if (s == nullptr) return;
    if (s->device != 0) SDL_LockAudioDevice(s->device);
    Rewind(*s);
    s->written = s->started = s->reported = s->lastReal = 0;
    if (s->device != 0) SDL_UnlockAudioDevice(s->device);
  }

  void Service() override {
    std::unique_lock lock(guard_, std::try_to_lock);
    if (!lock) return;
    ServiceLocked();
  }

  void Pause(ZoeTrack& track) override {
    std::lock_guard lock(guard_);
    CallbackTrack* s = State(track);
    if (s == nullptr) return;
    CloseDevice(*s);
  }

  bool Resume(ZoeTrack& track) override {
    std::lock_guard lock(guard_);
    CallbackTrack* s = State(track);
    if (s == nullptr) return false;
    if (s->device != 0) return true;
    Rewind(*s);
    s->started = s->written;
    return OpenDevice(track, *s);
  }

 private:
  static CallbackTrack* State(ZoeTrack& track) {
    return static_cast<CallbackTrack*>(track.outputState.get());
  }

  static Uint32 TimerTick(Uint32 interval, void* user) {
    static_cast<CallbackOutput*>(user)->Service();
    return interval;
  }

  void StopTimer() {
    if (timer_ != 0) SDL_RemoveTimer(timer_);
    timer_ = 0;
  }

  bool OpenDevice(ZoeTrack& track, CallbackTrack& s) {
    s.device = OpenTrackDevice(track, 512, Callback, &s);
    if (s.device == 0) {
      context_.Debug(std::string("Unable to create sound buffer - Error #: ") + SDL_GetError() +
                     "\r\n");
      return false;
    }
    SDL_PauseAudioDevice(s.device, 0);
    return true;
  }

  void CloseDevice(CallbackTrack& s) {
    if (s.device != 0) SDL_CloseAudioDevice(s.device);
    s.device = 0;
    Rewind(s);
  }

  // Stopped at 0 with the whole buffer free.
  static void Rewind(CallbackTrack& s) {
    s.playing = false;
    s.playPos = 0;
    s.consumed = s.seen = s.available = 0;
    s.writePos = 0;
    s.free = s.buffer.size();
    s.silencePending = false;
  }

  void ServiceLocked() {
    if (busy_.fetch_add(1) == 0) {
      const uint32_t now = SDL_GetTicks();
      if (!serviced_ || now - lastService_ >= kServiceGapMs) {
        serviced_ = true;
        lastService_ = now;
        for (ZoeTrack* track : tracks_)
          ServiceTrack(*track);
      }
    }
    busy_.fetch_sub(1);
  }

  void ServiceTrack(ZoeTrack& track) {
    CallbackTrack& s = *State(track);
    if (s.device == 0) return;
    SDL_LockAudioDevice(s.device);
    const uint64_t size = s.buffer.size();
    const uint64_t consumed = s.consumed;
    s.free += consumed - s.seen;
    s.seen = consumed;
    const bool intoSilence = s.silencePending && s.started + consumed > s.silenceAt;
    if (s.playing && (s.free > size || intoSilence)) {
      // Played into what was never written: stop and wait for sound.
      track.underrun = true;
      const uint64_t started = s.written;
      Rewind(s);
      s.started = started;
    }
    if (s.free > size / 4 && !s.silencePending) {
      if (track.buffered < 4 && s.playing && s.free > size * 4 / 5) {
        const uint32_t n = track.buffered;
        Write(s, track, n);
        s.silenceAt = s.written;
        WriteSilence(s, size / 4 > n ? size / 4 - n : 0);
        s.silencePending = true;
      } else {
        uint32_t n =
            static_cast<uint32_t>(std::min<uint64_t>(s.free & ~uint64_t{3}, track.buffered));
        n -= n % TrackFrameBytes(track);
        Write(s, track, n);
        if (!s.playing && n > 0) {
          s.playing = true;
          s.playPos = 0;
        }
      }
    }
    s.available = s.written - std::min(s.written, s.started);
    SDL_UnlockAudioDevice(s.device);
  }

  // Lets the buffer play out what the movie left in it instead of cutting off its last
  // sound, but never longer than that sound lasts nor than a second (a header may claim a
  // rate of a few samples a second), and not at all when the user ended the run.
  void Drain(ZoeTrack& track, CallbackTrack& s) {
    if (s.device == 0 || skipDrain_) return;
    SDL_LockAudioDevice(s.device);
    const uint64_t unplayed =
        s.playing ? s.written - std::min(s.written, s.started + s.consumed) : 0;
    SDL_UnlockAudioDevice(s.device);
    const uint64_t held = unplayed + track.buffered;
    const uint64_t limit =
        std::min<uint64_t>(held * 1000 / std::max<uint32_t>(track.bytesPerSecond, 1), 1000);
    const uint32_t start = SDL_GetTicks();
    for (;;) {
      ServiceTrack(track);
      SDL_LockAudioDevice(s.device);
      const bool done = !s.playing || s.started + s.consumed >= s.written;
      SDL_UnlockAudioDevice(s.device);
      if ((done && track.buffered < 4) || SDL_GetTicks() - start >= limit) break;
      SDL_Delay(5);
    }
  }

  static void Write(CallbackTrack& s, ZoeTrack& track, uint32_t n) {
    const uint32_t size = static_cast<uint32_t>(s.buffer.size());
    while (n > 0) {
      const uint32_t part =
          ZoeTrackTake(track, &s.buffer[s.writePos], std::min(n, size - s.writePos));
      if (part == 0) break;
      s.writePos = (s.writePos + part) % size;
      s.free -= part;
      s.written += part;
      n -= part;
    }
  }

  static void WriteSilence(CallbackTrack& s, uint64_t n) {
    const uint32_t size = static_cast<uint32_t>(s.buffer.size());
    n = std::min(n, s.free);
    while (n > 0) {
      const uint32_t part = static_cast<uint32_t>(std::min<uint64_t>(n, size - s.writePos));
      std::memset(&s.buffer[s.writePos], s.silence, part);
      s.writePos = (s.writePos + part) % size;
      s.free -= part;
      s.written += part;
      n -= part;
    }
  }

  ZoeContext& context_;
  bool installed_ = false;
  std::recursive_mutex guard_;
  std::atomic<int> busy_{0};
  bool serviced_ = false;
  uint32_t lastService_ = 0;
  SDL_TimerID timer_ = 0;
  std::vector<ZoeTrack*> tracks_;
};

}  // namespace

std::unique_ptr<SoundOutput> MakeCallbackOutput(ZoeContext& context, int kind) {
  return std::make_unique<CallbackOutput>(context, kind);
}

}  // namespace reel
