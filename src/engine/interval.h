// The period of the interval timer, from the interval number and its unit.
// Needs no Windows.
#pragma once

#include <cstdint>

namespace zelk::engine {

// The longest period a window timer accepts (USER_TIMER_MAXIMUM, about 24.8
// days); longer intervals are cut to it.
inline constexpr std::int32_t kMaxIntervalMillis = 0x7FFFFFFF;

// Milliseconds per unit: 0 hours, 1 minutes, 2 seconds.
inline constexpr std::int64_t kMillisPerHour = 3600000;
inline constexpr std::int64_t kMillisPerMinute = 60000;
inline constexpr std::int64_t kMillisPerSecond = 1000;

// number × the unit's length in milliseconds. The options dialog keeps the
// number within 1..24 for hours and 1..59 otherwise; a hand-edited INI file
// can hold anything, so:
//  - a number below 1 counts as 1 (a period is never zero or negative);
//  - a unit other than 0, 1 or 2 counts as hours, the factory default unit;
//  - a product above kMaxIntervalMillis is cut to it (never overflows).
// Values within the dialog's ranges are taken exactly.
std::int32_t IntervalMillis(int number, int unit);

}  // namespace zelk::engine
