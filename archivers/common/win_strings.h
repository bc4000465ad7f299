// Conversions between the ANSI code page, UTF-16 and UTF-8, extended-length
// paths and system error texts (Windows build only).
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace zelk::archivers {

// ANSI (CP_ACP) -> UTF-16. Invalid bytes become U+FFFD.
std::wstring AnsiToWide(std::string_view ansi);
// UTF-16 -> ANSI; *exact (when given) tells whether every character had an
// ANSI form (otherwise the default character stands in for it).
std::string WideToAnsi(std::wstring_view wide, bool* exact = nullptr);
// UTF-16 -> ANSI as the system's own ANSI functions give it (best-fit
// characters allowed), which is how the engine names and matches paths.
std::string WideToAnsiAsSystem(std::wstring_view wide);
// The ANSI form of wide when it converts back to exactly wide; nothing when a
// character has no ANSI form of its own.
std::optional<std::string> WideToAnsiExact(std::wstring_view wide);
// The ANSI form of one name component in which every character without an
// ANSI form is replaced by '_' (a surrogate pair counts as one character).
std::string AnsiStandIn(std::wstring_view component);
std::string WideToUtf8(std::wstring_view wide);
// UTF-8 of wide, or nothing when wide is not valid UTF-16 (a lone surrogate).
std::optional<std::string> WideToUtf8Exact(std::wstring_view wide);
std::wstring Utf8ToWide(std::string_view utf8);
std::string AnsiToUtf8(std::string_view ansi);

// The absolute form of path with the "\\?\" (or "\\?\UNC\") prefix, so that
// the wide file functions take paths longer than MAX_PATH. Empty when the
// path cannot be made absolute.
std::wstring ExtendedLengthPath(const std::wstring& path);
// A path for messages: without the "\\?\" prefix, in the ANSI code page
// (characters without an ANSI form show as the default character).
std::string DisplayPath(std::wstring_view path);

// A path as the engine names it in its own texts: DisplayPath's form with
// the system's conversion (WideToAnsiAsSystem).
std::string EnginePath(std::wstring_view path);

// The system's text for an error code, without the trailing line end.
std::string SystemErrorText(DWORD code);

}  // namespace zelk::archivers
