// Reads the entry headers of an existing LZH archive (levels 0, 1 and 2)
// to find where new entries go and which paths are taken. Everything read
// is checked against the file's size and the header lengths; anything
// that does not parse makes the file "not an archive".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zelk::lzh {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::uint64_t Size() const = 0;
  // Reads exactly size bytes at offset; false when that is not possible.
  virtual bool ReadAt(std::uint64_t offset, std::uint8_t* data, std::size_t size) = 0;
};

struct ArchiveEntryInfo {
  std::string path;  // ANSI, components separated by '\'
  // The exact path in UTF-8 ('\' between components) from the Unicode name
  // headers; empty when the entry has none.
  std::string unicodePath;
  std::string method;
  std::uint64_t headerOffset = 0;
  std::uint64_t dataOffset = 0;
  std::uint64_t packedSize = 0;
  std::uint64_t originalSize = 0;
  std::uint16_t fileCrc = 0;
  int level = 0;
};

struct ArchiveScan {
  bool valid = false;
  std::string error;            // why the file is not an archive
  std::uint64_t appendOffset = 0;  // the end-of-archive mark, or the end of the last entry
  std::vector<ArchiveEntryInfo> entries;
};

// An empty file counts as an empty archive.
ArchiveScan ScanArchive(ByteSource& source);

// A ByteSource over bytes in memory (tests, small archives).
class MemorySource : public ByteSource {
 public:
  explicit MemorySource(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
  std::uint64_t Size() const override { return bytes_.size(); }
  bool ReadAt(std::uint64_t offset, std::uint8_t* data, std::size_t size) override;

 private:
  std::vector<std::uint8_t> bytes_;
};

}  // namespace zelk::lzh
