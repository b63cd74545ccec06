#pragma once
// The party model as named fields, for scripts: every value the editor's pages show, under a
// stable key ("clock", "time", "party.2", "char1.skill.7", "char3.grid.0.12", ...), and
// setting one by key with the rules the pages apply.
//
// One table says what a field is: its key, where its caption comes from, the model member
// it lives in, the table column that gives its stored width, and the rule that writes and
// reads its text. Listing, setting, the save's conflict names and the pages' captions all
// read that table; a new field is one row there, and a new model member besides has its
// place in the record (party.cpp) and its part in the save's merge (party_store.cpp).

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/result.h"
#include "viewer/core/savegame/game_data.h"
#include "viewer/core/savegame/party.h"

namespace brindle {

struct PartyField {
  std::string key;
  std::string value;    // UTF-8
  std::string caption;  // UTF-8, from the game data table; empty where there is none
};

// Every field in a fixed order: the clock, the time, the party values, then per character
// its class, portrait, values, statistics, skills, spells, conditions, slots, the non-empty
// item-list entries and the non-zero backpack cells.
std::vector<PartyField> ListPartyFields(const TPartyMain& party, const PartyDataTable& table);

// "YEAR-MM-DD HH:MM:TTT" (month 01-12, day 01-28, 24-hour clock, TTT the tick).
std::string FormatGameTime(std::int32_t clock);

// Sets one field from text (UTF-8) as the page would take it. Fails, leaving the model as it
// was where it can, when the key names no field or the value cannot be taken: a number
// field given no number, a name no list holds, a time out of range, an item placement the
// inventory rules refuse (with their message).
Status SetPartyField(TPartyMain& party, const PartyDataTable& table, std::string_view key,
                     std::string_view value);

// ---- The field table ----

// The table's rows, in listing order.
enum class PartyFieldId : int {
  kClock,
  kTime,
  kPartyValue,
  // Each character's, under "charN.":
  kClass,
  kPortrait,
  kCharValue,
  kStat,
  kSkill,
  kSpell,
  kCondition,
  kSlot,
  kItem,
  kGridCell,
};

// Where a field's caption comes from.
enum class CaptionFrom {
  kNothing,
  kIndexRow,   // the game data table's caption column, at the key's first index
  kItemName,   // the caption column at the item number the value holds
  kClassName,  // the name of the class the value holds
};

// One index of a key: digits giving a number lo-hi or, where words are given, one of them
// (the first stands for lo). A row whose key has fewer indices leaves the rest at 0-0.
struct PartyKeyIndex {
  int lo = 0;
  int hi = 0;
  std::array<std::string_view, 2> words{};
};

// Which field of a row: the character (1-4, 0 for the party's own fields) and the key's
// indices in their order.
struct PartyFieldAt {
  int character = 0;
  std::array<int, 2> index{};
};

// A value on its way into the model: the field, its stored width where the game data table
// gives one, and the key and text as the caller gave them (for messages).
struct PartyFieldSetting {
  TPartyMain& party;
  const PartyDataTable& table;
  PartyFieldAt at;
  std::optional<std::int32_t> width;
  std::string_view key;
  std::string_view value;

  TPartyCharacter& Character() const { return party.Character(at.character); }
};

struct PartyFieldRow {
  PartyFieldId id;
  bool perCharacter;  // the key starts "charN." (N 1-4)
  // The key after that start, its parts separated by dots; each "#" stands for an index.
  std::string_view pattern;
  std::array<PartyKeyIndex, 2> indices;  // as many as the pattern has "#"
  CaptionFrom caption;
  int captionColumn;  // of the game data table; -1 for none
  int widthColumn;    // of the game data table, at the first index; -1 where the rule fixes it
  // The value as listed; nothing for a field that is empty and not listed.
  std::optional<std::string> (*show)(const TPartyMain& party, const PartyFieldAt& at);
  // The value taken from text into the model, or why it cannot be.
  Status (*take)(const PartyFieldSetting& setting);
};

std::span<const PartyFieldRow> PartyFieldRows();
const PartyFieldRow& PartyFieldRowOf(PartyFieldId id);

// The key of one field ("char2.stat.3.added").
std::string PartyFieldKey(PartyFieldId id, const PartyFieldAt& at);

// A caption cell of the game data table (Windows-1252) for a field captioned by its index:
// what the pages put beside the value. Empty for a field captioned otherwise.
const std::string& PartyFieldCaption(const PartyDataTable& table, PartyFieldId id, int index);

}  // namespace brindle
