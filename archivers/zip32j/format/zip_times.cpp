#include "zip32j/format/zip_times.h"

namespace zelk::zip {

DosDateTime PackDosDateTime(int year, int month, int day, int hour, int minute, int second) {
  if (year < 1980) return {0, static_cast<std::uint16_t>((1 << 5) | 1)};
  if (year > 2107) {
    return {static_cast<std::uint16_t>((23 << 11) | (59 << 5) | 29),
            static_cast<std::uint16_t>((127 << 9) | (12 << 5) | 31)};
  }
  DosDateTime out;
  out.time = static_cast<std::uint16_t>((hour << 11) | (minute << 5) | (second / 2));
  out.date = static_cast<std::uint16_t>(((year - 1980) << 9) | (month << 5) | day);
  return out;
}

std::optional<std::uint32_t> UnixTime32FromFileTime(std::uint64_t ticks) {
  constexpr std::uint64_t kEpochTicks = 116444736000000000ull;  // 1970-01-01 in FILETIME
  constexpr std::uint64_t kTicksPerSecond = 10000000ull;
  if (ticks < kEpochTicks) return std::nullopt;
  const std::uint64_t seconds = (ticks - kEpochTicks) / kTicksPerSecond;
  if (seconds > 0x7FFFFFFFull) return std::nullopt;
  return static_cast<std::uint32_t>(seconds);
}

}  // namespace zelk::zip
