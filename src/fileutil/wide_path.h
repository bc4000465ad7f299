// Conversions between the program's ANSI paths and the wide paths the file
// utilities hand to the system. Extended-length paths ("\\?\C:\...",
// "\\?\UNC\server\share\...") lift the 259-byte limit of the ANSI calls.
#pragma once

#include <string>
#include <string_view>

namespace zelk::fileutil {

std::wstring ToWide(std::string_view ansi);
std::string ToAnsi(std::wstring_view wide);

// The full, extended-length form of an ANSI path (relative paths are taken
// from the current directory). Empty when path is empty or cannot be made
// absolute.
std::wstring ExtendedPath(std::string_view path);
std::wstring ExtendedWidePath(std::wstring_view path);

// The ANSI path of an extended-length path, without its prefix, for
// messages: "\\?\C:\a" -> "C:\a", "\\?\UNC\srv\share" -> "\\srv\share".
std::string DisplayPath(std::wstring_view extended);

// child appended to folder with one backslash between them.
std::wstring JoinWide(std::wstring_view folder, std::wstring_view child);

// Path equality as the file system sees it (case folded, ordinal).
bool SameWidePath(std::wstring_view a, std::wstring_view b);

}  // namespace zelk::fileutil
