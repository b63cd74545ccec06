// The playback loop: for each movie name open the movie, set up the display, then per frame
// set the palette, decode, show the changed area, advance and wait (by the sound clock or the
// frame clock) while handling the queued keys and the window's focus.
//
// Everything outside the movie layer reaches the loop through PlayerHost, so tests drive it
// with a fake clock, fake displays and scripted keys.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "player/app/options.h"
#include "player/movie/zoe.h"
#include "player/output/display.h"
#include "player/output/player_window.h"
#include "player/output/sound_output.h"

namespace reel {

// Up to 64 key codes; a code that arrives when 64 are waiting is dropped.
class KeyQueue {
 public:
  void Push(int code) {
    if (codes_.size() < 64) codes_.push_back(code);
  }
  bool Empty() const { return codes_.empty(); }
  int Pop() {
    const int c = codes_.front();
    codes_.pop_front();
    return c;
  }

 private:
  std::deque<int> codes_;
};

class PlayerHost {
 public:
  virtual ~PlayerHost() = default;
  // The movie layer's context: clock, files and sound output.
  virtual ZoeContext& Context() = 0;
  // The sound output installed in the context (null for none), for the guard.
  virtual SoundOutput* Sound() { return nullptr; }
  // Sets up a display (and the window around it) for a movie.
  virtual std::unique_ptr<Display> OpenDisplay(const DisplayRequest& request,
                                               const Options& options) = 0;
  // Why the last OpenDisplay gave nothing, when it was not the display kind's fault (no
  // screen at all); empty otherwise.
  virtual std::string DisplayTrouble() { return {}; }
  // Handles window messages; key codes go to the queue.
  virtual void Pump(KeyQueue& keys) = 0;
  // The window (or the full-screen display) has the focus.
  virtual bool Focused(Display& display) = 0;
  virtual void SetCaption(const std::string& caption) = 0;
  // Message boxes: also written to stderr by the real host.
  virtual void Message(const std::string& caption, const std::string& text, bool error) = 0;
  // The summary's box; the real host leaves stderr alone, as the summary goes to stdout.
  virtual void Summary(const std::string& caption, const std::string& text) {
    Message(caption, text, false);
  }
  // A line for the terminal only (no box): the real host writes it to stderr.
  virtual void Note(const std::string& text) { (void)text; }
  // The run was asked to stop from outside (a signal): it ends as if the user closed it.
  virtual bool StopRequested() { return false; }
  // The running program's own file, for ":offset" names.
  virtual std::unique_ptr<ZoeFile> OpenProgramFile() = 0;
  // Called on each pass of the waiting loop; lets time pass.
  virtual void Idle() = 0;
  // The window goes away at the end of the run (before the summary).
  virtual void EndRun() {}
};

struct RunResult {
  int exitCode = 0;
  bool summaryShown = false;
  std::string summary;
  ZoeStats stats;                   // of the last movie
  std::vector<std::string> opened;  // movie names in the order they were opened
  uint64_t framesShown = 0;         // over the whole run
  uint32_t endedEarlyAt = 0;        // frame (from 1) where a movie's data ran out, or 0
};

RunResult RunPlayer(const CommandLine& commandLine, PlayerHost& host);

}  // namespace reel
