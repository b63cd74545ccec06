#pragma once
// The inventory rules over one character: an item-list entry is placed at most once (with
// its top-left cell in the backpack or in one equipped slot), only when it exists, and in
// the backpack only where its whole rectangle of cells is inside the grid and free. Every
// rule works on the model alone; the page shows what they answer.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "common/result.h"
#include "viewer/core/savegame/game_data.h"
#include "viewer/core/savegame/party.h"

namespace brindle {

inline constexpr const char* kOnceOnlyMessage =
    "A number in the item list can only appear in either inventory once!";
inline constexpr const char* kNoRoomMessage = "Item doesn't fit there!";
std::string NoSuchItemMessage(int n);  // "Item N does not exist!"

enum class PlaceKind { kNone, kBackpack, kEquipped };
struct ItemPlace {
  PlaceKind kind = PlaceKind::kNone;
  int col = -1, row = -1;  // the top-left cell, in the backpack
  int slot = 0;            // 1-16, when equipped
};
// Where entry n is placed; an entry both in a slot and in the backpack counts as equipped.
ItemPlace FindItem(const TPartyCharacter& ch, int n);
inline bool IsPlaced(const TPartyCharacter& ch, int n) {
  return FindItem(ch, n).kind != PlaceKind::kNone;
}
bool IsEmptyEntry(const TPartyCharacter& ch, int n);

struct BackpackCell {
  int col = 0, row = 0;
  bool operator==(const BackpackCell&) const = default;
};
// The top-left cell of the item a covered cell belongs to; any other cell (and a cover value
// that points outside the grid) is its own.
BackpackCell TopLeftCell(const TPartyCharacter& ch, int col, int row);
// The list number of the item covering a backpack cell, or 0 for a free cell.
int BoxKey(const TPartyCharacter& ch, int col, int row);
// Where an arrow key's step from a cell of an item's box onto another cell of the same box
// lands: the first cell past the box in the step's direction. Nothing when the step is no
// single step, starts outside that box, or would leave the grid.
std::optional<BackpackCell> StepOverBox(const TPartyCharacter& ch, BackpackCell from,
                                        BackpackCell to);
// The value a covered cell holds for an item whose top-left cell is (col, row).
inline std::int16_t CoverValue(int col, int row) {
  return static_cast<std::int16_t>(-(row * kGridColumns + col + 1));
}

struct ItemSize {
  int width = 1;
  int height = 1;
};
// From the game data table, columns 17 and 18 at the item number. Text that is no whole
// number fails with a sentence naming the cell.
Result<ItemSize> ItemSizeOf(const PartyDataTable& table, std::int32_t itemNumber);

// Frees the item whose top-left cell is (col, row): its covered cells, then the cell itself.
void RemoveFromBackpack(TPartyCharacter& ch, int col, int row);

// What a placement did: the number now at the cell or slot (0 when nothing was placed) and
// the message the page shows when it was refused with messages (empty when none).
struct PlaceOutcome {
  int placed = 0;
  std::string message;
};
PlaceOutcome PlaceInBackpack(TPartyCharacter& ch, const PartyDataTable& table, int n, int col,
                             int row);

// A backpack cell's text typed: whatever had its top-left cell there is taken out and the
// typed number is placed.
PlaceOutcome EditBackpackCell(TPartyCharacter& ch, const PartyDataTable& table, int col, int row,
                              std::string_view text);
// An equipped slot's number typed (slot 1-16). Slots have no size rule.
PlaceOutcome EditSlot(TPartyCharacter& ch, int slot, std::string_view text);

// Entry n taken out of wherever it is placed and all its fields set to 0.
void DeleteItem(TPartyCharacter& ch, int n);

// Column 0 of the item list: "(*) n" for a placed entry, else n.
std::string ListMarker(const TPartyCharacter& ch, int n);
// The last non-empty entry's number (0 when none).
int LastItem(const TPartyCharacter& ch);
// Captions, entries to the last non-empty one, one empty row for a new item; at least 3.
int ItemListRowCount(const TPartyCharacter& ch);

// The six editable columns of an item-list row as shown (column 0, the marker, apart).
enum ItemColumn : int {
  kColItemName = 1,
  kColCharges = 2,
  kColModPower = 3,
  kColModAmount = 4,
  kColMod2 = 5,
  kColStatus = 6,
};
using ItemRowTexts = std::array<std::string, 7>;  // [0] marker, [1..6] the columns above
ItemRowTexts ShowItemRow(const TPartyCharacter& ch, const PartyDataTable& table, int n);

struct ItemRowEdit {
  ItemRowTexts cells;  // the row as shown afterwards
  bool deleted = false;
  std::string message;  // from placing the item again where it lies
};
// Row n edited: an empty name deletes the entry, anything else sets its fields from the
// names and numbers typed, and an entry lying in the backpack is placed again at its cell
// (taken out when its new size no longer fits there).
ItemRowEdit EditItemRow(TPartyCharacter& ch, const PartyDataTable& table, int n,
                        const ItemRowTexts& typed);

// A drag of entry n over the backpack: the tentative position is where the drag last placed
// the item. Returns true when the item now lies at (col, row) (the grid's current cell
// follows it). No message is ever given: a cell without room is passed over.
struct DragState {
  int col = -1, row = -1;  // the dragged item's top-left cell while it lies in the backpack
  // Where in the item the pointer took it, from its top-left cell: the item keeps that cell
  // under the pointer instead of jumping to put its corner there.
  int grabCol = 0, grabRow = 0;
  bool Active() const { return col >= 0; }
};
bool DragOverCell(TPartyCharacter& ch, const PartyDataTable& table, int n, int col, int row,
                  DragState& drag);

}  // namespace brindle
