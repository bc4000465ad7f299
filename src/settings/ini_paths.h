// Where the program's INI file and default save folder lie, derived from the
// executable's path. Pure string work, no Windows.
#pragma once

#include <string>
#include <string_view>

namespace zelk::settings {

// The executable's path with the text from its last '.' on replaced by
// ".ini"; ".ini" appended when there is no '.'.
std::string IniPathFor(std::string_view exePath);

// The executable's folder (up to and including its last backslash, found
// double-byte aware) followed by "Backup"; "Backup" without any backslash.
std::string DefaultSavePathFor(std::string_view exePath);

}  // namespace zelk::settings
