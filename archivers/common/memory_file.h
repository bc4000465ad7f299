// A random-access file held in memory, for tests and fuzzing. It can be told
// to fail every write past a byte limit, to model a full disk.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "common/random_access_file.h"

namespace zelk::archivers {

class MemoryFile : public RandomAccessFile {
 public:
  MemoryFile() = default;
  explicit MemoryFile(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

  bool ReadAt(std::uint64_t offset, void* data, std::size_t n, std::size_t* got) override;
  bool WriteAt(std::uint64_t offset, const void* data, std::size_t n) override;
  bool Size(std::uint64_t* size) override;
  bool Truncate(std::uint64_t size) override;
  std::string Error() const override { return error_; }

  // Writes that would end past limit fail from now on.
  void FailWritesPast(std::uint64_t limit) { writeLimit_ = limit; }

  std::vector<std::uint8_t>& bytes() { return bytes_; }
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
  std::uint64_t writeLimit_ = std::numeric_limits<std::uint64_t>::max();
  std::string error_;
};

}  // namespace zelk::archivers
