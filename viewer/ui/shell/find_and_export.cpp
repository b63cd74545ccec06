// The parts of the main window that find entries and save many at once: the filter box
// over the entry list, the rows' tooltips, "Export All...", "Export Selected..." and
// "Open Containing Folder".
#include <QDesktopServices>
#include <QMenu>
#include <QShortcut>
#include <QUrl>
#include <algorithm>
#include <filesystem>

#include "common/codepage.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/edit/entry_filter.h"
#include "viewer/core/edit/export_all.h"
#include "viewer/core/entries/identify.h"
#include "viewer/core/formats/entry_types.h"
#include "viewer/ui/shell/main_window.h"

namespace brindle {

void TForm1::BuildFilterBox() {
  resfilter_ = new QLineEdit(client_);
  resfilter_->setObjectName("resfilter");
  resfilter_->setPlaceholderText("Filter (name, type:bitmap)");
  resfilter_->setClearButtonEnabled(true);
  connect(resfilter_, &QLineEdit::textChanged, this, [this] { ApplyFilter(); });
  // Esc in the box empties it, and the whole list is back.
  auto* clear = new QShortcut(QKeySequence(Qt::Key_Escape), resfilter_);
  clear->setObjectName("resfilterclear");
  clear->setContext(Qt::WidgetShortcut);
  connect(clear, &QShortcut::activated, resfilter_, &QLineEdit::clear);
  auto* focus = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_L), this);
  focus->setObjectName("resfiltershortcut");
  connect(focus, &QShortcut::activated, this, [this] {
    resfilter_->setFocus(Qt::ShortcutFocusReason);
    resfilter_->selectAll();
  });
}

// The rows the filter keeps; the remembered entry's row is selected again when it is among
// them. Callers hold the selection's signals: the entry on show does not change.
void TForm1::RefillList() {
  model_->Refill(KeptEntries(dataFile_, ParseEntryFilter(resfilter_->text().toStdString())));
  const int row = model_->RowOf(keptEntry_);
  // No row is current otherwise, and none becomes current when the list takes the focus:
  // an entry (a sound, say) is shown only once the user picks it.
  reslistbox_->setCurrentIndex(row >= 0 ? model_->index(row, 0) : QModelIndex());
}

void TForm1::ApplyFilter() {
  {
    const QSignalBlocker block(reslistbox_->selectionModel());
    RefillList();
  }
  reslistbox_->viewport()->update();
  ShowCount();
}

void TForm1::ShowCount() {
  const QString all = QString::number(dataFile_.Entries.size());
  if (dataFile_.FileName.empty()) return;
  SetStatus(kPanelCount, resfilter_->text().isEmpty()
                             ? all + " resources"
                             : QString::number(model_->rowCount()) + " of " + all + " resources");
}

std::vector<int> TForm1::SelectedEntries() const {
  std::vector<int> entries;
  // A row counts when any of its cells is selected (a click selects them all).
  for (const QModelIndex& i : reslistbox_->selectionModel()->selectedIndexes())
    entries.push_back(model_->EntryOf(i.row()));
  std::erase(entries, -1);
  std::sort(entries.begin(), entries.end());
  entries.erase(std::unique(entries.begin(), entries.end()), entries.end());
  return entries;
}

void TForm1::BuildExportMenu() {
  QAction* all = fileMenu_->addAction("Export &All...");
  all->setObjectName("exportall");
  connect(all, &QAction::triggered, this, &TForm1::ExportAllClick);
  QAction* selected = fileMenu_->addAction("Export &Selected...");
  selected->setObjectName("exportselected");
  connect(selected, &QAction::triggered, this, &TForm1::ExportSelectedClick);
  QAction* folder = fileMenu_->addAction("Open Containing &Folder");
  folder->setObjectName("opencontainingfolder");
  connect(folder, &QAction::triggered, this, &TForm1::OpenContainingFolderClick);
  openFolder = [](const std::string& dir) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(dir)));
  };

  // The cancel button sits under the bar and shows only while entries are exported.
  loadingcancel_ = new QPushButton("Cancel", loadingpanel_);
  loadingcancel_->setObjectName("loadingcancel");
  loadingcancel_->setGeometry(60, 82, 80, 24);
  loadingcancel_->hide();
  connect(loadingcancel_, &QPushButton::clicked, this, [this] { cancelRequested_ = true; });
}

void TForm1::ExportAllClick() {
  std::vector<int> all(dataFile_.Entries.size());
  for (std::size_t i = 0; i < all.size(); ++i)
    all[i] = static_cast<int>(i);
  ExportEntriesClick(all);
}

void TForm1::ExportSelectedClick() {
  if (!dataFile_.FileName.empty() && SelectedEntries().empty()) {
    prompts_.Message("No entries are selected.");
    return;
  }
  ExportEntriesClick(SelectedEntries());
}

void TForm1::ExportEntriesClick(const std::vector<int>& indices) {
  if (dataFile_.FileName.empty()) {
    prompts_.Message("Data file must be loaded first!");
    return;
  }
  FileDialogSpec setup;
  setup.title = "Export to Folder...";
  setup.initialDir = WorkingFolder();
  const std::optional<std::string> dir = prompts_.AskFolder(setup);
  if (!dir) return;
  const Result<ExportAllSummary> run = RunExport(indices, *dir, nullptr);
  prompts_.Message(run ? ExportSummaryText(*run, dataFile_, *dir) : run.message());
}

Result<ExportAllSummary> TForm1::RunExport(const std::vector<int>& indices, const std::string& dir,
                                           std::vector<std::string>* written) {
  auto file = OpenContainerFile(dataFile_.FileName, FileMode::kReadShared);
  if (!file) return file.error();
  if (Status read = IdentifyAll(dataFile_, **file); !read) return read.error();

  ShowProgress(true, "Exporting...");
  OfferCancel(true);
  ExportAllOptions options;
  options.containerPath = dataFile_.FileName;
  options.dir = dir;
  // Between entries the window handles what is waiting, so the bar is drawn and the
  // cancel button can be pressed; everything else is held by the loading panel.
  Result<ExportAllSummary> run = ExportEntries(
      **file, dataFile_, indices, options, host(), [this, written](const EntryExport& done) {
        if (written && !done.target.empty() &&
            (done.outcome == ExportOutcome::kWritten || done.outcome == ExportOutcome::kWithNotes))
          written->push_back(done.target);
        return !host().CancelRequested();
      });
  OfferCancel(false);
  ShowProgress(false, {});
  return run;
}

void TForm1::OpenContainingFolderClick() {
  if (dataFile_.FileName.empty()) {
    prompts_.Message("Data file must be loaded first!");
    return;
  }
  const std::filesystem::path folder = std::filesystem::path(dataFile_.FileName).parent_path();
  const std::string shown = folder.empty() ? std::string(".") : folder.string();
  // A desktop without a file manager takes nothing: say so rather than do nothing.
  if (openFolder && !openFolder(shown))
    SetStatus(kPanelNote, QString::fromStdString("No file manager could open " + shown));
}

}  // namespace brindle
