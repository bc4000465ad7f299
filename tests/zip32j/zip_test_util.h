// Helpers of the zip format tests: archives in memory, raw inflate through
// zlib, and a file whose bytes start at a large offset.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "common/memory_file.h"
#include "zip32j/format/central_directory.h"
#include "zip32j/format/zip_writer.h"

namespace zelk::zip::testing {

std::vector<std::uint8_t> Bytes(const std::string& s);
std::string Inflate(const std::uint8_t* data, std::size_t size);
std::uint32_t Crc(const std::string& s);

EntryInfo Info(const std::string& name, std::uint64_t expectedSize = 0);

// One entry as read back through its local header.
struct LocalEntry {
  std::string name;
  std::uint16_t method = 0;
  std::uint32_t crc = 0;
  std::uint64_t compressedSize = 0;
  std::uint64_t uncompressedSize = 0;
  std::map<std::uint16_t, std::vector<std::uint8_t>> extra;
  std::string contents;  // inflated or stored data
};
// Reads the local entry at offset; contents are taken with the central
// sizes in entry (so that the local header's own fields can be compared).
LocalEntry ReadLocal(const std::vector<std::uint8_t>& archive, const CentralEntry& entry);

std::map<std::uint16_t, std::vector<std::uint8_t>> ExtraFields(const std::uint8_t* p, std::size_t n);
// The extra fields of a central record.
std::map<std::uint16_t, std::vector<std::uint8_t>> CentralExtra(const CentralEntry& entry);

// An archive in memory with the given files (name -> contents; names ending
// in '/' are folders).
std::vector<std::uint8_t> MakeArchive(const std::vector<std::pair<std::string, std::string>>& files);

// A file whose bytes below base read as zeros and are never stored, so that
// offsets past 4 GiB can be written without 4 GiB of memory.
class HighOffsetFile : public archivers::RandomAccessFile {
 public:
  explicit HighOffsetFile(std::uint64_t base) : base_(base) {}
  bool ReadAt(std::uint64_t offset, void* data, std::size_t n, std::size_t* got) override;
  bool WriteAt(std::uint64_t offset, const void* data, std::size_t n) override;
  bool Size(std::uint64_t* size) override;
  bool Truncate(std::uint64_t size) override;
  std::string Error() const override { return "high offset file"; }
  const std::vector<std::uint8_t>& tail() const { return mem_.bytes(); }

 private:
  std::uint64_t base_;
  archivers::MemoryFile mem_;
};

}  // namespace zelk::zip::testing
