// Texts from the program's string table, for the windows.
#pragma once

#include <string>

#include "text/string_table.h"

namespace zelk::ui {

// The string resource id of the running module; empty when it is missing.
inline std::string LoadResourceString(unsigned id) { return text::LoadText(id); }

}  // namespace zelk::ui
