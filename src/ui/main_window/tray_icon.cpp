#include "ui/main_window/tray_icon.h"

#include <shellapi.h>

#include <mutex>
#include <string>
#include <utility>

#include "res/resource.h"
#include "res/window_ids.h"
#include "text/mbcs.h"
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

bool Notify(DWORD action, HWND window, bool stopped, const std::string& lastRun) {
  NOTIFYICONDATAA data = Record(window);
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = WM_TRAY_NOTIFY;
  data.hIcon = LoadIconA(GetModuleHandleA(nullptr),
                         MAKEINTRESOURCEA(stopped ? IDI_TRAY_STOPPED : IDI_TRAY_RUNNING));
  std::string tip = LoadResourceString(stopped ? IDS_TIP_STOPPED : IDS_TIP_RUNNING);
  if (!lastRun.empty()) tip += "\n" + lastRun;
  text::CopyToBuffer(data.szTip, 64, tip);
  return !CallShell(action, data);
}

}  // namespace

bool AddTrayIcon(HWND window, bool stopped, const std::string& lastRun) {
  return Notify(NIM_ADD, window, stopped, lastRun);
}

bool ModifyTrayIcon(HWND window, bool stopped, const std::string& lastRun) {
  return Notify(NIM_MODIFY, window, stopped, lastRun);
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
