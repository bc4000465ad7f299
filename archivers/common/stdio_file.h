// A random-access file on a C stream with 64-bit offsets, for portable tools
// and tests (the archiver libraries use Windows handles instead).
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "common/random_access_file.h"

namespace zelk::archivers {

class StdioFile : public RandomAccessFile {
 public:
  enum class Mode { kRead, kReadWrite, kCreate };
  // Opens path (a narrow path in the system's encoding); check IsOpen().
  StdioFile(const std::string& path, Mode mode);

  bool IsOpen() const { return file_ != nullptr; }
  bool ReadAt(std::uint64_t offset, void* data, std::size_t n, std::size_t* got) override;
  bool WriteAt(std::uint64_t offset, const void* data, std::size_t n) override;
  bool Size(std::uint64_t* size) override;
  bool Truncate(std::uint64_t size) override;
  std::string Error() const override { return error_; }

 private:
  struct Closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  bool SeekTo(std::uint64_t offset);

  std::unique_ptr<std::FILE, Closer> file_;
  std::string error_;
};

}  // namespace zelk::archivers
