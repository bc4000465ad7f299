// Starts the built Zelk.exe as a black box: a second copy of the same
// executable says "既に起動されています" and ends, leaving the first running.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "win_temp_dir.h"
#include "zelk_process.h"

using namespace zelk::testing;

namespace {

std::string StaticText(HWND box) {
  std::string text;
  EnumChildWindows(
      box,
      [](HWND child, LPARAM param) -> BOOL {
        char cls[32] = {};
        GetClassNameA(child, cls, sizeof cls);
        if (std::string(cls) == "Static") {
          char t[256] = {};
          GetWindowTextA(child, t, sizeof t);
          if (t[0] != '\0') *reinterpret_cast<std::string*>(param) = t;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&text));
  return text;
}

}  // namespace

TEST(SingleInstance, ASecondCopySaysItIsRunningAndLeavesTheFirstAlone) {
  TempDir dir;
  const std::string exe = dir / "Zelk.exe";
  ASSERT_TRUE(CopyFileA((BinFolder() + "\\Zelk.exe").c_str(), exe.c_str(), FALSE));
  WriteFile(dir / "FileList.dat", "3;C:\\Data;first;\r\n");

  Process first;
  Start(first, exe, dir.path());
  HWND mainWindow = WaitForWindow(first.info.dwProcessId, "#32770");
  ASSERT_NE(mainWindow, nullptr) << "the first copy shows its window";
  char title[64] = {};
  GetWindowTextA(mainWindow, title, sizeof title);
  EXPECT_STREQ(title, "Zelk");

  Process second;
  Start(second, exe, dir.path());
  HWND box = WaitForWindow(second.info.dwProcessId, "#32770");
  ASSERT_NE(box, nullptr) << "the second copy shows a message box";
  GetWindowTextA(box, title, sizeof title);
  EXPECT_STREQ(title, "Zelk");
  EXPECT_EQ(StaticText(box), "既に起動されています");
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(WaitForSingleObject(second.info.hProcess, 20000), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(first.info.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT))
      << "the first copy keeps running";
  EXPECT_EQ(ReadFile(dir / "FileList.dat"), "3;C:\\Data;first;\r\n") << "the second copy touched nothing";

  // The first copy ends through its close box and saves its list.
  PostMessageA(mainWindow, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForSingleObject(first.info.hProcess, 20000), WAIT_OBJECT_0);
  EXPECT_EQ(ReadFile(dir / "FileList.dat"), "3;C:\\Data;first;\r\n");

  // The mutex went with it: a new start is not refused.
  Process third;
  Start(third, exe, dir.path());
  HWND again = WaitForWindow(third.info.dwProcessId, "#32770");
  ASSERT_NE(again, nullptr);
  GetWindowTextA(again, title, sizeof title);
  EXPECT_STREQ(title, "Zelk");
  EXPECT_NE(StaticText(again), "既に起動されています");
  PostMessageA(again, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForSingleObject(third.info.hProcess, 20000), WAIT_OBJECT_0);
}
