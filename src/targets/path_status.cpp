#include "targets/path_status.h"

#include <windows.h>

#include "targets/target_entry.h"

namespace zelk::targets {
namespace {

class FindHandle {
 public:
  explicit FindHandle(HANDLE handle) : handle_(handle) {}
  ~FindHandle() {
    if (valid()) FindClose(handle_);
  }
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

}  // namespace

std::optional<PathKind> QueryPathKind(const std::string& path) {
  if (path.empty() || path.size() > kMaxTargetPath) return std::nullopt;
  // '*' and '?' are single-byte and never trail bytes in the ANSI code page
  // (both lie below 0x40).
  if (path.find_first_of("*?") != std::string::npos) return std::nullopt;
  if (path.find('\0') != std::string::npos) return std::nullopt;
  WIN32_FIND_DATAA data;
  FindHandle find(FindFirstFileA(path.c_str(), &data));
  if (!find.valid()) return std::nullopt;
  return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::Folder : PathKind::File;
}

}  // namespace zelk::targets
