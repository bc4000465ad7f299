#include "common/source_file.h"

namespace zelk::archivers {

bool IsHeldError(DWORD code) { return code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION; }

SourceFile::SourceFile(const std::wstring& path, fileutil::RetryBudget& retries)
    : WinFile(path, WinFile::Mode::kRead), retries_(retries) {}

bool SourceFile::ReadAt(std::uint64_t offset, void* data, std::size_t n, std::size_t* got) {
  for (;;) {
    if (WinFile::ReadAt(offset, data, n, got)) return true;
    if (!IsHeldError(LastErrorCode()) || !retries_.WaitBeforeRetry(tries_)) return false;
    ++tries_;
  }
}

std::unique_ptr<SourceFile> SourceFile::Open(const std::wstring& path, fileutil::RetryBudget& retries) {
  auto file = std::make_unique<SourceFile>(path, retries);
  int tries = 1;
  while (!file->IsOpen() && IsHeldError(file->LastErrorCode()) && retries.WaitBeforeRetry(tries)) {
    file = std::make_unique<SourceFile>(path, retries);
    ++tries;
  }
  file->tries_ = tries;
  return file;
}

bool DeferredSource::Opened() {
  if (!file_) file_ = SourceFile::Open(path_, retries_);
  return file_->IsOpen();
}

bool DeferredSource::ReadAt(std::uint64_t offset, void* data, std::size_t n, std::size_t* got) {
  *got = 0;
  return Opened() && file_->ReadAt(offset, data, n, got);
}

bool DeferredSource::WriteAt(std::uint64_t offset, const void* data, std::size_t n) {
  return Opened() && file_->WriteAt(offset, data, n);
}

bool DeferredSource::Size(std::uint64_t* size) { return Opened() && file_->Size(size); }

bool DeferredSource::Truncate(std::uint64_t size) { return Opened() && file_->Truncate(size); }

std::string DeferredSource::Error() const { return file_ ? file_->Error() : std::string(); }

}  // namespace zelk::archivers
