#pragma once
// What the party and character pages show for the record's encodings, and how what the user
// typed goes back into the model. No edit ever fails: text that is no number falls back to
// a default, numbers out of range are limited. Texts are Windows-1252.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "viewer/core/savegame/party.h"

namespace brindle {

inline constexpr std::array<std::string_view, 36> kClassNames = {
    "Knight",       "Cavalier",   "Champion",   "Black Knight", "Thief",       "Scout",
    "Assassin",     "Spy",        "Monk",       "Initiate",     "Master",      "Ninja Master",
    "Paladin",      "Crusader",   "Hero",       "Villain",      "Archer",      "Battle Mage",
    "Warrior Mage", "Fire Mage",  "Tracker",    "Ranger",       "Ranger Lord", "Bounty Hunter",
    "Cleric",       "Sun Cleric", "Sun Priest", "Moon Priest",  "Druid",       "Great Druid",
    "Arch Druid",   "Warlock",    "Sorcerer",   "Wizard",       "Arch Mage",   "Lich"};

inline constexpr std::array<std::string_view, 3> kMasteryNames = {"Expert", "Master",
                                                                  "Grand Master"};

// Text as a whole number, or the default when it is none.
std::int32_t IntOr(std::string_view text, std::int32_t fallback);

// ---- The game time fields ----
struct GameTimeFields {
  std::string weekday, month, day, year, hour, minute, ampm, tick;
};
GameTimeFields ShowGameTime(std::int32_t clock);
// The clock the typed fields give (the weekday is not read); show it again to normalise.
std::int32_t EditGameTime(const GameTimeFields& typed);

// ---- Skills ----
// "Grand Master", "Master", "Expert" by the highest flag set, or empty.
std::string_view MasteryText(std::uint16_t skill);
struct SkillEdit {
  std::uint16_t word = 0;
  std::string mastery;  // as the cell shows it afterwards
  std::string level;
};
SkillEdit EditSkill(std::string_view masteryText, std::string_view levelText);

// ---- Spells and statistics ----
std::uint8_t EditSpell(std::string_view text);       // 0 or 1
std::uint16_t EditStatistic(std::string_view text);  // the number's low 16 bits

// ---- Conditions ----
// Days, hours, minutes and ticks since the stamp, or four empty texts when it is inactive.
std::array<std::string, 4> ShowCondition(std::int32_t stamp, std::int32_t clock);
struct ConditionEdit {
  std::int32_t stamp = 0;
  std::array<std::string, 4> cells;
};
ConditionEdit EditCondition(const std::array<std::string, 4>& typed, std::int32_t clock);

// ---- Class and portrait ----
// The class a typed name selects (any case; unknown names select 0).
std::uint8_t EditClass(std::string_view text);
std::string_view ClassName(std::uint8_t cls);  // empty beyond the list

inline constexpr int kPortraitCount = 25;
inline constexpr int kPortraitsPerRow = 13;
inline constexpr int kPortraitWidth = 25;
inline constexpr int kPortraitHeight = 33;
// The portrait a click at (x, y) on the sheet picks.
int PortraitAt(int x, int y);
struct FramePosition {
  int left = 0;
  int top = 0;
};
FramePosition PortraitFrame(int portrait);

}  // namespace brindle
