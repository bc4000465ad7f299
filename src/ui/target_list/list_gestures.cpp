// The list's own gestures: files dropped from the shell, header clicks, a
// double-click and the context menu.
#include <windows.h>
#include <shellapi.h>

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

}  // namespace

LRESULT CALLBACK CListCtrl_Target::ViewProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR subclassId, DWORD_PTR refData) {
  auto* self = reinterpret_cast<CListCtrl_Target*>(refData);
  switch (message) {
    case WM_DROPFILES:
      self->OnDropFiles(reinterpret_cast<HDROP>(wParam));
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
  model_.AddDroppedPaths(data.Paths(&refused));
  if (refused) ShowMessageBox(GetParent(hwnd()), text::Format(IDS_LIST_NOT_ANSI, *refused), MB_OK);
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

void CListCtrl_Target::OnContextMenu() {
  POINT cursor{};
  GetCursorPos(&cursor);
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
  TrackPopup(popup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON, cursor, GetParent(hwnd()));
}

}  // namespace zelk::ui
