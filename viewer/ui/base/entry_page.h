#pragma once
// What every viewer page is: a widget that shows one entry, with its main content box and
// the buttons in the bottom-right corner; and what it may ask of the window around it.

#include <QPushButton>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "common/file.h"
#include "common/result.h"
#include "viewer/core/containers/data_file.h"
#include "viewer/core/formats/fonts.h"
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

  // A save button: the export dialog for the selected entry, with its type's extension and
  // filter ("Save to BMP..."), then the file ExportEntry makes of it from the container,
  // opened afresh (a font's sheet drawn in fontColours), written to the chosen file.
  // What cannot be saved says why.
  void SaveSelected(const FontColours& fontColours = {});
  // The same with bytes the page makes itself, where no export gives them (a font's typed
  // text).
  void SaveSelectedMade(const std::function<Result<Bytes>(ByteFile&, const TResourceInfo&)>& make);

  // An import button: the import dialog for the selected entry ("Import BMP..."), then,
  // once a file is chosen, the import its type's row gives (a bitmap keeps its width and
  // height), else "Importing for current file format not implemented!". A refused import
  // says why.
  void ImportSelected();

  // The selected entry, or null when the selection has gone.
  const TResourceInfo* SelectedEntry() const;
  std::string EntryName(const TResourceInfo& e) const;

  PageContext& context_;

 private:
  QWidget* content_ = nullptr;
  std::vector<QPushButton*> buttons_;
};

}  // namespace brindle
