#include "common/win_file.h"

#include <algorithm>

#include "common/win_strings.h"

namespace zelk::archivers {

namespace {
constexpr std::size_t kMaxChunk = 1u << 30;  // one ReadFile / WriteFile call
}

WinFile::WinFile(const std::wstring& path, Mode mode) {
  DWORD access = GENERIC_READ;
  DWORD share = FILE_SHARE_READ;
  DWORD disposition = OPEN_EXISTING;
  DWORD flags = FILE_ATTRIBUTE_NORMAL;
  switch (mode) {
    case Mode::kRead:
      share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
      flags |= FILE_FLAG_SEQUENTIAL_SCAN;
      break;
    case Mode::kReadWrite:
      access |= GENERIC_WRITE;
      break;
    case Mode::kCreateNew:
      access |= GENERIC_WRITE;
      disposition = CREATE_NEW;
      break;
  }
  handle_ = CreateFileW(path.c_str(), access, share, nullptr, disposition, flags, nullptr);
  if (handle_ == INVALID_HANDLE_VALUE) code_ = GetLastError();
}

WinFile::~WinFile() {
  if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
}

bool WinFile::Fail() {
  code_ = GetLastError();
  return false;
}

bool WinFile::SeekTo(std::uint64_t offset) {
  if (offset == pointer_) return true;
  LARGE_INTEGER to;
  to.QuadPart = static_cast<LONGLONG>(offset);
  if (!SetFilePointerEx(handle_, to, nullptr, FILE_BEGIN)) {
    pointer_ = kUnknown;
    return Fail();
  }
  pointer_ = offset;
  return true;
}

bool WinFile::ReadAt(std::uint64_t offset, void* data, std::size_t n, std::size_t* got) {
  *got = 0;
  if (!SeekTo(offset)) return false;
  auto* out = static_cast<unsigned char*>(data);
  while (*got < n) {
    const DWORD chunk = static_cast<DWORD>(std::min(n - *got, kMaxChunk));
    DWORD read = 0;
    if (!ReadFile(handle_, out + *got, chunk, &read, nullptr)) {
      pointer_ = kUnknown;
      return Fail();
    }
    pointer_ += read;
    if (read == 0) break;
    *got += read;
  }
  return true;
}

bool WinFile::WriteAt(std::uint64_t offset, const void* data, std::size_t n) {
  if (!SeekTo(offset)) return false;
  const auto* in = static_cast<const unsigned char*>(data);
  std::size_t done = 0;
  while (done < n) {
    const DWORD chunk = static_cast<DWORD>(std::min(n - done, kMaxChunk));
    DWORD written = 0;
    if (!WriteFile(handle_, in + done, chunk, &written, nullptr)) {
      pointer_ = kUnknown;
      return Fail();
    }
    pointer_ += written;
    if (written == 0) {
      code_ = ERROR_WRITE_FAULT;
      return false;
    }
    done += written;
  }
  return true;
}

bool WinFile::Size(std::uint64_t* size) {
  LARGE_INTEGER s;
  if (!GetFileSizeEx(handle_, &s)) return Fail();
  *size = static_cast<std::uint64_t>(s.QuadPart);
  return true;
}

bool WinFile::Truncate(std::uint64_t size) {
  return (SeekTo(size) && SetEndOfFile(handle_)) || Fail();
}

std::string WinFile::Error() const { return SystemErrorText(code_); }

std::unique_ptr<WinFile> OpenOrCreateArchive(const std::wstring& path, bool* created) {
  *created = false;
  auto archive = std::make_unique<WinFile>(path, WinFile::Mode::kReadWrite);
  if (!archive->IsOpen() && archive->LastErrorCode() == ERROR_FILE_NOT_FOUND) {
    archive = std::make_unique<WinFile>(path, WinFile::Mode::kCreateNew);
    *created = true;
  }
  return archive;
}

}  // namespace zelk::archivers
