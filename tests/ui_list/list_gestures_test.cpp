// What the list shows and how it answers the mouse and the keyboard: icons,
// columns, header sort with its INI keys, Delete, double-click and the two
// context menus.
#include "list_window_fixture.h"
#include "settings/profile.h"

using namespace zelk::testing;
using zelk::settings::ReadIniString;
using zelk::ui::CMainDlg;

namespace {

using Strings = std::vector<std::string>;

const Strings kRowMenu{"追加(&A)", "コメントの編集(&E)", "", "再開(&S)", "一時停止(&T)",
                       "反転(&R)", "削除(&D)", "", "すべて(&L)"};
const Strings kRowMenuAll{"再開(&R)", "一時停止(&T)", "反転(&R)", "削除(&D)"};
const Strings kEmptyMenu{"追加(&A)", "", "すべて再開(&S)", "すべて一時停止(&T)", "すべて反転(&R)",
                         "すべて削除(&D)"};
const Strings kAllItems{"すべて再開(&S)", "すべて一時停止(&T)", "すべて反転(&R)", "すべて削除(&D)"};

std::string ColumnText(HWND list, int index) {
  char text[64] = {};
  LVCOLUMNA column{};
  column.mask = LVCF_TEXT;
  column.pszText = text;
  column.cchTextMax = sizeof text;
  SendMessageA(list, LVM_GETCOLUMNA, index, reinterpret_cast<LPARAM>(&column));
  return text;
}

void ClickHeader(HWND list, int column) {
  HWND header = ListView_GetHeader(list);
  RECT rect{};
  Header_GetItemRect(header, column, &rect);
  const LPARAM at = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
  SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageA(header, WM_LBUTTONUP, 0, at);
}

std::string SortKeys() {
  return ReadIniString("List_Target", "Turn", "-") + "/" + ReadIniString("List_Target", "SubItem", "-");
}

TEST_F(ListWindowTest, RowsShowTheirMarkIconsInTwoColumns) {
  WriteFile(dir_ / "FileList.dat", "0;C:\\memo.txt;old;\r\n1;C:\\Old;;\r\n2;C:\\a.txt;x;\r\n3;C:\\Data;daily;\r\n7;C:\\odd;;\r\n");
  Run([&](CMainDlg& w) {
    OnUi(w, [&] {
      HWND list = w.Item(IDC_LIST_TARGET);
      // Mark 7 is none the list knows: the row comes up paused, a file as
      // nothing is there on the disk, and takes part in mark changes.
      EXPECT_EQ(ViewRows(list), (Strings{"0:C:\\memo.txt", "1:C:\\Old", "2:C:\\a.txt", "3:C:\\Data", "0:C:\\odd"}));
      EXPECT_EQ(ItemText(list, 3, 1), "daily");

      HIMAGELIST images = ListView_GetImageList(list, LVSIL_SMALL);
      ASSERT_NE(images, nullptr);
      EXPECT_EQ(ImageList_GetImageCount(images), 4);
      int cx = 0, cy = 0;
      ImageList_GetIconSize(images, &cx, &cy);
      EXPECT_EQ(cx, 16);
      EXPECT_EQ(cy, 16);

      RECT client{};
      GetClientRect(list, &client);
      const int width = client.right - client.left;
      EXPECT_EQ(ColumnText(list, 0), "バックアップ対象");
      EXPECT_EQ(ColumnText(list, 1), "コメント");
      EXPECT_EQ(ListView_GetColumnWidth(list, 0), (width / 10) * 7);
      EXPECT_EQ(ListView_GetColumnWidth(list, 1), (width / 10) * 3);
      EXPECT_EQ(ListView_GetExtendedListViewStyle(list), 0u) << "no full-row select, no grid";
      EXPECT_TRUE(GetWindowLongA(list, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    });
    // The icon follows a mark change at once.
    OnUi(w, [&] { SelectViewRows(w.Item(IDC_LIST_TARGET), {0, 3, 4}); });
    SendMessageA(w.hwnd(), WM_COMMAND, ID_LIST_REVERSE, 0);
    OnUi(w, [&] {
      EXPECT_EQ(ViewRows(w.Item(IDC_LIST_TARGET)),
                (Strings{"2:C:\\memo.txt", "1:C:\\Old", "2:C:\\a.txt", "1:C:\\Data", "2:C:\\odd"}));
    });
    SendMessageA(w.hwnd(), WM_COMMAND, ID_LIST_ALL_RESUME, 0);
    OnUi(w, [&] {
      EXPECT_EQ(ViewRows(w.Item(IDC_LIST_TARGET)),
                (Strings{"2:C:\\memo.txt", "3:C:\\Old", "2:C:\\a.txt", "3:C:\\Data", "2:C:\\odd"}));
    });
    Close(w);
  });
  EXPECT_EQ(ReadFile(dir_ / "FileList.dat"),
            "2;C:\\memo.txt;old;\r\n3;C:\\Old;;\r\n2;C:\\a.txt;x;\r\n3;C:\\Data;daily;\r\n2;C:\\odd;;\r\n");
}

TEST_F(ListWindowTest, HeaderClicksCycleTheSortAndWriteTheirKeys) {
  WriteFile(dir_ / "FileList.dat",
            "0;C:\\b.txt;2;\r\n3;C:\\z;1;\r\n2;C:\\a.txt;3;\r\n1;C:\\y;;\r\n3;C:\\c;0;\r\n");
  Run([&](CMainDlg& w) {
    HWND list = w.Item(IDC_LIST_TARGET);
    OnUi(w, [&] { ClickHeader(list, 0); });
    OnUi(w, [&] {
      EXPECT_EQ(ViewRows(list), (Strings{"3:C:\\c", "3:C:\\z", "2:C:\\a.txt", "1:C:\\y", "0:C:\\b.txt"}));
    });
    EXPECT_EQ(SortKeys(), "1/0");
    OnUi(w, [&] { ClickHeader(list, 0); });
    OnUi(w, [&] {
      EXPECT_EQ(ViewRows(list), (Strings{"2:C:\\a.txt", "0:C:\\b.txt", "3:C:\\c", "1:C:\\y", "3:C:\\z"}));
    });
    EXPECT_EQ(SortKeys(), "0/0");
    // The comment header: ascending, then descending; the comments travel.
    OnUi(w, [&] { ClickHeader(list, 1); });
    OnUi(w, [&] {
      EXPECT_EQ(ViewRows(list), (Strings{"1:C:\\y", "3:C:\\c", "3:C:\\z", "0:C:\\b.txt", "2:C:\\a.txt"}));
      EXPECT_EQ(ItemText(list, 4, 1), "3");
    });
    EXPECT_EQ(SortKeys(), "1/1");
    OnUi(w, [&] { ClickHeader(list, 1); });
    OnUi(w, [&] {
      EXPECT_EQ(ViewRows(list), (Strings{"2:C:\\a.txt", "0:C:\\b.txt", "3:C:\\z", "3:C:\\c", "1:C:\\y"}));
    });
    EXPECT_EQ(SortKeys(), "0/1");
    // Back on the path header: the grouped order again.
    OnUi(w, [&] { ClickHeader(list, 0); });
    OnUi(w, [&] { EXPECT_EQ(ViewRows(list)[0], "3:C:\\c"); });
    EXPECT_EQ(SortKeys(), "1/0");
    Close(w);
  });
  // The sorted order is the order of the file.
  EXPECT_EQ(ReadFile(dir_ / "FileList.dat"),
            "3;C:\\c;0;\r\n3;C:\\z;1;\r\n2;C:\\a.txt;3;\r\n1;C:\\y;;\r\n0;C:\\b.txt;2;\r\n");
}

TEST_F(ListWindowTest, DeleteKeyRemovesTheSelectedRows) {
  WriteFile(dir_ / "FileList.dat", "2;C:\\0;;\r\n2;C:\\1;;\r\n2;C:\\2;;\r\n2;C:\\3;;\r\n2;C:\\4;;\r\n");
  Run([&](CMainDlg& w) {
    HWND list = w.Item(IDC_LIST_TARGET);
    auto pressDelete = [&] {
      OnUi(w, [&] {
        SetFocus(list);
        SendMessageA(list, WM_KEYDOWN, VK_DELETE, 0);
        SendMessageA(list, WM_KEYUP, VK_DELETE, 0);
      });
    };
    pressDelete();  // nothing selected
    OnUi(w, [&] { EXPECT_EQ(ListView_GetItemCount(list), 5); });
    OnUi(w, [&] { SelectViewRows(list, {1, 3}); });
    pressDelete();
    OnUi(w, [&] {
      EXPECT_EQ(ViewRows(list), (Strings{"2:C:\\0", "2:C:\\2", "2:C:\\4"}));
      EXPECT_EQ(SelectedViewRows(list), std::vector<int>{1}) << "the row that took the first one's place";
    });
    OnUi(w, [&] { SelectViewRows(list, {2}); });
    pressDelete();
    OnUi(w, [&] { EXPECT_TRUE(SelectedViewRows(list).empty()); });
    Close(w);
  });
}

TEST_F(ListWindowTest, DoubleClickReversesTheRowUnderThePointer) {
  WriteFile(dir_ / "FileList.dat", "1;C:\\Old;;\r\n2;C:\\a.txt;;\r\n");
  Run([&](CMainDlg& w) {
    HWND list = w.Item(IDC_LIST_TARGET);
    POINT row0{}, row1{}, empty{};
    OnUi(w, [&] {
      row0 = RowPoint(list, 0);
      row1 = RowPoint(list, 1);
      empty = EmptyPoint(list);
    });
    DoubleClick(w, row0);  // no row selected: nothing
    OnUi(w, [&] { EXPECT_EQ(ViewRows(list), (Strings{"1:C:\\Old", "2:C:\\a.txt"})); });
    OnUi(w, [&] { SelectViewRows(list, {0}); });
    DoubleClick(w, row0);
    OnUi(w, [&] { EXPECT_EQ(ItemImage(list, 0), 3); });
    DoubleClick(w, row0);
    OnUi(w, [&] { EXPECT_EQ(ItemImage(list, 0), 1); });
    DoubleClick(w, row1);  // the row under the pointer, not the selected one
    OnUi(w, [&] { EXPECT_EQ(ViewRows(list), (Strings{"1:C:\\Old", "0:C:\\a.txt"})); });
    OnUi(w, [&] { SelectViewRows(list, {0}); });
    DoubleClick(w, empty);
    OnUi(w, [&] { EXPECT_EQ(ViewRows(list), (Strings{"1:C:\\Old", "0:C:\\a.txt"})); });
    Close(w);
  });
}

TEST_F(ListWindowTest, RightClickShowsTheMenuOfTheSelection) {
  Run([&](CMainDlg& w) {
    HWND list = w.Item(IDC_LIST_TARGET);
    RightClick(w, POINT{20, 40});  // empty list
    OnUi(w, [&] {
      w.TargetList().Rows().Append({"C:\\a.txt", "", 2});
      w.TargetList().Rows().Append({"C:\\Data", "", 3});
    });
    POINT row1{}, empty{};
    OnUi(w, [&] {
      row1 = RowPoint(list, 1);
      empty = EmptyPoint(list);
    });
    RightClick(w, empty);  // rows, none selected
    RightClick(w, row1);   // the click selects the row under it
    OnUi(w, [&] { EXPECT_EQ(SelectedViewRows(list), std::vector<int>{1}); });
    Close(w);
  });
  const auto menus = Menus();
  ASSERT_EQ(menus.size(), 3u);
  EXPECT_EQ(Texts(menus[0].items), kEmptyMenu);
  EXPECT_EQ(GrayedTexts(menus[0].items), kAllItems) << "only 追加 on an empty list";
  EXPECT_EQ(Texts(menus[1].items), kEmptyMenu);
  EXPECT_TRUE(GrayedTexts(menus[1].items).empty());
  EXPECT_EQ(Texts(menus[2].items), kRowMenu);
  EXPECT_TRUE(GrayedTexts(menus[2].items).empty());
  EXPECT_EQ(Texts(menus[2].items[8].submenu), kRowMenuAll);
  EXPECT_TRUE(GrayedTexts(menus[2].items[8].submenu).empty());
  for (const ShownMenu& menu : menus) {
    EXPECT_NE(menu.owner, nullptr);
    EXPECT_EQ(menu.flags, static_cast<UINT>(TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON));
  }
}

// The context-menu key and Shift+F10 on the focused list: the menu of the
// selection, below the selected row.
TEST_F(ListWindowTest, TheKeyboardOpensTheMenuBelowTheSelectedRow) {
  WriteFile(dir_ / "FileList.dat", "3;C:\\Data;;\r\n2;C:\\a.txt;;\r\n");
  const auto press = [](HWND list, WPARAM key, bool shift, bool system) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(keys);
    SendMessageA(list, system ? WM_SYSKEYDOWN : WM_KEYDOWN, key, 1);
    SendMessageA(list, system ? WM_SYSKEYUP : WM_KEYUP, key, 0xC0000001);
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
  };
  POINT expected{};
  Run([&](CMainDlg& w) {
    HWND list = w.Item(IDC_LIST_TARGET);
    OnUi(w, [&] {
      SetFocus(list);
      press(list, VK_APPS, false, false);  // nothing selected
      SelectViewRows(list, {1});
      RECT rect{};
      ListView_GetItemRect(list, 1, &rect, LVIR_LABEL);
      expected = POINT{rect.left, rect.bottom};
      ClientToScreen(list, &expected);
      press(list, VK_APPS, false, false);
    });
    ChooseFromMenu(ID_LIST_PAUSE);
    OnUi(w, [&] { press(list, VK_F10, true, true); });
    DrainPosted(w);
    OnUi(w, [&] { EXPECT_EQ(ViewRows(list), (Strings{"3:C:\\Data", "0:C:\\a.txt"})); });
    Close(w);
  });
  const auto menus = Menus();
  ASSERT_EQ(menus.size(), 3u);
  EXPECT_EQ(Texts(menus[0].items), kEmptyMenu);
  EXPECT_EQ(Texts(menus[1].items), kRowMenu);
  EXPECT_EQ(Texts(menus[2].items), kRowMenu);
  ASSERT_EQ(shownAt_.size(), 3u);
  EXPECT_EQ(shownAt_[1].x, expected.x);
  EXPECT_EQ(shownAt_[1].y, expected.y);
}

TEST_F(ListWindowTest, TheChosenMenuEntryActsOnTheList) {
  WriteFile(dir_ / "FileList.dat", "3;C:\\Data;;\r\n2;C:\\a.txt;;\r\n0;C:\\b.txt;;\r\n");
  Run([&](CMainDlg& w) {
    HWND list = w.Item(IDC_LIST_TARGET);
    POINT row1{}, empty{};
    OnUi(w, [&] {
      row1 = RowPoint(list, 1);
      empty = EmptyPoint(list);
    });
    ChooseFromMenu(ID_LIST_PAUSE);  // "一時停止(&T)" on the clicked row
    RightClick(w, row1);
    OnUi(w, [&] { EXPECT_EQ(ViewRows(list), (Strings{"3:C:\\Data", "0:C:\\a.txt", "0:C:\\b.txt"})); });
    ChooseFromMenu(ID_LIST_ALL_REVERSE);  // "すべて反転(&R)" from the empty area
    RightClick(w, empty);
    OnUi(w, [&] { EXPECT_EQ(ViewRows(list), (Strings{"1:C:\\Data", "2:C:\\a.txt", "2:C:\\b.txt"})); });
    ChooseFromMenu(ID_LIST_ALL_DELETE);  // "すべて削除(&D)", without a question
    RightClick(w, empty);
    OnUi(w, [&] { EXPECT_EQ(ListView_GetItemCount(list), 0); });
    Close(w);
  });
  EXPECT_TRUE(Boxes().empty());
}

}  // namespace
