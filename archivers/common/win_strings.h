// Conversions between the ANSI code page, UTF-16 and UTF-8, extended-length
// paths and system error texts (Windows build only).
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace zelk::archivers {

// ANSI (CP_ACP) -> UTF-16. Invalid bytes become U+FFFD.
std::wstring AnsiToWide(std::string_view ansi);
// UTF-16 -> ANSI; *exact (when given) tells whether every character had an
// ANSI form (otherwise the default character stands in for it).
std::string WideToAnsi(std::wstring_view wide, bool* exact = nullptr);
std::string WideToUtf8(std::wstring_view wide);
std::string AnsiToUtf8(std::string_view ansi);

// The absolute form of path with the "\\?\" (or "\\?\UNC\") prefix, so that
// the wide file functions take paths longer than MAX_PATH. Empty when the
// path cannot be made absolute.
std::wstring ExtendedLengthPath(const std::wstring& path);

// The system's text for an error code, without the trailing line end.
std::string SystemErrorText(DWORD code);

}  // namespace zelk::archivers
