#include "ui/comment_dialog/coment_dlg.h"

#include <utility>

#include "res/resource.h"
#include "targets/filelist_line.h"
#include "ui/framework/message_box.h"
#include "ui/framework/resource_text.h"

namespace zelk::ui {
namespace {

std::string WindowTextOf(HWND window) {
  const int length = GetWindowTextLengthA(window);
  if (length <= 0) return {};
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  const int copied = GetWindowTextA(window, text.data(), length + 1);
  text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
  return text;
}

// Places `dialog` over the middle of `owner`, kept inside the owner's
// monitor work area.
void CentreOver(HWND dialog, HWND owner) {
  if (owner == nullptr || !IsWindowVisible(owner) || IsIconic(owner)) return;
  RECT box{};
  RECT over{};
  GetWindowRect(dialog, &box);
  GetWindowRect(owner, &over);
  const int width = box.right - box.left;
  const int height = box.bottom - box.top;
  int x = over.left + ((over.right - over.left) - width) / 2;
  int y = over.top + ((over.bottom - over.top) - height) / 2;
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (GetMonitorInfoA(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor)) {
    const RECT& work = monitor.rcWork;
    if (x + width > work.right) x = work.right - width;
    if (y + height > work.bottom) y = work.bottom - height;
    if (x < work.left) x = work.left;
    if (y < work.top) y = work.top;
  }
  SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

CComentDlg::CComentDlg(std::string comment, HWND owner)
    : CDialog(IDD_COMMENT, owner), comment_(std::move(comment)), owner_(owner) {}

BOOL CComentDlg::OnInitDialog() {
  SetWindowTextA(Item(IDC_COMMENT_TEXT), comment_.c_str());
  CentreOver(hwnd(), owner_);
  return TRUE;  // the edit field, first in the tab order, takes the focus
}

void CComentDlg::OnOK() {
  std::string typed = WindowTextOf(Item(IDC_COMMENT_TEXT));
  // The list file keeps a comment on one line, ended by ';': such text
  // would come back cut short or as a row of its own. The dialog stays open.
  if (targets::CommentBreaksLine(typed)) {
    ShowMessageBox(hwnd(), LoadResourceString(IDS_COMMENT_BREAKS_LINE), MB_OK | MB_ICONEXCLAMATION);
    SetFocus(Item(IDC_COMMENT_TEXT));
    return;
  }
  comment_ = std::move(typed);
  EndDialog(IDOK);
}

}  // namespace zelk::ui
