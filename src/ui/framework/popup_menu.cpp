#include "ui/framework/popup_menu.h"

#include <mutex>

namespace zelk::ui {
namespace {

std::mutex& HandlerLock() {
  static std::mutex lock;
  return lock;
}

PopupMenuHandler& Handler() {
  static PopupMenuHandler handler;
  return handler;
}

}  // namespace

bool TrackPopup(HMENU popup, UINT flags, POINT screenPoint, HWND owner) {
  PopupMenuHandler handler;
  {
    std::lock_guard<std::mutex> guard(HandlerLock());
    handler = Handler();
  }
  if (!handler) {
    return !TrackPopupMenu(popup, flags & ~static_cast<UINT>(TPM_RETURNCMD), screenPoint.x,
                           screenPoint.y, 0, owner, nullptr);
  }
  const UINT command = handler(popup, owner, screenPoint, flags);
  if (command != 0) PostMessageA(owner, WM_COMMAND, MAKEWPARAM(command, 0), 0);
  return false;
}

void SetPopupMenuHandler(PopupMenuHandler handler) {
  std::lock_guard<std::mutex> guard(HandlerLock());
  Handler() = std::move(handler);
}

}  // namespace zelk::ui
