// The main window's commands: buttons, the menu bar and the list's menus.
#include <windows.h>
#include <shellapi.h>

#include "fileutil/directory_ops.h"

#include "res/resource.h"
#include "ui/framework/message_box.h"
#include "ui/framework/popup_menu.h"
#include "ui/framework/resource_text.h"
#include "ui/framework/shell_open.h"
#include "text/string_table.h"
#include "ui/main_window/main_dlg.h"
#include "ui/options_dialog/options_dlg.h"
#include "ui/version_dialog/version_dlg.h"

namespace zelk::ui {

using targets::MarkChange;
using targets::MoveDirection;

namespace {

// The system's text for a failed ShellExecute result (32 or less). Most of
// its values are system error codes; the shell's own are mapped to theirs.
std::string ShellErrorText(INT_PTR result) {
  DWORD code = static_cast<DWORD>(result);
  switch (result) {
    case 0: code = ERROR_NOT_ENOUGH_MEMORY; break;
    case SE_ERR_SHARE: code = ERROR_SHARING_VIOLATION; break;
    case SE_ERR_ASSOCINCOMPLETE:
    case SE_ERR_NOASSOC: code = ERROR_NO_ASSOCIATION; break;
    case SE_ERR_DDETIMEOUT:
    case SE_ERR_DDEFAIL:
    case SE_ERR_DDEBUSY: code = ERROR_DDE_FAIL; break;
    case SE_ERR_DLLNOTFOUND: code = ERROR_DLL_NOT_FOUND; break;
    default: break;
  }
  return fileutil::ErrorString(code);
}

}  // namespace

void CMainDlg::RouteCommands() {
  OnCommandId(IDC_START, [this] { OnStart(); });
  OnCommandId(IDC_EXIT, [this] { OnExitFromWindow(); });
  OnCommandId(IDC_ADD, [this] {
    if (list_.AddFromBrowser(hwnd())) ShowMessageBox(hwnd(), list_.GetLastErrorText(), MB_OK);
  });
  OnCommandId(IDC_UP, [this] { list_.Model().MoveSelected(MoveDirection::Up); });
  OnCommandId(IDC_DOWN, [this] { list_.Model().MoveSelected(MoveDirection::Down); });
  OnCommandId(IDC_DELETE, [this] { list_.Model().DeleteSelected(); });
  OnCommandId(IDC_CLEAR_LIST, [this] { OnClearList(); });

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

void CMainDlg::OnClearList() {
  // The button shares Alt+C with the menu bar's "Backupのクリア(&C)": a
  // stray keystroke must not empty the list. No is the default.
  if (ShowMessageBox(hwnd(), LoadResourceString(IDS_CLEAR_LIST_QUESTION),
                     MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES) {
    list_.Model().DeleteAll();
  }
}

void CMainDlg::OnOpenSaveFolder() {
  const std::string folder = settings_.SavePath;
  if (GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES) {
    CreateDirectoryA(folder.c_str(), nullptr);
  }
  // Quoted: explorer.exe splits its parameters at commas and blanks.
  const INT_PTR result = ShellOpen(hwnd(), "explorer.exe", "\"" + folder + "\"");
  if (result <= 32) {
    ShowMessageBox(hwnd(), text::Format(IDS_SHELL_FAILED_REASON, folder, ShellErrorText(result)), "Error",
                   MB_OK | MB_ICONERROR);
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
