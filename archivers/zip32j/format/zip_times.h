// File times as zip records hold them: the MS-DOS date and time of the local
// clock, and Unix seconds for the extended timestamp field.
#pragma once

#include <cstdint>
#include <optional>

namespace zelk::zip {

struct DosDateTime {
  std::uint16_t time = 0;  // hour << 11 | minute << 5 | second / 2
  std::uint16_t date = 0;  // (year - 1980) << 9 | month << 5 | day
};

// Packs a calendar time; years before 1980 give 1980-01-01 00:00:00, years
// after 2107 give 2107-12-31 23:59:58. Odd seconds round down.
DosDateTime PackDosDateTime(int year, int month, int day, int hour, int minute, int second);

// Unix seconds of a Windows FILETIME (100 ns ticks since 1601-01-01 UTC),
// when they fit the 32-bit field of the extended timestamp (1970..2038).
std::optional<std::uint32_t> UnixTime32FromFileTime(std::uint64_t ticks);

}  // namespace zelk::zip
