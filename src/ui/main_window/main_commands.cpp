// The main window's commands: buttons, the menu bar and the list's menus.
#include <windows.h>

#include "res/resource.h"
#include "ui/framework/message_box.h"
#include "ui/framework/popup_menu.h"
#include "ui/framework/resource_text.h"
#include "ui/framework/shell_open.h"
#include "ui/main_window/main_dlg.h"
#include "ui/options_dialog/options_dlg.h"
#include "ui/version_dialog/version_dlg.h"

namespace zelk::ui {

using targets::MarkChange;
using targets::MoveDirection;

void CMainDlg::RouteCommands() {
  OnCommandId(IDC_START, [this] { OnStart(); });
  OnCommandId(IDC_EXIT, [this] { OnExitFromWindow(); });
  OnCommandId(IDC_ADD, [this] {
    if (list_.AddFromBrowser(hwnd())) ShowMessageBox(hwnd(), list_.GetLastErrorText(), MB_OK);
  });
  OnCommandId(IDC_UP, [this] { list_.Model().MoveSelected(MoveDirection::Up); });
  OnCommandId(IDC_DOWN, [this] { list_.Model().MoveSelected(MoveDirection::Down); });
  OnCommandId(IDC_DELETE, [this] { list_.Model().DeleteSelected(); });
  OnCommandId(IDC_CLEAR_LIST, [this] { list_.Model().DeleteAll(); });

  OnCommandId(ID_OPTIONS, [this] { OnOptions(); });
  OnCommandId(ID_OPEN_SAVE_FOLDER, [this] { OnOpenSaveFolder(); });
  OnCommandId(ID_CLEAR_BACKUPS, [this] { OnClearBackups(); });
  OnCommandId(ID_BACKUP_NOW, [this] { OnBackupNow(); });
  OnCommandId(ID_VERSION, [this] { OnVersion(); });

  OnCommandId(ID_TRAY_TOGGLE_STOP, [this] { ToggleStop(); });
  OnCommandId(ID_TRAY_RESTORE, [this] { scheduler_.RestoreFromTray(); });
  OnCommandId(ID_TRAY_EXIT, [this] { scheduler_.ExitBackup(); });

  OnCommandId(ID_LIST_ADD, [this] {
    if (list_.AddFromBrowser(hwnd())) ShowMessageBox(hwnd(), list_.GetLastErrorText(), MB_OK);
  });
  OnCommandId(ID_LIST_EDIT_COMMENT, [this] { list_.EditSelectedComment(hwnd()); });
  OnCommandId(ID_LIST_RESUME, [this] { list_.Model().ChangeSelectedMarks(MarkChange::Resume); });
  OnCommandId(ID_LIST_PAUSE, [this] { list_.Model().ChangeSelectedMarks(MarkChange::Pause); });
  OnCommandId(ID_LIST_REVERSE, [this] { list_.Model().ChangeSelectedMarks(MarkChange::Reverse); });
  OnCommandId(ID_LIST_DELETE, [this] { list_.Model().DeleteSelected(); });
  OnCommandId(ID_LIST_ALL_RESUME, [this] { list_.Model().ChangeAllMarks(MarkChange::Resume); });
  OnCommandId(ID_LIST_ALL_PAUSE, [this] { list_.Model().ChangeAllMarks(MarkChange::Pause); });
  OnCommandId(ID_LIST_ALL_REVERSE, [this] { list_.Model().ChangeAllMarks(MarkChange::Reverse); });
  OnCommandId(ID_LIST_ALL_DELETE, [this] { list_.Model().DeleteAll(); });
}

void CMainDlg::OnOpenSaveFolder() {
  const std::string folder = settings_.SavePath;
  if (GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES) {
    CreateDirectoryA(folder.c_str(), nullptr);
  }
  if (ShellOpen(hwnd(), "explorer.exe", folder) <= 32) {
    ShowMessageBox(hwnd(), LoadResourceString(IDS_SHELL_FAILED), "Error", MB_OK | MB_ICONERROR);
  }
}

void CMainDlg::OnClearBackups() {
  if (IsBackupRunning()) {
    ShowMessageBox(hwnd(), LoadResourceString(IDS_SCHED_PLEASE_WAIT), LoadResourceString(IDS_SCHED_COPYING), MB_OK);
    return;
  }
  // Everything in the save folder goes at once: ask first, No by default.
  // The folder's path is the caption.
  if (ShowMessageBox(hwnd(), LoadResourceString(IDS_CLEAR_BACKUPS_QUESTION), settings_.SavePath,
                     MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) {
    return;
  }
  HCURSOR previous = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
  if (engine_.ClearBackups()) {
    ShowMessageBox(hwnd(), engine_.GetLastErrorText(), "Error", MB_OK | MB_ICONERROR);
  } else {
    ShowMessageBox(hwnd(), LoadResourceString(IDS_DELETE_DONE), MB_OK);
  }
  SetCursor(previous);
}

void CMainDlg::OnOptions() {
  if (IsBackupRunning()) {
    ShowMessageBox(hwnd(), LoadResourceString(IDS_CANNOT_CHANGE_COPYING), LoadResourceString(IDS_SCHED_PLEASE_WAIT),
                   MB_OK);
    return;
  }
  COptiondlg dialog(hwnd(), settings_, engine_, [this] { return IsBackupRunning(); });
  // OK has written the record to the INI file; it stays open when it could not.
  dialog.DoModal();
}

void CMainDlg::OnVersion() {
  // One version dialog at a time: asked again, the open one comes forward.
  if (versionDialog_ != nullptr) {
    SetForegroundWindow(versionDialog_->hwnd());
    return;
  }
  // Owned by this window also while it is hidden in the tray.
  CVersionDlg dialog(hwnd());
  struct Forget {
    CDialog*& open;
    ~Forget() { open = nullptr; }
  } forget{versionDialog_};
  versionDialog_ = &dialog;
  dialog.DoModal();
}

}  // namespace zelk::ui
