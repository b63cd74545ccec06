#include "viewer/core/savegame/party_edits.h"

#include <algorithm>
#include <cstdio>

#include "common/bytes.h"
#include "viewer/core/savegame/game_clock.h"
#include "viewer/core/savegame/game_data.h"

namespace brindle {

namespace {

template <std::size_t N>
int FindName(const std::array<std::string_view, N>& names, std::string_view text) {
  for (std::size_t i = 0; i < N; ++i)
    if (EqualsIgnoreCase1252(names[i], text)) return static_cast<int>(i);
  return -1;
}

}  // namespace

std::int32_t IntOr(std::string_view text, std::int32_t fallback) {
  return ParseTypedInt(text).value_or(fallback);
}

GameTimeFields ShowGameTime(std::int32_t clock) {
  const GameTime g = SplitGameTime(clock);
  GameTimeFields f;
  f.weekday = std::string(kWeekdayNames[static_cast<std::size_t>((g.weekday + 7) % 7)]);
  f.month = std::string(kMonthNames[static_cast<std::size_t>(std::clamp(g.month, 0, 11))]);
  f.day = std::to_string(g.day);
  f.year = std::to_string(g.year);
  int hour = g.hour;
  f.ampm = hour >= 12 ? "pm" : "am";
  if (hour >= 12) hour -= 12;
  f.hour = hour == 0 ? "12" : std::to_string(hour);
  char minute[16];
  std::snprintf(minute, sizeof minute, "%02d", g.minute);
  f.minute = minute;
  f.tick = std::to_string(g.tick);
  return f;
}

std::int32_t EditGameTime(const GameTimeFields& typed) {
  const int month = std::clamp(FindName(kMonthNames, typed.month), 0, 11);
  const int dayIndex = std::clamp(IntOr(typed.day, 1) - 1, 0, 27);
  const std::int64_t year = std::max<std::int64_t>(IntOr(typed.year, kFirstYear), kFirstYear);
  const bool pm = UpperAscii(typed.ampm) == "PM";
  int hour = std::clamp(IntOr(typed.hour, 0), 1, 12);
  if (!pm && hour == 12) hour = 0;
  if (pm && hour < 12) hour += 12;
  const int minute = std::clamp(IntOr(typed.minute, 0), 0, 59);
  const int tick = std::clamp(IntOr(typed.tick, 0), 0, 255);
  return ClampToClock(JoinGameTime(month, dayIndex, year, tick, minute, hour));
}

std::string_view MasteryText(std::uint16_t skill) {
  if (skill & kSkillGrandMaster) return kMasteryNames[2];
  if (skill & kSkillMaster) return kMasteryNames[1];
  if (skill & kSkillExpert) return kMasteryNames[0];
  return {};
}

SkillEdit EditSkill(std::string_view masteryText, std::string_view levelText) {
  static constexpr std::uint16_t kFlags[] = {kSkillExpert, kSkillMaster, kSkillGrandMaster};
  SkillEdit e;
  const std::string upper = UpperAscii(masteryText);
  std::uint16_t flag = 0;
  for (std::size_t i = 0; i < kMasteryNames.size(); ++i)
    if (upper == UpperAscii(kMasteryNames[i])) {
      flag = kFlags[i];
      e.mastery = std::string(kMasteryNames[i]);
    }
  const int level = std::clamp(IntOr(levelText, 0), 0, static_cast<int>(kSkillLevelMask));
  e.level = std::to_string(level);
  e.word = static_cast<std::uint16_t>(level | flag);
  return e;
}

std::uint8_t EditSpell(std::string_view text) {
  return static_cast<std::uint8_t>(std::clamp(IntOr(text, 0), 0, 1));
}

std::uint16_t EditStatistic(std::string_view text) {
  return static_cast<std::uint16_t>(static_cast<std::uint32_t>(IntOr(text, 0)) & 0xFFFF);
}

std::array<std::string, 4> ShowCondition(std::int32_t stamp, std::int32_t clock) {
  if (stamp <= 0) return {};
  const Duration d = SplitDuration(std::int64_t{clock} - stamp);
  return {std::to_string(d.days), std::to_string(d.hours), std::to_string(d.minutes),
          std::to_string(d.ticks)};
}

ConditionEdit EditCondition(const std::array<std::string, 4>& typed, std::int32_t clock) {
  std::array<std::int64_t, 4> v{};
  for (std::size_t i = 0; i < 4; ++i)
    v[i] = IntOr(typed[i], 0);
  ConditionEdit e;
  if (v[0] == 0 && v[1] == 0 && v[2] == 0 && v[3] == 0) return e;
  e.stamp = ClampToClock(std::int64_t{clock} - JoinDuration(v[0], v[1], v[2], v[3]));
  for (std::size_t i = 0; i < 4; ++i)
    e.cells[i] = std::to_string(v[i]);
  return e;
}

std::uint8_t EditClass(std::string_view text) {
  return static_cast<std::uint8_t>(std::max(FindName(kClassNames, text), 0));
}

std::string_view ClassName(std::uint8_t cls) {
  return cls < kClassNames.size() ? kClassNames[cls] : std::string_view{};
}

int PortraitAt(int x, int y) {
  const int c = std::max((x - 1) / kPortraitWidth, 0);
  if (y < kPortraitHeight) return std::min(c, kPortraitsPerRow - 1);
  return std::min(c + kPortraitsPerRow, kPortraitCount - 1);
}

FramePosition PortraitFrame(int portrait) {
  const int p = std::clamp(portrait, 0, kPortraitCount - 1);
  return {(p % kPortraitsPerRow) * kPortraitWidth + 1,
          (p / kPortraitsPerRow) * kPortraitHeight + 1};
}

}  // namespace brindle
