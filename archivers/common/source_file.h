// A source file of an archiver call, opened for reading. A file another
// program holds (a sharing violation on opening, a lock violation on
// reading) is tried again within the call's retry budget.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "fileutil/retry_budget.h"
#include "common/win_file.h"

namespace zelk::archivers {

class SourceFile : public WinFile {
 public:
  // Opens path, trying again while another program holds it; check
  // IsOpen() and LastErrorCode(). retries must outlive the file.
  static std::unique_ptr<SourceFile> Open(const std::wstring& path, fileutil::RetryBudget& retries);

  SourceFile(const std::wstring& path, fileutil::RetryBudget& retries);

  bool ReadAt(std::uint64_t offset, void* data, std::size_t n, std::size_t* got) override;

 private:
  fileutil::RetryBudget& retries_;
  int tries_ = 1;  // opening and reading together
};

// A source opened where it is first read, so that a pool thread that reads
// it also waits for the open (and its retries) instead of the thread that
// walks. Used by one thread at a time. A failed open is the failure of the
// first read, with the open's reason.
class DeferredSource : public RandomAccessFile {
 public:
  DeferredSource(std::wstring path, fileutil::RetryBudget& retries) : path_(std::move(path)), retries_(retries) {}

  bool ReadAt(std::uint64_t offset, void* data, std::size_t n, std::size_t* got) override;
  bool WriteAt(std::uint64_t offset, const void* data, std::size_t n) override;
  bool Size(std::uint64_t* size) override;
  bool Truncate(std::uint64_t size) override;
  std::string Error() const override;

 private:
  bool Opened();

  std::wstring path_;
  fileutil::RetryBudget& retries_;
  std::unique_ptr<SourceFile> file_;
};

// True for the errors of a file that another program holds.
bool IsHeldError(DWORD code);

}  // namespace zelk::archivers
