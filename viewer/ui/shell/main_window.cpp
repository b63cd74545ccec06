#include "viewer/ui/shell/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QHeaderView>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>
#include <charconv>
#include <filesystem>

#include "common/codepage.h"
#include "common/file.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/containers/extract.h"
#include "viewer/core/entries/identify.h"
#include "viewer/core/formats/entry_types.h"
#include "viewer/core/savegame/game_data.h"
#include "viewer/core/settings/ini_file.h"
#include "viewer/ui/shell/find_dialog.h"
#include "viewer/ui/shell/page_table.h"
#include "viewer/ui/shell/thumbnail_view.h"

namespace brindle {

namespace {

constexpr int kListWidth = 153;
constexpr int kDesignWidth = 625;

constexpr const char* kKeysHelp =
    "Keys\n"
    "\n"
    "Ctrl+O  load a container\n"
    "Ctrl+L  the filter box (Esc empties it)\n"
    "Ctrl+Shift+F  find in the container's entries\n"
    "Ctrl+G  thumbnails or list\n"
    "Up, Down  the entries; the page shows the one picked\n"
    "Shift+F10  the entry list's menu (add, remove, rename)\n"
    "F2, Delete  rename or remove the picked entries\n"
    "Tab  from the list into the page; + and - zoom a picture\n"
    "Ctrl+F, F3  find in a text table; Ctrl+S saves its edits\n"
    "Ctrl+P, Ctrl+1 to Ctrl+4  the party and its characters in a saved game\n"
    "Ctrl+Q  quit\n"
    "\n"
    "Alt and the underlined letter open the menus.";
constexpr int kDesignHeight = 406;
constexpr const char* kPlaceholder = "[No Previously Opened Files]";

// A whole decimal number, or nothing (the setting is then left as it is).
std::optional<int> ParseInt(const std::string& s) {
  int v = 0;
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || p != s.data() + s.size() || s.empty()) return std::nullopt;
  return v;
}

}  // namespace

GameDataView MakeGameDataView(const GameData& load) {
  GameDataView view;
  if (!load.title.bmp.empty()) {
    view.title =
        QImage::fromData(load.title.bmp.data(), static_cast<int>(load.title.bmp.size()), "BMP");
  }
  const PartyDataTable& t = load.table;
  view.table = t;
  view.rows.resize(static_cast<std::size_t>(t.RowCount()));
  for (int r = 0; r < t.RowCount(); ++r) {
    auto& row = view.rows[static_cast<std::size_t>(r)];
    row.reserve(TForm1::kColumns);
    for (int c = 0; c < TForm1::kColumns; ++c)
      row.push_back(t.Cell(c, r));
  }
  return view;
}

// The core's messages become boxes, its progress the loading panel's bar.
class TForm1::WindowHost : public CoreHost {
 public:
  explicit WindowHost(TForm1& form) : form_(form) {}
  void Message(const std::string& text) override { form_.prompts_.Message(text); }
  void ShowProgress(bool on, const std::string& caption) override {
    form_.ShowProgress(on, caption);
  }
  void SetProgress(int percent) override { form_.SetProgress(percent); }
  // Only work that offers Cancel hears it; meanwhile the window handles what is waiting, so
  // the button can be pressed (the loading panel holds everything else).
  bool CancelRequested() override {
    if (form_.loadingcancel_->isHidden()) return false;
    QCoreApplication::processEvents();
    return form_.cancelRequested_;
  }
  void SuspendWatch(bool suspended) override {
    form_.HoldBackgroundReads(suspended);
    if (suspended) {
      form_.filechangetimer_->stop();
    } else {
      form_.filechangetimer_->start();
    }
  }
  void FileSizeChanged(std::int64_t size) override {
    form_.SetStatus(kPanelSize, QString::number(size) + " bytes");
  }
  void EntryRewritten(int) override {
    form_.thumbnails_->Refresh();
    int row = form_.SelectedIndex();
    if (row >= 0) form_.ShowEntry(row);
  }

 private:
  TForm1& form_;
};

TForm1::TForm1(const AppPaths& paths, Prompts& prompts, const GameDataView& gameData,
               QWidget* parent)
    : QMainWindow(parent), paths_(paths), prompts_(prompts), gameTable_(gameData.table) {
  setObjectName("TForm1");
  SetUnsavedMark(false);
  host_ = std::make_unique<WindowHost>(*this);
  converters_ = CoreImportConverters();

  BuildClient(gameData);
  BuildStatusBar();
  BuildLoadingPanel();
  BuildFileWatch();
  BuildGameDataTable(gameData);
  BuildMenu();
  ClearDataFile(dataFile_);
  PlaceWindow();
  ReadSettings();
  setAcceptDrops(true);
  qApp->installEventFilter(this);
}

// The filter box and the entry list on the left, the page set beside them, a splitter
// between the two.
void TForm1::BuildClient(const GameDataView& gameData) {
  splitter_ = new QSplitter(Qt::Horizontal, this);
  splitter_->setObjectName("clientsplitter");
  splitter_->setHandleWidth(4);
  splitter_->setChildrenCollapsible(false);
  setCentralWidget(splitter_);
  client_ = new QWidget(splitter_);
  model_ = new EntryListModel(dataFile_);
  reslistbox_ = new QTreeView(client_);
  reslistbox_->setObjectName("reslistbox");
  reslistbox_->setModel(model_);
  reslistbox_->setRootIsDecorated(false);
  reslistbox_->setItemsExpandable(false);
  reslistbox_->setUniformRowHeights(true);
  reslistbox_->setAllColumnsShowFocus(true);
  reslistbox_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  reslistbox_->setSelectionBehavior(QAbstractItemView::SelectRows);
  connect(reslistbox_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current, const QModelIndex& previous) {
            // Left and Right move between the columns of the same entry.
            if (current.isValid() && previous.isValid() && current.row() == previous.row() &&
                model_->EntryOf(current.row()) == keptEntry_)
              return;
            OnRowChanged(current);
          });
  BuildListColumns();
  reslistbox_->setDragEnabled(true);
  reslistbox_->setDragDropMode(QAbstractItemView::DragOnly);
  reslistbox_->setDefaultDropAction(Qt::CopyAction);
  model_->dragEntries = [this](const std::vector<int>& entries) { return DragEntries(entries); };
  thumbnails_ = new ThumbnailView(dataFile_, {[this](int row) { return model_->EntryOf(row); },
                                              [this](int entry) { return model_->RowOf(entry); }});
  thumbnails_->setModel(model_);
  thumbnails_->setSelectionModel(reslistbox_->selectionModel());
  listStack_ = new QStackedWidget(client_);
  listStack_->addWidget(reslistbox_);
  listStack_->addWidget(thumbnails_);
  BuildFilterBox();
  auto* listSide = new QVBoxLayout(client_);
  listSide->setContentsMargins(0, 0, 0, 0);
  listSide->setSpacing(0);
  listSide->addWidget(resfilter_);
  listSide->addWidget(listStack_, 1);
  tabholder_ = new QStackedWidget(splitter_);
  tabholder_->setObjectName("tabholder");
  splitter_->addWidget(client_);
  splitter_->addWidget(tabholder_);
  splitter_->setStretchFactor(0, 0);
  splitter_->setStretchFactor(1, 1);
  splitter_->setSizes({kListWidth, kDesignWidth - kListWidth});
  BuildPages(gameData);
}

void TForm1::BuildStatusBar() {
  statusBar()->setObjectName("statusbar");
  for (int width : {200, 100, 100, 50}) {
    auto* panel = new QLabel(statusBar());
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panels_.push_back(panel);
    if (panels_.size() <= kPanelSize) {
      panel->setFixedWidth(width);
      statusBar()->addWidget(panel);
    } else {
      // The last panel shows the pixel under the pointer and notes, and takes the room that
      // is left.
      panel->setMinimumWidth(width);
      statusBar()->addWidget(panel, 1);
    }
  }
}

void TForm1::BuildLoadingPanel() {
  loadingpanel_ = new QFrame(this);
  loadingpanel_->setObjectName("loadingpanel");
  loadingpanel_->setFrameStyle(QFrame::Panel | QFrame::Raised);
  loadingpanel_->setAutoFillBackground(true);
  loadingpanel_->resize(200, 85);
  panel2_ = new QLabel("Loading...", loadingpanel_);
  panel2_->setObjectName("Panel2");
  QFont bold = panel2_->font();
  bold.setBold(true);
  panel2_->setFont(bold);
  panel2_->setAlignment(Qt::AlignCenter);
  panel2_->setGeometry(8, 6, 185, 44);
  loadingpercent_ = new QProgressBar(loadingpanel_);
  loadingpercent_->setObjectName("loadingpercent");
  loadingpercent_->setRange(0, 100);
  loadingpercent_->setGeometry(8, 56, 185, 20);
  loadingpanel_->hide();
}

void TForm1::BuildFileWatch() {
  filechangetimer_ = new QTimer(this);
  filechangetimer_->setObjectName("filechangetimer");
  filechangetimer_->setInterval(1000);
  connect(filechangetimer_, &QTimer::timeout, this, &TForm1::FileChangeWatch);

  auto* opendatafile = new QObject(this);
  opendatafile->setObjectName("opendatafile");
}

// The game data table, hidden: the saved-game pages read their offsets and names from it.
void TForm1::BuildGameDataTable(const GameDataView& gameData) {
  partyvals_ = new QTableWidget(0, kColumns, this);
  partyvals_->setObjectName("partyvals");
  partyvals_->hide();
  partyvals_->setRowCount(static_cast<int>(gameData.rows.size()));
  for (int r = 0; r < partyvals_->rowCount(); ++r) {
    const auto& row = gameData.rows[static_cast<std::size_t>(r)];
    for (int c = 0; c < kColumns && c < static_cast<int>(row.size()); ++c) {
      partyvals_->setItem(r, c,
                          new QTableWidgetItem(QString::fromStdString(
                              Cp1252ToUtf8(row[static_cast<std::size_t>(c)]))));
    }
  }
}

// Design size, centred; the settings may move it afterwards.
void TForm1::PlaceWindow() {
  resize(kDesignWidth,
         kDesignHeight + menuBar()->sizeHint().height() + statusBar()->sizeHint().height());
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect area = screen->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
  }
}

TForm1::~TForm1() {
  // Hidden while the window is still whole: the focus leaving a page's field runs that page's
  // handlers, which must not meet a window half torn down.
  hide();
  qApp->removeEventFilter(this);
  identifier_.reset();
  SaveSettingsAndCleanUp();
  delete model_;
}

CoreHost& TForm1::host() {
  return *host_;
}

void TForm1::BuildPages(const GameDataView& gameData) {
  titlepage_ = new TitlePage(tabholder_);
  if (!gameData.title.isNull()) titlepage_->SetPicture(gameData.title);
  tabholder_->addWidget(titlepage_);
  for (const PageSlot& slot : PageSlots()) {
    if (!slot.make) continue;  // shown on the title page until the page exists
    EntryPage* page = slot.make(*this);
    tabholder_->addWidget(page);
    for (TResourceType t : slot.types)
      pageOfType_[t] = page;
  }
  // A picture type without a page of its own is shown, saved and imported by the picture
  // page, which does all of that through the type's row.
  if (auto pictures = pageOfType_.find(rtBitmap); pictures != pageOfType_.end()) {
    for (const EntryType& t : EntryTypes())
      if (t.picture && !pageOfType_.contains(t.type)) pageOfType_[t.type] = pictures->second;
  }
  tabholder_->setCurrentWidget(titlepage_);
}

std::optional<std::string> TForm1::AskFile(const std::string& title, const std::string& filter) {
  FileDialogSpec setup;
  setup.title = title;
  setup.filter = filter;
  setup.allFilesChoice = true;
  setup.initialDir = WorkingFolder();
  return prompts_.AskOpenFile(setup);
}

std::optional<std::string> TForm1::AskContainer(const std::string& title) {
  return AskFile(title, "VLM Files (*.LOD,*.VLM,*.SND,*.VID)|*.LOD;*.VLM;*.SND;*.VID");
}

void TForm1::BuildMenu() {
  menuBar()->setObjectName("MainMenu1");
  fileMenu_ = menuBar()->addMenu("&File");
  fileMenu_->setObjectName("filemenu");
  QAction* load = fileMenu_->addAction("&Load Data File...");
  load->setObjectName("loaddatafile");
  load->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  connect(load, &QAction::triggered, this, [this] {
    if (auto path = AskContainer("Select VLM Data or Save Game File")) LoadDataFile(*path);
  });
  QAction* batch = fileMenu_->addAction("&Batch Import...");
  batch->setObjectName("batchimport");
  connect(batch, &QAction::triggered, this, &TForm1::BatchImportClick);
  QAction* find = fileMenu_->addAction("&Find in Container...");
  find->setObjectName("findincontainer");
  find->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
  connect(find, &QAction::triggered, this, &TForm1::FindInContainerClick);
  QAction* compare = fileMenu_->addAction("Compare &With...");
  compare->setObjectName("comparewith");
  connect(compare, &QAction::triggered, this, &TForm1::CompareWithClick);
  QAction* patch = fileMenu_->addAction("Apply &Patch...");
  patch->setObjectName("applypatch");
  connect(patch, &QAction::triggered, this, &TForm1::ApplyPatchClick);
  BuildExportMenu();
  BuildAuthoringActions();
  fileMenu_->addSeparator();
  placeholder_ = fileMenu_->addAction(kPlaceholder);
  placeholder_->setEnabled(false);
  historyEnd_ = fileMenu_->addSeparator();
  QAction* exit = fileMenu_->addAction("E&xit");
  exit->setObjectName("exit");
  exit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  connect(exit, &QAction::triggered, this, &QWidget::close);
  QMenu* view = menuBar()->addMenu("&View");
  view->setObjectName("viewmenu");
  thumbnailsAction_ = view->addAction("Thumbnails");
  thumbnailsAction_->setObjectName("thumbnails");
  thumbnailsAction_->setCheckable(true);
  thumbnailsAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
  thumbnails_->addActions(reslistbox_->actions());  // the list's context menu and keys
  connect(thumbnailsAction_, &QAction::toggled, this, [this](bool on) {
    QAbstractItemView* shown = on ? static_cast<QAbstractItemView*>(thumbnails_) : reslistbox_;
    const bool focused = listStack_->currentWidget()->hasFocus();
    listStack_->setCurrentWidget(shown);
    if (focused) shown->setFocus();
    if (shown->currentIndex().isValid()) shown->scrollTo(shown->currentIndex());
  });
  QAction* about = menuBar()->addAction("&About");
  about->setObjectName("about");
  connect(about, &QAction::triggered, this, [this] { ShowPage(titlepage_); });
  QAction* help = new QAction("Keys", this);
  help->setObjectName("keyshelp");
  help->setShortcut(QKeySequence(Qt::Key_F1));
  addAction(help);
  connect(help, &QAction::triggered, this, [this] { prompts_.Message(kKeysHelp); });
}

void TForm1::RebuildHistoryMenu() {
  for (QAction* a : historyActions_) {
    fileMenu_->removeAction(a);
    a->deleteLater();
  }
  historyActions_.clear();
  for (const std::string& item : history_.items()) {
    auto* a = new QAction(QString::fromStdString(item), fileMenu_);
    connect(a, &QAction::triggered, this, [this, item] {
      // A container that has gone since is passed over in silence.
      if (StatFile(item)) LoadDataFile(item);
    });
    fileMenu_->insertAction(historyEnd_, a);
    historyActions_.push_back(a);
  }
  placeholder_->setVisible(historyActions_.empty());
}

void TForm1::ReadSettings() {
  IniFile ini(paths_.iniPath);
  ini.Load();
  history_.Load(ini);
  RebuildHistoryMenu();
  ReadListSettings(ini);
  thumbnailsAction_->setChecked(ParseInt(ini.Read("Window", "thumbnails")).value_or(0) == 1);
  if (auto list = ParseInt(ini.Read("Window", "list")); list && *list > 0)
    splitter_->setSizes({*list, std::max(1, splitter_->width() - *list)});
  if (ini.Read("Window", "x").empty()) return;
  QRect frame = frameGeometry();
  const int extraW = frame.width() - width();
  const int extraH = frame.height() - height();
  int left = frame.left(), top = frame.top(), w = frame.width(), h = frame.height();
  if (auto v = ParseInt(ini.Read("Window", "x"))) left = *v;
  if (auto v = ParseInt(ini.Read("Window", "y"))) top = *v;
  if (auto v = ParseInt(ini.Read("Window", "w"))) w = *v;
  if (auto v = ParseInt(ini.Read("Window", "h"))) h = *v;
  move(left, top);
  resize(std::max(1, w - extraW), std::max(1, h - extraH));
  // Before the window is shown the desktop has not framed it yet, so the size just given
  // counts the frame as inside; it is corrected once the frame is known.
  if (!isVisible()) outerSize_ = QSize(w, h);
}

bool TForm1::event(QEvent* event) {
  const bool done = QMainWindow::event(event);
  if (outerSize_.isValid() && isVisible()) {
    const QSize frame = frameGeometry().size() - size();
    if (!frame.isNull()) {
      const QSize wanted = outerSize_ - frame;
      outerSize_ = QSize();
      resize(std::max(1, wanted.width()), std::max(1, wanted.height()));
    }
  }
  return done;
}

void TForm1::SaveSettingsAndCleanUp() {
  if (settingsSaved_) return;
  settingsSaved_ = true;
  std::error_code ec;
  std::filesystem::remove(paths_.tempDir + "/temp.ztp", ec);
  std::filesystem::remove(paths_.tempDir + "/temp.kno", ec);
  identifier_.reset();
  RemoveDragFolder();
  ClearDataFile(dataFile_);
  IniFile ini(paths_.iniPath);
  ini.Load();
  history_.Save(ini);
  QRect frame = frameGeometry();
  ini.Write("Window", "x", std::to_string(frame.left()));
  ini.Write("Window", "y", std::to_string(frame.top()));
  ini.Write("Window", "w", std::to_string(frame.width()));
  ini.Write("Window", "h", std::to_string(frame.height()));
  ini.Write("Window", "list", std::to_string(splitter_->sizes().value(0, kListWidth)));
  SaveListSettings(ini);
  ini.Write("Window", "thumbnails", thumbnailsAction_->isChecked() ? "1" : "0");
  ini.Save();
}

void TForm1::SetUnsavedMark(bool unsaved) {
  unsavedMark_ = unsaved;
  UpdateTitle();
}

void TForm1::UpdateTitle() {
  QString title = QStringLiteral("brindle 1.01");
  if (!dataFile_.FileName.empty())
    title += " - " + QString::fromStdString(BaseName(dataFile_.FileName));
  if (unsavedMark_) title += " *";
  setWindowTitle(title);
}

bool TForm1::MayTurnAway() {
  auto* page = qobject_cast<EntryPage*>(tabholder_->currentWidget());
  return !page || page->PrepareToLeave();
}

void TForm1::CloseWithoutAsking() {
  closingWithoutAsking_ = true;
  close();
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (!closingWithoutAsking_ && !MayTurnAway()) {
    event->ignore();
    return;
  }
  cancelRequested_ = true;  // work under way that offers Cancel stops at its next step
  SaveSettingsAndCleanUp();
  event->accept();
}

void TForm1::SetPointerText(const std::string& text) {
  SetStatus(kPanelNote, QString::fromStdString(text));
}

void TForm1::SetStatus(StatusPanel panel, const QString& text) {
  QLabel* label = panels_[static_cast<std::size_t>(panel)];
  label->setText(text);
  // The panels are narrower than a long path or message: resting on one tells it whole.
  label->setToolTip(text);
}

void TForm1::ShowPage(QWidget* page) {
  tabholder_->setCurrentWidget(page);
}

QWidget* TForm1::CurrentPage() const {
  return tabholder_->currentWidget();
}

EntryPage* TForm1::Page(const char* name) const {
  return tabholder_->findChild<EntryPage*>(name, Qt::FindDirectChildrenOnly);
}

void TForm1::ShowLoading(bool on) {
  ShowProgress(on, "Loading...");
}

void TForm1::ShowProgress(bool on, const std::string& caption) {
  loadingpanel_->hide();
  if (on) {
    filechangetimer_->stop();
    inputBlocked_ = true;
    panel2_->setText(QString::fromStdString(caption));
    loadingpercent_->setValue(0);
    shownPercent_ = 0;
    const QRect client = centralWidget()->geometry();
    loadingpanel_->move(client.left() + client.width() / 2 - loadingpanel_->width() / 2,
                        client.top() + client.height() / 2 - loadingpanel_->height() / 2);
    loadingpanel_->show();
    loadingpanel_->raise();
    loadingpanel_->repaint();
  } else {
    inputBlocked_ = false;
    filechangetimer_->start();
  }
}

void TForm1::OfferCancel(bool on) {
  if (on == !loadingcancel_->isHidden()) return;
  if (on) {
    panelSizeWithoutCancel_ = loadingpanel_->size();
    loadingpanel_->resize(panelSizeWithoutCancel_.width(), panelSizeWithoutCancel_.height() + 28);
    cancelRequested_ = false;
    loadingcancel_->show();
  } else {
    loadingcancel_->hide();
    loadingpanel_->resize(panelSizeWithoutCancel_);
  }
}

void TForm1::SetProgress(int percent) {
  if (percent == shownPercent_) return;
  shownPercent_ = percent;
  loadingpercent_->setValue(percent);
  if (loadingpanel_->isVisible()) loadingpanel_->repaint();
}

int TForm1::SelectedIndex() const {
  QModelIndex current = reslistbox_->selectionModel()->currentIndex();
  if (!current.isValid() || !reslistbox_->selectionModel()->isSelected(current)) return -1;
  return model_->EntryOf(current.row());
}

void TForm1::SelectRow(int row) {
  reslistbox_->setCurrentIndex(model_->index(row, 0));
}

void TForm1::SelectEntry(int entry) {
  if (model_->RowOf(entry) < 0) resfilter_->clear();
  const int row = model_->RowOf(entry);
  if (row < 0) return;
  // The row already selected is shown again: the page in front may be another by now.
  if (SelectedIndex() == entry) {
    ShowEntry(entry);
  } else {
    SelectRow(row);
  }
}

void TForm1::OnRowChanged(const QModelIndex& current) {
  if (!current.isValid()) return;
  // The list makes its first row current when it takes the focus, without selecting it: the
  // page would show an entry its buttons then take for no entry at all.
  QItemSelectionModel* selection = reslistbox_->selectionModel();
  if (!selection->hasSelection())
    selection->select(current, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  keptEntry_ = model_->EntryOf(current.row());
  ShowEntry(keptEntry_);
}

void TForm1::LoadDataFile(const std::string& path) {
  if (path.empty() || !MayTurnAway()) return;
  if (findDialog_) findDialog_->Stop();  // a search of what was open ends
  ShowPage(titlepage_);
  // A reload keeps the selected entry, even one the filter hides.
  const int remembered = EqualsIgnoreAsciiCase(path, dataFile_.FileName) ? keptEntry_ : -1;
  ShowLoading(true);
  const Status opened = OpenContainer(dataFile_, path, *host_);
  if (opened) {
    {
      // Selecting the row again must not show it twice.
      const QSignalBlocker block(reslistbox_->selectionModel());
      keptEntry_ = remembered < static_cast<int>(dataFile_.Entries.size()) ? remembered : -1;
      StartIdentifying();
      RefillList();
    }
    reslistbox_->viewport()->update();
    if (SelectedIndex() >= 0) ShowEntry(SelectedIndex());
    SetStatus(kPanelFile, QString::fromStdString(dataFile_.FileName));
    ShowCount();
    UpdateTitle();
    SetStatus(kPanelSize, QString::number(dataFile_.FileSize) + " bytes");
    history_.Touch(dataFile_.FileName);
    RebuildHistoryMenu();
  } else if (opened.kind() == ErrorKind::kNotRecognised) {
    // A dropped or chosen file that is no container: a note, and the open one stays.
    SetStatus(kPanelNote, QString::fromStdString(opened.message()));
  } else {
    prompts_.Message(opened.message());
  }
  filechangetimer_->start();
  ShowLoading(false);
}

void TForm1::ShowEntry(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= dataFile_.Entries.size()) return;
  if (!MayTurnAway()) {
    // The user stays with the page in front: its entry stays selected. A click selects its
    // row after this answer, so the row is selected again once the click is done too.
    keptEntry_ = shownIndex_;
    auto reselect = [this, entry = shownIndex_] {
      const int row = model_->RowOf(entry);
      if (row < 0 || shownIndex_ != entry) return;
      const QSignalBlocker block(reslistbox_->selectionModel());
      reslistbox_->selectionModel()->setCurrentIndex(
          model_->index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
      reslistbox_->viewport()->update();
    };
    reselect();
    QTimer::singleShot(0, this, reselect);
    return;
  }
  shownIndex_ = index;
  auto file = OpenContainerFile(dataFile_.FileName, FileMode::kReadShared);
  if (!file) {
    prompts_.Message(file.message());
    return;
  }
  if (Status read = IdentifyEntry(dataFile_, index, **file); !read) {
    ShowPage(titlepage_);
    prompts_.Message(read.message());
    return;
  }
  const TResourceInfo& entry = dataFile_.Entries[static_cast<std::size_t>(index)];
  auto page = pageOfType_.find(entry.ResType);
  if (!EntryInsideFile(entry, (*file)->Size())) {
    // Zeros or other entries' bytes are not this entry; say so and let the list go on.
    ShowPage(titlepage_);
    prompts_.Message("Error!  Unable to show " + Cp1252ToUtf8(entry.Name));
  } else if (page == pageOfType_.end()) {
    ShowPage(titlepage_);
  } else {
    (void)(*file)->TakeReadFailure();
    page->second->ShowEntry(**file, entry);
    // What a page made of bytes that could not be read is not the entry.
    if (Status read = (*file)->TakeReadFailure(); !read) {
      ShowPage(titlepage_);
      prompts_.Message(read.message() + "\nError!  Unable to show " + Cp1252ToUtf8(entry.Name));
    }
  }
}

void TForm1::FileChangeWatch() {
  if (dataFile_.FileName.empty() || dataFile_.FileDate <= 0 || dataFile_.FileSize < 1) return;
  const Result<FileStamp> named = StatFile(dataFile_.FileName);
  if (!named) return;
  const FileStamp& stamp = *named;
  if (stamp.modifiedNs == dataFile_.FileDate && stamp.size == dataFile_.FileSize) return;
  if (keptStamp_ && keptStamp_->modifiedNs == stamp.modifiedNs && keptStamp_->size == stamp.size)
    return;
  filechangetimer_->stop();
  prompts_.Message("File " + dataFile_.FileName +
                   " has been modified.  Press OK to reload data file.");
  if (!MayTurnAway()) {
    // The user keeps unsaved work over this outside change: not asked again until the file
    // changes once more. Saving over it is refused by the write's own check.
    keptStamp_ = stamp;
    filechangetimer_->start();
    return;
  }
  keptStamp_.reset();
  LoadDataFile(dataFile_.FileName);
}

void TForm1::BatchImportClick() {
  if (dataFile_.FileName.empty()) {
    prompts_.Message("Data file must be loaded first!");
    return;
  }
  FileDialogSpec setup;
  setup.title = "Select Files to Import...";
  setup.filter = "All Files (*.*)|*.*";
  setup.initialDir = WorkingFolder();
  std::vector<std::string> files = prompts_.AskOpenFiles(setup);
  if (files.empty()) return;
  Result<BatchSummary> r = BatchImport(dataFile_, files, converters_, *host_);
  if (!r) {
    prompts_.Message(r.message());
    return;
  }
  std::string note = BatchSummaryText(*r);
  for (std::size_t i = 0; i < r->unmatched.size(); ++i)
    note += (i ? ", " : ": ") + BaseName(r->unmatched[i]);
  SetPointerText(note);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  // While the loading panel is up, no key and no click reaches the window or its controls.
  // (Blocking input here rather than disabling every widget keeps a reload cheap.)
  // Boxes and dialogs shown meanwhile are windows of their own and keep their input.
  const bool ours = watched->isWidgetType() ? static_cast<QWidget*>(watched)->window() == this
                                            : watched == static_cast<QObject*>(windowHandle());
  // The loading panel's cancel button is the one control that still takes clicks.
  if (inputBlocked_ && ours && watched != loadingcancel_) {
    switch (event->type()) {
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::ShortcutOverride:
      case QEvent::Shortcut:
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::Wheel:
      case QEvent::Drop:
        return true;
      default:
        break;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace brindle
