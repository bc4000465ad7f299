// Targets coming in: files and folders dropped from the shell onto the list
// view, and the add command through the browse dialog.
#include "list_window_fixture.h"

using namespace zelk::testing;
using zelk::ui::CListCtrl_Target;
using zelk::ui::CMainDlg;

namespace {

using Strings = std::vector<std::string>;

TEST_F(ListWindowTest, ADropStopsAtThePathThatCannotBeExaminedAndSaysWhy) {
  WriteFile(dir_ / "a.txt", "a");
  WriteFile(dir_ / "c.txt", "c");
  MakeDirs(dir_ / "folder");
  Run([&](CMainDlg& w) {
    HWND list = w.Item(IDC_LIST_TARGET);
    Drop(w, {dir_ / "a.txt", dir_ / "gone.txt", dir_ / "c.txt"});
    OnUi(w, [&] { EXPECT_EQ(ViewRows(list), Strings{"2:" + (dir_ / "a.txt")}); });
    // A drive root has no status either: nothing of that drop is added.
    Drop(w, {"C:\\", dir_ / "c.txt"});
    // A folder and a file, in the order of the drop, both active.
    Drop(w, {dir_ / "folder", dir_ / "c.txt"});
    OnUi(w, [&] {
      EXPECT_EQ(ViewRows(list),
                (Strings{"2:" + (dir_ / "a.txt"), "3:" + (dir_ / "folder"), "2:" + (dir_ / "c.txt")}));
      EXPECT_EQ(ItemText(list, 1, 1), "") << "a new row has an empty comment";
    });
    Close(w);
  });
  EXPECT_EQ(ReadFile(dir_ / "FileList.dat"),
            "2;" + (dir_ / "a.txt") + ";;\r\n3;" + (dir_ / "folder") + ";;\r\n2;" + (dir_ / "c.txt") +
                ";;\r\n");
  // Each stopped drop says why, in the add button's words and box.
  const std::string app = zelk::ui::ApplicationName();
  EXPECT_EQ(Boxes(), (std::vector<Box>{
                         {"アイテムの追加に失敗しました", app, MB_OK},
                         {"ドライブのルートはバックアップ対象にできません。\nドライブ内のフォルダを選んでください。", app,
                          MB_OK},
                     }));
}

TEST_F(ListWindowTest, AReadOnlyHiddenFolderIsDroppedAsAFolder) {
  MakeDirs(dir_ / "secret");
  ASSERT_TRUE(SetFileAttributesA((dir_ / "secret").c_str(),
                                 FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  Run([&](CMainDlg& w) {
    Drop(w, {dir_ / "secret"});
    OnUi(w, [&] { EXPECT_EQ(ViewRows(w.Item(IDC_LIST_TARGET)), Strings{"3:" + (dir_ / "secret")}); });
    Close(w);
  });
  SetFileAttributesA((dir_ / "secret").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(ListWindowTest, ADisabledListTakesNoDropAndItsButtonsAreOff) {
  WriteFile(dir_ / "a.txt", "a");
  Run([&](CMainDlg& w) {
    w.EnableControls(false);  // as a backup run does it
    OnUi(w, [&] {
      for (int id : {IDC_LIST_TARGET, IDC_ADD, IDC_UP, IDC_DOWN, IDC_DELETE, IDC_CLEAR_LIST}) {
        EXPECT_FALSE(IsWindowEnabled(w.Item(id))) << id;
      }
    });
    Drop(w, {dir_ / "a.txt"});
    OnUi(w, [&] { EXPECT_EQ(ListView_GetItemCount(w.Item(IDC_LIST_TARGET)), 0); });
    w.EnableControls(true);
    Drop(w, {dir_ / "a.txt"});
    OnUi(w, [&] { EXPECT_EQ(ListView_GetItemCount(w.Item(IDC_LIST_TARGET)), 1); });
    Close(w);
  });
}

TEST_F(ListWindowTest, AddPicksAFileOrAFolderInTheBrowseDialog) {
  WriteFile(dir_ / "report.txt", "r");
  MakeDirs(dir_ / "photos");
  SetFileAttributesA((dir_ / "photos").c_str(), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY);
  Run([&](CMainDlg& w) {
    PickNext(ILCreateFromPathA((dir_ / "report.txt").c_str()));
    Command(w, IDC_ADD);
    PickNext(ILCreateFromPathA((dir_ / "photos").c_str()));
    SendMessageA(w.hwnd(), WM_COMMAND, ID_LIST_ADD, 0);  // the menus' entry
    Command(w, IDC_ADD);                                  // cancelled
    OnUi(w, [&] {
      EXPECT_EQ(ViewRows(w.Item(IDC_LIST_TARGET)),
                (Strings{"2:" + (dir_ / "report.txt"), "3:" + (dir_ / "photos")}));
    });
    Close(w);
  });
  SetFileAttributesA((dir_ / "photos").c_str(), FILE_ATTRIBUTE_NORMAL);
  ASSERT_EQ(browseTitles_.size(), 3u);
  EXPECT_EQ(browseTitles_[0], "ファイルorフォルダの選択");
  EXPECT_EQ(browseFlags_[0], 0x4001u);
  EXPECT_NE(browseOwners_[0], nullptr);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(ListWindowTest, AddReportsItemsWithoutAPathAndRefusesDriveRoots) {
  Run([&](CMainDlg& w) {
    LPITEMIDLIST computer = nullptr;
    ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &computer), S_OK);
    PickNext(computer);  // "My Computer" has no file-system path
    Command(w, IDC_ADD);
    PickNext(ILCreateFromPathA("C:\\"));
    Command(w, IDC_ADD);
    OnUi(w, [&] { EXPECT_EQ(ListView_GetItemCount(w.Item(IDC_LIST_TARGET)), 0); });
    Close(w);
  });
  const auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, "例外エラー:1");
  EXPECT_EQ(boxes[0].caption, zelk::ui::ApplicationName());
  EXPECT_EQ(boxes[0].flags, static_cast<UINT>(MB_OK));
  EXPECT_EQ(boxes[1].text,
            "ドライブのルートはバックアップ対象にできません。\nドライブ内のフォルダを選んでください。");
  EXPECT_EQ(boxes[1].caption, zelk::ui::ApplicationName());
}

TEST_F(ListWindowTest, PathsTheCodePageCannotHoldAreRefusedWithTheirReason) {
  WriteFile(dir_ / "a.txt", "a");
  WriteFile(dir_ / "c.txt", "c");
  const std::wstring wideDir(dir_.path().begin(), dir_.path().end());
  const std::wstring korean = wideDir + L"\\\uD55C\uAE00";  // 한글
  ASSERT_TRUE(CreateDirectoryW(korean.c_str(), nullptr));
  const std::wstring emoji = wideDir + L"\\\U0001F600.txt";
  HANDLE h = CreateFileW(emoji.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
  Run([&](CMainDlg& w) {
    DropWide(w, {wideDir + L"\\a.txt", korean, wideDir + L"\\c.txt"});
    PickNext(ILCreateFromPathW(emoji.c_str()));
    Command(w, IDC_ADD);
    OnUi(w, [&] { EXPECT_EQ(ViewRows(w.Item(IDC_LIST_TARGET)), Strings{"2:" + (dir_ / "a.txt")}); });
    Close(w);
  });
  EXPECT_EQ(ReadFile(dir_ / "FileList.dat"), "2;" + (dir_ / "a.txt") + ";;\r\n");
  const auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 2u);
  const std::string refused =
      "パスに日本語の文字コード(Shift-JIS)で表せない文字が含まれているため、バックアップ対象にできません。\n"
      "この項目を含むフォルダを選んでください(中の項目は名前のままバックアップされます)。";
  EXPECT_EQ(boxes[0].text, (dir_ / "??") + "\n" + refused);
  EXPECT_EQ(boxes[0].caption, zelk::ui::ApplicationName());
  EXPECT_EQ(boxes[1].text.substr(boxes[1].text.find('\n') + 1), refused);
  EXPECT_EQ(boxes[1].text.rfind(dir_.path(), 0), 0u) << boxes[1].text;
  RemoveDirectoryW(korean.c_str());
  DeleteFileW(emoji.c_str());
}

TEST(ListInit, AFailedLoadIsShownAndReported) {
  std::vector<Box> boxes;
  {
    ScriptedBoxes scripted;
    CListCtrl_Target list;
    EXPECT_TRUE(list.InitList(""));
    boxes = scripted.Boxes();
  }
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "ファイルパスがセットされていません");
  EXPECT_EQ(boxes[0].caption, "Error");
  EXPECT_EQ(boxes[0].flags, static_cast<UINT>(MB_OK | MB_ICONERROR));
}

}  // namespace
