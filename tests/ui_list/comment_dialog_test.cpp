// The comment editor opened from the row menu: driven from the driver thread
// as a user would, by its caption, its edit field and its buttons.
#include "list_window_fixture.h"

using namespace zelk::testing;
using zelk::ui::CMainDlg;

namespace {

using Strings = std::vector<std::string>;

// Opens the editor for the selection (as "コメントの編集(&E)" does) and
// answers the dialog once it is up.
HWND OpenEditor(CMainDlg& w) {
  PostMessageA(w.hwnd(), WM_COMMAND, ID_LIST_EDIT_COMMENT, 0);
  for (int i = 0; i < 500; ++i) {
    HWND dialog = FindWindowA(nullptr, "コメントの編集");
    if (dialog != nullptr && IsWindowVisible(dialog)) return dialog;
    Sleep(10);
  }
  return nullptr;
}

// Ends the window when the dialog never came up.
void NotOpened(CMainDlg& w) {
  ADD_FAILURE() << "the comment dialog did not open";
  PostMessageA(w.hwnd(), WM_CLOSE, 0, 0);
}

void WaitGone(HWND dialog) {
  for (int i = 0; i < 500 && IsWindow(dialog); ++i) Sleep(10);
}

std::string TextOf(HWND window) {
  char text[256] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

std::vector<std::string> Comments(HWND list) {
  std::vector<std::string> comments;
  for (int i = 0; i < ListView_GetItemCount(list); ++i) comments.push_back(ItemText(list, i, 1));
  return comments;
}

class CommentEditorTest : public ListWindowTest {
 protected:
  CommentEditorTest() {
    WriteFile(dir_ / "FileList.dat", "2;C:\\a.txt;one;\r\n2;C:\\b.txt;two;\r\n2;C:\\c.txt;three;\r\n");
  }
};

TEST_F(CommentEditorTest, OkStoresTheTextOnTheFirstSelectedRowOnly) {
  Run([&](CMainDlg& w) {
    HWND list = w.Item(IDC_LIST_TARGET);
    OnUi(w, [&] { SelectViewRows(list, {1, 2}); });
    HWND dialog = OpenEditor(w);
    if (dialog == nullptr) return NotOpened(w);
    HWND edit = GetDlgItem(dialog, IDC_COMMENT_TEXT);
    OnUi(w, [&] {
      EXPECT_EQ(GetFocus(), edit) << "the edit field has the focus";
      EXPECT_EQ(GetWindow(dialog, GW_OWNER), w.hwnd());
      EXPECT_FALSE(IsWindowEnabled(w.hwnd())) << "modal over the main window";
      EXPECT_EQ(LOWORD(SendMessageA(dialog, DM_GETDEFID, 0, 0)), IDOK);
      const LONG style = GetWindowLongA(dialog, GWL_STYLE);
      EXPECT_TRUE(style & WS_SYSMENU);
      EXPECT_FALSE(style & WS_THICKFRAME) << "not resizable";
      EXPECT_TRUE(GetWindowLongA(edit, GWL_STYLE) & ES_AUTOHSCROLL);
      EXPECT_EQ(TextOf(GetDlgItem(dialog, IDOK)), "OK");
      EXPECT_EQ(TextOf(GetDlgItem(dialog, IDCANCEL)), "キャンセル");
    });
    EXPECT_EQ(TextOf(edit), "two");
    // A ';' or a line break (only through the window message) is refused
    // at OK, and the dialog stays open.
    for (const char* refused : {"月曜;毎週", "月曜\r\n毎週"}) {
      SetWindowTextA(edit, refused);
      SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      EXPECT_TRUE(IsWindow(dialog)) << refused;
    }
    SetWindowTextA(edit, "月曜；毎週");
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    WaitGone(dialog);
    OnUi(w, [&] {
      EXPECT_EQ(Comments(list), (Strings{"one", "月曜；毎週", "three"}));
      EXPECT_TRUE(IsWindowEnabled(w.hwnd()));
    });
    Close(w);
  });
  EXPECT_EQ(ReadFile(dir_ / "FileList.dat"),
            "2;C:\\a.txt;one;\r\n2;C:\\b.txt;月曜；毎週;\r\n2;C:\\c.txt;three;\r\n");
  const Box refusal{"コメントには「;」と改行を使えません。\n「;」は全角の「；」に置き換えてください。",
                    zelk::ui::ApplicationName(), MB_OK | MB_ICONEXCLAMATION};
  EXPECT_EQ(Boxes(), (std::vector<Box>{refusal, refusal}));
}

// A comment with ';' or a line break that reached a row by another way than
// the dialog: after a restart the list has exactly its rows.
TEST_F(CommentEditorTest, NoCommentAddsOrCutsARowAcrossARestart) {
  Run([&](CMainDlg& w) {
    OnUi(w, [&] {
      w.TargetList().Rows().SetComment(0, "a;b");
      w.TargetList().Rows().SetComment(1, "line\r\n2;C:\\evil;");
    });
    Close(w);
  });
  Run([&](CMainDlg& w) {
    OnUi(w, [&] {
      HWND list = w.Item(IDC_LIST_TARGET);
      EXPECT_EQ(ViewRows(list), (Strings{"2:C:\\a.txt", "2:C:\\b.txt", "2:C:\\c.txt"}));
      EXPECT_EQ(Comments(list), (Strings{"a；b", "line 2；C:\\evil；", "three"}));
    });
    Close(w);
  });
}

TEST_F(CommentEditorTest, AnEmptiedFieldClearsTheCommentAndEnterConfirms) {
  Run([&](CMainDlg& w) {
    HWND list = w.Item(IDC_LIST_TARGET);
    OnUi(w, [&] { SelectViewRows(list, {0}); });
    HWND dialog = OpenEditor(w);
    if (dialog == nullptr) return NotOpened(w);
    HWND edit = GetDlgItem(dialog, IDC_COMMENT_TEXT);
    SetWindowTextA(edit, "");
    PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);  // the default button
    WaitGone(dialog);
    OnUi(w, [&] { EXPECT_EQ(Comments(list), (Strings{"", "two", "three"})); });
    Close(w);
  });
  EXPECT_EQ(ReadFile(dir_ / "FileList.dat"), "2;C:\\a.txt;;\r\n2;C:\\b.txt;two;\r\n2;C:\\c.txt;three;\r\n");
}

TEST_F(CommentEditorTest, CancelEscapeAndTheCloseBoxKeepTheComment) {
  Run([&](CMainDlg& w) {
    HWND list = w.Item(IDC_LIST_TARGET);
    OnUi(w, [&] { SelectViewRows(list, {2}); });
    const std::vector<std::function<void(HWND)>> cancels{
        [](HWND dialog) { SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); },
        [](HWND dialog) { PostMessageA(GetDlgItem(dialog, IDC_COMMENT_TEXT), WM_KEYDOWN, VK_ESCAPE, 0); },
        [](HWND dialog) { PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); },
    };
    for (const auto& cancel : cancels) {
      HWND dialog = OpenEditor(w);
      if (dialog == nullptr) return NotOpened(w);
      SetWindowTextA(GetDlgItem(dialog, IDC_COMMENT_TEXT), "changed");
      cancel(dialog);
      WaitGone(dialog);
      EXPECT_FALSE(IsWindow(dialog));
      OnUi(w, [&] { EXPECT_EQ(Comments(list), (Strings{"one", "two", "three"})); });
    }
    // Without a selection the command opens nothing.
    OnUi(w, [&] { SelectViewRows(list, {}); });
    SendMessageA(w.hwnd(), WM_COMMAND, ID_LIST_EDIT_COMMENT, 0);
    EXPECT_EQ(FindWindowA(nullptr, "コメントの編集"), nullptr);
    Close(w);
  });
}

TEST_F(CommentEditorTest, TheCommentFollowsItsRowWhileOtherRowsAreRemoved) {
  // The first row's target is missing: the backup worker removes it through
  // the window while the dialog is open.
  WriteFile(dir_ / "here.txt", "h");
  WriteFile(dir_ / "FileList.dat", "2;" + (dir_ / "gone.txt") + ";g;\r\n2;" + (dir_ / "here.txt") + ";h;\r\n");
  Run([&](CMainDlg& w) {
    HWND list = w.Item(IDC_LIST_TARGET);
    OnUi(w, [&] { SelectViewRows(list, {1}); });
    HWND dialog = OpenEditor(w);
    if (dialog == nullptr) return NotOpened(w);
    std::thread worker([&] { w.RunOnUiThread([&] { w.TargetList().Model().VerifyTargets(true); }); });
    worker.join();
    SetWindowTextA(GetDlgItem(dialog, IDC_COMMENT_TEXT), "kept");
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    WaitGone(dialog);
    OnUi(w, [&] {
      EXPECT_EQ(ViewRows(list), Strings{"2:" + (dir_ / "here.txt")});
      EXPECT_EQ(Comments(list), Strings{"kept"});
    });
    Close(w);
  });
}

TEST_F(CommentEditorTest, AnEditOfARemovedRowIsDropped) {
  WriteFile(dir_ / "here.txt", "h");
  WriteFile(dir_ / "FileList.dat", "2;" + (dir_ / "here.txt") + ";h;\r\n2;" + (dir_ / "gone.txt") + ";g;\r\n" +
                                       "0;" + (dir_ / "paused.txt") + ";p;\r\n");
  Run([&](CMainDlg& w) {
    HWND list = w.Item(IDC_LIST_TARGET);
    OnUi(w, [&] { SelectViewRows(list, {1}); });
    HWND dialog = OpenEditor(w);
    if (dialog == nullptr) return NotOpened(w);
    std::thread worker([&] { w.RunOnUiThread([&] { w.TargetList().Model().VerifyTargets(true); }); });
    worker.join();
    SetWindowTextA(GetDlgItem(dialog, IDC_COMMENT_TEXT), "lost");
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    WaitGone(dialog);
    OnUi(w, [&] { EXPECT_EQ(Comments(list), (Strings{"h", "p"})); });
    Close(w);
  });
}

}  // namespace
