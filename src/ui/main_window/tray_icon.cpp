#include "ui/main_window/tray_icon.h"

#include <shellapi.h>

#include <string>

#include "res/resource.h"
#include "text/mbcs.h"
#include "ui/framework/resource_text.h"
#include "ui/main_window/main_dlg.h"

namespace zelk::ui {
namespace {

// The first version of the record: size, window, id, flags, callback, icon
// and a 64-byte tip.
NOTIFYICONDATAA Record(HWND window) {
  NOTIFYICONDATAA data{};
  data.cbSize = NOTIFYICONDATAA_V1_SIZE;
  data.hWnd = window;
  data.uID = TRAY_ICON_ID;
  return data;
}

bool Notify(DWORD action, HWND window, bool stopped) {
  NOTIFYICONDATAA data = Record(window);
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = WM_TRAY_NOTIFY;
  data.hIcon = LoadIconA(GetModuleHandleA(nullptr),
                         MAKEINTRESOURCEA(stopped ? IDI_TRAY_STOPPED : IDI_TRAY_RUNNING));
  const std::string tip = LoadResourceString(stopped ? IDS_TIP_STOPPED : IDS_TIP_RUNNING);
  text::CopyToBuffer(data.szTip, 64, tip);
  return !Shell_NotifyIconA(action, &data);
}

}  // namespace

bool AddTrayIcon(HWND window, bool stopped) { return Notify(NIM_ADD, window, stopped); }

bool ModifyTrayIcon(HWND window, bool stopped) { return Notify(NIM_MODIFY, window, stopped); }

bool DeleteTrayIcon(HWND window) {
  NOTIFYICONDATAA data = Record(window);
  return !Shell_NotifyIconA(NIM_DELETE, &data);
}

}  // namespace zelk::ui
