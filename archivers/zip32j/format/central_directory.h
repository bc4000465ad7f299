// The central directory of an existing zip archive, read so that new entries
// can be appended without touching the old ones: the new local entries go
// where the old central directory started, and the old central records are
// written again, byte for byte, ahead of the new ones.
//
// The file is input from anywhere: every length and offset is checked
// against the file before it is used, and anything that does not add up is
// refused as "not a zip archive".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/random_access_file.h"

namespace zelk::zip {

struct CentralEntry {
  std::string name;               // raw name bytes as stored
  bool utf8Name = false;          // general purpose bit 11: name is UTF-8
  // The UTF-8 name of an Info-ZIP Unicode Path field (0x7075) whose CRC
  // matches the stored name; empty when there is none.
  std::string unicodePath;
  std::uint16_t method = 0;
  std::uint32_t crc32 = 0;
  std::uint64_t compressedSize = 0;
  std::uint64_t uncompressedSize = 0;
  std::uint64_t localHeaderOffset = 0;
  std::uint32_t externalAttributes = 0;
  std::vector<std::uint8_t> record;  // the whole central record, unchanged
};

struct CentralDirectory {
  std::vector<CentralEntry> entries;
  // Where the central directory starts: the end of the entry data, where
  // appended entries begin.
  std::uint64_t startOffset = 0;
  std::string comment;  // archive comment of the end record
};

// Reads the central directory of file. False with a reason in *error when
// the file is not a zip archive that can be appended to (or cannot be read).
bool ReadCentralDirectory(archivers::RandomAccessFile& file, CentralDirectory* out,
                          std::string* error);

}  // namespace zelk::zip
