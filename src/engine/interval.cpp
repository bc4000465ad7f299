#include "engine/interval.h"

namespace zelk::engine {

std::int32_t IntervalMillis(int number, int unit) {
  std::int64_t unitMillis = kMillisPerHour;
  if (unit == 1) unitMillis = kMillisPerMinute;
  if (unit == 2) unitMillis = kMillisPerSecond;
  const std::int64_t count = number < 1 ? 1 : number;
  // count ≤ 2^31 and unitMillis < 2^22: the product fits in 64 bits.
  const std::int64_t millis = count * unitMillis;
  return millis > kMaxIntervalMillis ? kMaxIntervalMillis : static_cast<std::int32_t>(millis);
}

}  // namespace zelk::engine
