#include "engine/file_copy.h"

#include <windows.h>

#include "fileutil/win_handles.h"

namespace zelk::engine {
namespace {

// Attributes a copy takes over from its source.
constexpr DWORD kCopiedAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                    FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

LARGE_INTEGER Large(std::uint64_t ticks) {
  LARGE_INTEGER value;
  value.QuadPart = static_cast<LONGLONG>(ticks);
  return value;
}

FILE_BASIC_INFO BasicInfo(const FileStamp& stamp) {
  FILE_BASIC_INFO info{};
  info.CreationTime = Large(stamp.created);
  info.LastAccessTime = Large(stamp.accessed);
  info.LastWriteTime = Large(stamp.written);
  const DWORD copied = stamp.attributes & kCopiedAttributes;
  info.FileAttributes = copied != 0 ? copied : FILE_ATTRIBUTE_NORMAL;
  return info;
}

CopyOutcome Failure(CopyOutcome::Failed side, DWORD code) { return {side, code == 0 ? ERROR_GEN_FAILURE : code, 0}; }

// Marks the open target for deletion when it closes.
void Discard(HANDLE target) {
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = TRUE;
  SetFileInformationByHandle(target, FileDispositionInfo, &disposition, sizeof disposition);
}

}  // namespace

bool IsPassingLock(unsigned long code) { return code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION; }

CopyOutcome CopyFileData(const std::wstring& source, const std::wstring& target, const FileStamp& stamp,
                         std::vector<char>& buffer, checksum::Sha256* sha) {
  fileutil::FileHandle from(CreateFileW(source.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!from.valid()) return Failure(CopyOutcome::Failed::Source, GetLastError());
  fileutil::FileHandle to(CreateFileW(target.c_str(), GENERIC_WRITE | FILE_WRITE_ATTRIBUTES | DELETE, 0, nullptr,
                                      CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!to.valid()) return Failure(CopyOutcome::Failed::Target, GetLastError());
  if (buffer.size() < (1u << 20)) buffer.resize(1u << 20);
  CopyOutcome outcome;
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(from.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) {
      outcome = Failure(CopyOutcome::Failed::Source, GetLastError());
      break;
    }
    if (read == 0) break;
    if (sha != nullptr) sha->Update(buffer.data(), read);
    DWORD written = 0;
    if (!WriteFile(to.get(), buffer.data(), read, &written, nullptr) || written != read) {
      outcome = Failure(CopyOutcome::Failed::Target, GetLastError());
      break;
    }
    outcome.bytes += read;
  }
  if (outcome.failed != CopyOutcome::Failed::None) {
    Discard(to.get());
    return outcome;
  }
  FILE_BASIC_INFO info = BasicInfo(stamp);
  SetFileInformationByHandle(to.get(), FileBasicInfo, &info, sizeof info);
  // The last write-back of the file's data may fail only now (a full disk
  // on a network share).
  if (!to.Close()) {
    const DWORD code = GetLastError();
    DeleteFileW(target.c_str());
    return Failure(CopyOutcome::Failed::Target, code);
  }
  return outcome;
}

namespace {

// Memory aligned for unbuffered reads (a whole number of pages).
class AlignedBuffer {
 public:
  explicit AlignedBuffer(std::size_t size)
      : size_(size), data_(VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {}
  ~AlignedBuffer() {
    if (data_ != nullptr) VirtualFree(data_, 0, MEM_RELEASE);
  }
  AlignedBuffer(const AlignedBuffer&) = delete;
  AlignedBuffer& operator=(const AlignedBuffer&) = delete;
  void* data() const { return data_; }
  std::size_t size() const { return size_; }

 private:
  std::size_t size_;
  void* data_;
};

}  // namespace

std::optional<checksum::Digest> ReadBackDigest(const std::wstring& path) {
  auto open = [&](DWORD flags) {
    return CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, flags, nullptr);
  };
  HANDLE raw = open(FILE_FLAG_NO_BUFFERING | FILE_FLAG_SEQUENTIAL_SCAN);
  // A volume that cannot read past its cache is read through it.
  if (raw == INVALID_HANDLE_VALUE) raw = open(FILE_FLAG_SEQUENTIAL_SCAN);
  fileutil::FileHandle file(raw);
  if (!file.valid()) return std::nullopt;
  static thread_local AlignedBuffer buffer(1u << 20);
  if (buffer.data() == nullptr) return std::nullopt;
  checksum::Sha256 sha;
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) return std::nullopt;
    if (read == 0) break;
    sha.Update(buffer.data(), read);
  }
  return sha.Finish();
}

void ApplyStamp(const std::wstring& path, const FileStamp& stamp, bool folder) {
  fileutil::FileHandle handle(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                          folder ? FILE_FLAG_BACKUP_SEMANTICS : 0, nullptr));
  if (!handle.valid()) return;
  FILE_BASIC_INFO info = BasicInfo(stamp);
  // A new folder has no attribute to clear: 0 leaves them as they are.
  if (folder) info.FileAttributes = stamp.attributes & kCopiedAttributes;
  SetFileInformationByHandle(handle.get(), FileBasicInfo, &info, sizeof info);
}

}  // namespace zelk::engine
