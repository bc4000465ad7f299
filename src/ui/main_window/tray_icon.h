// The program's icon in the notification area: running or stopped, plain or
// with a warning mark after a failed or partly failed run, with its tip,
// calling back to the main window with WM_TRAY_NOTIFY; and its notifications
// (balloons).
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>

namespace zelk::ui {

// What the icon shows: the state, the warning mark, and the tip's second
// line (the last run; none when empty).
struct TrayLook {
  bool stopped = false;
  bool warning = false;
  std::string lastRun;
};

// Puts the icon up (or replaces it) for the look; true on failure. The tip
// is the state's text, and lastRun on a second line when it is not empty.
bool AddTrayIcon(HWND window, const TrayLook& look);
bool ModifyTrayIcon(HWND window, const TrayLook& look);
// A notification of the icon, titled with the application's name: `text`
// with the error icon, or the warning icon when warning is set. Clicking it
// only sends NIN_BALLOONUSERCLICK to the window. True on failure.
bool ShowTrayBalloon(HWND window, const std::string& text, bool warning);
// Takes the icon down; true on failure.
bool DeleteTrayIcon(HWND window);

// Every call of the icon goes through Shell_NotifyIconA unless a handler is
// installed: tests record the action and the record instead of talking to a
// shell, and answer with the result of their choice (TRUE for success).
using TrayNotifyHandler = std::function<BOOL(DWORD action, const NOTIFYICONDATAA& data)>;
// An empty handler restores the real calls.
void SetTrayNotifyHandler(TrayNotifyHandler handler);

}  // namespace zelk::ui
