// The main window's commands: buttons, the menu bar and the list's menus.
#include <windows.h>

#include "res/resource.h"
#include "ui/framework/message_box.h"
#include "ui/framework/popup_menu.h"
#include "ui/framework/shell_open.h"
#include "ui/main_window/main_dlg.h"
#include "ui/options_dialog/options_dlg.h"
#include "ui/version_dialog/version_dlg.h"

namespace zelk::ui {

using targets::MarkChange;
using targets::MoveDirection;

namespace {

// Asked before the clear-backups command empties the save folder (the
// folder's path is the caption).
constexpr const char* kClearBackupsQuestion =
    "保存先フォルダの中のバックアップとファイルはすべて削除されます\nよろしいですか？";

}  // namespace

void CMainDlg::RouteCommands() {
  OnCommandId(IDC_START, [this] { OnStart(); });
  OnCommandId(IDC_EXIT, [this] { OnExitFromWindow(); });
  OnCommandId(IDC_ADD, [this] {
    if (list_.AddFromBrowser(hwnd())) ShowMessageBox(hwnd(), list_.GetLastErrorText(), MB_OK);
  });
  OnCommandId(IDC_UP, [this] { list_.MoveSelected(MoveDirection::Up); });
  OnCommandId(IDC_DOWN, [this] { list_.MoveSelected(MoveDirection::Down); });
  OnCommandId(IDC_DELETE, [this] { list_.DeleteSelected(); });
  OnCommandId(IDC_CLEAR_LIST, [this] { list_.DeleteAll(); });

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
  OnCommandId(ID_LIST_RESUME, [this] { list_.ChangeSelectedMarks(MarkChange::Resume); });
  OnCommandId(ID_LIST_PAUSE, [this] { list_.ChangeSelectedMarks(MarkChange::Pause); });
  OnCommandId(ID_LIST_REVERSE, [this] { list_.ChangeSelectedMarks(MarkChange::Reverse); });
  OnCommandId(ID_LIST_DELETE, [this] { list_.DeleteSelected(); });
  OnCommandId(ID_LIST_ALL_RESUME, [this] { list_.ChangeAllMarks(MarkChange::Resume); });
  OnCommandId(ID_LIST_ALL_PAUSE, [this] { list_.ChangeAllMarks(MarkChange::Pause); });
  OnCommandId(ID_LIST_ALL_REVERSE, [this] { list_.ChangeAllMarks(MarkChange::Reverse); });
  OnCommandId(ID_LIST_ALL_DELETE, [this] { list_.DeleteAll(); });
}

void CMainDlg::OnOpenSaveFolder() {
  const std::string folder = settings_.SavePath;
  if (GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES) {
    CreateDirectoryA(folder.c_str(), nullptr);
  }
  if (ShellOpen(hwnd(), "explorer.exe", folder) <= 32) {
    ShowMessageBox(hwnd(), "シェルの起動に失敗しました", "Error", MB_OK | MB_ICONERROR);
  }
}

void CMainDlg::OnClearBackups() {
  if (IsBackupRunning()) {
    ShowMessageBox(hwnd(), "しばらくお待ちください", "コピー中です", MB_OK);
    return;
  }
  // Everything in the save folder goes at once: ask first, No by default.
  if (ShowMessageBox(hwnd(), kClearBackupsQuestion, settings_.SavePath,
                     MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) {
    return;
  }
  HCURSOR previous = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
  if (engine_.ClearBackups()) {
    ShowMessageBox(hwnd(), engine_.GetLastErrorText(), "Error", MB_OK | MB_ICONERROR);
  } else {
    ShowMessageBox(hwnd(), "削除が完了しました", MB_OK);
  }
  SetCursor(previous);
}

void CMainDlg::OnOptions() {
  if (IsBackupRunning()) {
    ShowMessageBox(hwnd(), "コピー中は設定を変更できません", "しばらくお待ちください", MB_OK);
    return;
  }
  COptiondlg dialog(hwnd(), settings_, engine_, [this] { return IsBackupRunning(); });
  if (dialog.DoModal() == IDOK) settings_.Save();
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

void CMainDlg::OnListDoubleClick(POINT clientPoint) {
  if (list_.Rows().SelectedCount() == 0) return;
  const int row = list_.RowAt(clientPoint);
  if (row >= 0) list_.ReverseMark(static_cast<std::size_t>(row));
}

void CMainDlg::OnListRightClick() {
  POINT cursor{};
  GetCursorPos(&cursor);
  const bool rowSelected = list_.Rows().SelectedCount() > 0;
  LoadedMenu menu(rowSelected ? IDR_LIST_ROW_MENU : IDR_LIST_EMPTY_MENU);
  if (menu.get() == nullptr) return;
  HMENU popup = GetSubMenu(menu.get(), 0);
  if (!rowSelected) {
    const UINT state = list_.Rows().empty() ? MF_GRAYED : MF_ENABLED;
    for (UINT id : {ID_LIST_ALL_RESUME, ID_LIST_ALL_PAUSE, ID_LIST_ALL_REVERSE, ID_LIST_ALL_DELETE}) {
      EnableMenuItem(popup, id, MF_BYCOMMAND | state);
    }
  }
  TrackPopup(popup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON, cursor, hwnd());
}

}  // namespace zelk::ui
