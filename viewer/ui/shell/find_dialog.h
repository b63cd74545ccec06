#pragma once
// "Find in Container...": a window beside the main one that looks for a text or a byte
// pattern in every entry of the open container and lists what it finds. The search runs on
// a thread of its own, over its own copy of the directory and its own handle on the file, so
// the window stays usable and nothing it holds is touched; hits and progress come back as
// queued calls. Picking a result shows its entry with the match selected.

#include <QDialog>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/file.h"
#include "common/result.h"
#include "viewer/core/edit/find.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTreeWidget;

namespace brindle {

class TForm1;

class FindDialog : public QDialog {
  Q_OBJECT
 public:
  explicit FindDialog(TForm1& window);
  ~FindDialog() override;

  // The Find button: a new search of the window's container with what the boxes hold.
  void Find();
  // Asks the search under way to stop; it ends before its next entry or hit, and its end
  // comes back as for any search. Cancel, closing this window and loading a container.
  void Stop();
  // Stops the search under way and waits until its thread has let go of the container: a
  // write is about to open it. The search's end comes back as for any stop.
  void StopAndWait();
  // True from Find until the search has ended and its thread is gone.
  bool Searching() const { return worker_.joinable(); }
  // Shows result row `row` in the main window, as picking the row does.
  void ShowResult(int row);

  // How the search opens the container: shared for reading, as the pages do.
  std::function<Result<std::unique_ptr<ByteFile>>(const std::string& path)> openFile;

 signals:
  // A search has ended (found everything, was stopped or failed) and its thread is joined.
  void searchEnded();

 protected:
  void hideEvent(QHideEvent* event) override;

 private:
  struct Outcome;
  class Worker;

  // What the thread sends back; calls from an earlier search (another run) are dropped.
  void TakeHits(std::uint64_t run, std::vector<FindHit> hits);
  void TakeProgress(std::uint64_t run, int percent);
  void TakeNote(std::uint64_t run, const std::string& note);
  void End(std::uint64_t run, const Outcome& outcome);
  void Join();
  void SetRunning(bool running);
  void SetStatus(const std::string& text);

  TForm1& window_;
  QLineEdit* text_;
  QCheckBox* hex_;
  QCheckBox* namesOnly_;
  QPushButton* find_;
  QPushButton* cancel_;
  QProgressBar* progress_;
  QLabel* status_;
  QTreeWidget* results_;

  std::thread worker_;
  std::atomic<bool> stop_{false};
  std::uint64_t run_ = 0;
  std::string searched_;            // the container the results come from
  std::vector<FindHit> hits_;       // one a result row
  std::vector<std::string> notes_;  // what the entries' decoding said
};

}  // namespace brindle
