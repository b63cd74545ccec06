#include "viewer/ui/savegame/inventory_page.h"

#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "common/codepage.h"
#include "viewer/core/savegame/party_fields.h"
#include "viewer/core/settings/ini_file.h"
#include "viewer/ui/base/game_text.h"

namespace brindle {

namespace {

constexpr int kItemListColumns = 7;
constexpr const char* kEquippedCaption = "Edit Equipped Inventory";
constexpr const char* kUnequippedCaption = "Edit Unequipped Inventory";
// Captions, entries 1-138; the row that would make entry 139 has no place in the record.
constexpr int kMaxItemListRows = kItemCount + 1;
constexpr int kBackpackRowHeight = 18;

}  // namespace

InventoryPage::InventoryPage(TPartyMain& party, const PartyDataTable& table, Prompts& prompts,
                             QPushButton* switchButton, std::function<void()> changed,
                             QWidget* parent)
    : QWidget(parent),
      party_(party),
      table_(table),
      prompts_(prompts),
      switch_(switchButton),
      changed_(std::move(changed)) {
  splitter_ = new QSplitter(Qt::Vertical, this);
  splitter_->setObjectName("Splitter1");
  splitter_->setChildrenCollapsible(false);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(splitter_);

  BuildBackpackPanel();
  BuildItemList();
  splitter_->addWidget(panel1_);
  splitter_->addWidget(invitemlist_);
  // Height the window gains or loses goes to the item list; the backpack keeps its rows.
  splitter_->setStretchFactor(0, 0);
  splitter_->setStretchFactor(1, 1);
  splitter_->installEventFilter(this);
  connect(splitter_, &QSplitter::splitterMoved, this, [this] { panelHeight_ = panel1_->height(); });

  ConnectGrids();
}

// The backpack grid and, in its place while equipped items are edited, the slot list.
void InventoryPage::BuildBackpackPanel() {
  panel1_ = new QWidget(splitter_);
  panel1_->setObjectName("Panel1");
  auto* panelLayout = new QVBoxLayout(panel1_);
  panelLayout->setContentsMargins(0, 0, 0, 0);

  charinvsg_ = new TImpStringgrid(panel1_);
  charinvsg_->setObjectName("charinvsg");
  charinvsg_->SetColCount(kGridColumns);
  charinvsg_->SetRowCount(kGridRows);
  charinvsg_->SetDefaultColWidth(27);
  charinvsg_->SetDefaultRowHeight(kBackpackRowHeight);
  charinvsg_->SetColorGrid(true);
  panelLayout->addWidget(charinvsg_);

  charinvsg2_ = new TImpStringgrid(panel1_);
  charinvsg2_->setObjectName("charinvsg2");
  charinvsg2_->SetColCount(2);
  charinvsg2_->SetRowCount(kSlotCount + 1);
  charinvsg2_->SetFixedRows(1);
  charinvsg2_->SetFixedCols(1);
  charinvsg2_->Column(0).SetWidth(140);
  charinvsg2_->hide();
  panelLayout->addWidget(charinvsg2_);
}

void InventoryPage::BuildItemList() {
  invitemlist_ = new TImpStringgrid(splitter_);
  invitemlist_->setObjectName("invitemlist");
  invitemlist_->SetColCount(kItemListColumns);
  invitemlist_->SetRowCount(3);
  invitemlist_->SetFixedRows(1);
  invitemlist_->SetFixedCols(1);
  const char* captions[] = {"Item Number", "Item Name", "Charges/Gold", "Mod/Power",
                            "Mod Amount",  "Mod 2",     "Item Status"};
  const int widths[] = {80, 160, 80, 110, 80, 110, 100};
  for (int c = 0; c < kItemListColumns; ++c) {
    invitemlist_->Column(c).SetTitle(captions[c]);
    invitemlist_->Column(c).SetWidth(widths[c]);
  }
  for (int c : {kColItemName, kColModPower, kColMod2, kColStatus})
    invitemlist_->Column(c).ButtonStyle = cbsPicklist;
}

void InventoryPage::ConnectGrids() {
  connect(charinvsg_, &TImpStringgrid::CellLoseFocus, this, &InventoryPage::BackpackCellLoseFocus);
  connect(charinvsg_, &TImpStringgrid::SelectCell, this, &InventoryPage::BackpackSelectCell);
  connect(charinvsg_, &TImpStringgrid::MouseDown, this, &InventoryPage::BackpackMouseDown);
  connect(charinvsg_, &TImpStringgrid::DragOver, this, &InventoryPage::BackpackDragOver);
  connect(charinvsg2_, &TImpStringgrid::CellLoseFocus, this, &InventoryPage::SlotCellLoseFocus);
  connect(charinvsg2_, &TImpStringgrid::SelectCell, this, &InventoryPage::SlotSelectCell);
  connect(invitemlist_, &TImpStringgrid::CellLoseFocus, this, &InventoryPage::ItemCellLoseFocus);
  connect(invitemlist_, &TImpStringgrid::SelectCell, this, &InventoryPage::ItemSelectCell);
  connect(invitemlist_, &TImpStringgrid::MouseDown, this, &InventoryPage::ItemMouseDown);
}

TPartyCharacter& InventoryPage::Character() {
  return party_.Character(std::clamp(party_.CurrentCharacter, 1, kCharacterCount));
}

void InventoryPage::SetUpPickLists(const QStringList& items, const QStringList& mods,
                                   const QStringList& mods2, const QStringList& statuses) {
  invitemlist_->Column(kColItemName).PickList = items;
  invitemlist_->Column(kColModPower).PickList = mods;
  invitemlist_->Column(kColMod2).PickList = mods2;
  invitemlist_->Column(kColStatus).PickList = statuses;
}

void InventoryPage::Say(const std::string& message) {
  if (!message.empty()) prompts_.Message(message);
}

void InventoryPage::EndEdits() {
  for (TImpStringgrid* g : {charinvsg_, charinvsg2_, invitemlist_})
    g->EndEdit();
}

void InventoryPage::Fill() {
  FillingPagesHold filling(party_);
  drag_ = {};
  FillBackpack();
  FillSlots();
  FillItemList();
  charinvsg2_->SetCurrentCell(1, 1);
  charinvsg_->SetCurrentCell(0, 0);
}

void InventoryPage::FillBackpack() {
  const TPartyCharacter& ch = Character();
  for (int r = 0; r < kGridRows; ++r)
    for (int c = 0; c < kGridColumns; ++c) {
      const int v = ch.Cell(c, r);
      const int key = BoxKey(ch, c, r);
      charinvsg_->SetCell(c, r, v > 0 ? QString::number(v) : QString());
      charinvsg_->SetKey(c, r, key > 0 ? QString::number(key) : QString());
    }
  charinvsg_->Invalidate();
}

void InventoryPage::FillSlots() {
  const TPartyCharacter& ch = Character();
  charinvsg2_->SetRowCount(kSlotCount + 1);
  charinvsg2_->Column(0).SetTitle("Position");
  charinvsg2_->Column(1).SetTitle("Item Number");
  for (int s = 1; s <= kSlotCount; ++s) {
    const int n = ch.Slots[static_cast<std::size_t>(s - 1)];
    charinvsg2_->SetCell(0, s, ShownText(PartyFieldCaption(table_, PartyFieldId::kSlot, s)));
    charinvsg2_->SetCell(1, s, n > 0 ? QString::number(n) : QString());
  }
}

void InventoryPage::FillItemList() {
  const TPartyCharacter& ch = Character();
  invitemlist_->SetRowCount(std::min(ItemListRowCount(ch), kMaxItemListRows));
  for (int n = 1; n < invitemlist_->RowCount(); ++n) {
    const ItemRowTexts cells = ShowItemRow(ch, table_, n);
    for (int c = 0; c < kItemListColumns; ++c)
      invitemlist_->SetCell(c, n, ShownText(cells[static_cast<std::size_t>(c)]));
  }
}

void InventoryPage::RefreshMarkers() {
  const TPartyCharacter& ch = Character();
  const int last = std::min(LastItem(ch), invitemlist_->RowCount() - 1);
  for (int n = 1; n <= last; ++n)
    if (!IsEmptyEntry(ch, n)) invitemlist_->SetCell(0, n, ShownText(ListMarker(ch, n)));
}

void InventoryPage::ShowBackpack(bool backpack) {
  charinvsg_->setVisible(backpack);
  charinvsg2_->setVisible(!backpack);
  switch_->setText(backpack ? kEquippedCaption : kUnequippedCaption);
}

void InventoryPage::SwitchView() {
  ShowBackpack(switch_->text() != kEquippedCaption);
}

// ---- The backpack ----

void InventoryPage::BackpackCellLoseFocus(int col, int row) {
  const PlaceOutcome out =
      EditBackpackCell(Character(), table_, col, row, charinvsg_->Cells(col, row).toStdString());
  FillBackpack();
  RefreshMarkers();
  changed_();
  Say(out.message);
}

void InventoryPage::BackpackSelectCell(int col, int row, bool* canSelect) {
  if (party_.FillingPages) return;
  const TPartyCharacter& ch = Character();
  const int v = ch.Cell(col, row);
  if (v > 0) {
    FillingPagesHold filling(party_);
    invitemlist_->SetCurrentCell(invitemlist_->Col() > 0 ? invitemlist_->Col() : 1, v);
  } else if (v < 0) {
    // A covered cell is never current. An arrow key's step from inside the item's box goes
    // on past the box; any other way there selects the item's entry, which brings the
    // grid's selection to the item's top-left cell.
    *canSelect = false;
    const std::optional<BackpackCell> past =
        StepOverBox(ch, {charinvsg_->Col(), charinvsg_->Row()}, {col, row});
    if (past && !charinvsg_->Dragging()) {
      // Once this refusal is done: the grid is still in the middle of the step.
      QTimer::singleShot(0, this,
                         [this, to = *past] { charinvsg_->SetCurrentCell(to.col, to.row); });
      return;
    }
    const int owner = BoxKey(ch, col, row);
    if (owner > 0) invitemlist_->SetCurrentCell(std::max(invitemlist_->Col(), 1), owner);
  }
}

void InventoryPage::BackpackMouseDown(int col, int row, QMouseEvent*) {
  if (charinvsg_->Dragging() || invitemlist_->Dragging() || col < 0 || row < 0) return;
  const TPartyCharacter& ch = Character();
  const auto [c, r] = TopLeftCell(ch, col, row);
  charinvsg_->SetCurrentCell(c, r);
  if (ch.Cell(c, r) > 0) {
    drag_ = {c, r, col - c, row - r};
    charinvsg_->BeginDrag(false);
  }
}

void InventoryPage::BackpackDragOver(QObject* source, int col, int row, bool* accept) {
  if (source != invitemlist_ && source != charinvsg_) {
    *accept = false;
    return;
  }
  *accept = true;
  if (col < 0 || row < 0) return;
  const int n = invitemlist_->Row();
  if (n < 1 || n > kItemCount) return;
  const bool moved = DragOverCell(Character(), table_, n, col, row, drag_);
  FillBackpack();
  RefreshMarkers();
  if (moved) {
    FillingPagesHold filling(party_);
    charinvsg_->SetCurrentCell(drag_.col, drag_.row);
  }
  changed_();
}

// ---- The equipped slots ----

void InventoryPage::SlotCellLoseFocus(int col, int row) {
  if (col != 1 || row < 1 || row > kSlotCount) return;
  const PlaceOutcome out = EditSlot(Character(), row, charinvsg2_->Cells(1, row).toStdString());
  charinvsg2_->SetCell(1, row, out.placed > 0 ? QString::number(out.placed) : QString());
  RefreshMarkers();
  changed_();
  Say(out.message);
}

void InventoryPage::SlotSelectCell(int, int row, bool*) {
  if (party_.FillingPages) return;
  bool ok = false;
  const int n = charinvsg2_->Cells(1, row).toInt(&ok);
  if (!ok || n < 1) return;
  FillingPagesHold filling(party_);
  invitemlist_->SetCurrentCell(std::max(invitemlist_->Col(), 1), n);
}

// ---- The item list ----

void InventoryPage::ItemCellLoseFocus(int, int row) {
  const int n = row;
  if (n < 1 || n > kItemCount) return;
  TPartyCharacter& ch = Character();
  ItemRowTexts typed;
  for (int c = 0; c < kItemListColumns; ++c)
    typed[static_cast<std::size_t>(c)] = GameText(invitemlist_->Cells(c, n));
  const ItemRowEdit e = EditItemRow(ch, table_, n, typed);
  if (e.deleted) {
    for (int c = 0; c < kItemListColumns; ++c)
      invitemlist_->SetCell(c, n, {});
    if (invitemlist_->RowCount() == n + 2) invitemlist_->SetRowCount(n + 1);
  } else {
    if (invitemlist_->RowCount() < n + 2)
      invitemlist_->SetRowCount(std::min(n + 2, kMaxItemListRows));
    for (int c = 0; c < kItemListColumns; ++c)
      invitemlist_->SetCell(c, n, ShownText(e.cells[static_cast<std::size_t>(c)]));
  }
  FillBackpack();
  FillSlots();
  RefreshMarkers();
  changed_();
  Say(e.message);
}

void InventoryPage::ItemSelectCell(int, int row, bool*) {
  if (party_.FillingPages) return;
  const ItemPlace where = FindItem(Character(), row);
  if (where.kind == PlaceKind::kNone) return;
  FillingPagesHold filling(party_);
  if (where.kind == PlaceKind::kBackpack) {
    charinvsg_->SetCurrentCell(where.col, where.row);
    ShowBackpack(true);
  } else {
    charinvsg2_->SetCurrentCell(1, where.slot);
    ShowBackpack(false);
  }
}

void InventoryPage::ItemMouseDown(int col, int row, QMouseEvent*) {
  if (row < 1) return;
  // The caption column cannot be current: a press there makes its row current.
  if (col == 0) invitemlist_->SetCurrentCell(std::max(invitemlist_->Col(), 1), row);
  if (charinvsg_->Dragging() || invitemlist_->Dragging() || col != 0) return;
  const TPartyCharacter& ch = Character();
  if (IsEmptyEntry(ch, row) || IsPlaced(ch, row)) return;
  drag_ = {};
  invitemlist_->BeginDrag(true);
}

// ---- Settings ----

void InventoryPage::ReadSettings(const std::string& iniPath) {
  IniFile ini(iniPath);
  ini.Load();
  // Without a stored height the panel keeps its height, which at first shows the whole
  // backpack: nine rows and the frame.
  if (std::optional<std::int32_t> h = ParseTableInt(ini.Read("Window", "ih")); h && *h > 0)
    panelHeight_ = *h;
  else if (panelHeight_ <= 0)
    panelHeight_ = kGridRows * kBackpackRowHeight + 2 * charinvsg_->frameWidth();
  // A splitter that is not shown has no room to share yet: the height is given when it is.
  heightPending_ = true;
  if (splitter_->isVisible()) ApplyPanelHeight();
  for (int i = 1; i <= 6; ++i)
    if (std::optional<std::int32_t> w =
            ParseTableInt(ini.Read("Window", "ilcol" + std::to_string(i)));
        w && *w > 0)
      invitemlist_->Column(i).SetWidth(*w);
}

void InventoryPage::ApplyPanelHeight() {
  heightPending_ = false;
  splitter_->setSizes({panelHeight_, std::max(splitter_->height() - panelHeight_, 1)});
}

bool InventoryPage::eventFilter(QObject* watched, QEvent* event) {
  const bool sized = event->type() == QEvent::Resize || event->type() == QEvent::Show;
  if (watched == splitter_ && sized && heightPending_ && splitter_->isVisible()) ApplyPanelHeight();
  return QWidget::eventFilter(watched, event);
}

void InventoryPage::WriteSettings(const std::string& iniPath) const {
  IniFile ini(iniPath);
  ini.Load();
  // A panel never shown has no height of its own yet: it has the one it will be given.
  const int height = splitter_->isVisible() && !heightPending_ ? panel1_->height() : panelHeight_;
  ini.Write("Window", "ih", std::to_string(height));
  for (int i = 1; i <= 6; ++i)
    ini.Write("Window", "ilcol" + std::to_string(i),
              std::to_string(invitemlist_->Column(i).Width()));
  ini.Save();
}

}  // namespace brindle
