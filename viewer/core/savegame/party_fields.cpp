#include "viewer/core/savegame/party_fields.h"

#include <cstdio>
#include <limits>
#include <regex>

#include "common/codepage.h"
#include "viewer/core/savegame/game_clock.h"
#include "viewer/core/savegame/inventory.h"
#include "viewer/core/savegame/party_edits.h"

namespace brindle {

namespace {

std::string Caption(const PartyDataTable& table, int col, int row) {
  return Cp1252ToUtf8(table.Cell(col, row));
}

std::string SkillText(std::uint16_t word) {
  std::string s = std::to_string(word & kSkillLevelMask);
  const std::string_view m = MasteryText(word);
  if (!m.empty()) s.push_back(m == "Grand Master" ? 'G' : m[0]);
  return s;
}

std::string ItemText(const ItemRecord& it) {
  std::string s;
  for (std::size_t f = 0; f < it.size(); ++f) {
    if (f) s.push_back(',');
    s.append(std::to_string(it[f]));
  }
  return s;
}

// ---- Reading and writing values ----

// The parts of text between the separators (one part when there is none).
std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (std::size_t at; (at = text.find(separator, start)) != text.npos; start = at + 1)
    parts.push_back(text.substr(start, at - start));
  parts.push_back(text.substr(start));
  return parts;
}

// An index in the key within [lo, hi].
std::optional<int> KeyIndex(std::string_view text, int lo, int hi) {
  if (text.empty() || text.size() > 4 || text.find_first_not_of("0123456789") != text.npos)
    return std::nullopt;
  const std::optional<std::int32_t> v = ParseTableInt(text);
  if (!v || *v < lo || *v > hi) return std::nullopt;
  return *v;
}

Error Unknown(std::string_view key) {
  return Fail("There is no field " + std::string(key) + ".");
}

Error CannotTake(std::string_view key, std::string_view value, std::string_view why) {
  const bool ends = !why.empty() && (why.back() == '!' || why.back() == '.');
  return Fail("The value \"" + std::string(value) + "\" cannot be taken for " + std::string(key) +
              ": " + std::string(why) + (ends ? "" : "."));
}

Result<std::int32_t> Number(std::string_view key, std::string_view value) {
  if (std::optional<std::int32_t> v = ParseTypedInt(value)) return *v;
  return CannotTake(key, value, "it is not a whole number");
}

Result<std::int32_t> NumberIn(std::string_view key, std::string_view value, std::int32_t lo,
                              std::int32_t hi) {
  Result<std::int32_t> v = Number(key, value);
  if (!v) return v;
  if (*v < lo || *v > hi)
    return CannotTake(key, value,
                      "it must lie from " + std::to_string(lo) + " to " + std::to_string(hi));
  return v;
}

// A value for a field of the given width: a number for the numeric widths, otherwise text
// the game's character set can hold.
Result<std::string> FieldText(std::string_view key, std::string_view value,
                              std::optional<std::int32_t> width) {
  if (width && (*width == 1 || *width == 2 || *width == 4)) {
    // A number the field cannot hold would be stored cut to its low bytes: refused here.
    // Widths 1 are read unsigned, 2 and 4 signed.
    const std::int32_t lo = *width == 1   ? 0
                            : *width == 2 ? -32768
                                          : std::numeric_limits<std::int32_t>::min();
    const std::int32_t hi = *width == 1   ? 255
                            : *width == 2 ? 32767
                                          : std::numeric_limits<std::int32_t>::max();
    Result<std::int32_t> v = NumberIn(key, value, lo, hi);
    if (!v) return v.error();
    return std::to_string(*v);
  }
  std::string bytes = Utf8ToCp1252(value);
  if (Cp1252ToUtf8(bytes) != value)
    return CannotTake(key, value, "it holds characters the game cannot store");
  return bytes;
}

Result<std::int32_t> ParseTime(std::string_view key, std::string_view value) {
  // Parts may carry a sign: a clock below zero prints with negative parts, and what is
  // printed is taken back.
  static const std::regex kForm(
      R"((-?\d{1,5})-(-?\d{1,2})-(-?\d{1,2}) (-?\d{1,2}):(-?\d{1,2}):(-?\d{1,3}))");
  std::match_results<std::string_view::const_iterator> m;
  if (!std::regex_match(value.begin(), value.end(), m, kForm))
    return CannotTake(key, value, "write it as YEAR-MM-DD HH:MM:TTT");
  auto part = [&](int i) { return std::stoi(m[static_cast<std::size_t>(i)].str()); };
  const int year = part(1), month = part(2), day = part(3), hour = part(4), minute = part(5),
            tick = part(6);
  const std::int64_t clock = JoinGameTime(month - 1, day - 1, year, tick, minute, hour);
  if (clock != ClampToClock(clock)) return CannotTake(key, value, "the game clock cannot hold it");
  const bool inRange = year >= kFirstYear && month >= 1 && month <= 12 && day >= 1 && day <= 28 &&
                       hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 && tick >= 0 &&
                       tick <= 255;
  if (!inRange && FormatGameTime(static_cast<std::int32_t>(clock)) != value)
    return CannotTake(key, value, "a part of it is out of range");
  return static_cast<std::int32_t>(clock);
}

Result<std::uint16_t> ParseSkill(std::string_view key, std::string_view value) {
  std::string_view digits = value;
  std::string mastery;
  if (!value.empty()) {
    switch (value.back()) {
      case 'E':
      case 'e':
        mastery = "Expert";
        break;
      case 'M':
      case 'm':
        mastery = "Master";
        break;
      case 'G':
      case 'g':
        mastery = "Grand Master";
        break;
      default:
        break;
    }
    if (!mastery.empty()) digits.remove_suffix(1);
  }
  Result<std::int32_t> level = NumberIn(key, digits, 0, kSkillLevelMask);
  if (!level) return CannotTake(key, value, "write the level 0-63, then E, M or G for a mastery");
  return EditSkill(mastery, std::to_string(*level)).word;
}

Result<ItemRecord> ParseItem(std::string_view key, std::string_view value) {
  ItemRecord it{};
  if (value == "0") return it;
  const std::vector<std::string_view> parts = Split(value, ',');
  if (parts.size() != it.size())
    return CannotTake(key, value, "give nine numbers separated by commas");
  for (std::size_t f = 0; f < it.size(); ++f) {
    std::optional<std::int32_t> v = ParseTypedInt(parts[f]);
    if (!v) return CannotTake(key, value, "give nine numbers separated by commas");
    it[f] = *v;
  }
  return it;
}

// ---- The rules: each field's value as listed, and taken back from text ----

const TPartyCharacter& Ch(const TPartyMain& party, const PartyFieldAt& at) {
  return party.Character(at.character);
}

// Index k of a key counted from 1, as a position in the model's arrays.
std::size_t Nth(int k) {
  return static_cast<std::size_t>(k - 1);
}

// A number from lo to hi, handed to store.
template <class Store>
Status TakeNumber(const PartyFieldSetting& s, std::int32_t lo, std::int32_t hi, Store store) {
  Result<std::int32_t> v = NumberIn(s.key, s.value, lo, hi);
  if (!v) return v.error();
  store(*v);
  return Ok();
}

constexpr std::int32_t kAnyLow = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kAnyHigh = std::numeric_limits<std::int32_t>::max();

std::optional<std::string> ShowClock(const TPartyMain& party, const PartyFieldAt&) {
  return std::to_string(party.GameClock);
}
Status TakeClock(const PartyFieldSetting& s) {
  return TakeNumber(s, kAnyLow, kAnyHigh, [&](std::int32_t v) { s.party.GameClock = v; });
}

std::optional<std::string> ShowTime(const TPartyMain& party, const PartyFieldAt&) {
  return FormatGameTime(party.GameClock);
}
Status TakeTime(const PartyFieldSetting& s) {
  Result<std::int32_t> v = ParseTime(s.key, s.value);
  if (!v) return v.error();
  s.party.GameClock = *v;
  return Ok();
}

std::optional<std::string> ShowPartyValue(const TPartyMain& party, const PartyFieldAt& at) {
  return Cp1252ToUtf8(party.PartyValues[Nth(at.index[0])]);
}
Status TakePartyValue(const PartyFieldSetting& s) {
  Result<std::string> text = FieldText(s.key, s.value, s.width);
  if (!text) return text.error();
  s.party.PartyValues[Nth(s.at.index[0])] = *text;
  return Ok();
}

std::optional<std::string> ShowClass(const TPartyMain& party, const PartyFieldAt& at) {
  return std::to_string(Ch(party, at).Class);
}
Status TakeClass(const PartyFieldSetting& s) {
  int cls = -1;
  if (std::optional<std::int32_t> v = ParseTypedInt(s.value)) cls = *v;
  for (std::size_t i = 0; i < kClassNames.size(); ++i)
    if (EqualsIgnoreCase1252(kClassNames[i], Utf8ToCp1252(s.value))) cls = static_cast<int>(i);
  if (cls < 0 || cls >= static_cast<int>(kClassNames.size()))
    return CannotTake(s.key, s.value, "name a class or give its number 0-35");
  s.Character().Class = static_cast<std::uint8_t>(cls);
  return Ok();
}

std::optional<std::string> ShowPortrait(const TPartyMain& party, const PartyFieldAt& at) {
  return std::to_string(Ch(party, at).Portrait);
}
Status TakePortrait(const PartyFieldSetting& s) {
  return TakeNumber(s, 0, kPortraitCount - 1,
                    [&](std::int32_t v) { s.Character().Portrait = static_cast<std::int16_t>(v); });
}

std::optional<std::string> ShowCharValue(const TPartyMain& party, const PartyFieldAt& at) {
  return Cp1252ToUtf8(Ch(party, at).Values[Nth(at.index[0])]);
}
Status TakeCharValue(const PartyFieldSetting& s) {
  Result<std::string> text = FieldText(s.key, s.value, s.width);
  if (!text) return text.error();
  if (text->size() > kMaxCharValueLength) text->resize(kMaxCharValueLength);
  s.Character().Values[Nth(s.at.index[0])] = *text;
  return Ok();
}

// Index 0 the value added, 1 the permanent one.
std::optional<std::string> ShowStat(const TPartyMain& party, const PartyFieldAt& at) {
  return std::to_string(
      Ch(party, at).Stats[Nth(at.index[0])][static_cast<std::size_t>(at.index[1])]);
}
Status TakeStat(const PartyFieldSetting& s) {
  return TakeNumber(s, 0, 65535, [&](std::int32_t v) {
    s.Character().Stats[Nth(s.at.index[0])][static_cast<std::size_t>(s.at.index[1])] =
        EditStatistic(std::to_string(v));
  });
}

std::optional<std::string> ShowSkill(const TPartyMain& party, const PartyFieldAt& at) {
  return SkillText(Ch(party, at).Skills[Nth(at.index[0])]);
}
Status TakeSkill(const PartyFieldSetting& s) {
  Result<std::uint16_t> word = ParseSkill(s.key, s.value);
  if (!word) return word.error();
  s.Character().Skills[Nth(s.at.index[0])] = *word;
  return Ok();
}

std::optional<std::string> ShowSpell(const TPartyMain& party, const PartyFieldAt& at) {
  return std::to_string(Ch(party, at).Spells[Nth(at.index[0])]);
}
Status TakeSpell(const PartyFieldSetting& s) {
  return TakeNumber(s, 0, 1, [&](std::int32_t v) {
    s.Character().Spells[Nth(s.at.index[0])] = static_cast<std::uint8_t>(v);
  });
}

std::optional<std::string> ShowCondition(const TPartyMain& party, const PartyFieldAt& at) {
  return std::to_string(Ch(party, at).ConditionStamp(at.index[0]));
}
Status TakeCondition(const PartyFieldSetting& s) {
  return TakeNumber(s, kAnyLow, kAnyHigh,
                    [&](std::int32_t v) { s.Character().SetConditionStamp(s.at.index[0], v); });
}

// A placement the inventory rules decide; their message when they refuse it.
Status Placed(const PartyFieldSetting& s, const PlaceOutcome& out) {
  if (!out.message.empty()) return CannotTake(s.key, s.value, out.message);
  return Ok();
}

std::optional<std::string> ShowSlot(const TPartyMain& party, const PartyFieldAt& at) {
  return std::to_string(Ch(party, at).Slots[Nth(at.index[0])]);
}
Status TakeSlot(const PartyFieldSetting& s) {
  Result<std::int32_t> v = NumberIn(s.key, s.value, 0, kItemCount);
  if (!v) return v.error();
  return Placed(s, EditSlot(s.Character(), s.at.index[0], s.value));
}

// An empty entry is not listed.
std::optional<std::string> ShowItem(const TPartyMain& party, const PartyFieldAt& at) {
  const TPartyCharacter& ch = Ch(party, at);
  if (IsEmptyEntry(ch, at.index[0])) return std::nullopt;
  return ItemText(ch.Item(at.index[0]));
}
Status TakeItem(const PartyFieldSetting& s) {
  Result<ItemRecord> it = ParseItem(s.key, s.value);
  if (!it) return it.error();
  TPartyCharacter& ch = s.Character();
  const int n = s.at.index[0];
  if ((*it)[kItemNumber] == 0) {
    DeleteItem(ch, n);
    return Ok();
  }
  ch.Item(n) = *it;
  const ItemPlace where = FindItem(ch, n);
  if (where.kind != PlaceKind::kBackpack) return Ok();
  // The new item must still fit where the entry lies.
  return Placed(s, EditBackpackCell(ch, s.table, where.col, where.row, std::to_string(n)));
}

// Indices row, then column; a free cell is not listed.
std::optional<std::string> ShowGridCell(const TPartyMain& party, const PartyFieldAt& at) {
  const std::int16_t v = Ch(party, at).Cell(at.index[1], at.index[0]);
  if (v == 0) return std::nullopt;
  return std::to_string(v);
}
Status TakeGridCell(const PartyFieldSetting& s) {
  Result<std::int32_t> v = NumberIn(s.key, s.value, 0, kItemCount);
  if (!v) return v.error();
  return Placed(s, EditBackpackCell(s.Character(), s.table, s.at.index[1], s.at.index[0], s.value));
}

// ---- The table ----

constexpr int kNoColumn = -1;
constexpr PartyKeyIndex OneTo(int hi) {
  return {1, hi, {}};
}
constexpr PartyKeyIndex Below(int count) {
  return {0, count - 1, {}};
}
constexpr PartyKeyIndex kAddedOrPermanent{0, 1, {"added", "permanent"}};

using enum PartyFieldId;
using enum CaptionFrom;

// clang-format off
constexpr PartyFieldRow kRows[] = {
  // id, per character, key, indices, caption from, caption column, width column, show, take
  {kClock, false, "clock", {}, kNothing, kNoColumn, kNoColumn, ShowClock, TakeClock},
  {kTime, false, "time", {}, kNothing, kNoColumn, kNoColumn, ShowTime, TakeTime},
  {kPartyValue, false, "party.#", {OneTo(kPartyValueCount)}, kIndexRow, kColPartyValueCaption,
   kColPartyValueWidth, ShowPartyValue, TakePartyValue},
  {kClass, true, "class", {}, kClassName, kNoColumn, kNoColumn, ShowClass, TakeClass},
  {kPortrait, true, "portrait", {}, kNothing, kNoColumn, kNoColumn, ShowPortrait, TakePortrait},
  {kCharValue, true, "value.#", {OneTo(kCharValueCount)}, kIndexRow, kColCharValueCaption,
   kColCharValueWidth, ShowCharValue, TakeCharValue},
  {kStat, true, "stat.#.#", {OneTo(kStatCount), kAddedOrPermanent}, kIndexRow, kColStatistics,
   kNoColumn, ShowStat, TakeStat},
  {kSkill, true, "skill.#", {OneTo(kSkillCount)}, kIndexRow, kColSkills, kNoColumn, ShowSkill,
   TakeSkill},
  {kSpell, true, "spell.#", {OneTo(kSpellCount)}, kIndexRow, kColSpells, kNoColumn, ShowSpell,
   TakeSpell},
  {kCondition, true, "condition.#", {OneTo(kConditionCount)}, kIndexRow, kColConditions,
   kNoColumn, ShowCondition, TakeCondition},
  {kSlot, true, "slot.#", {OneTo(kSlotCount)}, kIndexRow, kColEquippedSlots, kNoColumn, ShowSlot,
   TakeSlot},
  {kItem, true, "item.#", {OneTo(kItemCount)}, kItemName, kColItemNames, kNoColumn, ShowItem,
   TakeItem},
  {kGridCell, true, "grid.#.#", {Below(kGridRows), Below(kGridColumns)}, kNothing, kNoColumn,
   kNoColumn, ShowGridCell, TakeGridCell},
};
// clang-format on

constexpr bool RowsInIdOrder() {
  for (std::size_t i = 0; i < std::size(kRows); ++i)
    if (static_cast<std::size_t>(kRows[i].id) != i) return false;
  return true;
}
static_assert(RowsInIdOrder(), "the field table's rows follow PartyFieldId");

// ---- Keys ----

std::string IndexText(const PartyKeyIndex& index, int k) {
  if (index.words[0].empty()) return std::to_string(k);
  return std::string(index.words[static_cast<std::size_t>(k - index.lo)]);
}

// The index a key's part gives for one "#" of a pattern.
std::optional<int> IndexOf(std::string_view part, const PartyKeyIndex& index) {
  if (index.words[0].empty()) return KeyIndex(part, index.lo, index.hi);
  for (std::size_t w = 0; w < index.words.size(); ++w)
    if (!index.words[w].empty() && part == index.words[w]) return index.lo + static_cast<int>(w);
  return std::nullopt;
}

// The character a key's first part names: "char" and one digit.
std::optional<int> CharacterOf(std::string_view part) {
  if (part.size() != 5 || part.substr(0, 4) != "char") return std::nullopt;
  return KeyIndex(part.substr(4), 1, kCharacterCount);
}

// The key's parts against the row's pattern; the indices they give go into at.
bool MatchPattern(const PartyFieldRow& row, std::span<const std::string_view> parts,
                  PartyFieldAt& at) {
  const std::vector<std::string_view> pattern = Split(row.pattern, '.');
  if (pattern.size() != parts.size()) return false;
  std::size_t next = 0;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (pattern[i] != "#") {
      if (parts[i] != pattern[i]) return false;
      continue;
    }
    const std::optional<int> k = IndexOf(parts[i], row.indices[next]);
    if (!k) return false;
    at.index[next++] = *k;
  }
  return true;
}

struct NamedField {
  const PartyFieldRow* row = nullptr;
  PartyFieldAt at;
};

std::optional<NamedField> FindField(std::string_view key) {
  const std::vector<std::string_view> parts = Split(key, '.');
  const std::optional<int> character = CharacterOf(parts[0]);
  for (const PartyFieldRow& row : kRows) {
    NamedField f{&row, {}};
    std::span<const std::string_view> rest(parts);
    if (row.perCharacter) {
      if (!character) continue;
      f.at.character = *character;
      rest = rest.subspan(1);
    }
    if (MatchPattern(row, rest, f.at)) return f;
  }
  return std::nullopt;
}

std::string CaptionOf(const PartyFieldRow& row, const PartyDataTable& table,
                      const TPartyMain& party, const PartyFieldAt& at) {
  switch (row.caption) {
    case kNothing:
      break;
    case kIndexRow:
      return Caption(table, row.captionColumn, at.index[0]);
    case kItemName:
      return Caption(table, row.captionColumn, Ch(party, at).Item(at.index[0])[kItemNumber]);
    case kClassName:
      return std::string(ClassName(Ch(party, at).Class));
  }
  return {};
}

// Every field of one row for one character (0: the party's own), indices in key order.
void ListRow(const PartyFieldRow& row, const TPartyMain& party, const PartyDataTable& table,
             int character, std::vector<PartyField>& out) {
  const PartyKeyIndex& first = row.indices[0];
  const PartyKeyIndex& second = row.indices[1];
  for (int i = first.lo; i <= first.hi; ++i)
    for (int j = second.lo; j <= second.hi; ++j) {
      const PartyFieldAt at{character, {i, j}};
      if (std::optional<std::string> value = row.show(party, at))
        out.push_back(
            {PartyFieldKey(row.id, at), std::move(*value), CaptionOf(row, table, party, at)});
    }
}

}  // namespace

std::span<const PartyFieldRow> PartyFieldRows() {
  return kRows;
}

const PartyFieldRow& PartyFieldRowOf(PartyFieldId id) {
  return kRows[static_cast<std::size_t>(id)];
}

std::string PartyFieldKey(PartyFieldId id, const PartyFieldAt& at) {
  const PartyFieldRow& row = PartyFieldRowOf(id);
  std::string key = row.perCharacter ? "char" + std::to_string(at.character) + "." : "";
  std::size_t next = 0;
  for (const char c : row.pattern) {
    if (c != '#') {
      key.push_back(c);
      continue;
    }
    key += IndexText(row.indices[next], at.index[next]);
    ++next;
  }
  return key;
}

const std::string& PartyFieldCaption(const PartyDataTable& table, PartyFieldId id, int index) {
  static const std::string kNone;
  const PartyFieldRow& row = PartyFieldRowOf(id);
  return row.caption == kIndexRow ? table.Cell(row.captionColumn, index) : kNone;
}

std::string FormatGameTime(std::int32_t clock) {
  const GameTime g = SplitGameTime(clock);
  char text[64];
  std::snprintf(text, sizeof text, "%lld-%02d-%02d %02d:%02d:%03d", static_cast<long long>(g.year),
                g.month + 1, g.day, g.hour, g.minute, g.tick);
  return text;
}

std::vector<PartyField> ListPartyFields(const TPartyMain& party, const PartyDataTable& table) {
  std::vector<PartyField> out;
  for (const PartyFieldRow& row : kRows)
    if (!row.perCharacter) ListRow(row, party, table, 0, out);
  for (int n = 1; n <= kCharacterCount; ++n)
    for (const PartyFieldRow& row : kRows)
      if (row.perCharacter) ListRow(row, party, table, n, out);
  return out;
}

Status SetPartyField(TPartyMain& party, const PartyDataTable& table, std::string_view key,
                     std::string_view value) {
  const std::optional<NamedField> f = FindField(key);
  if (!f) return Unknown(key);
  const PartyFieldRow& row = *f->row;
  std::optional<std::int32_t> width;
  if (row.widthColumn != kNoColumn) width = table.IntCell(row.widthColumn, f->at.index[0]);
  return row.take({party, table, f->at, width, key, value});
}

}  // namespace brindle
