#include "viewer/ui/shell/find_dialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <chrono>
#include <set>

#include "common/codepage.h"
#include "viewer/core/containers/directory.h"
#include "viewer/ui/pages/raw_pages.h"
#include "viewer/ui/pages/text_page.h"
#include "viewer/ui/shell/main_window.h"

namespace brindle {

namespace {

// A pattern as short as one byte matches nearly everywhere: past this many hits the list
// says so rather than grow without end.
constexpr std::size_t kMostResults = 10000;
// Hits go to the list in batches, so that a flood of them does not flood the window.
constexpr std::size_t kBatch = 256;
constexpr auto kBatchTime = std::chrono::milliseconds(100);

std::string Count(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

struct FindDialog::Outcome {
  bool failed = false;
  std::string error;     // why the search ended early: a read that failed, a damaged entry
  bool stopped = false;  // Cancel, closing, loading a container
  bool capped = false;   // the list is full
};

// The search's side. It runs on its own thread, reads only its own copies and the stop flag,
// and speaks to the dialog through queued calls only; the dialog joins the thread before it
// goes, so no call outlives it.
class FindDialog::Worker : public CoreHost {
 public:
  Worker(FindDialog& dialog, std::uint64_t run) : dialog_(&dialog), run_(run) {}

  void Message(const std::string& text) override {
    Post([d = dialog_, run = run_, text] { d->TakeNote(run, text); });
  }
  void SetProgress(int percent) override {
    Post([d = dialog_, run = run_, percent] { d->TakeProgress(run, percent); });
  }

  void Search(TDataFile& dataFile, ByteFile& file, const FindPattern& pattern,
              FindOptions options) {
    const std::atomic<bool>& stop = dialog_->stop_;
    options.keepGoing = [&stop] { return !stop.load(); };
    Outcome outcome;
    const Result<FindSummary> found =
        FindInContainer(dataFile, file, pattern, options, *this, [&](const FindHit& hit) {
          if (stop.load()) return false;
          if (taken_ == kMostResults) {
            outcome.capped = true;
            return false;
          }
          ++taken_;
          batch_.push_back(hit);
          if (batch_.size() >= kBatch || Clock::now() - lastPost_ >= kBatchTime) Flush();
          return true;
        });
    Flush();
    if (!found) {
      outcome.failed = true;
      outcome.error = found.message();
    } else {
      outcome.stopped = found->stopped && !outcome.capped;
    }
    Post([d = dialog_, run = run_, outcome] { d->End(run, outcome); });
  }

 private:
  using Clock = std::chrono::steady_clock;

  template <class Call>
  void Post(Call call) {
    QMetaObject::invokeMethod(dialog_, std::move(call), Qt::QueuedConnection);
  }

  void Flush() {
    lastPost_ = Clock::now();
    if (batch_.empty()) return;
    Post([d = dialog_, run = run_, hits = std::move(batch_)]() mutable {
      d->TakeHits(run, std::move(hits));
    });
    batch_ = {};
  }

  FindDialog* dialog_;
  std::uint64_t run_;
  std::vector<FindHit> batch_;
  std::size_t taken_ = 0;
  Clock::time_point lastPost_ = Clock::now();
};

FindDialog::FindDialog(TForm1& window) : QDialog(&window), window_(window) {
  setObjectName("finddialog");
  setWindowTitle("Find in Container");
  setModal(false);
  openFile = [](const std::string& path) -> Result<std::unique_ptr<ByteFile>> {
    auto file = OpenContainerFile(path, FileMode::kReadShared);
    if (!file) return file.error();
    return std::unique_ptr<ByteFile>(std::move(*file));
  };

  text_ = new QLineEdit(this);
  text_->setObjectName("findtext");
  text_->setPlaceholderText("Text, or hex bytes such as 78 9c ?? 01");
  hex_ = new QCheckBox("&Hex bytes", this);
  hex_->setObjectName("findhex");
  namesOnly_ = new QCheckBox("&Names only", this);
  namesOnly_->setObjectName("findnamesonly");
  find_ = new QPushButton("&Find", this);
  find_->setObjectName("findbutton");
  find_->setDefault(true);
  cancel_ = new QPushButton("Cancel", this);
  cancel_->setObjectName("findcancel");
  progress_ = new QProgressBar(this);
  progress_->setObjectName("findprogress");
  progress_->setRange(0, 100);
  status_ = new QLabel(this);
  status_->setObjectName("findstatus");
  status_->setWordWrap(true);
  status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  results_ = new QTreeWidget(this);
  results_->setObjectName("findresults");
  results_->setHeaderLabels({"Entry", "Where", "Snippet"});
  results_->setRootIsDecorated(false);
  results_->setUniformRowHeights(true);
  results_->header()->resizeSection(0, 140);
  results_->header()->resizeSection(1, 110);

  auto* pattern = new QHBoxLayout;
  pattern->addWidget(text_, 1);
  pattern->addWidget(find_);
  auto* options = new QHBoxLayout;
  options->addWidget(hex_);
  options->addWidget(namesOnly_);
  options->addStretch(1);
  auto* running = new QHBoxLayout;
  running->addWidget(progress_, 1);
  running->addWidget(cancel_);
  auto* all = new QVBoxLayout(this);
  all->addLayout(pattern);
  all->addLayout(options);
  all->addLayout(running);
  all->addWidget(status_);
  all->addWidget(results_, 1);
  resize(560, 380);
  SetRunning(false);

  connect(find_, &QPushButton::clicked, this, &FindDialog::Find);
  connect(cancel_, &QPushButton::clicked, this, &FindDialog::Stop);
  // Moving through the results shows each one; Enter or a double click shows it again after
  // the user has looked elsewhere in the window.
  connect(results_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    if (item) ShowResult(results_->indexOfTopLevelItem(item));
  });
  connect(results_, &QTreeWidget::itemActivated, this,
          [this](QTreeWidgetItem* item) { ShowResult(results_->indexOfTopLevelItem(item)); });
}

FindDialog::~FindDialog() {
  stop_ = true;
  Join();
}

void FindDialog::hideEvent(QHideEvent* event) {
  // Closed by the user; a window manager hiding it with the main window is no reason.
  if (!event->spontaneous()) Stop();
  QDialog::hideEvent(event);
}

void FindDialog::Find() {
  // One search at a time: an earlier one (already told to stop) ends first.
  stop_ = true;
  Join();
  ++run_;
  hits_.clear();
  notes_.clear();
  results_->clear();
  progress_->setValue(0);
  status_->setToolTip({});
  const TDataFile& dataFile = window_.DataFile();
  if (dataFile.FileName.empty()) {
    SetStatus("Data file must be loaded first!");
    return;
  }
  const std::string typed = text_->text().toStdString();
  Result<FindPattern> pattern =
      hex_->isChecked() ? FindPattern::Hex(typed) : FindPattern::Text(typed);
  if (!pattern) {
    SetStatus(pattern.message());
    return;
  }
  Result<std::unique_ptr<ByteFile>> file = openFile(dataFile.FileName);
  if (!file) {
    SetStatus(file.message());
    return;
  }
  FindOptions options;
  options.namesOnly = namesOnly_->isChecked();
  searched_ = dataFile.FileName;
  stop_ = false;
  SetRunning(true);
  SetStatus("Searching...");
  // The thread gets its own directory: the search identifies entries as it goes, and the
  // window's directory is the window's alone.
  worker_ = std::thread(
      [this, run = run_, copy = dataFile, held = std::move(*file), found = std::move(*pattern),
       options]() mutable { Worker(*this, run).Search(copy, *held, found, options); });
}

void FindDialog::Stop() {
  if (!Searching() || stop_) return;
  stop_ = true;
  cancel_->setEnabled(false);
  SetStatus("Stopping...");
}

void FindDialog::StopAndWait() {
  Stop();
  Join();
}

void FindDialog::Join() {
  if (worker_.joinable()) worker_.join();
}

void FindDialog::SetRunning(bool running) {
  find_->setEnabled(!running);
  cancel_->setEnabled(running);
}

void FindDialog::SetStatus(const std::string& text) {
  status_->setText(QString::fromStdString(text));
}

void FindDialog::TakeHits(std::uint64_t run, std::vector<FindHit> hits) {
  if (run != run_) return;
  QList<QTreeWidgetItem*> rows;
  rows.reserve(static_cast<qsizetype>(hits.size()));
  for (const FindHit& hit : hits) {
    rows << new QTreeWidgetItem(QStringList{QString::fromStdString(Cp1252ToUtf8(hit.name)),
                                            QString::fromStdString(FindHitWhere(hit)),
                                            QString::fromStdString(hit.snippet)});
  }
  results_->addTopLevelItems(rows);
  hits_.insert(hits_.end(), std::make_move_iterator(hits.begin()),
               std::make_move_iterator(hits.end()));
}

void FindDialog::TakeProgress(std::uint64_t run, int percent) {
  if (run == run_) progress_->setValue(percent);
}

// What decoding an entry said goes to the status line, not into a box per entry.
void FindDialog::TakeNote(std::uint64_t run, const std::string& note) {
  if (run != run_) return;
  notes_.push_back(note);
  if (!stop_) SetStatus("Searching... " + note);
}

void FindDialog::End(std::uint64_t run, const Outcome& outcome) {
  if (run != run_) return;
  Join();  // its last word was this call: the thread is ending
  SetRunning(false);
  std::set<int> entries;
  for (const FindHit& hit : hits_)
    entries.insert(hit.index);
  std::string said;
  if (outcome.failed) {
    said = outcome.error;
  } else if (outcome.capped) {
    said = "Stopped at the first " + Count(hits_.size(), "match", "matches") +
           ": a longer pattern finds fewer.";
  } else if (outcome.stopped) {
    said = "Stopped: " + Count(hits_.size(), "match", "matches") + " so far.";
  } else if (hits_.empty()) {
    progress_->setValue(100);
    said = "No matches.";
  } else {
    progress_->setValue(100);
    said = Count(hits_.size(), "match", "matches") + " in " +
           Count(entries.size(), "entry", "entries") + ".";
  }
  if (!notes_.empty()) {
    said += '\n';
    if (notes_.size() > 1)
      said += Count(notes_.size(), "message", "messages").append(", the last: ");
    said += notes_.back();
    QStringList all;
    for (const std::string& note : notes_)
      all << QString::fromStdString(note);
    status_->setToolTip(all.join('\n'));
  }
  SetStatus(said);
  emit searchEnded();
}

void FindDialog::ShowResult(int row) {
  if (row < 0 || static_cast<std::size_t>(row) >= hits_.size()) return;
  const FindHit& hit = hits_[static_cast<std::size_t>(row)];
  const TDataFile& dataFile = window_.DataFile();
  const auto index = static_cast<std::size_t>(hit.index);
  if (dataFile.FileName != searched_ || index >= dataFile.Entries.size() ||
      dataFile.Entries[index].Name != hit.name) {
    SetStatus("The container has changed since this search: press Find again.");
    return;
  }
  window_.SelectEntry(hit.index);
  // The page in front may have kept the window (unsaved work the user stays with).
  if (window_.SelectedIndex() != hit.index) return;
  QWidget* page = window_.CurrentPage();
  if (auto* text = qobject_cast<TextPage*>(page); text && hit.place == FindPlace::kCell) {
    text->SelectCell(hit.row, hit.column);
  } else if (auto* raw = qobject_cast<RawPage*>(page)) {
    if (hit.place == FindPlace::kLine) raw->SelectLine(hit.line);
    if (hit.place == FindPlace::kOffset) raw->SelectOffset(hit.offset);
  }
}

void TForm1::FindInContainerClick() {
  if (dataFile_.FileName.empty()) {
    prompts_.Message("Data file must be loaded first!");
    return;
  }
  if (!findDialog_) findDialog_ = new FindDialog(*this);
  findDialog_->show();
  findDialog_->raise();
  findDialog_->activateWindow();
  findDialog_->findChild<QLineEdit*>("findtext")->setFocus();
}

}  // namespace brindle
