// Holds the writes that follow one another and hands them to the file
// underneath as one: an archive of many small entries is written in large
// pieces, not in one system call per header and per entry. A write that
// does not continue or overwrite what is held first writes out what is held;
// so do reads, Size and Truncate. Flush reports a write that failed late,
// with the file's own reason in Error().
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/random_access_file.h"

namespace zelk::archivers {

class WriteBehindFile : public RandomAccessFile {
 public:
  static constexpr std::size_t kDefaultCapacity = 256u << 10;

  explicit WriteBehindFile(RandomAccessFile& file, std::size_t capacity = kDefaultCapacity);
  // What is still held is dropped: the owner flushes (Truncate flushes too)
  // and learns whether that worked.
  ~WriteBehindFile() override = default;
  WriteBehindFile(const WriteBehindFile&) = delete;
  WriteBehindFile& operator=(const WriteBehindFile&) = delete;

  bool ReadAt(std::uint64_t offset, void* data, std::size_t n, std::size_t* got) override;
  bool WriteAt(std::uint64_t offset, const void* data, std::size_t n) override;
  bool Size(std::uint64_t* size) override;
  bool Truncate(std::uint64_t size) override;
  std::string Error() const override { return file_.Error(); }

  // Writes out what is held.
  bool Flush();

 private:
  RandomAccessFile& file_;
  const std::size_t capacity_;
  std::uint64_t start_ = 0;         // where held_ goes in the file
  std::vector<std::uint8_t> held_;  // reserved once, at capacity
};

}  // namespace zelk::archivers
