#include "common/win_strings.h"

#include <vector>

namespace zelk::archivers {

namespace {

std::wstring ToWide(UINT codePage, DWORD flags, std::string_view text) {
  if (text.empty()) return {};
  const int n = MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (n <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

std::string FromWide(UINT codePage, DWORD flags, std::wstring_view wide, BOOL* usedDefault) {
  if (wide.empty()) return {};
  const int n = WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()),
                                    nullptr, 0, nullptr, usedDefault);
  if (n <= 0) return {};
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()), out.data(), n,
                      nullptr, usedDefault);
  return out;
}

bool IsAscii(std::wstring_view wide) {
  for (wchar_t c : wide) {
    if (c >= 0x80) return false;
  }
  return true;
}

}  // namespace

std::wstring AnsiToWide(std::string_view ansi) { return ToWide(CP_ACP, 0, ansi); }

std::string WideToAnsi(std::wstring_view wide, bool* exact) {
  BOOL usedDefault = FALSE;
  std::string out = FromWide(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, &usedDefault);
  if (exact) *exact = usedDefault == FALSE && (wide.empty() || !out.empty());
  return out;
}

std::string WideToAnsiAsSystem(std::wstring_view wide) { return FromWide(CP_ACP, 0, wide, nullptr); }

std::optional<std::string> WideToAnsiExact(std::wstring_view wide) {
  if (IsAscii(wide)) return std::string(wide.begin(), wide.end());
  bool exact = false;
  std::string ansi = WideToAnsi(wide, &exact);
  // The way back must give the same characters: some code pages map two
  // characters to one byte sequence.
  if (!exact || AnsiToWide(ansi) != wide) return std::nullopt;
  return ansi;
}

std::string AnsiStandIn(std::wstring_view component) {
  std::string out;
  out.reserve(component.size());
  for (std::size_t i = 0; i < component.size();) {
    std::size_t len = 1;
    if (IS_HIGH_SURROGATE(component[i]) && i + 1 < component.size() && IS_LOW_SURROGATE(component[i + 1])) len = 2;
    const std::wstring_view one = component.substr(i, len);
    if (const std::optional<std::string> ansi = WideToAnsiExact(one); ansi && len == 1) {
      out += *ansi;
    } else {
      out += '_';
    }
    i += len;
  }
  return out;
}

std::string WideToUtf8(std::wstring_view wide) { return FromWide(CP_UTF8, 0, wide, nullptr); }

std::optional<std::string> WideToUtf8Exact(std::wstring_view wide) {
  if (wide.empty()) return std::string();
  std::string out = FromWide(CP_UTF8, WC_ERR_INVALID_CHARS, wide, nullptr);
  if (out.empty()) return std::nullopt;
  return out;
}

std::wstring Utf8ToWide(std::string_view utf8) { return ToWide(CP_UTF8, 0, utf8); }

std::string AnsiToUtf8(std::string_view ansi) { return WideToUtf8(AnsiToWide(ansi)); }

std::wstring ExtendedLengthPath(const std::wstring& path) {
  if (path.rfind(L"\\\\?\\", 0) == 0) return path;
  const DWORD need = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (need == 0) return {};
  std::wstring full(need, L'\0');
  const DWORD len = GetFullPathNameW(path.c_str(), need, full.data(), nullptr);
  if (len == 0 || len >= need) return {};
  full.resize(len);
  if (full.rfind(L"\\\\?\\", 0) == 0) return full;
  if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

std::string DisplayPath(std::wstring_view path) {
  if (path.rfind(L"\\\\?\\UNC\\", 0) == 0) return "\\\\" + WideToAnsi(path.substr(8));
  if (path.rfind(L"\\\\?\\", 0) == 0) path.remove_prefix(4);
  return WideToAnsi(path);
}

std::string EnginePath(std::wstring_view path) {
  if (path.rfind(L"\\\\?\\UNC\\", 0) == 0) return "\\\\" + WideToAnsiAsSystem(path.substr(8));
  if (path.rfind(L"\\\\?\\", 0) == 0) path.remove_prefix(4);
  return WideToAnsiAsSystem(path);
}

std::string SystemErrorText(DWORD code) {
  char* text = nullptr;
  const DWORD n = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string out = (n > 0 && text != nullptr) ? std::string(text, n) : std::string();
  if (text != nullptr) LocalFree(text);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ')) out.pop_back();
  if (out.empty()) out = "error " + std::to_string(code);
  return out;
}

}  // namespace zelk::archivers
