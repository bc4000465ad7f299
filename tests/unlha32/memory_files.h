// In-memory files for driving ArchiveWriter and ScanArchive in tests.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "format/archive_writer.h"

namespace zelk::lzh::testing {

class MemoryOutput : public OutputFile {
 public:
  explicit MemoryOutput(std::vector<std::uint8_t> initial = {}) : bytes(std::move(initial)) {}
  bool Write(const std::uint8_t* data, std::size_t size) override {
    if (failAfter_ && written_ + size > *failAfter_) return false;
    written_ += size;
    if (pos_ + size > bytes.size()) bytes.resize(pos_ + size);
    if (size > 0) std::memcpy(bytes.data() + pos_, data, size);
    pos_ += size;
    return true;
  }
  bool Seek(std::uint64_t offset) override {
    pos_ = static_cast<std::size_t>(offset);
    return true;
  }
  bool Truncate() override {
    bytes.resize(pos_);
    return true;
  }
  void FailWritesAfter(std::size_t total) { failAfter_ = written_ + total; }
  void StopFailing() { failAfter_.reset(); }

  std::vector<std::uint8_t> bytes;

 private:
  std::size_t pos_ = 0;
  std::size_t written_ = 0;
  std::optional<std::size_t> failAfter_;
};

class MemoryInput : public InputStream {
 public:
  explicit MemoryInput(std::vector<std::uint8_t> data, std::size_t failAt = SIZE_MAX)
      : data_(std::move(data)), failAt_(failAt) {}
  bool Read(std::uint8_t* out, std::size_t size, std::size_t& got) override {
    if (pos_ >= failAt_) return false;
    got = std::min({size, data_.size() - pos_, failAt_ - pos_});
    if (got > 0) std::memcpy(out, data_.data() + pos_, got);
    pos_ += got;
    return true;
  }
  bool Rewind() override {
    pos_ = 0;
    ++rewinds;
    return true;
  }
  int rewinds = 0;

 private:
  std::vector<std::uint8_t> data_;
  std::size_t pos_ = 0;
  std::size_t failAt_;
};

}  // namespace zelk::lzh::testing
