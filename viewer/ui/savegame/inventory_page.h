#pragma once
// The "Inventory" page of the saved-game editor: the backpack grid (or, in its place, the
// list of equipped slots) above, the item list below, a splitter between them. Every edit
// goes through the inventory rules of the core; this page only shows what they answer.

#include <QMouseEvent>
#include <QPushButton>
#include <QSplitter>
#include <QWidget>
#include <functional>

#include "viewer/core/prompts.h"
#include "viewer/core/savegame/game_data.h"
#include "viewer/core/savegame/inventory.h"
#include "viewer/core/savegame/party.h"
#include "viewer/ui/savegame/imp_stringgrid.h"

namespace brindle {

class InventoryPage : public QWidget {
  Q_OBJECT
 public:
  // changed: called after every edit that may have changed the model.
  InventoryPage(TPartyMain& party, const PartyDataTable& table, Prompts& prompts,
                QPushButton* switchButton, std::function<void()> changed,
                QWidget* parent = nullptr);

  // Rebuilds the pick lists from the table (at each load of a record).
  void SetUpPickLists(const QStringList& items, const QStringList& mods, const QStringList& mods2,
                      const QStringList& statuses);
  // Shows the current character's inventory.
  void Fill();
  // Ends edits in progress, keeping what was typed.
  void EndEdits();

  // The stored sizes: "ih" and the item list's column widths "ilcol1".."ilcol6".
  void ReadSettings(const std::string& iniPath);
  void WriteSettings(const std::string& iniPath) const;

  // Handlers, public for the drag tests (the offscreen platform has no drag and drop).
  void BackpackDragOver(QObject* source, int col, int row, bool* accept);
  void SwitchView();
  const DragState& drag() const { return drag_; }

 private:
  void BuildBackpackPanel();
  void BuildItemList();
  void ConnectGrids();
  TPartyCharacter& Character();
  void FillBackpack();
  void FillSlots();
  void FillItemList();
  void RefreshMarkers();
  void Say(const std::string& message);
  void ShowBackpack(bool backpack);
  void ApplyPanelHeight();
  bool eventFilter(QObject* watched, QEvent* event) override;

  void BackpackCellLoseFocus(int col, int row);
  void BackpackSelectCell(int col, int row, bool* canSelect);
  void BackpackMouseDown(int col, int row, QMouseEvent* event);
  void SlotCellLoseFocus(int col, int row);
  void SlotSelectCell(int col, int row, bool* canSelect);
  void ItemCellLoseFocus(int col, int row);
  void ItemSelectCell(int col, int row, bool* canSelect);
  void ItemMouseDown(int col, int row, QMouseEvent* event);

  TPartyMain& party_;
  const PartyDataTable& table_;
  Prompts& prompts_;
  QPushButton* switch_;
  std::function<void()> changed_;

  QSplitter* splitter_ = nullptr;
  QWidget* panel1_ = nullptr;
  TImpStringgrid* charinvsg_ = nullptr;
  TImpStringgrid* charinvsg2_ = nullptr;
  TImpStringgrid* invitemlist_ = nullptr;
  DragState drag_;
  int panelHeight_ = 0;         // the height Panel1 has, or is to have once shown
  bool heightPending_ = false;  // panelHeight_ waits for the splitter to be shown
};

}  // namespace brindle
