// The output that always works: it opens no track, so the movie plays silently and keeps time
// by the frame clock.
#include "player/output/sound_output.h"

namespace reel {
namespace {

class NullSoundOutput : public SoundOutput {
 public:
  explicit NullSoundOutput(int kind) : SoundOutput(kind) {}
  bool Install() override { return true; }
  bool Open(ZoeTrack& t) override { return base_.Open(t); }
  void Close(ZoeTrack& t) override { base_.Close(t); }
  uint32_t Played(ZoeTrack& t) override { return base_.Played(t); }
  void Reset(ZoeTrack& t) override { base_.Reset(t); }
  void Service() override { base_.Service(); }
  void Pause(ZoeTrack& t) override { base_.Pause(t); }
  bool Resume(ZoeTrack& t) override { return base_.Resume(t); }

 private:
  ZoeSoundOutput& base_ = ZoeNullOutput();
};

}  // namespace

std::unique_ptr<SoundOutput> MakeNullOutput(ZoeContext&, int kind) {
  return std::make_unique<NullSoundOutput>(kind);
}

}  // namespace reel
