// A random-access file on a Windows file handle opened by wide path.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "common/random_access_file.h"

namespace zelk::archivers {

class WinFile : public RandomAccessFile {
 public:
  enum class Mode {
    kRead,       // existing file, others may read, write and delete it
    kReadWrite,  // existing file, others may only read it
    kCreateNew,  // a new file; fails when the name exists
  };
  WinFile(const std::wstring& path, Mode mode);
  ~WinFile() override;
  WinFile(const WinFile&) = delete;
  WinFile& operator=(const WinFile&) = delete;

  bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
  // The system error code of the open, or of the last failed operation.
  DWORD LastErrorCode() const { return code_; }
  HANDLE handle() const { return handle_; }

  bool ReadAt(std::uint64_t offset, void* data, std::size_t n, std::size_t* got) override;
  bool WriteAt(std::uint64_t offset, const void* data, std::size_t n) override;
  bool Size(std::uint64_t* size) override;
  bool Truncate(std::uint64_t size) override;
  std::string Error() const override;

 private:
  bool Fail();
  bool SeekTo(std::uint64_t offset);

  static constexpr std::uint64_t kUnknown = ~std::uint64_t{0};

  HANDLE handle_ = INVALID_HANDLE_VALUE;
  DWORD code_ = 0;
  // Where the handle's file pointer stands, so that reads and writes that
  // go on from the last one make no seek (a system call each).
  std::uint64_t pointer_ = 0;
};

// Opens the archive at path for reading and writing, or creates it when it
// does not exist yet (created tells which). Check IsOpen() on the result.
std::unique_ptr<WinFile> OpenOrCreateArchive(const std::wstring& path, bool* created);

}  // namespace zelk::archivers
