#include "ui/framework/dialog.h"

#include <algorithm>

#include "ui/framework/message_box.h"

namespace zelk::ui {
namespace {

// The modal loops running on this thread, outermost first.
thread_local std::vector<CDialog*> t_modalLoops;
// Set by EndAllModal until the outermost loop has returned.
thread_local bool t_endingAll = false;

// Keeps a loop on the stack while it runs.
class ModalLoopEntry {
 public:
  explicit ModalLoopEntry(CDialog* dialog) : dialog_(dialog) { t_modalLoops.push_back(dialog); }
  ~ModalLoopEntry() {
    t_modalLoops.erase(std::remove(t_modalLoops.begin(), t_modalLoops.end(), dialog_), t_modalLoops.end());
    if (t_modalLoops.empty()) t_endingAll = false;
  }
  ModalLoopEntry(const ModalLoopEntry&) = delete;
  ModalLoopEntry& operator=(const ModalLoopEntry&) = delete;

 private:
  CDialog* dialog_;
};

bool IsLayerDialog(HWND window) {
  return std::any_of(t_modalLoops.begin(), t_modalLoops.end(),
                     [window](const CDialog* d) { return d->hwnd() == window; });
}

// True when `window` is owned by `owner`, directly or through other popups.
bool IsOwnedBy(HWND window, HWND owner) {
  for (HWND up = GetWindow(window, GW_OWNER); up != nullptr; up = GetWindow(up, GW_OWNER)) {
    if (up == owner) return true;
  }
  return false;
}

bool IsDialogClass(HWND window) {
  char name[16] = {};
  return GetClassNameA(window, name, sizeof name) > 0 && lstrcmpA(name, "#32770") == 0;
}

}  // namespace

CDialog::CDialog(int templateId, HWND parent) : templateId_(templateId), parent_(parent) {}

CDialog::~CDialog() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

void CDialog::Bind(CControl& control, int id) { bindings_.emplace_back(&control, id); }

void CDialog::OnCommandId(WORD id, std::function<void()> handler) {
  commands_[id] = std::move(handler);
}

INT_PTR CDialog::DoModal() {
  if (t_endingAll) return IDCANCEL;
  ModalLoopEntry entry(this);
  ended_ = false;
  result_ = -1;
  HWND created = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_),
                                    parent_, DialogProc, reinterpret_cast<LPARAM>(this));
  if (created == nullptr) return -1;
  // Shown like a dialog box: after its initialisation, whatever its template says.
  if (hwnd_ != nullptr && !IsWindowVisible(hwnd_)) ShowWindow(hwnd_, SW_SHOW);
  const bool parentWasEnabled = parent_ != nullptr && IsWindowEnabled(parent_);
  if (parentWasEnabled) EnableWindow(parent_, FALSE);

  MSG msg;
  while (!ended_) {
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));  // leave the quit to the outer loop
      break;
    }
    if (got == -1) break;
    if (PreTranslateMessage(msg)) continue;
    if (hwnd_ != nullptr && IsDialogMessageA(hwnd_, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }

  if (parentWasEnabled) {
    EnableWindow(parent_, TRUE);
    SetActiveWindow(parent_);
  }
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
  return result_;
}

void CDialog::EndDialog(INT_PTR result) {
  result_ = result;
  ended_ = true;
  // Wake the modal loop if it is waiting for a message.
  if (hwnd_ != nullptr) PostMessageA(hwnd_, WM_NULL, 0, 0);
}

void CDialog::EndAllModal() {
  if (t_modalLoops.empty()) return;
  t_endingAll = true;
  for (CDialog* dialog : t_modalLoops) {
    if (!dialog->ended_) dialog->EndDialog(IDCANCEL);
  }
  // Loops that are not ours: a menu being tracked, message boxes and system
  // dialogs (the folder browser) of this thread.
  EndMenu();
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM) -> BOOL {
        if (IsDialogClass(window) && !IsLayerDialog(window)) ::EndDialog(window, IDCANCEL);
        return TRUE;
      },
      0);
}

HWND CDialog::FindModalPopup(HWND owner) {
  if (owner == nullptr || IsWindowEnabled(owner)) return nullptr;
  auto takesInput = [owner](HWND window) {
    return window != nullptr && window != owner && IsWindowVisible(window) && IsWindowEnabled(window) &&
           IsOwnedBy(window, owner);
  };
  const HWND last = GetLastActivePopup(owner);
  if (takesInput(last)) return last;
  // Boxes of other threads of this process count as well (the backup
  // worker's are owned by the main window).
  struct Search {
    HWND owner;
    decltype(takesInput)* test;
    HWND found = nullptr;
  } search{owner, &takesInput};
  EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        if (!(*s->test)(window)) return TRUE;
        s->found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

CControl* CDialog::FindControl(HWND child) const {
  for (const auto& [control, id] : bindings_) {
    if (control->hwnd() != nullptr && control->hwnd() == child) return control;
  }
  return nullptr;
}

INT_PTR CDialog::OnMessage(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return FALSE;
}

INT_PTR CDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
  handled = true;
  switch (message) {
    case WM_INITDIALOG:
      for (const auto& [control, id] : bindings_) control->Attach(GetDlgItem(hwnd_, id));
      return OnInitDialog();
    case WM_COMMAND: {
      const WORD id = LOWORD(wParam);
      if (auto it = commands_.find(id); it != commands_.end()) {
        it->second();
        return TRUE;
      }
      if (id == IDOK) {
        OnOK();
        return TRUE;
      }
      if (id == IDCANCEL) {
        OnCancel();
        return TRUE;
      }
      break;
    }
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (CControl* control = FindControl(header->hwndFrom)) {
        LRESULT result = 0;
        if (control->OnReflectedNotify(*header, result)) {
          SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, result);
          return TRUE;
        }
      }
      break;
    }
    case WM_DESTROY:
      OnDestroy();
      break;
    default:
      break;
  }
  return OnMessage(message, wParam, lParam, handled);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  CDialog* self = nullptr;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<CDialog*>(lParam);
    self->hwnd_ = hwnd;
    SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<CDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  }
  if (self == nullptr) return FALSE;
  bool handled = false;
  INT_PTR result = FALSE;
  try {
    result = self->Dispatch(message, wParam, lParam, handled);
  } catch (...) {
    // Nothing may unwind through the system's code that called us.
    ReportCurrentException(hwnd);
    handled = true;
    result = FALSE;
  }
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(hwnd, DWLP_USER, 0);
    self->hwnd_ = nullptr;
  }
  return handled ? result : FALSE;
}

}  // namespace zelk::ui
