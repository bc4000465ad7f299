#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "fileutil/directory_ops.h"
#include "main_window_harness.h"
#include "res/resource.h"

using namespace zelk::testing;
using zelk::fileutil::FileInDirectory;
using zelk::ui::CMainDlg;

namespace {

std::string ItemText(HWND list, int row, int column) {
  char text[512] = {};
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = sizeof text;
  SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
  return text;
}

int ItemImage(HWND list, int row) {
  LVITEMA item{};
  item.mask = LVIF_IMAGE;
  item.iItem = row;
  SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  return item.iImage;
}

// The Alt key as the thread's keyboard state has it, as while Alt is held.
void HoldAlt(bool down) {
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_MENU] = down ? 0x80 : 0;
  SetKeyboardState(keys);
}

std::string WindowText(HWND window) {
  char text[256] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

}  // namespace

TEST_F(MainWindowTest, OpensWithItsControlsMenusAndTheLoadedList) {
  WriteFile(dir_ / "FileList.dat", "3;C:\\Data;daily;\r\n0;C:\\memo.txt;old;\r\n");
  Run([&](CMainDlg& w) {
    OnUi(w, [&] {
      EXPECT_EQ(WindowText(w.hwnd()), "Zelk");
      HWND list = w.Item(IDC_LIST_TARGET);
      ASSERT_EQ(ListView_GetItemCount(list), 2);
      EXPECT_EQ(ItemText(list, 0, 0), "C:\\Data");
      EXPECT_EQ(ItemText(list, 0, 1), "daily");
      EXPECT_EQ(ItemImage(list, 0), 3);
      EXPECT_EQ(ItemImage(list, 1), 0);
      EXPECT_EQ(WindowText(w.Item(IDC_START)), "開始(&S)");
      EXPECT_EQ(WindowText(w.Item(IDC_CLEAR_LIST)), "すべてクリア(&C)");
      // The list has the focus; Tab runs through the buttons top to bottom
      // and back to the list. No button is a default button.
      EXPECT_EQ(GetFocus(), w.Item(IDC_LIST_TARGET));
      HWND at = w.Item(IDC_LIST_TARGET);
      for (int id : {IDC_ADD, IDC_UP, IDC_DOWN, IDC_DELETE, IDC_CLEAR_LIST, IDC_START, IDC_EXIT, IDC_LIST_TARGET}) {
        at = GetNextDlgTabItem(w.hwnd(), at, FALSE);
        EXPECT_EQ(at, w.Item(id)) << id;
      }
      for (int id : {IDC_START, IDC_EXIT, IDC_ADD, IDC_UP, IDC_DOWN, IDC_DELETE, IDC_CLEAR_LIST}) {
        EXPECT_EQ(GetWindowLongA(w.Item(id), GWL_STYLE) & BS_DEFPUSHBUTTON, 0) << id;
      }
      HMENU bar = GetMenu(w.hwnd());
      ASSERT_EQ(GetMenuItemCount(bar), 5);
      char item[64] = {};
      GetMenuStringA(bar, 0, item, sizeof item, MF_BYPOSITION);
      EXPECT_STREQ(item, "オプション(&O)");
      GetMenuStringA(bar, 4, item, sizeof item, MF_BYPOSITION);
      EXPECT_STREQ(item, "バージョン情報(&V)");
      HMENU system = GetSystemMenu(w.hwnd(), FALSE);
      GetMenuStringA(system, IDM_ABOUTBOX, item, sizeof item, MF_BYCOMMAND);
      EXPECT_STREQ(item, "バージョン情報 Zelk(&A)...");
    });
    Close(w);
  });
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(MainWindowTest, EnterOutsideAButtonIsSwallowedAndEscapeExitsSavingTheList) {
  WriteFile(dir_ / "FileList.dat", "3;C:\\Data;;\r\n");
  const INT_PTR result = Run([&](CMainDlg& w) {
    PostMessageA(w.Item(IDC_LIST_TARGET), WM_KEYDOWN, VK_RETURN, 0);
    PostMessageA(w.hwnd(), WM_KEYDOWN, VK_RETURN, 0);
    Settle(w);
    OnUi(w, [&] { EXPECT_TRUE(IsWindowVisible(w.hwnd())); });
    OnUi(w, [&] { w.TargetList().Rows().Append({"C:\\added.txt", "c", 2}); });
    PostMessageA(w.hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(ReadFile(dir_ / "FileList.dat"), "3;C:\\Data;;\r\n2;C:\\added.txt;c;\r\n");
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(MainWindowTest, ListButtonsEditTheRows) {
  WriteFile(dir_ / "FileList.dat", "2;C:\\a;;\r\n2;C:\\b;;\r\n2;C:\\c;;\r\n");
  Run([&](CMainDlg& w) {
    OnUi(w, [&] { w.TargetList().Rows().SetSelected(2, true); });
    Command(w, IDC_UP);
    OnUi(w, [&] { EXPECT_EQ(ItemText(w.Item(IDC_LIST_TARGET), 1, 0), "C:\\c"); });
    Command(w, IDC_DOWN);
    OnUi(w, [&] { EXPECT_EQ(ItemText(w.Item(IDC_LIST_TARGET), 2, 0), "C:\\c"); });
    Command(w, IDC_DELETE);
    OnUi(w, [&] { EXPECT_EQ(ListView_GetItemCount(w.Item(IDC_LIST_TARGET)), 2); });
    // Selecting in the view selects in the rows.
    OnUi(w, [&] { ListView_SetItemState(w.Item(IDC_LIST_TARGET), 0, LVIS_SELECTED, LVIS_SELECTED); });
    OnUi(w, [&] { EXPECT_TRUE(w.TargetList().Rows().IsSelected(0)); });
    SendMessageA(w.hwnd(), WM_COMMAND, ID_LIST_PAUSE, 0);
    OnUi(w, [&] { EXPECT_EQ(ItemImage(w.Item(IDC_LIST_TARGET), 0), 0); });
    Answer(IDYES);
    Command(w, IDC_CLEAR_LIST);
    OnUi(w, [&] { EXPECT_EQ(ListView_GetItemCount(w.Item(IDC_LIST_TARGET)), 0); });
    Command(w, IDC_EXIT);
  });
  EXPECT_EQ(ReadFile(dir_ / "FileList.dat"), "") << "an empty list is saved as an empty file";
}

// "すべてクリア(&C)" reached by Alt+C, by Enter on the focused button and by a
// click: each asks first, and only Yes empties the list.
TEST_F(MainWindowTest, ClearAllAsksFirstHoweverItIsPressed) {
  WriteFile(dir_ / "FileList.dat", "2;C:\\a;;\r\n2;C:\\b;;\r\n");
  Answer(IDNO);
  Answer(IDNO);
  Answer(IDYES);
  // Keys arrive posted: wait for the question they bring up.
  const auto waitForBoxes = [this](std::size_t count) {
    for (int i = 0; i < 500 && Boxes().size() < count; ++i) Sleep(10);
    return Boxes().size();
  };
  Run([&](CMainDlg& w) {
    HWND list = w.Item(IDC_LIST_TARGET);
    OnUi(w, [&] { HoldAlt(true); });
    PostMessageA(list, WM_SYSCHAR, 'c', 1 << 29);  // Alt+C
    EXPECT_EQ(waitForBoxes(1), 1u) << "Alt+C";
    OnUi(w, [&] {
      HoldAlt(false);
      SetFocus(w.Item(IDC_CLEAR_LIST));
    });
    PostMessageA(w.Item(IDC_CLEAR_LIST), WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(waitForBoxes(2), 2u) << "Enter on the focused button";
    OnUi(w, [&] { EXPECT_EQ(ListView_GetItemCount(list), 2) << "No keeps every row"; });
    Command(w, IDC_CLEAR_LIST);
    OnUi(w, [&] { EXPECT_EQ(ListView_GetItemCount(list), 0); });
    Close(w);
  });
  const auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 3u);
  for (const Box& box : boxes) {
    EXPECT_EQ(box, (Box{"バックアップ対象をすべてリストから削除しますか？", zelk::ui::ApplicationName(),
                        MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2}));
  }
  EXPECT_EQ(ReadFile(dir_ / "FileList.dat"), "");
}

TEST_F(MainWindowTest, AListFileHeldOpenAtStartIsReportedAndKeptAtExit) {
  const std::string old = "3;C:\\Data;daily;\r\n";
  WriteFile(dir_ / "FileList.dat", old);
  auto held = std::make_unique<LockedFile>(dir_ / "FileList.dat");
  ASSERT_TRUE(held->ok());
  Run([&](CMainDlg& w) {
    held.reset();  // released while the program runs
    OnUi(w, [&] { EXPECT_EQ(ListView_GetItemCount(w.Item(IDC_LIST_TARGET)), 0); });
    Close(w);
  });
  EXPECT_EQ(ReadFile(dir_ / "FileList.dat"), old);
  const auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[0].text.rfind("FileList.datを開けませんでした（", 0), 0u) << boxes[0].text;
  EXPECT_NE(boxes[0].text.find("空のリストで始めます"), std::string::npos);
  EXPECT_EQ(boxes[0].caption, "Error");
  EXPECT_EQ(boxes[1], (Box{"ファイルリストの初期化に失敗しました", "Error", MB_OK | MB_ICONERROR}));
  EXPECT_EQ(boxes[2], (Box{"FileList.datは起動時に読み込めなかったため、上書きしませんでした。"
                           "起動後のリストの変更は保存されていません。",
                           "Error", MB_OK | MB_ICONERROR}));
}

TEST_F(MainWindowTest, OpenSaveFolderCreatesItAndStartsTheFileManager) {
  // A comma in the name: explorer.exe gets the path quoted.
  WriteFile(dir_ / "Zelk.ini", "[Option]\r\nSavePath=" + (dir_ / "save,1") + "\r\n");
  Run([&](CMainDlg& w) {
    SendMessageA(w.hwnd(), WM_COMMAND, ID_OPEN_SAVE_FOLDER, 0);
    shellResult_ = 2;  // the shell fails
    SendMessageA(w.hwnd(), WM_COMMAND, ID_OPEN_SAVE_FOLDER, 0);
    Close(w);
  });
  EXPECT_TRUE(IsFolder(dir_ / "save,1"));
  EXPECT_EQ(ShellCalls(), (std::vector<std::string>(2, "explorer.exe \"" + (dir_ / "save,1") + "\"")));
  auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text.rfind("シェルの起動に失敗しました\n" + (dir_ / "save,1") + "\n（", 0), 0u) << boxes[0].text;
  EXPECT_EQ(boxes[0].caption, "Error");
  EXPECT_EQ(boxes[0].flags, static_cast<UINT>(MB_OK | MB_ICONERROR));
}

TEST_F(MainWindowTest, ClearBackupsReportsItsResult) {
  WriteFile(dir_ / "Zelk.ini", "[Option]\r\nSavePath=" + (dir_ / "save") + "\r\n");
  WriteFile(dir_ / "save\\03.07.15.14.05.09\\x.txt", "x");
  WriteFile(dir_ / "History.dat", (dir_ / "save\\03.07.15.14.05.09") + "\r\n");
  Answer(IDNO);
  Answer(IDYES);
  Run([&](CMainDlg& w) {
    SendMessageA(w.hwnd(), WM_COMMAND, ID_CLEAR_BACKUPS, 0);
    EXPECT_TRUE(FileInDirectory(dir_ / "save")) << "No deletes nothing";
    SendMessageA(w.hwnd(), WM_COMMAND, ID_CLEAR_BACKUPS, 0);
    Close(w);
  });
  EXPECT_FALSE(FileInDirectory(dir_ / "save"));
  EXPECT_EQ(ReadFile(dir_ / "History.dat"), "");
  auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 3u);
  for (int i : {0, 1}) {
    EXPECT_EQ(boxes[i].text, "保存先フォルダの中のバックアップとファイルはすべて削除されます\nよろしいですか？");
    EXPECT_EQ(boxes[i].caption, dir_ / "save");
    EXPECT_EQ(boxes[i].flags, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2));
  }
  EXPECT_EQ(boxes[2].text, "削除が完了しました");
  EXPECT_EQ(boxes[2].caption, zelk::ui::ApplicationName());
  EXPECT_EQ(boxes[2].flags, static_cast<UINT>(MB_OK));
}

TEST_F(MainWindowTest, AListFileThatCannotBeWrittenIsReportedAtExit) {
  WriteFile(dir_ / "FileList.dat", "3;C:\\Data;;\r\n");
  SetFileAttributesA((dir_ / "FileList.dat").c_str(), FILE_ATTRIBUTE_READONLY);
  const INT_PTR result = Run([&](CMainDlg& w) { Close(w); });
  SetFileAttributesA((dir_ / "FileList.dat").c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(result, IDOK) << "the window closes all the same";
  auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text.rfind("ファイルリストの初期化に失敗しました\nFileList.dat", 0), 0u) << boxes[0].text;
  EXPECT_EQ(boxes[0].caption, "Error");
  EXPECT_EQ(boxes[0].flags, static_cast<UINT>(MB_OK | MB_ICONERROR));
}

TEST_F(MainWindowTest, EndOfSessionSavesTheListAndEnds) {
  WriteFile(dir_ / "FileList.dat", "3;C:\\Data;;\r\n");
  LRESULT answer = 0;
  Run([&](CMainDlg& w) {
    OnUi(w, [&] { w.TargetList().Rows().Append({"C:\\more", "", 3}); });
    answer = SendMessageA(w.hwnd(), WM_QUERYENDSESSION, 0, 0);
  });
  EXPECT_EQ(answer, TRUE);
  EXPECT_EQ(ReadFile(dir_ / "FileList.dat"), "3;C:\\Data;;\r\n3;C:\\more;;\r\n");
}

TEST_F(MainWindowTest, HelpAndUnknownSystemCommandsDoNothing) {
  Run([&](CMainDlg& w) {
    HELPINFO help{};
    help.cbSize = sizeof help;
    SendMessageA(w.hwnd(), WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
    OnUi(w, [&] { EXPECT_TRUE(IsWindowVisible(w.hwnd())); });
    Close(w);
  });
  EXPECT_TRUE(Boxes().empty());
}
