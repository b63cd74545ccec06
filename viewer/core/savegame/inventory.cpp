#include "viewer/core/savegame/inventory.h"

#include <algorithm>
#include <cstdlib>

#include "common/codepage.h"
#include "viewer/core/savegame/party_edits.h"

namespace brindle {

namespace {

bool InGrid(int col, int row) {
  return col >= 0 && col < kGridColumns && row >= 0 && row < kGridRows;
}

// The row of a name in a list column; empty text, an unknown name and the count in row 0
// all give 0.
int NameRow(const PartyDataTable& table, int col, std::string_view text) {
  if (text.empty()) return 0;
  return std::max(table.FindRow(col, text), 0);
}

std::string NumberOrEmpty(std::int32_t v) {
  return v == 0 ? std::string() : std::to_string(v);
}

bool RoomFor(const TPartyCharacter& ch, int col, int row, ItemSize size) {
  for (int r = row; r < row + size.height; ++r)
    for (int c = col; c < col + size.width; ++c)
      if (!InGrid(c, r) || ch.Cell(c, r) != 0) return false;
  return true;
}

}  // namespace

std::string NoSuchItemMessage(int n) {
  return "Item " + std::to_string(n) + " does not exist!";
}

ItemPlace FindItem(const TPartyCharacter& ch, int n) {
  ItemPlace place;
  if (n <= 0) return place;
  for (int s = 0; s < kSlotCount; ++s)
    if (ch.Slots[static_cast<std::size_t>(s)] == n) {
      place.kind = PlaceKind::kEquipped;
      place.slot = s + 1;
      return place;
    }
  for (int r = 0; r < kGridRows; ++r)
    for (int c = 0; c < kGridColumns; ++c)
      if (ch.Cell(c, r) == n) {
        place.kind = PlaceKind::kBackpack;
        place.col = c;
        place.row = r;
        return place;
      }
  return place;
}

bool IsEmptyEntry(const TPartyCharacter& ch, int n) {
  return n < 1 || n > kItemCount || ch.Item(n)[kItemNumber] == 0;
}

BackpackCell TopLeftCell(const TPartyCharacter& ch, int col, int row) {
  const int v = InGrid(col, row) ? ch.Cell(col, row) : 0;
  if (v >= 0) return {col, row};
  const int owner = -v - 1;
  const BackpackCell top{owner % kGridColumns, owner / kGridColumns};
  return InGrid(top.col, top.row) ? top : BackpackCell{col, row};
}

std::optional<BackpackCell> StepOverBox(const TPartyCharacter& ch, BackpackCell from,
                                        BackpackCell to) {
  const int dc = to.col - from.col, dr = to.row - from.row;
  if (std::abs(dc) + std::abs(dr) != 1 || !InGrid(from.col, from.row) || !InGrid(to.col, to.row))
    return std::nullopt;
  const BackpackCell top = TopLeftCell(ch, to.col, to.row);
  if (ch.Cell(top.col, top.row) <= 0 || !(TopLeftCell(ch, from.col, from.row) == top))
    return std::nullopt;
  BackpackCell at = to;
  while (InGrid(at.col, at.row) && TopLeftCell(ch, at.col, at.row) == top) {
    at.col += dc;
    at.row += dr;
  }
  if (!InGrid(at.col, at.row)) return std::nullopt;
  return at;
}

int BoxKey(const TPartyCharacter& ch, int col, int row) {
  if (!InGrid(col, row)) return 0;
  const BackpackCell top = TopLeftCell(ch, col, row);
  return std::max<int>(ch.Cell(top.col, top.row), 0);
}

Result<ItemSize> ItemSizeOf(const PartyDataTable& table, std::int32_t itemNumber) {
  ItemSize size;
  const int cols[] = {kColItemWidth, kColItemHeight};
  int* dims[] = {&size.width, &size.height};
  for (int i = 0; i < 2; ++i) {
    std::optional<std::int32_t> v = table.IntCell(cols[i], itemNumber);
    if (!v)
      return Fail("The size of item " + std::to_string(itemNumber) +
                  " cannot be read: the game data table's column " + std::to_string(cols[i]) +
                  ", row " + std::to_string(itemNumber) + " holds \"" +
                  Cp1252ToUtf8(table.Cell(cols[i], itemNumber)) +
                  "\", which is not a whole number.");
    // An item always covers at least its own cell.
    *dims[i] = std::max(*v, 1);
  }
  return size;
}

void RemoveFromBackpack(TPartyCharacter& ch, int col, int row) {
  if (!InGrid(col, row) || ch.Cell(col, row) == 0) return;
  // A covered cell: free the whole item rather than leave the rest of it behind.
  const BackpackCell top = TopLeftCell(ch, col, row);
  if (!(top == BackpackCell{col, row}) && ch.Cell(top.col, top.row) > 0) {
    RemoveFromBackpack(ch, top.col, top.row);
    return;
  }
  const std::int16_t cover = CoverValue(col, row);
  for (auto& cells : ch.Grid)
    for (std::int16_t& v : cells)
      if (v == cover) v = 0;
  ch.Cell(col, row) = 0;
}

PlaceOutcome PlaceInBackpack(TPartyCharacter& ch, const PartyDataTable& table, int n, int col,
                             int row) {
  n = std::clamp(n, 0, kItemCount);
  if (n == 0) return {};
  const ItemPlace where = FindItem(ch, n);
  if (where.kind != PlaceKind::kNone &&
      !(where.kind == PlaceKind::kBackpack && where.col == col && where.row == row))
    return {0, kOnceOnlyMessage};
  if (IsEmptyEntry(ch, n)) return {0, NoSuchItemMessage(n)};
  Result<ItemSize> size = ItemSizeOf(table, ch.Item(n)[kItemNumber]);
  if (!size) return {0, size.message()};
  if (!RoomFor(ch, col, row, *size)) return {0, kNoRoomMessage};
  for (int r = row; r < row + size->height; ++r)
    for (int c = col; c < col + size->width; ++c)
      ch.Cell(c, r) = CoverValue(col, row);
  ch.Cell(col, row) = static_cast<std::int16_t>(n);
  ch.Item(n)[kItemSlot] = 0;
  return {n, {}};
}

PlaceOutcome EditBackpackCell(TPartyCharacter& ch, const PartyDataTable& table, int col, int row,
                              std::string_view text) {
  const int n = IntOr(text, 0);
  // The edit is tried on a copy: an accepted number replaces the item that was there, a
  // refused one leaves the backpack and the slots exactly as they were.
  TPartyCharacter tried = ch;
  RemoveFromBackpack(tried, col, row);
  PlaceOutcome out;
  if (n != 0) out = PlaceInBackpack(tried, table, n, col, row);
  if (!out.message.empty()) return out;
  ch = std::move(tried);
  return out;
}

PlaceOutcome EditSlot(TPartyCharacter& ch, int slot, std::string_view text) {
  int n = std::clamp(IntOr(text, 0), 0, kItemCount);
  PlaceOutcome out;
  if (n != 0) {
    const ItemPlace where = FindItem(ch, n);
    if (where.kind == PlaceKind::kBackpack ||
        (where.kind == PlaceKind::kEquipped && where.slot != slot)) {
      out.message = kOnceOnlyMessage;
    } else if (IsEmptyEntry(ch, n)) {
      out.message = NoSuchItemMessage(n);
    }
  }
  // A refused number leaves the slot as it was.
  if (!out.message.empty()) return out;
  ch.Slots[static_cast<std::size_t>(slot - 1)] = static_cast<std::int16_t>(n);
  if (n > 0) ch.Item(n)[kItemSlot] = slot;
  out.placed = n;
  return out;
}

void DeleteItem(TPartyCharacter& ch, int n) {
  if (n < 1 || n > kItemCount) return;
  const ItemPlace where = FindItem(ch, n);
  if (where.kind == PlaceKind::kBackpack) RemoveFromBackpack(ch, where.col, where.row);
  if (where.kind == PlaceKind::kEquipped) ch.Slots[static_cast<std::size_t>(where.slot - 1)] = 0;
  ch.Item(n).fill(0);
}

std::string ListMarker(const TPartyCharacter& ch, int n) {
  return (IsPlaced(ch, n) ? "(*) " : "") + std::to_string(n);
}

int LastItem(const TPartyCharacter& ch) {
  for (int n = kItemCount; n >= 1; --n)
    if (!IsEmptyEntry(ch, n)) return n;
  return 0;
}

int ItemListRowCount(const TPartyCharacter& ch) {
  return std::max(LastItem(ch) + 2, 3);
}

ItemRowTexts ShowItemRow(const TPartyCharacter& ch, const PartyDataTable& table, int n) {
  ItemRowTexts cells;
  if (IsEmptyEntry(ch, n)) return cells;
  const ItemRecord& it = ch.Item(n);
  cells[0] = ListMarker(ch, n);
  cells[kColItemName] = table.Cell(kColItemNames, it[kItemNumber]);
  cells[kColCharges] = NumberOrEmpty(it[kItemCharges]);
  if (it[kItemModPower] != 0) {
    if (IsPowerItem(it[kItemNumber])) {
      cells[kColModPower] = std::to_string(it[kItemModPower]);
    } else {
      cells[kColModPower] = table.Cell(kColEnchantments, it[kItemModPower]);
      cells[kColModAmount] = std::to_string(it[kItemModAmount]);
    }
  }
  if (it[kItemMod2] != 0) cells[kColMod2] = table.Cell(kColSecondEnchantments, it[kItemMod2]);
  cells[kColStatus] = table.Cell(kColItemStatuses, it[kItemStatus] + 1);
  return cells;
}

ItemRowEdit EditItemRow(TPartyCharacter& ch, const PartyDataTable& table, int n,
                        const ItemRowTexts& typed) {
  ItemRowEdit e;
  if (n < 1 || n > kItemCount) return e;
  if (typed[kColItemName].empty()) {
    DeleteItem(ch, n);
    e.deleted = true;
    return e;
  }
  ItemRecord& it = ch.Item(n);
  it[kItemNumber] = std::max(table.FindRow(kColItemNames, typed[kColItemName]), 1);
  e.cells[kColItemName] = table.Cell(kColItemNames, it[kItemNumber]);
  it[kItemCharges] = IntOr(typed[kColCharges], 0);
  e.cells[kColCharges] = NumberOrEmpty(it[kItemCharges]);
  if (IsPowerItem(it[kItemNumber])) {
    it[kItemModPower] = IntOr(typed[kColModPower], 1);
    e.cells[kColModPower] = std::to_string(it[kItemModPower]);
  } else {
    it[kItemModPower] = NameRow(table, kColEnchantments, typed[kColModPower]);
    if (it[kItemModPower] != 0) {
      e.cells[kColModPower] = table.Cell(kColEnchantments, it[kItemModPower]);
      it[kItemModAmount] = IntOr(typed[kColModAmount], 1);
      e.cells[kColModAmount] = std::to_string(it[kItemModAmount]);
    }
  }
  it[kItemMod2] = NameRow(table, kColSecondEnchantments, typed[kColMod2]);
  e.cells[kColMod2] = it[kItemMod2] != 0 ? table.Cell(kColSecondEnchantments, it[kItemMod2]) : "";
  const int statusRow = typed[kColStatus].empty()
                            ? 2
                            : std::max(table.FindRow(kColItemStatuses, typed[kColStatus]), 1);
  it[kItemStatus] = statusRow - 1;
  e.cells[kColStatus] = table.Cell(kColItemStatuses, statusRow);
  const ItemPlace where = FindItem(ch, n);
  if (where.kind == PlaceKind::kBackpack) {
    // Placed again at its corner in its new size; one that no longer fits stays out, its
    // new fields kept.
    RemoveFromBackpack(ch, where.col, where.row);
    e.message = PlaceInBackpack(ch, table, n, where.col, where.row).message;
  }
  e.cells[0] = ListMarker(ch, n);
  return e;
}

bool DragOverCell(TPartyCharacter& ch, const PartyDataTable& table, int n, int col, int row,
                  DragState& drag) {
  if (IsPlaced(ch, n) && !drag.Active()) return false;
  // The cell under the pointer is the grabbed cell: the top-left lies that far up and left.
  const int left = col - drag.grabCol, top = row - drag.grabRow;
  if (left < 0 || top < 0) return false;
  if (drag.Active() && drag.col == left && drag.row == top) return false;
  const int grabCol = drag.grabCol, grabRow = drag.grabRow;
  if (drag.Active()) {
    RemoveFromBackpack(ch, drag.col, drag.row);
    drag = {-1, -1, grabCol, grabRow};
  }
  if (PlaceInBackpack(ch, table, n, left, top).placed == 0) return false;
  drag = {left, top, grabCol, grabRow};
  return true;
}

}  // namespace brindle
