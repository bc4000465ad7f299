// The program's icon in the notification area: running or stopped, with its
// tip, calling back to the main window with WM_TRAY_NOTIFY.
#pragma once

#include <windows.h>

namespace zelk::ui {

// Puts the icon up (or replaces it) for the state; true on failure.
bool AddTrayIcon(HWND window, bool stopped);
bool ModifyTrayIcon(HWND window, bool stopped);
// Takes the icon down; true on failure.
bool DeleteTrayIcon(HWND window);

}  // namespace zelk::ui
