// The LZH format code's file interfaces on the archivers' random-access
// files (Windows handles in the DLL, memory in tests).
#pragma once

#include <memory>

#include "common/random_access_file.h"
#include "format/archive_reader.h"
#include "format/archive_writer.h"

namespace zelk::lzh {

class ArchiveOutput : public OutputFile {
 public:
  explicit ArchiveOutput(archivers::RandomAccessFile& file) : file_(file) {}
  bool Write(const std::uint8_t* data, std::size_t size) override {
    if (!file_.WriteAt(pos_, data, size)) return false;
    pos_ += size;
    return true;
  }
  bool Seek(std::uint64_t offset) override {
    pos_ = offset;
    return true;
  }
  bool Truncate() override { return file_.Truncate(pos_); }

 private:
  archivers::RandomAccessFile& file_;
  std::uint64_t pos_ = 0;
};

class ArchiveSource : public ByteSource {
 public:
  explicit ArchiveSource(archivers::RandomAccessFile& file) : file_(file) {
    if (!file_.Size(&size_)) size_ = 0;
  }
  std::uint64_t Size() const override { return size_; }
  bool ReadAt(std::uint64_t offset, std::uint8_t* data, std::size_t size) override {
    return file_.ReadExactAt(offset, data, size);
  }

 private:
  archivers::RandomAccessFile& file_;
  std::uint64_t size_ = 0;
};

// A file read from its start to its end, kept open as long as the stream.
class SequentialInput : public InputStream {
 public:
  explicit SequentialInput(std::unique_ptr<archivers::RandomAccessFile> file) : file_(std::move(file)) {}
  bool Read(std::uint8_t* data, std::size_t size, std::size_t& got) override {
    got = 0;
    if (!file_->ReadAt(pos_, data, size, &got)) return false;
    pos_ += got;
    return true;
  }
  bool Rewind() override {
    pos_ = 0;
    return true;
  }
  std::string Error() const override { return file_->Error(); }

 private:
  std::unique_ptr<archivers::RandomAccessFile> file_;
  std::uint64_t pos_ = 0;
};

}  // namespace zelk::lzh
