// The program's icon in the notification area: running or stopped, with its
// tip, calling back to the main window with WM_TRAY_NOTIFY.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>

namespace zelk::ui {

// Puts the icon up (or replaces it) for the state; true on failure. The tip
// is the state's text, and lastRun on a second line when it is not empty.
bool AddTrayIcon(HWND window, bool stopped, const std::string& lastRun = {});
bool ModifyTrayIcon(HWND window, bool stopped, const std::string& lastRun = {});
// Takes the icon down; true on failure.
bool DeleteTrayIcon(HWND window);

// Every call of the icon goes through Shell_NotifyIconA unless a handler is
// installed: tests record the action and the record instead of talking to a
// shell, and answer with the result of their choice (TRUE for success).
using TrayNotifyHandler = std::function<BOOL(DWORD action, const NOTIFYICONDATAA& data)>;
// An empty handler restores the real calls.
void SetTrayNotifyHandler(TrayNotifyHandler handler);

}  // namespace zelk::ui
