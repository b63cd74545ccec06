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

void ListCharacter(const TPartyCharacter& ch, int n, const PartyDataTable& table,
                   std::vector<PartyField>& out) {
  const std::string p = "char" + std::to_string(n) + ".";
  auto add = [&](std::string key, std::string value, std::string caption = {}) {
    out.push_back({p + key, std::move(value), std::move(caption)});
  };
  add("class", std::to_string(ch.Class), std::string(ClassName(ch.Class)));
  add("portrait", std::to_string(ch.Portrait));
  for (int k = 1; k <= kCharValueCount; ++k)
    add("value." + std::to_string(k), Cp1252ToUtf8(ch.Values[static_cast<std::size_t>(k - 1)]),
        Caption(table, kColCharValueCaption, k));
  for (int k = 1; k <= kStatCount; ++k) {
    const auto& s = ch.Stats[static_cast<std::size_t>(k - 1)];
    add("stat." + std::to_string(k) + ".added", std::to_string(s[0]),
        Caption(table, kColStatistics, k));
    add("stat." + std::to_string(k) + ".permanent", std::to_string(s[1]),
        Caption(table, kColStatistics, k));
  }
  for (int k = 1; k <= kSkillCount; ++k)
    add("skill." + std::to_string(k), SkillText(ch.Skills[static_cast<std::size_t>(k - 1)]),
        Caption(table, kColSkills, k));
  for (int k = 1; k <= kSpellCount; ++k)
    add("spell." + std::to_string(k), std::to_string(ch.Spells[static_cast<std::size_t>(k - 1)]),
        Caption(table, kColSpells, k));
  for (int k = 1; k <= kConditionCount; ++k)
    add("condition." + std::to_string(k), std::to_string(ch.ConditionStamp(k)),
        Caption(table, kColConditions, k));
  for (int k = 1; k <= kSlotCount; ++k)
    add("slot." + std::to_string(k), std::to_string(ch.Slots[static_cast<std::size_t>(k - 1)]),
        Caption(table, kColEquippedSlots, k));
  for (int i = 1; i <= kItemCount; ++i)
    if (!IsEmptyEntry(ch, i))
      add("item." + std::to_string(i), ItemText(ch.Item(i)),
          Caption(table, kColItemNames, ch.Item(i)[kItemNumber]));
  for (int r = 0; r < kGridRows; ++r)
    for (int c = 0; c < kGridColumns; ++c)
      if (ch.Cell(c, r) != 0)
        add("grid." + std::to_string(r) + "." + std::to_string(c), std::to_string(ch.Cell(c, r)));
}

// ---- Setting ----

std::vector<std::string_view> SplitKey(std::string_view key) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (true) {
    const std::size_t dot = key.find('.', start);
    parts.push_back(key.substr(start, dot == std::string_view::npos ? dot : dot - start));
    if (dot == std::string_view::npos) return parts;
    start = dot + 1;
  }
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
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (std::size_t comma; (comma = value.find(',', start)) != value.npos; start = comma + 1)
    parts.push_back(value.substr(start, comma - start));
  parts.push_back(value.substr(start));
  if (parts.size() != it.size())
    return CannotTake(key, value, "give nine numbers separated by commas");
  for (std::size_t f = 0; f < it.size(); ++f) {
    std::optional<std::int32_t> v = ParseTypedInt(parts[f]);
    if (!v) return CannotTake(key, value, "give nine numbers separated by commas");
    it[f] = *v;
  }
  return it;
}

Status SetItem(TPartyCharacter& ch, const PartyDataTable& table, int n, std::string_view key,
               std::string_view value) {
  Result<ItemRecord> it = ParseItem(key, value);
  if (!it) return it.error();
  if ((*it)[kItemNumber] == 0) {
    DeleteItem(ch, n);
    return Ok();
  }
  ch.Item(n) = *it;
  const ItemPlace where = FindItem(ch, n);
  if (where.kind != PlaceKind::kBackpack) return Ok();
  // The new item must still fit where the entry lies.
  PlaceOutcome again = EditBackpackCell(ch, table, where.col, where.row, std::to_string(n));
  if (!again.message.empty()) return CannotTake(key, value, again.message);
  return Ok();
}

Status SetCharacterField(TPartyCharacter& ch, const PartyDataTable& table,
                         const std::vector<std::string_view>& parts, std::string_view key,
                         std::string_view value) {
  const std::string_view what = parts[1];
  auto index = [&](int lo, int hi) {
    return parts.size() >= 3 ? KeyIndex(parts[2], lo, hi) : std::nullopt;
  };
  if (parts.size() == 2 && what == "class") {
    int cls = -1;
    if (std::optional<std::int32_t> v = ParseTypedInt(value)) cls = *v;
    for (std::size_t i = 0; i < kClassNames.size(); ++i)
      if (EqualsIgnoreCase1252(kClassNames[i], Utf8ToCp1252(value))) cls = static_cast<int>(i);
    if (cls < 0 || cls >= static_cast<int>(kClassNames.size()))
      return CannotTake(key, value, "name a class or give its number 0-35");
    ch.Class = static_cast<std::uint8_t>(cls);
    return Ok();
  }
  if (parts.size() == 2 && what == "portrait") {
    Result<std::int32_t> v = NumberIn(key, value, 0, kPortraitCount - 1);
    if (!v) return v.error();
    ch.Portrait = static_cast<std::int16_t>(*v);
    return Ok();
  }
  if (what == "value" && parts.size() == 3) {
    std::optional<int> k = index(1, kCharValueCount);
    if (!k) return Unknown(key);
    Result<std::string> text = FieldText(key, value, table.IntCell(kColCharValueWidth, *k));
    if (!text) return text.error();
    if (text->size() > kMaxCharValueLength) text->resize(kMaxCharValueLength);
    ch.Values[static_cast<std::size_t>(*k - 1)] = *text;
    return Ok();
  }
  if (what == "stat" && parts.size() == 4 && (parts[3] == "added" || parts[3] == "permanent")) {
    std::optional<int> k = index(1, kStatCount);
    if (!k) return Unknown(key);
    Result<std::int32_t> v = NumberIn(key, value, 0, 65535);
    if (!v) return v.error();
    ch.Stats[static_cast<std::size_t>(*k - 1)][parts[3] == "added" ? 0 : 1] =
        EditStatistic(std::to_string(*v));
    return Ok();
  }
  if (parts.size() == 3 && what == "skill") {
    std::optional<int> k = index(1, kSkillCount);
    if (!k) return Unknown(key);
    Result<std::uint16_t> word = ParseSkill(key, value);
    if (!word) return word.error();
    ch.Skills[static_cast<std::size_t>(*k - 1)] = *word;
    return Ok();
  }
  if (parts.size() == 3 && what == "spell") {
    std::optional<int> k = index(1, kSpellCount);
    if (!k) return Unknown(key);
    Result<std::int32_t> v = NumberIn(key, value, 0, 1);
    if (!v) return v.error();
    ch.Spells[static_cast<std::size_t>(*k - 1)] = static_cast<std::uint8_t>(*v);
    return Ok();
  }
  if (parts.size() == 3 && what == "condition") {
    std::optional<int> k = index(1, kConditionCount);
    if (!k) return Unknown(key);
    Result<std::int32_t> v = Number(key, value);
    if (!v) return v.error();
    ch.SetConditionStamp(*k, *v);
    return Ok();
  }
  if (parts.size() == 3 && what == "slot") {
    std::optional<int> k = index(1, kSlotCount);
    if (!k) return Unknown(key);
    Result<std::int32_t> v = NumberIn(key, value, 0, kItemCount);
    if (!v) return v.error();
    PlaceOutcome out = EditSlot(ch, *k, value);
    if (!out.message.empty()) return CannotTake(key, value, out.message);
    return Ok();
  }
  if (parts.size() == 3 && what == "item") {
    std::optional<int> k = index(1, kItemCount);
    if (!k) return Unknown(key);
    return SetItem(ch, table, *k, key, value);
  }
  if (parts.size() == 4 && what == "grid") {
    std::optional<int> r = index(0, kGridRows - 1);
    std::optional<int> c = KeyIndex(parts[3], 0, kGridColumns - 1);
    if (!r || !c) return Unknown(key);
    Result<std::int32_t> v = NumberIn(key, value, 0, kItemCount);
    if (!v) return v.error();
    PlaceOutcome out = EditBackpackCell(ch, table, *c, *r, value);
    if (!out.message.empty()) return CannotTake(key, value, out.message);
    return Ok();
  }
  return Unknown(key);
}

}  // namespace

std::string FormatGameTime(std::int32_t clock) {
  const GameTime g = SplitGameTime(clock);
  char text[64];
  std::snprintf(text, sizeof text, "%lld-%02d-%02d %02d:%02d:%03d", static_cast<long long>(g.year),
                g.month + 1, g.day, g.hour, g.minute, g.tick);
  return text;
}

std::vector<PartyField> ListPartyFields(const TPartyMain& party, const PartyDataTable& table) {
  std::vector<PartyField> out;
  out.push_back({"clock", std::to_string(party.GameClock), {}});
  out.push_back({"time", FormatGameTime(party.GameClock), {}});
  for (int k = 1; k <= kPartyValueCount; ++k)
    out.push_back({"party." + std::to_string(k),
                   Cp1252ToUtf8(party.PartyValues[static_cast<std::size_t>(k - 1)]),
                   Caption(table, kColPartyValueCaption, k)});
  for (int n = 1; n <= kCharacterCount; ++n)
    ListCharacter(party.Character(n), n, table, out);
  return out;
}

Status SetPartyField(TPartyMain& party, const PartyDataTable& table, std::string_view key,
                     std::string_view value) {
  const std::vector<std::string_view> parts = SplitKey(key);
  if (key == "clock") {
    Result<std::int32_t> v = Number(key, value);
    if (!v) return v.error();
    party.GameClock = *v;
    return Ok();
  }
  if (key == "time") {
    Result<std::int32_t> v = ParseTime(key, value);
    if (!v) return v.error();
    party.GameClock = *v;
    return Ok();
  }
  if (parts.size() == 2 && parts[0] == "party") {
    std::optional<int> k = KeyIndex(parts[1], 1, kPartyValueCount);
    if (!k) return Unknown(key);
    Result<std::string> text = FieldText(key, value, table.IntCell(kColPartyValueWidth, *k));
    if (!text) return text.error();
    party.PartyValues[static_cast<std::size_t>(*k - 1)] = *text;
    return Ok();
  }
  if (parts.size() >= 2 && parts[0].size() == 5 && parts[0].substr(0, 4) == "char") {
    std::optional<int> n = KeyIndex(parts[0].substr(4), 1, kCharacterCount);
    if (!n) return Unknown(key);
    return SetCharacterField(party.Character(*n), table, parts, key, value);
  }
  return Unknown(key);
}

}  // namespace brindle
