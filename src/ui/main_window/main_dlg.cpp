#include "ui/main_window/main_dlg.h"

#include <new>
#include <stdexcept>

#include "engine/exception_reason.h"
#include "res/resource.h"
#include "text/string_table.h"
#include "ui/framework/message_box.h"
#include "ui/framework/popup_menu.h"
#include "ui/framework/resource_text.h"
#include "ui/main_window/run_fault.h"
#include "ui/main_window/tray_icon.h"

namespace zelk::ui {
namespace {

// Process-wide: the first paint after launch, and a refused shutdown.
bool g_firstPaint = true;
bool g_shutdownRefused = false;

}  // namespace

CMainDlg::CMainDlg()
    : CDialog(IDD_MAIN, nullptr),
      icon_(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME))),
      runHost_(static_cast<schedule::IScheduleHost&>(*this), static_cast<engine::IRunHost&>(*this)),
      engine_(settings_, runHost_),
      scheduler_(settings_, engine_, list_.Model(), *this),
      injectedRunFault_(InjectedRunFault()) {
  engine_.SetAfterWrite(InjectedWriteDamage());
  Bind(list_, IDC_LIST_TARGET);
  RouteCommands();
}

BOOL CMainDlg::OnInitDialog() {
  HMENU systemMenu = GetSystemMenu(hwnd(), FALSE);
  const std::string versionItem = LoadResourceString(IDS_ABOUTBOX);
  if (systemMenu != nullptr && !versionItem.empty()) {
    AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(systemMenu, MF_STRING, IDM_ABOUTBOX, versionItem.c_str());
  }
  SendMessageA(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  SendMessageA(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
  taskbarCreated_ = RegisterWindowMessageA("TaskbarCreated");

  scheduler_.LoadStoppedFlag();
  settings_.Load();
  // The tip tells of the last run from the start: the run log keeps it
  // across restarts.
  if (auto last = scheduler_.LastRunFromLog()) ShowLastRun(*last);

  // The menu bar takes its height from the client area, on as many lines as
  // its items need at the screen's DPI: grow the window by what the client
  // area lost, measured, so that the template's layout keeps its room.
  RECT client{};
  GetClientRect(hwnd(), &client);
  // Once attached, the menu belongs to the window, which destroys it with
  // itself.
  LoadedMenu menu(IDR_MAIN_MENU);
  if (menu.get() != nullptr && SetMenu(hwnd(), menu.get())) menu.release();
  RECT withMenu{};
  RECT frame{};
  GetClientRect(hwnd(), &withMenu);
  GetWindowRect(hwnd(), &frame);
  SetWindowPos(hwnd(), nullptr, 0, 0, frame.right - frame.left,
               frame.bottom - frame.top + (client.bottom - withMenu.bottom), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

  if (list_.InitList(LoadResourceString(IDS_FILELIST))) {
    ShowMessageBox(hwnd(), LoadResourceString(IDS_LIST_CLEAR_FAILED), "Error", MB_OK | MB_ICONERROR);
  }
  ShowWindow(hwnd(), SW_SHOWNORMAL);
  return TRUE;
}

void CMainDlg::RunOnUiThread(const std::function<void()>& fn) {
  if (hwnd() == nullptr || GetWindowThreadProcessId(hwnd(), nullptr) == GetCurrentThreadId()) {
    fn();
    return;
  }
  schedule::SendToWindowThread(hwnd(), fn);
}

int CMainDlg::Ask(const schedule::BoxText& text, const std::optional<schedule::BoxText>& caption, UINT flags) {
  const auto load = [](const schedule::BoxText& part) {
    return part.id == 0 ? part.text : part.text + LoadResourceString(part.id);
  };
  if (!caption) return ShowMessageBox(hwnd(), load(text), flags);
  return ShowMessageBox(hwnd(), load(text), load(*caption), flags);
}

void CMainDlg::EnableControls(bool enable) {
  for (int id : {IDC_LIST_TARGET, IDC_ADD, IDC_UP, IDC_DOWN, IDC_DELETE, IDC_CLEAR_LIST, IDC_EXIT}) {
    EnableWindow(Item(id), enable ? TRUE : FALSE);
  }
}

std::vector<targets::TargetEntry> CMainDlg::SnapshotTargets() {
  if (!injectedRunFault_.empty()) {
    const std::string fault = std::move(injectedRunFault_);
    injectedRunFault_.clear();
    if (fault == "bad_alloc") throw std::bad_alloc();
    throw std::runtime_error(fault);
  }
  return list_.Model().SnapshotForBackup();
}

void CMainDlg::OnOK() {
  // Every way out ends here: no run can start any more, the list is saved,
  // then this dialog ends and with it every modal dialog and message box
  // still open above it, so the program ends whatever was open.
  scheduler_.BeginExit();
  if (list_.Model().SaveList()) {
    const std::string& reason = list_.Model().GetLastSaveReason();
    ShowMessageBox(hwnd(), reason.empty() ? list_.GetLastErrorText() : text::Format(IDS_LIST_SAVE_FAILED, reason),
                   "Error", MB_OK | MB_ICONERROR);
  }
  EndDialog(IDOK);
  EndAllModal();
}

void CMainDlg::OnCancel() { OnExitFromWindow(); }

void CMainDlg::OnExitFromWindow() {
  if (IsBackupRunning()) {
    ShowMessageBox(hwnd(), LoadResourceString(IDS_CANNOT_EXIT_RUNNING), LoadResourceString(IDS_SCHED_PLEASE_WAIT),
                   MB_OK);
    return;
  }
  OnOK();
}

bool CMainDlg::PreTranslateMessage(MSG& msg) {
  // Enter presses the focused button and nothing else: the window has no
  // default button, and Enter never ends it.
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN &&
      (msg.hwnd == hwnd() || IsChild(hwnd(), msg.hwnd))) {
    if (msg.hwnd != hwnd() && (SendMessageA(msg.hwnd, WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON) != 0) {
      SendMessageA(msg.hwnd, BM_CLICK, 0, 0);
    }
    return true;
  }
  return false;
}

void CMainDlg::OnDestroy() {
  scheduler_.KillBackupTimer();
  // An end that did not come through the tray's exit (the session ending)
  // leaves no dead icon behind.
  if (scheduler_.IsInTray()) DeleteTrayIcon(hwnd());
}

void CMainDlg::OnPaint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd(), &paint);
  if (IsIconic(hwnd())) {
    SendMessageA(hwnd(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client{};
    GetClientRect(hwnd(), &client);
    const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, icon_);
  }
  EndPaint(hwnd(), &paint);
  if (g_firstPaint) {
    g_firstPaint = false;
    PostMessageA(hwnd(), WM_APP_OPEN_START, 0, 0);
  }
}

INT_PTR CMainDlg::OnQueryEndSession(LPARAM lParam) {
  if (!DefWindowProcA(hwnd(), WM_QUERYENDSESSION, 0, lParam)) return FALSE;
  if (IsBackupRunning()) {
    g_shutdownRefused = true;
    return FALSE;
  }
  OnOK();
  return TRUE;
}

void CMainDlg::OnEndSession(bool ending) {
  if (ending) {
    // The process may be ended right after this message.
    if (scheduler_.IsInTray()) {
      DeleteTrayIcon(hwnd());
      scheduler_.LeaveTrayForExit();
    }
    return;
  }
  if (!g_shutdownRefused) return;
  ShowMessageBox(hwnd(), LoadResourceString(IDS_SHUTDOWN_REFUSED), "NULL",
                 MB_OK | MB_ICONEXCLAMATION);
  g_shutdownRefused = false;
}

INT_PTR CMainDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
  handled = true;
  if (taskbarCreated_ != 0 && message == taskbarCreated_) {
    OnTaskbarCreated();
    SetMessageResult(0);
    return TRUE;
  }
  switch (message) {
    case WM_TRAY_NOTIFY:
      if (!ForwardTrayEventToModal(lParam)) OnTrayNotify(lParam);
      handled = false;  // then on to the default handling
      return FALSE;
    case schedule::kRunOnUiThreadMessage:
      schedule::HandleRunOnUiThreadMessage(message, lParam);
      return TRUE;
    case WM_TIMER:
      scheduler_.OnTimer(wParam);
      handled = false;  // every timer message goes on to the default handling
      return FALSE;
    case WM_APP_OPEN_START:
      if (settings_.OpenStart) OnStart();
      return TRUE;
    case WM_PAINT:
      OnPaint();
      return TRUE;
    case WM_QUERYDRAGICON:
      SetMessageResult(reinterpret_cast<LRESULT>(icon_));
      return TRUE;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == IDM_ABOUTBOX) {
        OnVersion();
        return TRUE;
      }
      break;
    case WM_HELP:
      SetMessageResult(TRUE);  // F1 opens no help
      return TRUE;
    case WM_QUERYENDSESSION:
      SetMessageResult(OnQueryEndSession(lParam));
      return TRUE;
    case WM_ENDSESSION:
      OnEndSession(wParam != FALSE);
      SetMessageResult(0);
      return TRUE;
    default:
      break;
  }
  handled = false;
  return FALSE;
}

}  // namespace zelk::ui
