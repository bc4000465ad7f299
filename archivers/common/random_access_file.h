// A file read and written at explicit 64-bit offsets. The archive format code
// works through this interface only, so that it runs on Windows file handles
// in the archiver libraries, on C streams natively and on memory in tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zelk::archivers {

class RandomAccessFile {
 public:
  virtual ~RandomAccessFile() = default;

  // Reads up to n bytes at offset into data; *got is less than n only at the
  // end of the file. False on an error (see Error()).
  virtual bool ReadAt(std::uint64_t offset, void* data, std::size_t n, std::size_t* got) = 0;
  // Writes all n bytes at offset, extending the file as needed.
  virtual bool WriteAt(std::uint64_t offset, const void* data, std::size_t n) = 0;
  virtual bool Size(std::uint64_t* size) = 0;
  // Cuts the file (or extends it) to size bytes.
  virtual bool Truncate(std::uint64_t size) = 0;
  // A short text for the last failed operation.
  virtual std::string Error() const = 0;

  // Reads exactly n bytes at offset; false on an error or a short read.
  bool ReadExactAt(std::uint64_t offset, void* data, std::size_t n) {
    std::size_t got = 0;
    return ReadAt(offset, data, n, &got) && got == n;
  }
};

}  // namespace zelk::archivers
