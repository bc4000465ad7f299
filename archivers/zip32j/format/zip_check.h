// Reading a zip archive back whole: the central directory through its
// reader, then every entry's local header (matching its central record) and
// data, inflated (or read, when stored) with its size and CRC-32 checked.
// Memory stays bounded whatever the entries' sizes.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "common/random_access_file.h"

namespace zelk::zip {

struct CheckedEntry {
  std::string name;   // UTF-8 when utf8 (bit 11 or a Unicode Path field), else as stored; '/' separators
  bool utf8 = false;
  bool folder = false;
};

struct ArchiveCheck {
  std::vector<CheckedEntry> entries;  // in the central directory's order
  bool whole = false;
  // The first entry whose header or data does not agree with its central
  // record; none when the archive itself cannot be read (entries is then
  // empty).
  std::optional<std::size_t> failedEntry;
  std::string error;  // why, when not whole
};

ArchiveCheck CheckZipArchive(archivers::RandomAccessFile& file);

}  // namespace zelk::zip
