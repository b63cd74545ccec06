#pragma once
// What every viewer page is: a widget that shows one entry, with its main content box and
// the buttons in the bottom-right corner; and what it may ask of the window around it.

#include <QPushButton>
#include <QWidget>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "common/file.h"
#include "viewer/core/containers/data_file.h"
#include "viewer/core/host.h"
#include "viewer/core/prompts.h"
#include "viewer/core/savegame/game_data.h"
#include "viewer/core/settings/app_paths.h"

namespace brindle {

class PageContext {
 public:
  virtual ~PageContext() = default;
  virtual TDataFile& DataFile() = 0;
  virtual Prompts& prompts() = 0;
  // Messages and the progress bar of the loading panel.
  virtual CoreHost& host() = 0;
  virtual const AppPaths& paths() const = 0;
  virtual void ShowPage(QWidget* page) = 0;
  virtual void ShowLoading(bool on) = 0;
  virtual void ShowProgress(bool on, const std::string& caption) = 0;
  // The entry of the selected row, or -1.
  virtual int SelectedIndex() const = 0;
  // The status bar's last panel: what lies under the pointer (empty clears it).
  virtual void SetPointerText(const std::string& text) = 0;
  // The game data table read at start-up.
  virtual const PartyDataTable& GameTable() const = 0;
  // The window title marks work that is not saved yet.
  virtual void SetUnsavedMark(bool unsaved) = 0;
  // Where file dialogs start: the open container's folder, else the user's home.
  virtual std::string DialogFolder() const = 0;
  // Loads the open container again (another program changed it), keeping the selected entry.
  virtual void ReloadContainer() = 0;
};

class EntryPage : public QWidget {
  Q_OBJECT
 public:
  EntryPage(PageContext& context, const QString& objectName, QWidget* parent = nullptr);
  // Shows the entry; `container` is open for reading. The page brings itself forward.
  virtual void ShowEntry(ByteFile& container, const TResourceInfo& entry) = 0;
  // The window is about to show another entry or container, reload, or close while this page
  // is in front. False keeps everything as it is (the user chose to stay).
  virtual bool PrepareToLeave() { return true; }

 protected:
  // The content box fills the page but for 6 pixels across and 39 down; the buttons sit in
  // the bottom-right corner, 3 pixels from both edges, each next one 3 pixels to the left.
  void SetContent(QWidget* content) { content_ = content; }
  QPushButton* AddButton(const QString& objectName, const QString& caption);
  void resizeEvent(QResizeEvent* event) override;

  // A save button: the export dialog for the selected entry ("Save to " + shown + "..."),
  // then the bytes `make` gives from the container, opened afresh, written to the chosen
  // file. An error of `make` is shown as it stands; an entry that does not lie inside the
  // file is UnableToSave's.
  void SaveSelected(const std::string& shown, const std::string& ext, const std::string& kind,
                    const std::function<Result<Bytes>(ByteFile&, const TResourceInfo&)>& make);
  // "Error!  Unable to save " + the name: a save with nothing to write.
  Error UnableToSave(const TResourceInfo& entry) const;

  // An import button: the import dialog for the selected entry ("Import " + shown + "..."),
  // then, once a file is chosen, the entry's import from the formats' table when its type is
  // one of `types` (a bitmap keeps its width and height), else "Importing for current file
  // format not implemented!". A refused import says why.
  void ImportSelected(const std::string& shown, const std::string& ext, const std::string& kind,
                      std::initializer_list<TResourceType> types);

  // The selected entry, or null when the selection has gone.
  const TResourceInfo* SelectedEntry() const;
  std::string EntryName(const TResourceInfo& e) const;

  PageContext& context_;

 private:
  QWidget* content_ = nullptr;
  std::vector<QPushButton*> buttons_;
};

}  // namespace brindle
