// Dragging entries out of the list to a file manager, and dropping files in: on the list
// they replace the entries named like them or are added; anywhere else one container file
// is opened.
#include <QDragEnterEvent>
#include <QMimeData>
#include <QUrl>
#include <cstdlib>
#include <filesystem>

#include "common/file.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/edit/authoring.h"
#include "viewer/ui/shell/main_window.h"

namespace brindle {

namespace {

// The dropped things that are files, as paths; folders and remote places are left out.
std::vector<std::string> DroppedFiles(const QMimeData* mime) {
  std::vector<std::string> files;
  if (!mime->hasUrls()) return files;
  for (const QUrl& url : mime->urls()) {
    if (!url.isLocalFile()) continue;
    std::string path = url.toLocalFile().toStdString();
    std::error_code ec;
    if (std::filesystem::is_regular_file(path, ec)) files.push_back(std::move(path));
  }
  return files;
}

// The files' names, one an indented line.
std::string NameLines(const std::vector<std::string>& paths) {
  std::vector<std::string> names;
  for (const std::string& p : paths)
    names.push_back(BaseName(p));
  return IndentedList(names);
}

// True when path is a container this program opens (its directory reads).
bool IsContainerFile(const std::string& path) {
  TDataFile probe;
  SilentHost quiet;
  return static_cast<bool>(OpenContainer(probe, path, quiet));
}

}  // namespace

void TForm1::RemoveDragFolder() {
  if (dragFolder_.empty()) return;
  std::error_code ec;
  std::filesystem::remove_all(dragFolder_, ec);
  dragFolder_.clear();
}

QMimeData* TForm1::DragEntries(const std::vector<int>& entries) {
  if (dataFile_.FileName.empty() || inputBlocked_) return nullptr;
  // The files of the drag before are the file manager's by now (it copies on the drop).
  RemoveDragFolder();
  std::error_code ec;
  std::filesystem::create_directories(paths_.tempDir, ec);
  std::string pattern = paths_.tempDir + "/drag-XXXXXX";
  if (!::mkdtemp(pattern.data())) {
    SetPointerText("No folder for the dragged entries in " + paths_.tempDir);
    return nullptr;
  }
  dragFolder_ = pattern;
  std::vector<std::string> written;
  const Result<ExportAllSummary> run = RunExport(entries, dragFolder_, &written);
  if (!run) {
    prompts_.Message(run.message());
    return nullptr;
  }
  if (run->cancelled || written.empty()) {
    if (!run->cancelled) prompts_.Message(ExportSummaryText(*run, dataFile_, dragFolder_));
    RemoveDragFolder();
    return nullptr;
  }
  // Entries that could not be saved stay behind; the note says how many.
  if (run->failed + run->skipped > 0) {
    SetPointerText(std::to_string(written.size()) + " of " + std::to_string(entries.size()) +
                   " entries dragged; the others could not be saved");
  }
  auto* mime = new QMimeData;
  QList<QUrl> urls;
  for (const std::string& path : written)
    urls.push_back(QUrl::fromLocalFile(QString::fromStdString(path)));
  mime->setUrls(urls);
  return mime;
}

void TForm1::DropFilesOnList(const std::vector<std::string>& files) {
  if (files.empty() || !MayTurnAway()) return;
  Result<ImportMatches> matches = MatchImportFiles(dataFile_, files);
  if (!matches) {
    prompts_.Message(matches.message());
    return;
  }
  // One container file that names no entry is opened, as a drop anywhere else would.
  if (files.size() == 1 && matches->matches.empty() && IsContainerFile(files[0])) {
    LoadDataFile(files[0]);
    return;
  }
  std::vector<std::string> replacing;
  for (const ImportMatch& m : matches->matches)
    replacing.push_back(m.file);
  std::string question = "Drop " + std::to_string(files.size()) +
                         (files.size() == 1 ? " file on " : " files on ") +
                         BaseName(dataFile_.FileName) + "?";
  if (!replacing.empty()) {
    question += "\n\nReplacing the entries named like them (" + std::to_string(replacing.size()) +
                "):" + NameLines(replacing);
  }
  if (!matches->unmatched.empty()) {
    question += "\n\nAdded as new entries (" + std::to_string(matches->unmatched.size()) +
                "):" + NameLines(matches->unmatched);
  }
  if (!prompts_.AskYesNo(question)) return;

  std::string note;
  if (!replacing.empty()) {
    Result<BatchSummary> imported = BatchImport(dataFile_, replacing, converters_, host());
    if (!imported) {
      prompts_.Message(imported.message());
      return;
    }
    note = BatchSummaryText(*imported);
  }
  if (!matches->unmatched.empty()) {
    const int first = static_cast<int>(dataFile_.Entries.size());
    const Status added = AddFiles(dataFile_, matches->unmatched, host());
    ShowRewritten(added, added ? first : SelectedIndex());
    if (added) {
      note += (note.empty() ? "" : "; ") + std::to_string(matches->unmatched.size()) +
              (matches->unmatched.size() == 1 ? " file added" : " files added");
    }
  }
  SetPointerText(note);
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
  // Entries dragged from the list itself are not dropped back on it.
  if (event->source() == reslistbox_ || event->source() == reslistbox_->viewport()) return;
  if (!DroppedFiles(event->mimeData()).empty()) event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event) {
  const std::vector<std::string> files = DroppedFiles(event->mimeData());
  if (files.empty()) return;
  event->acceptProposedAction();
  const QPoint at = reslistbox_->viewport()->mapFrom(this, event->position().toPoint());
  if (!dataFile_.FileName.empty() && reslistbox_->viewport()->rect().contains(at)) {
    DropFilesOnList(files);
  } else {
    LoadDataFile(files.front());
  }
}

}  // namespace brindle
