#pragma once
// The one way the core talks back to whoever drives it: the window shows message boxes
// and a progress panel, brindle-cli prints to stderr, tests record.

#include <algorithm>
#include <cstdint>
#include <string>

namespace brindle {

class CoreHost {
 public:
  virtual ~CoreHost() = default;
  // One modal message (UTF-8). The core goes on after it returns.
  virtual void Message(const std::string& text) = 0;
  // The loading panel with a caption, or hiding it again.
  virtual void ShowProgress(bool /*on*/, const std::string& /*caption*/) {}
  // The progress bar, 0 to 100. Called only when the value changes.
  virtual void SetProgress(int /*percent*/) {}
  // Whether the user asked to stop the work the progress is shown for (the window's Cancel).
  // Long writes ask between pieces and leave everything as it was.
  virtual bool CancelRequested() { return false; }
  // The watch for outside changes is held while an import rewrites the container.
  virtual void SuspendWatch(bool /*suspended*/) {}
  // After a write-back: the container's new size (status bar) and the entry that changed
  // (the window shows its selected row again).
  virtual void FileSizeChanged(std::int64_t /*size*/) {}
  virtual void EntryRewritten(int /*index*/) {}
};

// Holds the host's watch for outside changes while it lives: our own writes must not read
// as another program's.
class WatchHold {
 public:
  explicit WatchHold(CoreHost& host) : host_(host) { host_.SuspendWatch(true); }
  ~WatchHold() { host_.SuspendWatch(false); }
  WatchHold(const WatchHold&) = delete;
  WatchHold& operator=(const WatchHold&) = delete;

 private:
  CoreHost& host_;
};

// A host that shows nothing.
class SilentHost : public CoreHost {
 public:
  void Message(const std::string&) override {}
};

// Turns (i, n) steps into whole percentages (halves to even, as the bar rounds) and passes
// on only changes, so long loops cost one call per percent rather than one per step.
class ProgressReporter {
 public:
  explicit ProgressReporter(CoreHost& host) : host_(host) {}
  void Step(std::int64_t i, std::int64_t n) {
    // Between changes only a comparison: the step where the rounded value can next change
    // is worked out once per percent.
    if (i < next_ && n == n_) return;
    n_ = n;
    int p = Percent(i, n);
    if (p != last_) {
      last_ = p;
      host_.SetProgress(p);
    }
    next_ = n > 0 ? std::max(i + 1, ((2 * static_cast<std::int64_t>(p) + 1) * n) / 200) : i + 1;
  }
  static int Percent(std::int64_t i, std::int64_t n);

 private:
  CoreHost& host_;
  int last_ = -1;
  std::int64_t next_ = 0;
  std::int64_t n_ = -1;
};

}  // namespace brindle
