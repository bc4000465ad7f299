// The main window's side of the tray: the icon going up and down with the
// window, pause and resume from the icon, its popup menu, the icon's mouse
// events and the task bar coming back. The schedule keeps the flags, the
// timer and the "Main"/"Stop" key (CBackupScheduler).
#include <windows.h>

#include "fileutil/directory_ops.h"
#include "res/resource.h"
#include "ui/framework/message_box.h"
#include "ui/framework/popup_menu.h"
#include "ui/framework/resource_text.h"
#include "ui/main_window/main_dlg.h"
#include "ui/main_window/tray_icon.h"

namespace zelk::ui {

void CMainDlg::HideToTray(bool stopped) {
  SetErrorText("");
  AddTrayIcon(hwnd(), {stopped, lastRunTrouble_, lastRunTip_});  // without a shell the window still goes
  ShowWindow(hwnd(), SW_MINIMIZE);
  ShowWindow(hwnd(), SW_HIDE);
}

void CMainDlg::RestoreFromTray() {
  ShowWindow(hwnd(), SW_SHOW);
  ShowWindow(hwnd(), SW_SHOWNORMAL);
}

bool CMainDlg::RemoveTrayIcon() {
  const bool failed = DeleteTrayIcon(hwnd());
  SetErrorText(failed ? LoadResourceString(IDS_TRAY_ICON_REMOVE_FAILED) : "");
  return failed;
}

void CMainDlg::ToggleStop() {
  scheduler_.SetStopped(!scheduler_.IsStopped());
  ModifyTrayIcon(hwnd(), TrayNow());
}

TrayLook CMainDlg::TrayNow() const { return {scheduler_.IsStopped(), lastRunTrouble_, lastRunTip_}; }

void CMainDlg::ShowLastRun(const schedule::LastRun& last) {
  schedule::RunLogWords words;
  words.success = LoadResourceString(IDS_LOG_SUCCESS);
  words.failure = LoadResourceString(IDS_LOG_FAILURE);
  words.partlyFailed = LoadResourceString(IDS_LOG_PARTLY_FAILED);
  words.unchanged = LoadResourceString(IDS_LOG_UNCHANGED);
  lastRunTip_ = schedule::LastRunTipLine(last, LoadResourceString(IDS_TIP_LAST_RUN), words);
  // The mark stays until a run ends well; an unchanged run found the newest
  // generation good.
  lastRunTrouble_ = schedule::IsTrouble(last.result);
  if (scheduler_.IsInTray()) ModifyTrayIcon(hwnd(), TrayNow());
}

void CMainDlg::Notify(const schedule::RunNotice& notice) {
  // Without the icon there is nothing to show it on: the box or the tip
  // tells the user.
  if (!scheduler_.IsInTray()) return;
  ShowTrayBalloon(hwnd(), LoadResourceString(notice.textId) + "\n" + notice.caption, notice.warning);
}

bool CMainDlg::ShowTrayMenu(int menuId) {
  LoadedMenu menu(menuId);
  if (menu.get() == nullptr) {
    SetErrorText(LoadResourceString(IDS_MENU_LOAD_FAILED));
    return true;
  }
  HMENU popup = GetSubMenu(menu.get(), 0);
  POINT cursor{};
  if (!GetCursorPos(&cursor)) {
    SetErrorText(text::Format(IDS_CURSOR_POS_FAILED, fileutil::GetLastErrorString()));
    return true;
  }
  if (menuId == IDR_TRAY_MENU) {
    // The first item says what it will do now.
    DeleteMenu(popup, ID_TRAY_TOGGLE_STOP, MF_BYCOMMAND);
    InsertMenuA(popup, 0, MF_BYPOSITION | MF_STRING, ID_TRAY_TOGGLE_STOP,
                LoadResourceString(scheduler_.IsStopped() ? IDS_TRAY_RESUME : IDS_TRAY_PAUSE).c_str());
  }
  // Without the foreground the menu would not close when the user clicks
  // elsewhere.
  SetForegroundWindow(hwnd());
  if (TrackPopup(popup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON, cursor, hwnd())) {
    SetErrorText(LoadResourceString(IDS_POPUP_FAILED));
    return true;
  }
  SetErrorText("");
  return false;
}

void CMainDlg::OnTrayNotify(LPARAM mouseEvent) {
  switch (static_cast<UINT>(mouseEvent)) {
    case WM_LBUTTONDBLCLK:
      scheduler_.RestoreFromTray();
      break;
    case WM_RBUTTONUP:
      if (ShowTrayMenu(IDR_TRAY_MENU)) ShowMessageBox(hwnd(), GetErrorText(), "Error", MB_OK | MB_ICONERROR);
      break;
    case WM_MBUTTONDOWN:
      ToggleStop();
      break;
    default:
      break;  // a click on a notification among them: the schedule goes on
  }
}

bool CMainDlg::ForwardTrayEventToModal(LPARAM mouseEvent) {
  const HWND popup = FindModalPopup(hwnd());
  if (popup == nullptr) return false;
  switch (static_cast<UINT>(mouseEvent)) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
      SetForegroundWindow(popup);
      break;
    default:
      break;  // moving over the icon takes nothing to the front
  }
  return true;
}

void CMainDlg::OnTaskbarCreated() {
  // A new task bar has no icon of ours: put it back while the program lives
  // in the tray. A shown window stays as it is, so the tray menu never opens
  // beside it.
  if (scheduler_.IsInTray()) AddTrayIcon(hwnd(), TrayNow());
}

}  // namespace zelk::ui
