// Paths from the shell arrive in UTF-16; the target list keeps them in the
// ANSI code page (FileList.dat is ANSI). Only a path that converts back to
// exactly the same characters can be listed.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zelk::ui {

// The ANSI form of path, or nothing when a character has no ANSI form of
// its own (the default character or a best-fit stand-in would replace it).
std::optional<std::string> ExactAnsiPath(std::wstring_view path);

}  // namespace zelk::ui
