// Paths as the file system resolves them: long names for 8.3 aliases, links,
// junctions, subst and mapped drives followed, "\\?\" and UNC forms alike.
// Comparisons of folders that decide what may be deleted or left out of a
// backup are made on these forms, never on the text the user typed.
#pragma once

#include <string>
#include <string_view>

namespace zelk::fileutil {

// The final path of an existing file or folder ("\\?\C:\a\b",
// "\\?\UNC\srv\share\x"), without a trailing backslash except after a drive
// ("\\?\C:\"). path is resolved as the system resolves any other path given
// to it (relative to the current folder, trailing dots and blanks dropped).
// With linkItself a link or junction at path is resolved as itself, not to
// what it points to. Empty when nothing is there or it cannot be resolved;
// then *errorCode (when given) holds the system's error code.
std::wstring ResolvedPath(std::wstring_view path, bool linkItself = false,
                          unsigned long* errorCode = nullptr);
std::wstring ResolvedPathA(std::string_view path, bool linkItself = false);

// The same for a path that may not exist yet: its deepest existing ancestor
// resolved, the rest appended as typed.
std::wstring ResolvedPathOrParent(std::string_view path);

// True when child lies strictly inside parent (component-wise, without case).
bool IsInsideWide(std::wstring_view child, std::wstring_view parent);

// True when path is parent itself or lies inside it.
bool IsSameOrInsideWide(std::wstring_view path, std::wstring_view parent);

// A resolved path that names a drive or share root ("\\?\C:\",
// "\\?\UNC\srv\share").
bool IsResolvedRoot(std::wstring_view resolved);

// The folder part and the last component of a resolved path.
std::wstring_view ResolvedParent(std::wstring_view resolved);
std::wstring_view ResolvedName(std::wstring_view resolved);

}  // namespace zelk::fileutil
