// The default sound output: one queued audio device per track, fed in quarter-second blocks
// with at most two blocks in flight (like a pair of wave buffers). Opening probes the device
// with four bytes of silence that must play within a second; a device that does not answer
// is closed and the track stays silent.
//
// The played position is estimated from the clock: what earlier writes played in full, plus
// the share of the latest write (or run of writes that followed each other before the first
// had played) that its duration says has played by now. The device pulls sound in periods of
// its own, so what is left in the queue moves in steps too coarse to pace frames by.
#include <SDL2/SDL.h>

#include <algorithm>
#include <deque>
#include <vector>

#include "player/output/sound_output.h"

namespace reel {
namespace {

struct QueueTrack {
  SDL_AudioDeviceID device = 0;
  uint32_t blockSize = 0;
  std::deque<uint32_t> inFlight;  // sizes of the blocks still queued, oldest first
  bool wrote = false;
  // The timing of the writes.
  uint64_t playedTotal = 0;  // bytes of writes whose duration has passed
  uint32_t writeTime = 0;    // when the latest run of writes began, ms
  uint64_t writeSize = 0;    // its bytes
  uint64_t lastPlayed = 0;
  std::vector<uint8_t> block;
};

class QueueOutput : public SoundOutput {
 public:
  explicit QueueOutput(ZoeContext& context) : context_(context) {}
  ~QueueOutput() override {
    if (installed_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }
  bool Install() override { return installed_ = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0; }
  const char* Name() const override { return "queue"; }

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
    if (s == nullptr || s->writeSize == 0) return static_cast<uint32_t>(s ? s->playedTotal : 0);
    const uint64_t duration = std::max<uint64_t>(Duration(track, s->writeSize), 1);
    const uint64_t elapsed = std::min<uint64_t>(SDL_GetTicks() - s->writeTime, duration);
    const uint64_t played = s->playedTotal + s->writeSize * elapsed / duration;
    s->lastPlayed = std::max(s->lastPlayed, played);
    return static_cast<uint32_t>(s->lastPlayed);
  }

  void Reset(ZoeTrack& track) override {
    QueueTrack* s = State(track);
    if (s == nullptr) return;
    if (s->device != 0) SDL_ClearQueuedAudio(s->device);
    s->inFlight.clear();
    s->playedTotal = s->writeSize = s->lastPlayed = 0;
    s->wrote = false;
  }

  void Service() override {
    for (ZoeTrack* track : tracks_)
      ServiceTrack(*track);
  }

  void Pause(ZoeTrack& track) override {
    QueueTrack* s = State(track);
    if (s == nullptr || s->device == 0) return;
    SDL_CloseAudioDevice(s->device);
    s->device = 0;
    s->inFlight.clear();
    s->wrote = false;
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
    context_.Debug("Using standard waveOut\r\n");
    return true;
  }

  void ServiceTrack(ZoeTrack& track) {
    QueueTrack& s = *State(track);
    if (s.device == 0) return;
    // Blocks leave the queue oldest first.
    uint64_t still = SDL_GetQueuedAudioSize(s.device);
    uint64_t later = 0;
    for (uint32_t n : s.inFlight)
      later += n;
    while (!s.inFlight.empty() && still <= later - s.inFlight.front()) {
      later -= s.inFlight.front();
      s.inFlight.pop_front();
    }
    if (s.inFlight.empty() && s.wrote) track.underrun = true;
    const uint32_t frame = TrackFrameBytes(track);
    while (s.inFlight.size() < 2 && track.buffered >= 4) {
      uint32_t n = std::min(s.blockSize, track.buffered);
      n -= n % frame;
      if (n == 0) break;
      n = ZoeTrackTake(track, s.block.data(), n);
      if (SDL_QueueAudio(s.device, s.block.data(), n) != 0) break;
      s.inFlight.push_back(n);
      s.wrote = true;
      NoteWrite(track, s, n);
    }
  }

  // The movie's last sound is still on its way to the speaker when the movie closes: let
  // the device play what it holds (bounded by how long that lasts) instead of cutting it off.
  void Drain(ZoeTrack& track, QueueTrack& s) {
    const uint32_t start = SDL_GetTicks();
    const uint64_t limit = Duration(track, uint64_t{track.buffered} + 2 * s.blockSize) + 200;
    for (;;) {
      ServiceTrack(track);
      if ((track.buffered < 4 && SDL_GetQueuedAudioSize(s.device) == 0) ||
          SDL_GetTicks() - start > limit) {
        break;
      }
      SDL_Delay(5);
    }
    // The device's own buffer, one period of its pulls.
    SDL_Delay(static_cast<uint32_t>(Duration(track, 1024 * TrackFrameBytes(track))));
  }

  static uint64_t Duration(const ZoeTrack& track, uint64_t bytes) {
    return bytes * 1000 / std::max<uint32_t>(track.bytesPerSecond, 1);
  }

  static void NoteWrite(const ZoeTrack& track, QueueTrack& s, uint32_t n) {
    const uint32_t now = SDL_GetTicks();
    if (s.writeSize == 0 || now - s.writeTime >= Duration(track, s.writeSize)) {
      s.playedTotal += s.writeSize;
      s.writeTime = now;
      s.writeSize = n;
    } else {
      s.writeSize += n;
    }
  }

  ZoeContext& context_;
  bool installed_ = false;
  std::vector<ZoeTrack*> tracks_;
};

}  // namespace

std::unique_ptr<SoundOutput> MakeQueueOutput(ZoeContext& context) {
  return std::make_unique<QueueOutput>(context);
}

}  // namespace reel
