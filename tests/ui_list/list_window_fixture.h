// The main window's target list under test: helpers that read the list view
// as the user sees it, a real shell drop, and scripted context menus and
// browse dialogs.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <mutex>
#include <string>
#include <vector>

#include "main_window_harness.h"
#include "res/resource.h"
#include "ui/framework/popup_menu.h"
#include "ui/target_list/browse_for_target.h"

namespace zelk::testing {

struct MenuItem {
  std::string text;  // empty for a separator
  bool grayed = false;
  std::vector<MenuItem> submenu;
};

// What a shown popup held.
struct ShownMenu {
  std::vector<MenuItem> items;
  HWND owner = nullptr;
  UINT flags = 0;
};

inline std::vector<MenuItem> ReadMenu(HMENU menu) {
  std::vector<MenuItem> items;
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    MenuItem item;
    char text[128] = {};
    GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
    item.text = text;
    const UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
    item.grayed = (state & (MF_GRAYED | MF_DISABLED)) != 0;
    if (HMENU sub = GetSubMenu(menu, i)) item.submenu = ReadMenu(sub);
    items.push_back(std::move(item));
  }
  return items;
}

inline std::vector<std::string> Texts(const std::vector<MenuItem>& items) {
  std::vector<std::string> texts;
  for (const MenuItem& item : items) texts.push_back(item.text);
  return texts;
}

inline std::vector<std::string> GrayedTexts(const std::vector<MenuItem>& items) {
  std::vector<std::string> texts;
  for (const MenuItem& item : items) {
    if (item.grayed && !item.text.empty()) texts.push_back(item.text);  // not the separators
  }
  return texts;
}

inline std::string ItemText(HWND list, int row, int column) {
  char text[512] = {};
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = sizeof text;
  SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
  return text;
}

inline int ItemImage(HWND list, int row) {
  LVITEMA item{};
  item.mask = LVIF_IMAGE;
  item.iItem = row;
  SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  return item.iImage;
}

// The paths and icons of the view, one "icon:path" per row.
inline std::vector<std::string> ViewRows(HWND list) {
  std::vector<std::string> rows;
  const int count = ListView_GetItemCount(list);
  for (int i = 0; i < count; ++i) {
    rows.push_back(std::to_string(ItemImage(list, i)) + ":" + ItemText(list, i, 0));
  }
  return rows;
}

inline std::vector<int> SelectedViewRows(HWND list) {
  std::vector<int> rows;
  for (int i = ListView_GetNextItem(list, -1, LVNI_SELECTED); i >= 0;
       i = ListView_GetNextItem(list, i, LVNI_SELECTED)) {
    rows.push_back(i);
  }
  return rows;
}

inline void SelectViewRows(HWND list, const std::vector<int>& rows) {
  ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
  for (int row : rows) ListView_SetItemState(list, row, LVIS_SELECTED, LVIS_SELECTED);
}

// A shell drop of ANSI paths, as the shell hands it to WM_DROPFILES: a
// DROPFILES header followed by the zero-terminated paths and one more zero.
inline HDROP MakeDrop(const std::vector<std::string>& paths) {
  std::size_t bytes = sizeof(DROPFILES) + 1;
  for (const std::string& path : paths) bytes += path.size() + 1;
  HGLOBAL memory = GlobalAlloc(GHND, bytes);
  auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
  header->pFiles = sizeof(DROPFILES);
  header->fWide = FALSE;
  char* out = reinterpret_cast<char*>(header) + sizeof(DROPFILES);
  for (const std::string& path : paths) {
    memcpy(out, path.c_str(), path.size() + 1);
    out += path.size() + 1;
  }
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

// The same with UTF-16 paths, as the shell drops names of any characters.
inline HDROP MakeWideDrop(const std::vector<std::wstring>& paths) {
  std::size_t bytes = sizeof(DROPFILES) + sizeof(wchar_t);
  for (const std::wstring& path : paths) bytes += (path.size() + 1) * sizeof(wchar_t);
  HGLOBAL memory = GlobalAlloc(GHND, bytes);
  auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
  header->pFiles = sizeof(DROPFILES);
  header->fWide = TRUE;
  auto* out = reinterpret_cast<wchar_t*>(reinterpret_cast<char*>(header) + sizeof(DROPFILES));
  for (const std::wstring& path : paths) {
    memcpy(out, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
    out += path.size() + 1;
  }
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

// A point inside the label of a row, in the list view's client coordinates.
inline POINT RowPoint(HWND list, int row) {
  RECT rect{};
  rect.left = LVIR_LABEL;
  SendMessageA(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rect));
  return POINT{rect.left + 10, (rect.top + rect.bottom) / 2};
}

// A point below the last row.
inline POINT EmptyPoint(HWND list) {
  RECT client{};
  GetClientRect(list, &client);
  return POINT{20, client.bottom - 4};
}

class ListWindowTest : public MainWindowTest {
 protected:
  ListWindowTest() {
    ui::SetPopupMenuHandler([this](HMENU popup, HWND owner, POINT at, UINT flags) {
      std::lock_guard<std::mutex> guard(menuLock_);
      menus_.push_back(ShownMenu{ReadMenu(popup), owner, flags});
      shownAt_.push_back(at);
      return menuChoice_;
    });
    ui::SetBrowseForTargetHandler([this](const BROWSEINFOA& info) -> LPITEMIDLIST {
      std::lock_guard<std::mutex> guard(menuLock_);
      browseTitles_.push_back(info.lpszTitle != nullptr ? info.lpszTitle : "");
      browseFlags_.push_back(info.ulFlags);
      browseOwners_.push_back(info.hwndOwner);
      LPITEMIDLIST picked = nextPick_;
      nextPick_ = nullptr;
      return picked;
    });
  }
  ~ListWindowTest() override {
    ui::SetPopupMenuHandler({});
    ui::SetBrowseForTargetHandler({});
    if (nextPick_ != nullptr) CoTaskMemFree(nextPick_);
  }

  // Right-click on the list view at `point` as the mouse does it; the
  // button-up waits in the queue so that the view's drag tracking ends.
  static void RightClick(ui::CMainDlg& w, POINT point) {
    OnUi(w, [&] {
      HWND list = w.Item(IDC_LIST_TARGET);
      PostMessageA(list, WM_RBUTTONUP, 0, MAKELPARAM(point.x, point.y));
      SendMessageA(list, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(point.x, point.y));
    });
    DrainPosted(w);
  }
  // Carries out the messages posted to the window so far (a command chosen
  // in a popup menu arrives posted).
  static void DrainPosted(ui::CMainDlg& w) {
    OnUi(w, [&] {
      MSG msg;
      while (PeekMessageA(&msg, w.hwnd(), 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
    });
  }
  static void DoubleClick(ui::CMainDlg& w, POINT point) {
    OnUi(w, [&] {
      HWND list = w.Item(IDC_LIST_TARGET);
      SendMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(point.x, point.y));
      SendMessageA(list, WM_LBUTTONUP, 0, MAKELPARAM(point.x, point.y));
    });
    Settle(w);
  }
  static void Drop(ui::CMainDlg& w, const std::vector<std::string>& paths) {
    HDROP drop = MakeDrop(paths);
    SendMessageA(w.Item(IDC_LIST_TARGET), WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
  }
  static void DropWide(ui::CMainDlg& w, const std::vector<std::wstring>& paths) {
    HDROP drop = MakeWideDrop(paths);
    SendMessageA(w.Item(IDC_LIST_TARGET), WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
  }

  std::vector<ShownMenu> Menus() {
    std::lock_guard<std::mutex> guard(menuLock_);
    return menus_;
  }
  void ChooseFromMenu(UINT command) {
    std::lock_guard<std::mutex> guard(menuLock_);
    menuChoice_ = command;
  }
  // The item the next browse dialog answers (taken over by the test).
  void PickNext(LPITEMIDLIST ids) {
    std::lock_guard<std::mutex> guard(menuLock_);
    nextPick_ = ids;
  }

  std::mutex menuLock_;
  std::vector<ShownMenu> menus_;
  std::vector<POINT> shownAt_;  // where each popup was shown, on the screen
  UINT menuChoice_ = 0;
  LPITEMIDLIST nextPick_ = nullptr;
  std::vector<std::string> browseTitles_;
  std::vector<UINT> browseFlags_;
  std::vector<HWND> browseOwners_;
};

}  // namespace zelk::testing
