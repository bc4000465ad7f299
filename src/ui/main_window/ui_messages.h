// Private window messages of the main window.
#pragma once

#include <windows.h>

namespace zelk::ui {

// Posted after the first paint: the automatic start when OpenStart is on.
inline constexpr UINT WM_APP_OPEN_START = WM_APP + 2;

}  // namespace zelk::ui
