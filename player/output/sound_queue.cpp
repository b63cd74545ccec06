// The default sound output: one queued audio device per track. Opening probes the device
// with four bytes of silence that must play within a second; a device that does not answer
// is closed and the track stays silent.
//
// Everything the track's ring holds goes into the device's queue at once: that queue is the
// cushion that carries the sound over the gaps between frames. The played position is what
// the device has taken from the queue, moved on with the clock between its pulls (which come
// a period of its own at a time); a clock alone drifts from the device and starves it.
// When the device finds its queue empty it plays silence: that is an underrun, reported to
// the movie once per time it runs dry.
#include <SDL2/SDL.h>

#include <algorithm>
#include <vector>

#include "player/output/sound_output.h"

namespace reel {
namespace {

// The longest a closing track waits for its device to play out what it holds.
constexpr uint64_t kDrainLimitMs = 1000;

struct QueueTrack {
  SDL_AudioDeviceID device = 0;
  uint32_t blockSize = 0;
  std::vector<uint8_t> block;
  uint64_t base = 0;    // played before the current device opened
  uint64_t queued = 0;  // bytes queued to the current device
  bool dry = false;     // the queue ran empty and nothing came since
  // The position as last measured, when it last moved, and as last reported.
  uint64_t lastReal = 0;
  uint32_t lastRealAt = 0;
  uint64_t reported = 0;
};

class QueueOutput : public SoundOutput {
 public:
  QueueOutput(ZoeContext& context, int kind) : SoundOutput(kind), context_(context) {}
  ~QueueOutput() override {
    if (installed_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }
  bool Install() override { return installed_ = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0; }

  bool Open(ZoeTrack& track) override {
    auto state = std::make_shared<QueueTrack>();
    state->blockSize = std::max<uint32_t>((track.bytesPerSecond / 4 + 4095) / 4096 * 4096, 4096);
    state->block.resize(state->blockSize);
    if (!OpenDevice(track, *state)) return false;
    track.outputState = state;
    tracks_.push_back(&track);
    return true;
  }

  void Close(ZoeTrack& track) override {
    QueueTrack* s = State(track);
    if (s == nullptr) return;
    if (s->device != 0) {
      Drain(track, *s);
      SDL_CloseAudioDevice(s->device);
    }
    s->device = 0;
    tracks_.erase(std::remove(tracks_.begin(), tracks_.end(), &track), tracks_.end());
    track.outputState.reset();
  }

  uint32_t Played(ZoeTrack& track) override {
    Service();
    QueueTrack* s = State(track);
    if (s == nullptr) return 0;
    if (s->device == 0) return static_cast<uint32_t>(s->reported);
    const uint64_t real = s->base + Consumed(*s);
    const uint32_t now = SDL_GetTicks();
    uint64_t played = real;
    if (real != s->lastReal) {
      s->lastReal = real;
      s->lastRealAt = now;
    } else if (s->queued > 0) {
      // Between the device's pulls the position moves on with the clock.
      played = std::min(s->base + s->queued,
                        real + uint64_t{now - s->lastRealAt} * track.bytesPerSecond / 1000);
    }
    s->reported = std::max(s->reported, played);
    return static_cast<uint32_t>(s->reported);
  }

  void Reset(ZoeTrack& track) override {
    QueueTrack* s = State(track);
    if (s == nullptr) return;
    if (s->device != 0) SDL_ClearQueuedAudio(s->device);
    s->base = s->queued = s->lastReal = s->reported = 0;
    s->dry = false;
  }

  void Service() override {
    for (ZoeTrack* track : tracks_)
      ServiceTrack(*track);
  }

  void Pause(ZoeTrack& track) override {
    QueueTrack* s = State(track);
    if (s == nullptr || s->device == 0) return;
    // What the device took counts as played; what it still held is dropped with it.
    s->base += Consumed(*s);
    s->reported = s->lastReal = std::max(s->reported, s->base);
    SDL_CloseAudioDevice(s->device);
    s->device = 0;
    s->queued = 0;
    s->dry = false;
  }

  bool Resume(ZoeTrack& track) override {
    QueueTrack* s = State(track);
    if (s == nullptr) return false;
    return s->device != 0 || OpenDevice(track, *s);
  }

 private:
  static QueueTrack* State(ZoeTrack& track) {
    return static_cast<QueueTrack*>(track.outputState.get());
  }

  bool OpenDevice(ZoeTrack& track, QueueTrack& s) {
    s.device = OpenTrackDevice(track, 1024, nullptr, nullptr);
    if (s.device == 0) {
      context_.Debug(std::string("WaveOut open failed - error #: ") + SDL_GetError() + "\r\n");
      return false;
    }
    // The probe: four bytes of silence must leave the queue within a second.
    const uint8_t silence[4] = {track.Silence(), track.Silence(), track.Silence(), track.Silence()};
    SDL_QueueAudio(s.device, silence, 4);
    SDL_PauseAudioDevice(s.device, 0);
    const uint32_t start = SDL_GetTicks();
    while (SDL_GetQueuedAudioSize(s.device) > 0) {
      if (SDL_GetTicks() - start >= 1000) {
        context_.Debug("WaveOut open failed - error #: the device did not play\r\n");
        SDL_CloseAudioDevice(s.device);
        s.device = 0;
        return false;
      }
      SDL_Delay(2);
    }
    s.queued = 0;
    s.dry = false;
    context_.Debug("Using standard waveOut\r\n");
    return true;
  }

  // Bytes the device has taken from its queue.
  static uint64_t Consumed(const QueueTrack& s) {
    const uint64_t still = SDL_GetQueuedAudioSize(s.device);
    return s.queued - std::min(s.queued, still);
  }

  void ServiceTrack(ZoeTrack& track) {
    QueueTrack& s = *State(track);
    if (s.device == 0) return;
    const uint32_t frame = TrackFrameBytes(track);
    bool wrote = false;
    while (track.buffered >= frame) {
      uint32_t n = std::min(s.blockSize, track.buffered);
      n -= n % frame;
      n = ZoeTrackTake(track, s.block.data(), n);
      if (SDL_QueueAudio(s.device, s.block.data(), n) != 0) break;
      s.queued += n;
      wrote = true;
    }
    if (wrote) {
      s.dry = false;
    } else if (s.queued > 0 && !s.dry && SDL_GetQueuedAudioSize(s.device) == 0) {
      // The device took the last of its queue and nothing follows: it plays silence.
      s.dry = true;
      track.underrun = true;
    }
  }

  // The movie's last sound is still on its way to the speaker when the movie closes: let
  // the device play what it holds, but never longer than that sound lasts nor than a
  // second (a header may claim a rate of a few samples a second), and not at all when the
  // user ended the run.
  void Drain(ZoeTrack& track, QueueTrack& s) {
    if (skipDrain_) return;
    ServiceTrack(track);
    const uint64_t held =
        SDL_GetQueuedAudioSize(s.device) + uint64_t{1024} * TrackFrameBytes(track);
    const uint64_t limit = std::min(Duration(track, held), kDrainLimitMs);
    const uint32_t start = SDL_GetTicks();
    while (SDL_GetQueuedAudioSize(s.device) > 0 && SDL_GetTicks() - start < limit)
      SDL_Delay(5);
    // The device's own buffer, one period of its pulls.
    const uint32_t spent = SDL_GetTicks() - start;
    if (spent < limit)
      SDL_Delay(static_cast<uint32_t>(
          std::min<uint64_t>(Duration(track, 1024 * TrackFrameBytes(track)), limit - spent)));
  }

  static uint64_t Duration(const ZoeTrack& track, uint64_t bytes) {
    return bytes * 1000 / std::max<uint32_t>(track.bytesPerSecond, 1);
  }

  ZoeContext& context_;
  bool installed_ = false;
  std::vector<ZoeTrack*> tracks_;
};

}  // namespace

std::unique_ptr<SoundOutput> MakeQueueOutput(ZoeContext& context, int kind) {
  return std::make_unique<QueueOutput>(context, kind);
}

}  // namespace reel
