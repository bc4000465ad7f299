// The list's own gestures: files dropped from the shell, header clicks, a
// double-click and the context menu.
#include <windows.h>
#include <shellapi.h>
#include <windowsx.h>

#include <optional>
#include <string>
#include <vector>

#include "fileutil/wide_path.h"
#include "ui/target_list/ansi_path.h"
#include "ui/framework/message_box.h"
#include "ui/framework/popup_menu.h"

#include "res/resource.h"
#include "settings/settings.h"
#include "text/string_table.h"
#include "ui/target_list/list_ctrl_target.h"

namespace zelk::ui {
namespace {

// Releases the shell's drop data on every way out.
class DropData {
 public:
  explicit DropData(HDROP drop) : drop_(drop) {}
  ~DropData() { DragFinish(drop_); }
  DropData(const DropData&) = delete;
  DropData& operator=(const DropData&) = delete;

  // The dropped paths in the ANSI code page, up to the first one that the
  // code page cannot hold; that one goes to *unrepresentable.
  std::vector<std::string> Paths(std::optional<std::string>* unrepresentable) const {
    std::vector<std::string> paths;
    const UINT count = DragQueryFileW(drop_, 0xFFFFFFFF, nullptr, 0);
    paths.reserve(count);
    for (UINT i = 0; i < count; ++i) {
      // Read at the length the drop reports, so a long path arrives whole
      // (and is then refused as too long) instead of cut to a shorter one.
      const UINT length = DragQueryFileW(drop_, i, nullptr, 0);
      std::wstring path(length + 1, L'\0');
      const UINT copied = DragQueryFileW(drop_, i, path.data(), length + 1);
      path.resize(copied);
      std::optional<std::string> ansi = ExactAnsiPath(path);
      if (!ansi) {
        *unrepresentable = fileutil::ToAnsi(path);
        break;
      }
      paths.push_back(std::move(*ansi));
    }
    return paths;
  }

 private:
  HDROP drop_;
};

// The keys that open the context menu: the context-menu key, Shift+F10.
bool IsContextMenuKey(WPARAM key) {
  return key == VK_APPS || (key == VK_F10 && (GetKeyState(VK_SHIFT) & 0x8000) != 0);
}

}  // namespace

LRESULT CALLBACK CListCtrl_Target::ViewProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR subclassId, DWORD_PTR refData) {
  auto* self = reinterpret_cast<CListCtrl_Target*>(refData);
  switch (message) {
    case WM_DROPFILES:
      self->OnDropFiles(reinterpret_cast<HDROP>(wParam));
      return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      // The context-menu key and Shift+F10 open the menu here, and neither
      // goes on: F10 would otherwise enter the menu bar.
      if (IsContextMenuKey(wParam)) {
        self->OnContextMenu(self->ContextMenuPoint(-1));
        return 0;
      }
      break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      if (IsContextMenuKey(wParam)) return 0;
      break;
    case WM_CONTEXTMENU:
      // From elsewhere than these keys (a mouse click is answered at its
      // NM_RCLICK, which keeps the view from sending this message).
      self->OnContextMenu(self->ContextMenuPoint(lParam));
      return 0;
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, ViewProc, subclassId);
      self->subclassed_ = false;
      break;
    default:
      break;
  }
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

void CListCtrl_Target::OnDropFiles(HDROP drop) {
  DropData data(drop);
  // A disabled list (a backup run is in progress) takes nothing.
  if (!IsWindowEnabled(hwnd())) return;
  std::optional<std::string> refused;
  std::optional<std::string> stopped = model_.AddDroppedPaths(data.Paths(&refused));
  // Told as the add button tells it: an OK box captioned with the program.
  if (!stopped && refused) stopped = text::Format(IDS_LIST_NOT_ANSI, *refused);
  if (stopped) ShowMessageBox(GetParent(hwnd()), *stopped, MB_OK);
}

void CListCtrl_Target::SortByColumn(int column) {
  // A click on another column starts that column's cycle with toggle false.
  const bool toggle = sortState_.Click(column);
  Rows().Sort(column, toggle);
  // The state after the click goes to the INI file in one write, for
  // reference only: nothing reads it back.
  settings::SaveListSort(sortState_.toggle, sortState_.lastColumn);
}

void CListCtrl_Target::OnDoubleClick(POINT clientPoint) {
  if (Rows().SelectedCount() == 0) return;
  const int row = RowAt(clientPoint);
  if (row >= 0) model_.ReverseMark(static_cast<std::size_t>(row));
}

POINT CListCtrl_Target::ContextMenuPoint(LPARAM lParam) const {
  if (lParam != -1) return POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  // From the keyboard: under the focused selected row (the first selected
  // one otherwise), or at the list's top left corner without a selection.
  POINT point{4, 4};
  int row = ListView_GetNextItem(hwnd(), -1, LVNI_FOCUSED | LVNI_SELECTED);
  if (row < 0) row = ListView_GetNextItem(hwnd(), -1, LVNI_SELECTED);
  RECT rect{};
  if (row >= 0 && ListView_EnsureVisible(hwnd(), row, FALSE) &&
      ListView_GetItemRect(hwnd(), row, &rect, LVIR_LABEL)) {
    point = POINT{rect.left, rect.bottom};
  }
  ClientToScreen(hwnd(), &point);
  return point;
}

void CListCtrl_Target::OnContextMenu(POINT screenPoint) {
  const bool rowSelected = Rows().SelectedCount() > 0;
  LoadedMenu menu(rowSelected ? IDR_LIST_ROW_MENU : IDR_LIST_EMPTY_MENU);
  if (menu.get() == nullptr) return;
  HMENU popup = GetSubMenu(menu.get(), 0);
  if (!rowSelected) {
    const UINT state = Rows().empty() ? MF_GRAYED : MF_ENABLED;
    for (UINT id : {ID_LIST_ALL_RESUME, ID_LIST_ALL_PAUSE, ID_LIST_ALL_REVERSE, ID_LIST_ALL_DELETE}) {
      EnableMenuItem(popup, id, MF_BYCOMMAND | state);
    }
  }
  TrackPopup(popup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON, screenPoint, GetParent(hwnd()));
}

}  // namespace zelk::ui
