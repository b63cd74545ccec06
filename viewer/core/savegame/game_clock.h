#pragma once
// The game's calendar. The clock counts ticks from the start of year 1168: 256 ticks a
// minute, 60 minutes an hour, 24 hours a day, 28 days a month, 12 months a year, and day 1
// of year 1168 was a Monday.

#include <array>
#include <cstdint>
#include <string_view>

namespace brindle {

inline constexpr std::int64_t kTicksPerMinute = 256;
inline constexpr std::int64_t kTicksPerHour = 60 * kTicksPerMinute;
inline constexpr std::int64_t kTicksPerDay = 24 * kTicksPerHour;
inline constexpr std::int64_t kTicksPerMonth = 28 * kTicksPerDay;
inline constexpr std::int64_t kTicksPerYear = 12 * kTicksPerMonth;
inline constexpr int kFirstYear = 1168;

inline constexpr std::array<std::string_view, 12> kMonthNames = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};
inline constexpr std::array<std::string_view, 7> kWeekdayNames = {
    "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

struct GameTime {
  std::int64_t year = kFirstYear;
  int month = 0;  // 0 = January
  int day = 1;    // 1-28
  int hour = 0;   // 0-23
  int minute = 0;
  int tick = 0;
  int weekday = 1;  // 0 = Sunday
};

// Integer division as the game does it (towards zero), so a negative clock splits the same
// way the game would show it.
GameTime SplitGameTime(std::int64_t clock);
std::int64_t JoinGameTime(int monthIndex, int dayIndex, std::int64_t year, int tick, int minute,
                          int hour);

struct Duration {
  std::int64_t days = 0;
  std::int64_t hours = 0;
  std::int64_t minutes = 0;
  std::int64_t ticks = 0;
};
Duration SplitDuration(std::int64_t ticks);
std::int64_t JoinDuration(std::int64_t days, std::int64_t hours, std::int64_t minutes,
                          std::int64_t ticks);

// A value computed in 64 bits, brought into the stored clock's 32 bits by saturating, so a
// year typed far in the future gives the latest time the clock can hold rather than a time
// before the game began.
std::int32_t ClampToClock(std::int64_t v);

}  // namespace brindle
