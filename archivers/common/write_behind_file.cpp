#include "common/write_behind_file.h"

#include <algorithm>
#include <cstring>

namespace zelk::archivers {

WriteBehindFile::WriteBehindFile(RandomAccessFile& file, std::size_t capacity)
    : file_(file), capacity_(std::max<std::size_t>(capacity, 1)) {}

bool WriteBehindFile::Flush() {
  if (held_.empty()) return true;
  const bool ok = file_.WriteAt(start_, held_.data(), held_.size());
  held_.clear();  // a failed write is not tried again: the archive has failed
  return ok;
}

bool WriteBehindFile::WriteAt(std::uint64_t offset, const void* data, std::size_t n) {
  const auto* in = static_cast<const std::uint8_t*>(data);
  const std::uint64_t heldEnd = start_ + held_.size();
  const bool joins = !held_.empty() && offset >= start_ && offset <= heldEnd;
  if (joins && n <= capacity_ - (offset - start_)) {
    const auto at = static_cast<std::size_t>(offset - start_);
    if (at + n > held_.size()) held_.resize(at + n);
    std::memcpy(held_.data() + at, in, n);
    return true;
  }
  if (!Flush()) return false;
  if (n >= capacity_) return file_.WriteAt(offset, data, n);
  if (held_.capacity() < capacity_) held_.reserve(capacity_);
  start_ = offset;
  held_.assign(in, in + n);
  return true;
}

bool WriteBehindFile::ReadAt(std::uint64_t offset, void* data, std::size_t n, std::size_t* got) {
  *got = 0;
  return Flush() && file_.ReadAt(offset, data, n, got);
}

bool WriteBehindFile::Size(std::uint64_t* size) { return Flush() && file_.Size(size); }

bool WriteBehindFile::Truncate(std::uint64_t size) { return Flush() && file_.Truncate(size); }

}  // namespace zelk::archivers
