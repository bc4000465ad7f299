// Starting other programs through the shell (the file manager on the save
// folder). Tests install a handler instead of starting anything.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace zelk::ui {

using ShellOpenHandler =
    std::function<INT_PTR(HWND owner, const std::string& program, const std::string& parameters)>;

// ShellExecuteA with the verb "open" and SW_SHOW; answers its result (a value
// of 32 or less is a failure).
INT_PTR ShellOpen(HWND owner, const std::string& program, const std::string& parameters);

void SetShellOpenHandler(ShellOpenHandler handler);

}  // namespace zelk::ui
