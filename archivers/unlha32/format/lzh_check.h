// Reading an LZH archive back whole: every entry's header through the
// archive reader, and every entry's data decoded (-lh5-, -lh6-, -lh7-) or
// read (stored) with its CRC-16 checked against the header, whichever
// program wrote it. Memory stays bounded whatever the entries' sizes.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "format/archive_reader.h"

namespace zelk::lzh {

struct CheckedEntry {
  std::string name;   // the exact path in UTF-8 when utf8, else the ANSI path; '\' separators
  bool utf8 = false;
  bool folder = false;
};

struct ArchiveCheck {
  std::vector<CheckedEntry> entries;  // in the archive's order
  bool whole = false;
  // The first entry whose data does not give back its size and CRC; none
  // when the archive itself cannot be read (entries is then empty).
  std::optional<std::size_t> failedEntry;
  std::string error;  // why, when not whole
};

ArchiveCheck CheckLzhArchive(ByteSource& source);

}  // namespace zelk::lzh
