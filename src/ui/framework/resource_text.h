// Texts from the program's string table.
#pragma once

#include <string>

namespace zelk::ui {

// The string resource id of the running module; empty when it is missing.
std::string LoadResourceString(unsigned id);

}  // namespace zelk::ui
