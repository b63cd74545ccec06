// The window's commands that change which entries the open container holds. Each rewrites
// the container whole behind the loading panel, then shows the new list with the row the
// user will look for next selected.

#include <QAction>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDir>
#include <QMenu>
#include <QShortcut>
#include <QSignalBlocker>
#include <filesystem>

#include "common/codepage.h"
#include "viewer/core/edit/authoring.h"
#include "viewer/core/edit/check.h"
#include "viewer/ui/shell/main_window.h"

namespace brindle {

void TForm1::BuildAuthoringActions() {
  QAction* rebuild = fileMenu_->addAction("Re&build");
  rebuild->setObjectName("rebuildcontainer");
  connect(rebuild, &QAction::triggered, this, &TForm1::RebuildClick);
  QAction* check = fileMenu_->addAction("&Check Container");
  check->setObjectName("checkcontainer");
  connect(check, &QAction::triggered, this, &TForm1::CheckClick);
  QAction* create = fileMenu_->addAction("&New Container...");
  create->setObjectName("newcontainer");
  connect(create, &QAction::triggered, this, &TForm1::NewContainerClick);

  // On the entry list: its context menu (a right click, the menu key or Shift+F10), F2 and
  // Delete.
  reslistbox_->setContextMenuPolicy(Qt::ActionsContextMenu);
  auto* menuKey = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), reslistbox_);
  menuKey->setObjectName("reslistmenukey");
  menuKey->setContext(Qt::WidgetWithChildrenShortcut);
  connect(menuKey, &QShortcut::activated, this, [this] {
    const QRect current = reslistbox_->visualRect(reslistbox_->currentIndex());
    const QPoint at = current.isValid() ? current.center() : QPoint(4, 4);
    QContextMenuEvent event(QContextMenuEvent::Keyboard, at,
                            reslistbox_->viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(reslistbox_->viewport(), &event);
  });
  QAction* add = new QAction("Add Files...", reslistbox_);
  add->setObjectName("addfiles");
  connect(add, &QAction::triggered, this, &TForm1::AddFilesClick);
  QAction* remove = new QAction("Remove", reslistbox_);
  remove->setObjectName("removeentries");
  remove->setShortcut(QKeySequence::Delete);
  remove->setShortcutContext(Qt::WidgetShortcut);
  connect(remove, &QAction::triggered, this, &TForm1::RemoveClick);
  QAction* rename = new QAction("Rename", reslistbox_);
  rename->setObjectName("renameentry");
  rename->setShortcut(QKeySequence(Qt::Key_F2));
  rename->setShortcutContext(Qt::WidgetShortcut);
  connect(rename, &QAction::triggered, this, &TForm1::RenameClick);
  reslistbox_->addActions({add, remove, rename});
}

void TForm1::ShowRewritten(const Status& result, int entry) {
  // The directory in memory is the file's again (or, after a failure, still the old one).
  // The list keeps its filter; the entry is shown when the filter lets it be seen.
  {
    const QSignalBlocker block(reslistbox_->selectionModel());
    keptEntry_ = -1;
    StartIdentifying();
    RefillList();
  }
  const int entries = static_cast<int>(dataFile_.Entries.size());
  ShowCount();
  UpdateTitle();
  SetStatus(kPanelSize, QString::number(dataFile_.FileSize) + " bytes");
  // A cancelled write changed nothing: the status bar says so, no message interrupts.
  if (!result && result.kind() == ErrorKind::kCancelled) {
    SetPointerText(result.message());
  } else if (!result) {
    prompts_.Message(result.message());
  }
  entry = std::min(entry, entries - 1);
  shownIndex_ = -1;
  const int row = entry >= 0 ? model_->RowOf(entry) : -1;
  if (row >= 0) {
    reslistbox_->setCurrentIndex(model_->index(row, 0));
  } else {
    ShowPage(titlepage_);
  }
}

void TForm1::AddFilesClick() {
  if (dataFile_.FileName.empty()) {
    prompts_.Message("Data file must be loaded first!");
    return;
  }
  if (!MayTurnAway()) return;
  FileDialogSpec setup;
  setup.title = "Add Files...";
  setup.filter = "All Files (*.*)|*.*";
  setup.initialDir = WorkingFolder();
  const std::vector<std::string> files = prompts_.AskOpenFiles(setup);
  if (files.empty()) return;
  const int first = static_cast<int>(dataFile_.Entries.size());
  const Status r = WithCancel([&] { return AddFiles(dataFile_, files, host()); });
  ShowRewritten(r, r ? first : SelectedIndex());
}

void TForm1::RemoveClick() {
  // Every selected entry goes (Shift/Ctrl select several); the question names them.
  std::vector<int> gone = SelectedEntries();
  if (gone.empty() && SelectedIndex() >= 0) gone.push_back(SelectedIndex());
  if (gone.empty()) return;
  const std::string what =
      gone.size() == 1 ? Cp1252ToUtf8(dataFile_.Entries[static_cast<std::size_t>(gone[0])].Name)
                       : std::to_string(gone.size()) + " entries";
  if (!prompts_.AskYesNo("Remove " + what + " from " + dataFile_.FileName + "?")) return;
  if (!MayTurnAway()) return;
  const Status r = WithCancel([&] { return RemoveEntries(dataFile_, gone, host()); });
  // The list shows the entry that now stands where the first removed one stood.
  ShowRewritten(r, r ? gone.front() : SelectedIndex());
}

void TForm1::RenameClick() {
  const int row = SelectedIndex();
  if (row < 0) return;
  const std::string old = Cp1252ToUtf8(dataFile_.Entries[static_cast<std::size_t>(row)].Name);
  const std::optional<std::string> name = prompts_.AskText("New name for " + old + ":", old);
  if (!name || *name == old) return;
  if (!MayTurnAway()) return;
  const Status r = WithCancel([&] { return RenameEntry(dataFile_, row, *name, host()); });
  ShowRewritten(r, row);
}

void TForm1::RebuildClick() {
  if (dataFile_.FileName.empty()) {
    prompts_.Message("Data file must be loaded first!");
    return;
  }
  if (!MayTurnAway()) return;
  const int row = SelectedIndex();
  const Result<RebuildSizes> r = WithCancel([&] { return CompactContainer(dataFile_, host()); });
  ShowRewritten(r ? Ok() : Status(r.error()), row);
  if (r) SetStatus(kPanelNote, QString("Rebuilt: %1 -> %2 bytes").arg(r->before).arg(r->after));
}

// Reads the container as it now stands on disk, behind the loading panel, and says what it
// found; nothing is written and the list stays as it is.
void TForm1::CheckClick() {
  if (dataFile_.FileName.empty()) {
    prompts_.Message("Data file must be loaded first!");
    return;
  }
  // A box taller than the screen helps nobody: the rest is for brindle-cli check.
  constexpr std::size_t kProblemsShown = 30;
  const Result<CheckReport> r = CheckContainerFile(dataFile_.FileName, host());
  prompts_.Message(r ? CheckReportText(*r, dataFile_.FileName, kProblemsShown) : r.message());
}

// Where the dialogs of the authoring commands start: beside the open container, else in the
// user's home (the program's own folder may be a system one nobody can write to).
std::string TForm1::WorkingFolder() const {
  if (!dataFile_.FileName.empty()) {
    std::error_code ec;
    const std::filesystem::path folder =
        std::filesystem::absolute(dataFile_.FileName, ec).parent_path();
    if (!ec) return folder.string();
  }
  return QDir::homePath().toStdString();
}

void TForm1::NewContainerClick() {
  std::vector<std::string> captions;
  const std::span<const ContainerKindInfo> kinds = ContainerKinds();
  for (const ContainerKindInfo& k : kinds)
    captions.push_back(std::string(k.caption));
  const std::optional<int> pick = prompts_.AskChoice("Kind of the new container:", captions);
  if (!pick || *pick < 0 || *pick >= static_cast<int>(kinds.size())) return;
  const ContainerKindInfo& chosen = kinds[static_cast<std::size_t>(*pick)];
  const TContainerKind kind = chosen.kind;
  FileDialogSpec setup;
  setup.title = "New Container...";
  const std::string ext(chosen.fileExtension);
  setup.filter = std::string(chosen.caption) + "|*." + ext;
  setup.defaultExt = ext;
  setup.initialDir = WorkingFolder();
  const std::optional<std::string> path = prompts_.AskSaveFile(setup);
  if (!path) return;
  ShowLoading(true);
  const Status r = CreateContainer(kind, *path, {}, host());
  ShowLoading(false);
  if (!r) {
    prompts_.Message(r.message());
    // Made but not checked: it is there all the same, so it is shown.
    if (r.kind() != ErrorKind::kUnverified) return;
  }
  LoadDataFile(*path);
}

}  // namespace brindle
