#include "ui/options_dialog/drag_edit.h"

#include <commctrl.h>
#include <shellapi.h>

#include <vector>

#include "ui/framework/message_box.h"

namespace zelk::ui {
namespace {

constexpr UINT_PTR kSubclassId = 1;

}  // namespace

CDragEdit::~CDragEdit() {
  if (subclassed_ && hwnd() != nullptr && IsWindow(hwnd())) {
    RemoveWindowSubclass(hwnd(), EditProc, kSubclassId);
  }
}

void CDragEdit::OnAttach() {
  if (hwnd() != nullptr) {
    subclassed_ = SetWindowSubclass(hwnd(), EditProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
  }
}

LRESULT CALLBACK CDragEdit::EditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR, DWORD_PTR data) {
  auto* self = reinterpret_cast<CDragEdit*>(data);
  switch (message) {
    case WM_DROPFILES: {
      HDROP drop = reinterpret_cast<HDROP>(wParam);
      // The whole path of the first item, however long.
      const UINT length = DragQueryFileA(drop, 0, nullptr, 0);
      try {
        if (length > 0) {
          std::vector<char> path(static_cast<std::size_t>(length) + 1, '\0');
          DragQueryFileA(drop, 0, path.data(), length + 1);
          SetWindowTextA(window, path.data());
        }
      } catch (...) {
        ReportCurrentException(GetParent(window));
      }
      // The edit control's own handling of the drop goes on as usual.
      const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
      DragFinish(drop);
      return result;
    }
    case WM_NCDESTROY:
      RemoveWindowSubclass(window, EditProc, kSubclassId);
      if (self != nullptr) self->subclassed_ = false;
      break;
    default:
      break;
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace zelk::ui
