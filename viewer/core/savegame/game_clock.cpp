#include "viewer/core/savegame/game_clock.h"

#include <algorithm>
#include <limits>

namespace brindle {

GameTime SplitGameTime(std::int64_t t) {
  GameTime g;
  g.year = t / kTicksPerYear + kFirstYear;
  const std::int64_t r1 = t % kTicksPerYear;
  g.month = static_cast<int>(r1 / kTicksPerMonth);
  const std::int64_t r2 = r1 % kTicksPerMonth;
  g.day = static_cast<int>(r2 / kTicksPerDay + 1);
  const std::int64_t r3 = r2 % kTicksPerDay;
  g.hour = static_cast<int>(r3 / kTicksPerHour);
  const std::int64_t r4 = r3 % kTicksPerHour;
  g.minute = static_cast<int>(r4 / kTicksPerMinute);
  g.tick = static_cast<int>(r4 % kTicksPerMinute);
  g.weekday = static_cast<int>((t / kTicksPerDay + 1) % 7);
  return g;
}

std::int64_t JoinGameTime(int monthIndex, int dayIndex, std::int64_t year, int tick, int minute,
                          int hour) {
  return (year - kFirstYear) * kTicksPerYear + monthIndex * kTicksPerMonth +
         dayIndex * kTicksPerDay + hour * kTicksPerHour + minute * kTicksPerMinute + tick;
}

Duration SplitDuration(std::int64_t t) {
  Duration d;
  d.days = t / kTicksPerDay;
  const std::int64_t r1 = t % kTicksPerDay;
  d.hours = r1 / kTicksPerHour;
  const std::int64_t r2 = r1 % kTicksPerHour;
  d.minutes = r2 / kTicksPerMinute;
  d.ticks = r2 % kTicksPerMinute;
  return d;
}

std::int64_t JoinDuration(std::int64_t days, std::int64_t hours, std::int64_t minutes,
                          std::int64_t ticks) {
  return days * kTicksPerDay + hours * kTicksPerHour + minutes * kTicksPerMinute + ticks;
}

std::int32_t ClampToClock(std::int64_t v) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

}  // namespace brindle
