#include "ui/main_window/tray_icon.h"

#include <shellapi.h>

#include <mutex>
#include <string>
#include <utility>

#include "res/resource.h"
#include "res/window_ids.h"
#include "text/mbcs.h"
#include "ui/framework/message_box.h"
#include "ui/framework/resource_text.h"
#include "ui/main_window/main_dlg.h"

namespace zelk::ui {
namespace {

std::mutex& HandlerLock() {
  static std::mutex lock;
  return lock;
}

TrayNotifyHandler& Handler() {
  static TrayNotifyHandler handler;
  return handler;
}

// Shell_NotifyIconA, or the test's handler.
bool CallShell(DWORD action, NOTIFYICONDATAA& data) {
  TrayNotifyHandler handler;
  {
    std::lock_guard<std::mutex> guard(HandlerLock());
    handler = Handler();
  }
  const BOOL done = handler ? handler(action, data) : Shell_NotifyIconA(action, &data);
  return done != FALSE;
}

// The first version of the record: size, window, id, flags, callback, icon
// and a 64-byte tip.
NOTIFYICONDATAA Record(HWND window) {
  NOTIFYICONDATAA data{};
  data.cbSize = NOTIFYICONDATAA_V1_SIZE;
  data.hWnd = window;
  data.uID = TRAY_ICON_ID;
  return data;
}

int IconOf(const TrayLook& look) {
  if (look.stopped) return look.warning ? IDI_TRAY_STOPPED_WARNING : IDI_TRAY_STOPPED;
  return look.warning ? IDI_TRAY_RUNNING_WARNING : IDI_TRAY_RUNNING;
}

bool Notify(DWORD action, HWND window, const TrayLook& look) {
  NOTIFYICONDATAA data = Record(window);
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = WM_TRAY_NOTIFY;
  data.hIcon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IconOf(look)));
  std::string tip = LoadResourceString(look.stopped ? IDS_TIP_STOPPED : IDS_TIP_RUNNING);
  if (!look.lastRun.empty()) tip += "\n" + look.lastRun;
  text::CopyToBuffer(data.szTip, 64, tip);
  return !CallShell(action, data);
}

}  // namespace

bool AddTrayIcon(HWND window, const TrayLook& look) { return Notify(NIM_ADD, window, look); }

bool ModifyTrayIcon(HWND window, const TrayLook& look) { return Notify(NIM_MODIFY, window, look); }

bool ShowTrayBalloon(HWND window, const std::string& text, bool warning) {
  // The balloon's fields come with the record's second version; the icon,
  // its tip and its callback stay as they are.
  NOTIFYICONDATAA data = Record(window);
  data.cbSize = NOTIFYICONDATAA_V2_SIZE;
  data.uFlags = NIF_INFO;
  data.dwInfoFlags = warning ? NIIF_WARNING : NIIF_ERROR;
  text::CopyToBuffer(data.szInfo, sizeof data.szInfo, text);
  text::CopyToBuffer(data.szInfoTitle, sizeof data.szInfoTitle, ApplicationName());
  return !CallShell(NIM_MODIFY, data);
}

bool DeleteTrayIcon(HWND window) {
  NOTIFYICONDATAA data = Record(window);
  return !CallShell(NIM_DELETE, data);
}

void SetTrayNotifyHandler(TrayNotifyHandler handler) {
  std::lock_guard<std::mutex> guard(HandlerLock());
  Handler() = std::move(handler);
}

}  // namespace zelk::ui
