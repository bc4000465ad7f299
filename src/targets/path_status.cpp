#include "targets/path_status.h"

#include <windows.h>

#include "fileutil/wide_path.h"
#include "targets/target_entry.h"
#include "text/mbcs.h"

namespace zelk::targets {
namespace {

// A full path that is the root of a drive ("C:\") or of a network share
// ("\\server\share").
bool IsRootPath(const std::string& full) {
  if (full.size() == 3 && full[1] == ':' && full[2] == '\\') return true;
  if (full.size() > 2 && full[0] == '\\' && full[1] == '\\') {
    // Server and share, and nothing below them.
    std::size_t separators = 0;
    for (std::size_t pos = text::FindFirstChar(full, '\\', 2); pos != std::string::npos;
         pos = text::FindFirstChar(full, '\\', pos + 1)) {
      if (pos + 1 < full.size()) ++separators;
    }
    return separators <= 1;
  }
  return false;
}

}  // namespace

std::optional<PathKind> QueryPathKind(const std::string& path) {
  if (path.empty()) return std::nullopt;
  // '*' and '?' are single-byte and never trail bytes in the ANSI code page
  // (both lie below 0x40).
  if (path.find_first_of("*?") != std::string::npos) return std::nullopt;
  if (path.find('\0') != std::string::npos) return std::nullopt;
  // A path that ends in a separator names no entry of a folder, and a root
  // is in no folder: a directory search finds neither.
  if (text::EndsWithChar(path, '\\') || text::EndsWithChar(path, '/')) return std::nullopt;
  if (path.size() == 2 && path[1] == ':') return std::nullopt;
  // The extended-length form reaches targets of any length, as the copy
  // does; the ANSI calls would call a 260-byte path missing.
  const std::wstring full = fileutil::ExtendedPath(path);
  if (full.empty() || IsRootPath(fileutil::DisplayPath(full))) return std::nullopt;
  // The entry's own attributes, in one query by name: a directory search
  // per target made the check of a long list take many seconds.
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(full.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::Folder : PathKind::File;
}

}  // namespace zelk::targets
