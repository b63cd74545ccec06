// The real host of the playback loop: the SDL window and displays, the chosen sound output,
// the system clock, message boxes (also written to stderr) and the program's own file.
#pragma once

#include <memory>

#include "player/app/player.h"
#include "player/output/player_window.h"

namespace reel {

class SdlHost : public PlayerHost {
 public:
  explicit SdlHost(const Options& options);
  ~SdlHost() override;

  ZoeContext& Context() override { return context_; }
  SoundOutput* Sound() override { return sound_.get(); }
  std::unique_ptr<Display> OpenDisplay(const DisplayRequest& request,
                                       const Options& options) override;
  std::string DisplayTrouble() override { return trouble_; }
  void Pump(KeyQueue& keys) override;
  void Note(const std::string& text) override;
  bool StopRequested() override;
  bool Focused(Display& display) override;
  void SetCaption(const std::string& caption) override;
  void Message(const std::string& caption, const std::string& text, bool error) override;
  void Summary(const std::string& caption, const std::string& text) override;
  std::unique_ptr<ZoeFile> OpenProgramFile() override;
  void Idle() override;
  void EndRun() override;

 private:
  ZoeContext context_;
  std::unique_ptr<SoundOutput> sound_;
  std::unique_ptr<PlayerWindow> window_;
  bool triedWindow_ = false;
  std::string trouble_;
  Display* display_ = nullptr;
};

// SIGTERM and SIGINT from here on only ask the run to stop (StopRequested), so that it ends
// with its outputs closed and its summary shown.
void CatchStopSignals();

// Opens a movie by name; a name that got ".Ztp" appended also finds ".ztp" and ".ZTP".
std::unique_ptr<ZoeFile> OpenMovieFile(const std::string& name);

// Text of a message box as written to a terminal: "\r\n" as "\n", the first space dropped.
std::string TerminalText(const std::string& text);

}  // namespace reel
