#include "player/app/player.h"

#include <algorithm>
#include <cstdlib>

#include "player/app/summary.h"

namespace reel {
namespace {

constexpr const char* kCaption = "ReelRunner";

class Run {
 public:
  Run(const CommandLine& c, PlayerHost& host)
      : o_(c.options), names_(c.names), host_(host), ctx_(host.Context()), sound_(host.Sound()) {}

  RunResult Go() {
    if (sound_) sound_->Enter();
    ctx_.fastReader = !o_.noMmx;
    const bool several = names_.size() > 1;
    int64_t count = o_.playCount;
    size_t next = 0;
    while (!quit_) {
      if (next == names_.size()) {
        if (!several || --count == 0) break;
        next = 0;
      }
      if (!PlayMovie(names_[next++], several)) break;
    }
    NoteDisplay();
    display_.reset();
    if (sound_) sound_->Leave();
    host_.EndRun();
    Finish();
    return result_;
  }

 private:
  bool Fail(const std::string& text) {
    host_.Message(kCaption, text, true);
    result_.exitCode = 1;
    return false;
  }

  // Returns false when the run ends.
  bool PlayMovie(const std::string& name, bool several) {
    ZoeSetReadSpeed(o_.readSpeed, ctx_);
    ZoeSetForcedRate(o_.forcedRate, ctx_);
    uint32_t flags = o_.openFlags | (o_.forceRate ? kZoeForceRate : 0);
    ZoeSource source;
    source.name = name;
    std::unique_ptr<ZoeFile> program;
    if (!name.empty() && name[0] == ':') {
      program = host_.OpenProgramFile();
      const int64_t offset = std::strtoll(name.c_str() + 1, nullptr, 10);
      if (!program || offset < 0 || !program->Seek(offset))
        return Fail("Error opening file: " + name + ".");
      source.file = program.get();
      flags |= kZoeFromHandle;
    }
    ZoeMovie* movie = ZoeOpen(source, flags, o_.extra, ctx_);
    if (movie == nullptr) return Fail("Error opening file: " + name + ".");
    result_.opened.push_back(name);
    wraps_ = o_.playCount;
    paused_ = false;
    const bool ok = SetUpDisplay(*movie);
    showFailed_ = false;
    if (ok) Frames(*movie, several);
    ZoeGetStats(movie, result_.stats);
    // The user ending the run wants it gone now, not after the last sound plays out.
    if ((quit_ || showFailed_) && sound_) sound_->SkipDrain();
    highestRate_ = movie->highestRate;
    highestRateFrame_ = movie->highestRateFrame;
    ZoeClose(movie);
    if (sound_) sound_->SkipDrain(false);
    if (showFailed_) return Fail("reelrun: cannot show the picture: " + display_->Failure());
    if (!ok) {
      const std::string trouble = host_.DisplayTrouble();
      return Fail(trouble.empty() ? "Error opening graphics buffer." : trouble);
    }
    if (endedEarly_) {
      // A movie whose data ran out is not played again: the rest of it cannot be read now
      // any more than it could a moment ago.
      result_.endedEarlyAt = endedEarly_;
      result_.exitCode = 1;
      host_.Note("reelrun: " + name + ": movie ends early at frame " + std::to_string(endedEarly_));
      return false;
    }
    return true;
  }

  bool SetUpDisplay(ZoeMovie& m) {
    DisplayRequest r;
    r.width = o_.soundOnly ? 160 : static_cast<int>(m.header.width);
    r.height = o_.soundOnly ? 1 : static_cast<int>(m.header.height);
    r.kind = o_.soundOnly ? kDib : DisplayKindForVideo(o_.videoType, o_.doubleBuffer);
    r.interlaced = o_.interlaced;
    r.smoothing = o_.smoothing;
    r.noAcceleration = o_.noAcceleration;
    r.stretchWidth = o_.stretchWidth;
    r.stretchHeight = o_.stretchHeight;
    r.resolution = o_.resolution;
    if (display_ && display_->FullScreen() && display_->Kind() == r.kind &&
        display_->Fits(r.width, r.height)) {
      if (!o_.noClear) display_->Fill(0);
    } else {
      NoteDisplay();
      display_.reset();
      display_ = host_.OpenDisplay(r, o_);
      if (!display_) return false;
    }
    if (!o_.soundOnly && !ZoeSetTarget(&m, display_->Surface())) return false;
    lineScale_ = m.target.lineStep == 2 * m.target.pitch ? 2 : 1;
    return true;
  }

  void Frames(ZoeMovie& m, bool several) {
    Display& d = *display_;
    endMovie_ = false;
    endedEarly_ = 0;
    bool finished = false;
    while (!finished && !endMovie_) {
      if (m.readError) {
        endedEarly_ = (m.frame >= m.header.frames ? 0 : m.frame) + 1;
        break;
      }
      const bool newPalette = m.paletteChanged && !o_.soundOnly;
      if (newPalette) {
        if (o_.remap == 1) {
          d.UseSystemPalette();
        } else {
          d.SetPalette(m.palette.data());
        }
        if (d.UsableColors() < 256 && o_.remap != 2) {
          const std::array<uint8_t, 256> map = RemapTable(m.palette.data(), d.LogicalPalette());
          ZoeRemapColors(&m, map.data());
        }
      }
      if (o_.differences && !o_.soundOnly) {
        d.Fill(0);
        d.Show({Rect{0, 0, d.Picture().Width(), d.Picture().Height()}});
      }
      ZoeDecodeFrame(&m);
      ShowFrame(m, d, newPalette);
      if (!d.Failure().empty()) {
        // Playing on would only show a black window.
        showFailed_ = true;
        break;
      }
      ++result_.framesShown;
      // After the first pass a ring frame (numbered past the last) stands in for frame 0.
      const bool ringFrame = m.frame >= m.header.frames;
      if (o_.frameCaption)
        host_.SetCaption("ReelRunner - Frame: " + std::to_string(ringFrame ? 1 : m.frame + 1));
      if (m.frame + 1 < m.header.frames || (ringFrame && !m.readError)) {
        ZoeAdvance(&m);
      } else if (!several && --wraps_ != 0) {
        ZoeAdvance(&m);
      } else {
        finished = true;
      }
      singleStep_ = false;
      Wait(m, d);
    }
  }

  void ShowFrame(ZoeMovie& m, Display& d, bool newPalette) {
    if (o_.soundOnly) {
      PictureBuffer& p = d.Picture();
      const uint64_t frames = std::max<uint32_t>(m.header.frames, 1);
      const int lit = static_cast<int>((uint64_t{m.frame} * 160 / frames + 1) % 256);
      for (int x = 0; x < p.Width(); ++x)
        p.Line(0)[x] = x < lit ? 9 : 0;
      d.Show({Rect{0, 0, p.Width(), 1}});
      return;
    }
    ZoeNoteBlitStart(&m);
    d.Show(ChangedRects(m.target, newPalette, d.Area(lineScale_)));
  }

  void Wait(ZoeMovie& m, Display& d) {
    for (;;) {
      host_.Pump(keys_);
      if (host_.StopRequested()) {
        endMovie_ = true;
        quit_ = true;
        stopped_ = true;
        result_.exitCode = 1;
        return;
      }
      while (!keys_.Empty())
        Key(m, keys_.Pop());
      if (endMovie_) return;
      const bool runs = o_.keepPlaying || host_.Focused(d);
      if (!runs && focusRun_) {
        ZoeSoundPause(&m, 0);
        focusRun_ = false;
      } else if (runs && !focusRun_) {
        // Coming back while the user holds the pause keeps the sound paused too.
        if (paused_ || ZoeSoundPause(&m, 1)) focusRun_ = true;
      }
      const bool wait = ZoeFrameDue(&m) != 0;
      if (!wait && focusRun_ && (!paused_ || singleStep_)) return;
      if (sound_) sound_->Leave();
      host_.Idle();
      if (sound_) sound_->Enter();
    }
  }

  void Key(ZoeMovie& m, int code) {
    switch (code) {
      case kKeyEnter:
        if (paused_) singleStep_ = true;
        break;
      case kKeyEsc:
      case kKeyClose:
        if (!(o_.disabled & 4)) {
          endMovie_ = true;
          quit_ = true;
        }
        break;
      case kKeySpace:
        if (!(o_.disabled & 1)) {
          if (!paused_) {
            ZoeSoundPause(&m, 0);
          } else if (focusRun_) {
            ZoeSoundPause(&m, 1);
          }
          paused_ = !paused_;
        }
        break;
      case kKeySkip:
        if (!(o_.disabled & 2)) endMovie_ = true;
        break;
      default:
        break;
    }
  }

  void Finish() {
    if (o_.summary) {
      if (result_.stats.framesPlayed == 0) return;
      SummaryInput in;
      in.stats = result_.stats;
      in.highestRate = highestRate_;
      in.highestRateFrame = highestRateFrame_;
      in.screenColors = screenColors_;
      in.blitter = blitter_;
      in.endedEarlyAt = result_.endedEarlyAt;
      result_.summary = SummaryText(in);
      result_.summaryShown = true;
      host_.Summary(SummaryCaption(), result_.summary);
    } else if (!o_.controller && !stopped_) {
      // (Stopped from outside, there is no one to click a box away.)
      host_.Message("ReelRunner - V3.2f", InformationText(), false);
    }
  }

  // The display's figures for the summary are read when it is released.
  void NoteDisplay() {
    if (!display_) return;
    screenColors_ = display_->ScreenColors();
    blitter_ = display_->Name();
  }

  const Options o_;
  const std::vector<std::string> names_;
  PlayerHost& host_;
  ZoeContext& ctx_;
  SoundOutput* sound_;
  std::unique_ptr<Display> display_;
  KeyQueue keys_;
  RunResult result_;
  int lineScale_ = 1;
  int64_t wraps_ = 0;
  uint32_t endedEarly_ = 0;
  bool showFailed_ = false;
  bool stopped_ = false;
  bool quit_ = false;
  bool endMovie_ = false;
  bool paused_ = false;
  bool singleStep_ = false;
  bool focusRun_ = true;
  uint64_t highestRate_ = 0;
  uint32_t highestRateFrame_ = 0;
  uint32_t screenColors_ = 0;
  std::string blitter_;
};

}  // namespace

RunResult RunPlayer(const CommandLine& commandLine, PlayerHost& host) {
  if (commandLine.usage) {
    host.Message(UsageCaption(), UsageText(), false);
    RunResult r;
    r.exitCode = 1;
    return r;
  }
  return Run(commandLine, host).Go();
}

}  // namespace reel
