// Every private window message, timer id and tray icon id of the main window,
// in one place so that no two of them can take the same number. It sits
// beside resource.h because both the user interface and the schedule use it
// and neither may include the other; like resource.h it holds numbers only.
#pragma once

#include <windows.h>

namespace zelk::ui {

// The tray icon's identifier and its callback message. Both values are fixed
// by the design documents; the callback message lies above WM_APP's range
// (it is above 0xFFFF) and so can be taken by no other message of this
// window, and the icon id is the one every earlier build used.
inline constexpr UINT TRAY_ICON_ID = 123564;
inline constexpr UINT WM_TRAY_NOTIFY = 124678;

// Posted after the first paint: the automatic start when OpenStart is on.
inline constexpr UINT WM_APP_OPEN_START = WM_APP + 2;

}  // namespace zelk::ui

namespace zelk::schedule {

// The interval timer on the main window.
inline constexpr UINT_PTR BACKUP_TIMER_ID = 12354;

// The private message that carries work to the window's thread (see
// SendToWindowThread). The main window must not use this number otherwise.
inline constexpr UINT kRunOnUiThreadMessage = WM_APP + 0x3042;

}  // namespace zelk::schedule
