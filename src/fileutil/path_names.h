// Splitting and naming of Windows paths held as ANSI strings. Pure string
// work, no Windows: scans for '\\' and ':' skip Shift-JIS trail bytes.
#pragma once

#include <string>
#include <string_view>

namespace zelk::fileutil {

// Last component: "C:\\a\\b.txt" -> "b.txt"; "C:\\a\\dir\\" -> "dir";
// "C:\\" -> "" ; "\\\\srv\\share" -> ""; "C:x" -> "x"; "name" -> "name".
// '/' counts as a separator too.
std::string PathToFileName(std::string_view path);

// The folder that holds the last component, without a trailing backslash
// except for a drive root: "C:\\a\\b.txt" -> "C:\\a"; "C:\\b.txt" -> "C:\\";
// "\\\\srv\\share\\x" -> "\\\\srv\\share"; "C:x" -> "C:"; "name" -> "";
// a root ("C:\\", "\\\\srv\\share") has no containing folder and gives "".
std::string PathToDirectoryPath(std::string_view path);

// A typed folder path in normal form: '/' becomes '\\', runs of separators
// collapse (a leading "\\\\" of a UNC path stays), a trailing separator goes
// except after a drive ("C:" and "C:\\" both give "C:\\"), surrounding blanks
// and quotes are trimmed. "C:Data" stays as it is.
std::string PathToDir(std::string_view path);

// folder + "\\" + name, with no doubled separator; folder "" gives name and
// "C:" gives "C:\\name".
std::string JoinPath(std::string_view folder, std::string_view name);

// Free-variant naming: "x.txt" with n = 2 gives "x(2).txt"; a folder
// (isFolder) or a name without an extension gets the number at its end:
// "Data(2)". The extension is the text from the last '.' of the last
// component, unless that '.' starts the name (".profile" -> ".profile(2)").
// A trailing separator is dropped. Paths are ANSI (double-byte aware scans)
// unless bytes says UTF-8 (archive entry names).
enum class NameBytes { kAnsi, kUtf8 };
std::string NumberedVariant(std::string_view path, int n, bool isFolder = false,
                            NameBytes bytes = NameBytes::kAnsi);

// True when child lies strictly inside parent (compared without case for
// ASCII letters, component-wise): IsInside("C:\\a\\b", "C:\\a") is true,
// IsInside("C:\\ab", "C:\\a") and IsInside("C:\\a", "C:\\a") are false.
bool IsInside(std::string_view child, std::string_view parent);

// Path equality as Windows sees it for ASCII letters, ignoring one trailing
// separator.
bool SamePath(std::string_view a, std::string_view b);

// True for "C:", "C:\\", "\\\\server\\share" and "\\\\server\\share\\".
bool IsDriveRoot(std::string_view path);

}  // namespace zelk::fileutil
