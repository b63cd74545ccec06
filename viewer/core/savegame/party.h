#pragma once
// The party record of a saved game (the entry PARTY.BIN) and the model the editor works on.
//
// Record layout, little-endian, offsets from the start of the entry:
//   44      i32       the game clock, in ticks
//   (table) (table)   the three party values: offset and width from the game data table,
//                     columns 0 and 1, rows 1-3
//   2508, 9480, 16452, 23424: the four character blocks of 6972 bytes each:
//     0     20 x 8    conditions: i32 clock stamp when the condition began (<= 0: not
//                     active), then 4 bytes carried through
//     185   u8        class
//     186   i16       portrait, 0-24
//     264   37 x u16  skills: level in bits 0-5, Expert 64, Master 128, Grand Master 256
//     402   99 x u8   spells, 1 = known
//     532   138 x 36  item list: nine i32 fields each (ItemField)
//     5500  126 x i32 backpack, 9 rows of 14 cells: n > 0 the top-left cell of item-list
//                     entry n, -(r * 14 + c + 1) a cell covered by the item whose top-left
//                     cell is (c, r), 0 free
//     6472  16 x i32  equipped slots: item-list entry number, 0 empty
//     (table)         the eight character values (columns 3 and 4) and the eight statistic
//                     pairs (u16 at columns 15 and 16), offsets inside the block
//
// The editor reads the record as stored (never decompressed), changes only the model, and
// saving patches exactly the model's fields into a copy of the stored bytes: every other
// byte of the record, and of the container, stays as it was.

#include <array>
#include <cstdint>
#include <string>

#include "common/bytes.h"
#include "common/result.h"
#include "viewer/core/savegame/game_data.h"

namespace brindle {

inline constexpr int kCharacterCount = 4;
inline constexpr std::int64_t kCharacterBlockSize = 6972;
inline constexpr std::array<std::int64_t, kCharacterCount> kCharacterBlockStarts = {2508, 9480,
                                                                                    16452, 23424};
// The record must reach the last character block's end.
inline constexpr std::int64_t kPartyRecordMinSize = 23424 + kCharacterBlockSize;
inline constexpr std::int64_t kGameClockOffset = 44;
// A stored record that begins its payload with the compressed-data mark at 48 is packed; the
// editor only patches records stored as they are.
inline constexpr std::int64_t kPackedMarkOffset = 48;

inline constexpr int kPartyValueCount = 3;
inline constexpr int kCharValueCount = 8;
inline constexpr int kStatCount = 8;
inline constexpr int kConditionCount = 20;
inline constexpr int kConditionSlotSize = 8;
inline constexpr int kSkillCount = 37;
inline constexpr int kSpellCount = 99;
inline constexpr int kItemCount = 138;
inline constexpr int kItemFieldCount = 9;
inline constexpr int kGridColumns = 14;
inline constexpr int kGridRows = 9;
inline constexpr int kSlotCount = 16;
inline constexpr std::size_t kMaxCharValueLength = 100;

inline constexpr std::int64_t kClassOffset = 185;
inline constexpr std::int64_t kPortraitOffset = 186;
inline constexpr std::int64_t kSkillsOffset = 264;
inline constexpr std::int64_t kSpellsOffset = 402;
inline constexpr std::int64_t kItemsOffset = 532;
inline constexpr std::int64_t kItemRecordSize = 36;
inline constexpr std::int64_t kGridOffset = 5500;
inline constexpr std::int64_t kSlotsOffset = 6472;

inline constexpr std::uint16_t kSkillLevelMask = 63;
inline constexpr std::uint16_t kSkillExpert = 64;
inline constexpr std::uint16_t kSkillMaster = 128;
inline constexpr std::uint16_t kSkillGrandMaster = 256;

// The fields of an item-list entry, in stored order.
enum ItemField : int {
  kItemNumber = 0,  // row of the item names; 0 = the entry is empty
  kItemModPower = 1,
  kItemModAmount = 2,
  kItemMod2 = 3,
  kItemCharges = 4,
  kItemStatus = 5,
  kItemSlot = 6,  // equipped slot while worn, 0 once placed in the backpack
  kItemSpare1 = 7,
  kItemSpare2 = 8,
};
// Items with these numbers carry a plain power number in Mod/Power, not an enchantment.
inline constexpr int kFirstPowerItem = 220;
inline constexpr int kLastPowerItem = 271;
inline bool IsPowerItem(std::int32_t itemNumber) {
  return itemNumber >= kFirstPowerItem && itemNumber <= kLastPowerItem;
}

using ItemRecord = std::array<std::int32_t, kItemFieldCount>;

struct TPartyCharacter {
  std::int16_t Portrait = 0;
  std::uint8_t Class = 0;
  std::array<std::string, kCharValueCount> Values;  // Windows-1252, at most 100 characters
  std::array<std::array<std::uint16_t, 2>, kStatCount> Stats{};  // added, permanent
  std::array<ItemRecord, kItemCount> Items{};
  std::array<std::array<std::int16_t, kGridColumns>, kGridRows> Grid{};  // [row][column]
  std::array<std::int16_t, kSlotCount> Slots{};
  std::array<std::array<std::uint8_t, kConditionSlotSize>, kConditionCount> Conditions{};
  std::array<std::uint16_t, kSkillCount> Skills{};
  std::array<std::uint8_t, kSpellCount> Spells{};

  // Entry n, 1-138.
  ItemRecord& Item(int n) { return Items[static_cast<std::size_t>(n - 1)]; }
  const ItemRecord& Item(int n) const { return Items[static_cast<std::size_t>(n - 1)]; }
  std::int16_t& Cell(int col, int row) {
    return Grid[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
  }
  std::int16_t Cell(int col, int row) const {
    return Grid[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
  }
  bool operator==(const TPartyCharacter&) const = default;
  // The clock stamp of condition k (1-20).
  std::int32_t ConditionStamp(int k) const;
  void SetConditionStamp(int k, std::int32_t stamp);
};

struct TPartyMain {
  std::array<std::string, kPartyValueCount> PartyValues;  // Windows-1252 as shown
  std::int32_t GameClock = 0;
  std::array<TPartyCharacter, kCharacterCount> Characters;
  int CurrentCharacter = 0;  // 0 = the party pages, 1-4 a character
  bool FillingPages = false;

  // The record's contents alike (the page state aside).
  bool SameRecord(const TPartyMain& o) const {
    return PartyValues == o.PartyValues && GameClock == o.GameClock && Characters == o.Characters;
  }
  TPartyCharacter& Character(int n) { return Characters[static_cast<std::size_t>(n - 1)]; }
  const TPartyCharacter& Character(int n) const {
    return Characters[static_cast<std::size_t>(n - 1)];
  }
};

// Sets FillingPages while it lives (a fill, or a move the pages make themselves), so the
// pages' selection handlers leave the grids alone; restores what was there before.
class FillingPagesHold {
 public:
  explicit FillingPagesHold(TPartyMain& party) : party_(party), was_(party.FillingPages) {
    party_.FillingPages = true;
  }
  ~FillingPagesHold() { party_.FillingPages = was_; }
  FillingPagesHold(const FillingPagesHold&) = delete;
  FillingPagesHold& operator=(const FillingPagesHold&) = delete;

 private:
  TPartyMain& party_;
  bool was_;
};

// Where a variable-width field lies: offset (from the record, or from a character block)
// and width in bytes.
struct FieldPlace {
  std::int64_t offset = 0;
  std::int64_t width = 0;
};

// The places the game data table gives, checked against a record of recordSize bytes.
struct PartyLayout {
  std::array<FieldPlace, kPartyValueCount> partyValues;
  std::array<FieldPlace, kCharValueCount> charValues;
  std::array<std::array<std::int64_t, 2>, kStatCount> statOffsets{};
};

// Reads the layout from the table. An offset or width that is not a whole number, a negative
// offset, or a field that reaches past the record (in any of the four blocks) fails with a
// sentence naming the table cell.
Result<PartyLayout> ReadPartyLayout(const PartyDataTable& table, std::int64_t recordSize);

// The stored record is one the editor can work on: not packed and long enough to hold the
// four character blocks. The message names the entry.
Status CheckPartyRecord(ByteView stored, const std::string& entryName);

// A variable-width field as shown: width 1 unsigned, 2 and 4 signed decimal; 3 and 5 or more
// the text up to its first zero byte; 0 or less nothing. Bytes past the record read as zero.
std::string ReadFieldValue(ByteView record, std::int64_t offset, std::int64_t width);
// The shown text back into the record: numbers (no integer: 0) as their low bytes, texts cut
// to the width and padded with zero bytes. Nothing is written past the record.
void WriteFieldValue(MutableByteView record, std::int64_t offset, const std::string& text,
                     std::int64_t width);

// The model from a stored record (CheckPartyRecord and ReadPartyLayout first).
TPartyMain LoadPartyRecord(ByteView stored, const PartyLayout& layout);
// The record with the model's fields patched into a copy of the stored bytes.
Bytes PatchPartyRecord(ByteView stored, const TPartyMain& party, const PartyLayout& layout);

}  // namespace brindle
