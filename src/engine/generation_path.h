// Naming of generations and the rule that decides whether a path listed in
// the history may be deleted. Pure string work, no Windows.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace zelk::engine {

// The generation name for a local time, e.g. "03.07.15.14.05.09"; nothing
// when the text cannot be formed.
std::optional<std::string> FormatGenerationName(const std::tm& localTime, const char* format);

// True when a history line names an entry directly inside the save folder:
// the save folder, one backslash and a non-empty plain name. The save folder
// itself, a path ending in a separator, a drive root, "." or "..", names with
// characters no file name can hold, and folders elsewhere are never deleted.
bool IsGenerationOf(std::string_view line, std::string_view saveFolder);

}  // namespace zelk::engine
