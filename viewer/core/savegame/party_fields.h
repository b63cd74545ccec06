#pragma once
// The party model as named fields, for scripts: every value the editor's pages show, under a
// stable key ("clock", "time", "party.2", "char1.skill.7", "char3.grid.0.12", ...), and
// setting one by key with the rules the pages apply.

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

}  // namespace brindle
