#include "fileutil/resolved_path.h"

#include <windows.h>

#include "fileutil/wide_path.h"
#include "fileutil/win_handles.h"

namespace zelk::fileutil {
namespace {

constexpr std::wstring_view kPrefix = L"\\\\?\\";
constexpr std::wstring_view kDevicePrefix = L"\\\\.\\";
constexpr std::wstring_view kUncPrefix = L"\\\\?\\UNC\\";

bool StartsWith(std::wstring_view s, std::wstring_view prefix) {
  return s.size() >= prefix.size() && s.substr(0, prefix.size()) == prefix;
}

// The absolute form the system makes of a typed path, as an extended-length
// path so that long paths open too; a device path stays as it is.
std::wstring OpenablePath(std::wstring_view path) {
  if (StartsWith(path, kDevicePrefix)) return std::wstring(path);
  return ExtendedWidePath(path);
}

std::wstring_view TrimSeparators(std::wstring_view path) {
  while (path.size() > 1 && path.back() == L'\\' && !IsResolvedRoot(path)) path.remove_suffix(1);
  return path;
}

}  // namespace

std::wstring ResolvedPath(std::wstring_view path, bool linkItself, unsigned long* errorCode) {
  if (errorCode != nullptr) *errorCode = 0;
  const std::wstring openable = OpenablePath(path);
  if (openable.empty()) {
    if (errorCode != nullptr) *errorCode = ERROR_INVALID_NAME;
    return {};
  }
  const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (linkItself ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
  FileHandle handle(CreateFileW(openable.c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, flags, nullptr));
  if (!handle.valid() || GetFileType(handle.get()) != FILE_TYPE_DISK) {
    if (errorCode != nullptr) *errorCode = handle.valid() ? ERROR_INVALID_NAME : GetLastError();
    return {};
  }
  std::wstring final(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetFinalPathNameByHandleW(handle.get(), final.data(), static_cast<DWORD>(final.size()),
                                        FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0) {
      if (errorCode != nullptr) *errorCode = GetLastError();
      return {};
    }
    if (n < final.size()) {
      final.resize(n);
      break;
    }
    final.resize(n + 1);
  }
  if (!StartsWith(final, kPrefix)) final.insert(0, kPrefix);
  return std::wstring(TrimSeparators(final));
}

std::wstring ResolvedPathA(std::string_view path, bool linkItself) {
  return ResolvedPath(ToWide(path), linkItself);
}

std::wstring ResolvedPathOrParent(std::string_view path) {
  std::wstring openable = OpenablePath(ToWide(path));
  std::wstring rest;
  while (!openable.empty()) {
    std::wstring resolved = ResolvedPath(openable);
    if (!resolved.empty()) return rest.empty() ? resolved : JoinWide(resolved, rest);
    const std::size_t sep = openable.find_last_of(L'\\');
    if (sep == std::wstring::npos || sep < kPrefix.size() + 2) return {};
    std::wstring name = openable.substr(sep + 1);
    rest = rest.empty() ? name : JoinWide(name, rest);
    openable.resize(sep);
  }
  return {};
}

bool IsInsideWide(std::wstring_view child, std::wstring_view parent) {
  parent = TrimSeparators(parent);
  if (!parent.empty() && parent.back() == L'\\') parent.remove_suffix(1);  // a root
  if (child.size() <= parent.size() + 1 || child[parent.size()] != L'\\') return false;
  return SameWidePath(child.substr(0, parent.size()), parent);
}

bool IsSameOrInsideWide(std::wstring_view path, std::wstring_view parent) {
  return SameWidePath(TrimSeparators(path), TrimSeparators(parent)) || IsInsideWide(path, parent);
}

bool IsResolvedRoot(std::wstring_view resolved) {
  if (StartsWith(resolved, kUncPrefix)) {
    std::wstring_view rest = resolved.substr(kUncPrefix.size());
    while (!rest.empty() && rest.back() == L'\\') rest.remove_suffix(1);
    const std::size_t server = rest.find(L'\\');
    return server == std::wstring_view::npos || rest.find(L'\\', server + 1) == std::wstring_view::npos;
  }
  if (StartsWith(resolved, kPrefix)) resolved.remove_prefix(kPrefix.size());
  return resolved.size() <= 3 && resolved.size() >= 2 && resolved[1] == L':';
}

std::wstring_view ResolvedParent(std::wstring_view resolved) {
  const std::size_t sep = resolved.find_last_of(L'\\');
  if (sep == std::wstring_view::npos) return {};
  std::wstring_view parent = resolved.substr(0, sep);
  // "\\?\C:" is the drive, written "\\?\C:\".
  if (!parent.empty() && parent.back() == L':') return resolved.substr(0, sep + 1);
  return parent;
}

std::wstring_view ResolvedName(std::wstring_view resolved) {
  const std::size_t sep = resolved.find_last_of(L'\\');
  return sep == std::wstring_view::npos ? resolved : resolved.substr(sep + 1);
}

}  // namespace zelk::fileutil
