#pragma once
// The main window: the entry list on the left, the page set on the right, the status bar,
// the loading panel over everything while a container is read or written, and the watch
// that notices when another program changes the open container.

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTimer>
#include <QTreeView>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "viewer/core/containers/data_file.h"
#include "viewer/core/edit/batch_import.h"
#include "viewer/core/edit/export_all.h"
#include "viewer/core/prompts.h"
#include "viewer/core/savegame/game_data.h"
#include "viewer/core/settings/app_paths.h"
#include "viewer/core/settings/history.h"
#include "viewer/ui/base/entry_page.h"
#include "viewer/ui/shell/entry_list_model.h"
#include "viewer/ui/shell/title_page.h"

class QAction;
class QMimeData;
class QMenu;

namespace brindle {

class CompareDialog;
class FindDialog;
class IniFile;

// Lines, each on a line of its own after a newline and two spaces, cut short after 15 with
// "  ... and N more": the lists in the window's questions.
std::string IndentedList(const std::vector<std::string>& lines);
class ThumbnailView;

// What start-up read from the game data file.
struct GameDataView {
  QImage title;
  std::vector<std::vector<std::string>> rows;  // the table's rows, 19 cells each
  PartyDataTable table;                        // the same, for the saved-game editor
};

struct GameData;
// The loaded game data as the window holds it.
GameDataView MakeGameDataView(const GameData& data);

class TForm1 : public QMainWindow, private PageContext {
  Q_OBJECT
 public:
  static constexpr int kColumns = 19;

  TForm1(const AppPaths& paths, Prompts& prompts, const GameDataView& gameData,
         QWidget* parent = nullptr);
  ~TForm1() override;

  // The operations of the shell, public for the pages and for tests.
  void LoadDataFile(const std::string& path);
  void ShowEntry(int index);
  void ShowPage(QWidget* page) override;
  void ShowLoading(bool on) override;
  void ShowProgress(bool on, const std::string& caption) override;
  void SetProgress(int percent);
  // The loading panel's Cancel button, for work the user may stop: shown (and the request
  // forgotten) or hidden again.
  void OfferCancel(bool on);
  // Runs a write the user may stop (a rebuild of the whole container), offering Cancel
  // meanwhile; its result.
  template <typename Write>
  auto WithCancel(Write&& write) {
    OfferCancel(true);
    auto result = write();
    OfferCancel(false);
    return result;
  }
  void FileChangeWatch();  // one tick of filechangetimer
  // Waits until the background identification of the open container has ended (what it
  // found arrives as queued calls after this).
  void WaitForBackgroundReads();
  // True while the loading panel is up and the window takes no input.
  bool InputBlocked() const { return inputBlocked_; }
  void BatchImportClick();
  // "Export All..." and "Export Selected...": a folder, then every entry as its page saves
  // it, behind the loading panel with a cancel button, then a summary box.
  void ExportAllClick();
  void ExportSelectedClick();
  // The entries of the selected rows, in directory order.
  std::vector<int> SelectedEntries() const;
  // "Open Containing Folder": the folder is handed to this (the desktop's file manager by
  // default), which answers whether anything took it.
  std::function<bool(const std::string&)> openFolder;
  // Changing which entries the container holds (main_window_authoring.cpp).
  void AddFilesClick();
  void RemoveClick();
  void RenameClick();
  void RebuildClick();
  void CheckClick();
  void NewContainerClick();
  std::string WorkingFolder() const;
  // Writes the history and geometry, deletes the temporary movies: the shutdown steps.
  void SaveSettingsAndCleanUp();
  // Closes without asking anything (the program was told to end): settings are kept and
  // temporary files removed as at any close; unsaved edits are dropped.
  void CloseWithoutAsking();

  TDataFile& DataFile() override { return dataFile_; }
  int SelectedIndex() const override;
  void SetPointerText(const std::string& text) override;
  void SelectRow(int row);  // as a click on the row would
  // Selects the entry's row as a click would, emptying the filter box when it hides the entry.
  void SelectEntry(int entry);
  // "Find in Container...": the search window (find_dialog.cpp).
  void FindInContainerClick();
  // "Compare With...": another copy of the container, and what changed from it to this one
  // in a window of its own (compare_dialog.cpp).
  void CompareWithClick();
  // "Apply Patch...": the patch's changes and conflicts are shown before anything is written.
  void ApplyPatchClick();
  // The file dialog for a container (the load's patterns, every file offered too).
  std::optional<std::string> AskContainer(const std::string& title);
  // An open-file dialog starting in the working folder, every file offered too.
  std::optional<std::string> AskFile(const std::string& title, const std::string& filter);
  const History& history() const { return history_; }
  EntryPage* Page(const char* name) const;
  QWidget* CurrentPage() const;
  ImportConverters& converters() { return converters_; }
  const PartyDataTable& GameTable() const override { return gameTable_; }
  void SetUnsavedMark(bool unsaved) override;
  void ReloadContainer() override { LoadDataFile(dataFile_.FileName); }
  std::string DialogFolder() const override { return WorkingFolder(); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  class WindowHost;

  Prompts& prompts() override { return prompts_; }
  CoreHost& host() override;
  const AppPaths& paths() const override { return paths_; }

  // The status bar's panels, left to right.
  enum StatusPanel : std::size_t { kPanelFile, kPanelCount, kPanelSize, kPanelNote };

  void BuildClient(const GameDataView& gameData);
  void BuildPages(const GameDataView& gameData);
  void BuildStatusBar();
  void BuildLoadingPanel();
  void BuildFileWatch();
  void BuildGameDataTable(const GameDataView& gameData);
  void BuildMenu();
  void BuildAuthoringActions();
  // After a rewrite of the whole container: the list, the status bar and the row to show.
  void ShowRewritten(const Status& result, int entry);
  void PlaceWindow();
  void RebuildHistoryMenu();
  void ReadSettings();
  // "brindle 1.01", " - " and the open container's file name, " *" while work is unsaved.
  void UpdateTitle();
  // "N resources", or "N of M resources" while the filter narrows the list.
  void ShowCount();
  void SetStatus(StatusPanel panel, const QString& text);
  void OnRowChanged(const QModelIndex& current);
  // The filter box, the export items and what they do.
  void BuildFilterBox();
  void BuildExportMenu();
  void RefillList();
  // The list's columns: headings that sort, widths and order as the settings keep them.
  void BuildListColumns();
  void ReadListSettings(const IniFile& ini);
  void SaveListSettings(IniFile& ini) const;
  // Identifies the open container's entries in the background; the list's columns fill
  // in as it goes. Whatever pass ran for the container before is stopped first.
  void StartIdentifying();
  // Everything that reads the container in the background (identification, a search)
  // lets go of it while a write runs: the write locks the file for itself. Held from the
  // write's start to its end.
  void HoldBackgroundReads(bool hold);
  void RunIdentifier();
  void ApplyFilter();
  void ExportEntriesClick(const std::vector<int>& indices);
  // Saves the entries into dir behind the loading panel with its cancel button; the files
  // written go to `written` when it is given.
  Result<ExportAllSummary> RunExport(const std::vector<int>& indices, const std::string& dir,
                                     std::vector<std::string>* written);
  // Dragging entries out: they are exported into a folder of their own under the temporary
  // folder, and the drag carries those files. Nothing when the export was cancelled or
  // wrote nothing.
  QMimeData* DragEntries(const std::vector<int>& entries);
  // Files dropped on the list: those named like entries replace them, the others are
  // added, after one question naming both groups.
  void DropFilesOnList(const std::vector<std::string>& files);
  void RemoveDragFolder();
  void OpenContainingFolderClick();
  // Asks the page in front whether the window may turn away from it.
  bool MayTurnAway();

  AppPaths paths_;
  Prompts& prompts_;
  TDataFile dataFile_;
  History history_;
  ImportConverters converters_;
  PartyDataTable gameTable_;
  int shownIndex_ = -1;                 // the entry the page in front shows
  std::optional<FileStamp> keptStamp_;  // an outside change the user chose not to load
  std::unique_ptr<WindowHost> host_;

  QSplitter* splitter_ = nullptr;
  QWidget* client_ = nullptr;  // the filter box over the entry list
  bool unsavedMark_ = false;
  QTreeView* reslistbox_ = nullptr;
  ThumbnailView* thumbnails_ = nullptr;  // the same entries as pictures, in place of the list
  QStackedWidget* listStack_ = nullptr;  // the list or the thumbnails
  QAction* thumbnailsAction_ = nullptr;
  QLineEdit* resfilter_ = nullptr;
  int keptEntry_ = -1;  // the entry last selected, kept while the filter hides it
  EntryListModel* model_ = nullptr;
  std::unique_ptr<BackgroundIdentifier> identifier_;
  int identifyGeneration_ = 0;  // which pass the chunks arriving belong to
  int holdDepth_ = 0;           // writes under way that keep background reads off the file
  QStackedWidget* tabholder_ = nullptr;
  TitlePage* titlepage_ = nullptr;
  std::map<TResourceType, EntryPage*> pageOfType_;
  std::vector<QLabel*> panels_;
  QFrame* loadingpanel_ = nullptr;
  QLabel* panel2_ = nullptr;
  QProgressBar* loadingpercent_ = nullptr;
  QPushButton* loadingcancel_ = nullptr;
  bool cancelRequested_ = false;
  QSize panelSizeWithoutCancel_;
  FindDialog* findDialog_ = nullptr;  // made when first asked for
  CompareDialog* compareDialog_ = nullptr;
  QTimer* filechangetimer_ = nullptr;
  std::string dragFolder_;  // what the last drag out exported, removed at the next one
  QTableWidget* partyvals_ = nullptr;
  QMenu* fileMenu_ = nullptr;
  QAction* placeholder_ = nullptr;
  QAction* historyEnd_ = nullptr;
  std::vector<QAction*> historyActions_;
  int shownPercent_ = -1;
  bool inputBlocked_ = false;  // the loading panel is up
  bool settingsSaved_ = false;
  bool closingWithoutAsking_ = false;
  QSize outerSize_;  // the stored outer size, while the desktop's frame is not yet known
};

}  // namespace brindle
