#include "fileutil/wide_path.h"

#include <windows.h>

#include <climits>

namespace zelk::fileutil {
namespace {

constexpr std::wstring_view kPrefix = L"\\\\?\\";
constexpr std::wstring_view kUncPrefix = L"\\\\?\\UNC\\";

bool StartsWith(std::wstring_view s, std::wstring_view prefix) {
  return s.size() >= prefix.size() && s.substr(0, prefix.size()) == prefix;
}

}  // namespace

std::wstring ToWide(std::string_view ansi) {
  if (ansi.empty() || ansi.size() > INT_MAX) return {};
  int size = static_cast<int>(ansi.size());
  int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, nullptr, 0);
  if (n <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, wide.data(), n);
  return wide;
}

std::string ToAnsi(std::wstring_view wide) {
  if (wide.empty() || wide.size() > INT_MAX) return {};
  int size = static_cast<int>(wide.size());
  int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string ansi(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), size, ansi.data(), n, nullptr, nullptr);
  return ansi;
}

std::wstring ExtendedPath(std::string_view path) { return ExtendedWidePath(ToWide(path)); }

std::wstring ExtendedWidePath(std::wstring_view path) {
  if (path.empty()) return {};
  if (StartsWith(path, kPrefix)) return std::wstring(path);
  const std::wstring typed(path);
  std::wstring full(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetFullPathNameW(typed.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (n == 0) return {};
    if (n < full.size()) {
      full.resize(n);
      break;
    }
    full.resize(n + 1);
  }
  if (full.size() >= 2 && full[0] == L'\\' && full[1] == L'\\') {
    return std::wstring(kUncPrefix) + full.substr(2);
  }
  return std::wstring(kPrefix) + full;
}

std::string DisplayPath(std::wstring_view extended) {
  if (StartsWith(extended, kUncPrefix)) {
    return "\\\\" + ToAnsi(extended.substr(kUncPrefix.size()));
  }
  if (StartsWith(extended, kPrefix)) return ToAnsi(extended.substr(kPrefix.size()));
  return ToAnsi(extended);
}

std::wstring JoinWide(std::wstring_view folder, std::wstring_view child) {
  std::wstring out(folder);
  if (!out.empty() && out.back() != L'\\') out.push_back(L'\\');
  out.append(child);
  return out;
}

bool SameWidePath(std::wstring_view a, std::wstring_view b) {
  while (a.size() > 1 && a.back() == L'\\') a.remove_suffix(1);
  while (b.size() > 1 && b.back() == L'\\') b.remove_suffix(1);
  if (a.size() > INT_MAX || b.size() > INT_MAX) return false;
  return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace zelk::fileutil
