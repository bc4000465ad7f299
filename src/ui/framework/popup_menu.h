// Context menus of the program go through TrackPopup, so that tests can
// script them: a handler installed by a test sees the popup (its items and
// their states) and chooses a command instead of a user.
#pragma once

#include <windows.h>

#include <functional>

namespace zelk::ui {

// Answers the chosen command id, or 0 for none. Called on the owner's thread
// while the popup is still alive.
using PopupMenuHandler = std::function<UINT(HMENU popup, HWND owner, POINT screenPoint, UINT flags)>;

// Shows `popup` at `screenPoint` (TrackPopupMenu with `flags`, without
// TPM_RETURNCMD); the chosen command reaches `owner` as WM_COMMAND. With a
// handler installed, the handler chooses and a non-zero command is posted to
// `owner` as the menu would do it. True when the menu could not be shown.
bool TrackPopup(HMENU popup, UINT flags, POINT screenPoint, HWND owner);

// Installs a handler for every later popup; an empty handler restores the
// real menus.
void SetPopupMenuHandler(PopupMenuHandler handler);

// A menu loaded from the program's resources, destroyed with its popups
// unless released (a menu attached to a window belongs to the window).
class LoadedMenu {
 public:
  explicit LoadedMenu(int id) : menu_(LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id))) {}
  ~LoadedMenu() {
    if (menu_ != nullptr) DestroyMenu(menu_);
  }
  LoadedMenu(const LoadedMenu&) = delete;
  LoadedMenu& operator=(const LoadedMenu&) = delete;
  HMENU get() const { return menu_; }
  HMENU release() {
    HMENU menu = menu_;
    menu_ = nullptr;
    return menu;
  }

 private:
  HMENU menu_;
};

}  // namespace zelk::ui
