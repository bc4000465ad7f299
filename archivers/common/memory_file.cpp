#include "common/memory_file.h"

#include <algorithm>
#include <cstring>

namespace zelk::archivers {

namespace {
// Memory files stay well below this; larger requests are refused.
constexpr std::uint64_t kMaxMemoryFile = std::uint64_t{1} << 32;
}  // namespace

bool MemoryFile::ReadAt(std::uint64_t offset, void* data, std::size_t n, std::size_t* got) {
  *got = 0;
  if (offset >= bytes_.size()) return true;
  const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(n, bytes_.size() - offset));
  if (count > 0) std::memcpy(data, bytes_.data() + offset, count);
  *got = count;
  return true;
}

bool MemoryFile::WriteAt(std::uint64_t offset, const void* data, std::size_t n) {
  if (offset > kMaxMemoryFile || n > kMaxMemoryFile - offset || offset + n > writeLimit_) {
    error_ = "Write failed: no space left.";
    return false;
  }
  if (offset + n > bytes_.size()) bytes_.resize(static_cast<std::size_t>(offset + n));
  if (n > 0) std::memcpy(bytes_.data() + offset, data, n);
  return true;
}

bool MemoryFile::Size(std::uint64_t* size) {
  *size = bytes_.size();
  return true;
}

bool MemoryFile::Truncate(std::uint64_t size) {
  if (size > kMaxMemoryFile) {
    error_ = "Truncate failed: too large.";
    return false;
  }
  bytes_.resize(static_cast<std::size_t>(size));
  return true;
}

}  // namespace zelk::archivers
