#include "fileutil/directory_ops.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>

#include "fileutil/wide_path.h"
#include "win_temp_dir.h"

using namespace zelk::fileutil;
using namespace zelk::testing;

namespace {

// 40 levels of 20-byte names: far beyond the 259 bytes of the ANSI calls.
std::string DeepChain() {
  std::string chain;
  for (int i = 0; i < 40; ++i) chain += (i ? "\\" : "") + std::string("level_") + std::to_string(100 + i) + "_abcdefghijk";
  return chain;
}

// File helpers that reach past 259 bytes.
void MakeDeepDirs(const std::string& path) {
  std::wstring wide = ExtendedPath(path);
  for (std::size_t i = 8; i <= wide.size(); ++i) {
    if (i == wide.size() || wide[i] == L'\\') CreateDirectoryW(wide.substr(0, i).c_str(), nullptr);
  }
}

void WriteDeep(const std::string& path, const std::string& bytes) {
  MakeDeepDirs(path.substr(0, path.find_last_of('\\')));
  HANDLE h = CreateFileW(ExtendedPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
  DWORD put = 0;
  ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr);
  CloseHandle(h);
}

std::string ReadDeep(const std::string& path) {
  HANDLE h = CreateFileW(ExtendedPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return "<missing>";
  char buf[4096];
  DWORD got = 0;
  std::string out;
  while (::ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0) out.append(buf, got);
  CloseHandle(h);
  return out;
}

FILETIME FixedTime(WORD year) {
  SYSTEMTIME st{};
  st.wYear = year;
  st.wMonth = 7;
  st.wDay = 15;
  st.wHour = 14;
  st.wMinute = 5;
  st.wSecond = 9;
  FILETIME ft{};
  SystemTimeToFileTime(&st, &ft);
  return ft;
}

void SetWriteTime(const std::string& path, FILETIME ft, bool folder = false) {
  HANDLE h = CreateFileW(ExtendedPath(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_EXISTING, folder ? FILE_FLAG_BACKUP_SEMANTICS : 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  SetFileTime(h, nullptr, nullptr, &ft);
  CloseHandle(h);
}

ULONGLONG WriteTime(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(ExtendedPath(path).c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<ULONGLONG>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
}

ULONGLONG AsNumber(FILETIME ft) { return (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime; }

bool Has(DWORD attributes, DWORD flag) { return attributes != INVALID_FILE_ATTRIBUTES && (attributes & flag) == flag; }

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// A source tree with every kind of entry the copy must carry over.
struct SourceTree {
  explicit SourceTree(const TempDir& dir) : root(dir / "src\\Data"), deep(root + "\\" + DeepChain() + "\\bottom.txt") {
    WriteFile(root + "\\plain.txt", "plain");
    WriteFile(root + "\\hidden.txt", "hidden");
    SetFileAttributesA((root + "\\hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
    WriteFile(root + "\\system.bin", "system");
    SetFileAttributesA((root + "\\system.bin").c_str(), FILE_ATTRIBUTE_SYSTEM);
    WriteFile(root + "\\sub\\readonly.txt", "readonly");
    SetFileAttributesA((root + "\\sub\\readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    WriteFile(root + "\\表示テスト\\表.txt", "kanji");
    MakeDirs(root + "\\empty");
    WriteDeep(deep, "deep");
    SetWriteTime(root + "\\plain.txt", FixedTime(2003));
    SetWriteTime(root + "\\sub\\readonly.txt", FixedTime(2004));
    SetWriteTime(root + "\\empty", FixedTime(2005), true);
  }
  std::string root;
  std::string deep;
};

void ExpectFullCopy(const std::string& copy, const SourceTree& src) {
  EXPECT_EQ(ReadFile(copy + "\\plain.txt"), "plain");
  EXPECT_EQ(ReadFile(copy + "\\hidden.txt"), "hidden");
  EXPECT_TRUE(Has(Attributes(copy + "\\hidden.txt"), FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(ReadFile(copy + "\\system.bin"), "system");
  EXPECT_TRUE(Has(Attributes(copy + "\\system.bin"), FILE_ATTRIBUTE_SYSTEM));
  EXPECT_EQ(ReadFile(copy + "\\sub\\readonly.txt"), "readonly");
  EXPECT_TRUE(Has(Attributes(copy + "\\sub\\readonly.txt"), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(ReadFile(copy + "\\表示テスト\\表.txt"), "kanji");
  EXPECT_TRUE(IsFolder(copy + "\\empty"));
  EXPECT_EQ(ReadDeep(copy + src.deep.substr(src.root.size())), "deep");
  EXPECT_EQ(WriteTime(copy + "\\plain.txt"), AsNumber(FixedTime(2003)));
  EXPECT_EQ(WriteTime(copy + "\\sub\\readonly.txt"), AsNumber(FixedTime(2004)));
  EXPECT_EQ(WriteTime(copy + "\\empty"), AsNumber(FixedTime(2005)));
}

}  // namespace

TEST(CopyDirectory, KeepsTheFolderNameAndCopiesEveryKindOfEntry) {
  TempDir dir;
  SourceTree src(dir);
  MessageBuffer msg{};
  // The destination and its parent do not exist yet.
  EXPECT_FALSE(CopyDirectory(dir / "out\\g", src.root, msg, true)) << MessageText(msg);
  ExpectFullCopy(dir / "out\\g\\Data", src);

  // A second copy into the same place never overwrites: it stops at the
  // first file that is already there and names it.
  WriteFile(dir / "out\\g\\Data\\plain.txt", "changed");
  EXPECT_TRUE(CopyDirectory(dir / "out\\g", src.root, msg, true));
  EXPECT_TRUE(EndsWith(MessageText(msg), "は既に存在します")) << MessageText(msg);
  EXPECT_NE(MessageText(msg).find("Data\\"), std::string::npos) << MessageText(msg);
  EXPECT_EQ(ReadFile(dir / "out\\g\\Data\\plain.txt"), "changed");

  // Deep trees are deleted as well.
  EXPECT_FALSE(DeleteDirectory(dir / "out", msg)) << MessageText(msg);
  EXPECT_FALSE(Exists(dir / "out"));
  EXPECT_FALSE(DeleteDirectory(dir / "src", msg)) << MessageText(msg);
  EXPECT_FALSE(Exists(dir / "src"));
}

TEST(CopyDirectory, ToAnExactTargetLeavingOutOneEntry) {
  TempDir dir;
  WriteFile(dir / "home\\doc.txt", "doc");
  WriteFile(dir / "home\\save\\03.07.15.14.05.09\\old.txt", "old");
  MessageBuffer msg{};
  // The save folder lies inside the copied folder and is left out; the
  // target itself lies inside the save folder.
  const std::string target = dir / "home\\save\\03.07.16.00.00.00\\home";
  EXPECT_FALSE(CopyDirectoryTo(target, dir / "home", msg, dir / "HOME\\Save\\")) << MessageText(msg);
  EXPECT_EQ(ReadFile(target + "\\doc.txt"), "doc");
  EXPECT_FALSE(Exists(target + "\\save"));
  // The target must be new.
  EXPECT_TRUE(CopyDirectoryTo(target, dir / "home", msg, dir / "home\\save"));
  EXPECT_TRUE(EndsWith(MessageText(msg), "は既に存在します")) << MessageText(msg);

  // A copy into a folder inside its own source does not copy itself: the
  // folder that holds the copy is copied without it.
  EXPECT_FALSE(CopyDirectory(dir / "home\\inner", dir / "home", msg)) << MessageText(msg);
  EXPECT_EQ(ReadFile(dir / "home\\inner\\home\\doc.txt"), "doc");
  EXPECT_TRUE(IsFolder(dir / "home\\inner\\home\\inner"));
  EXPECT_FALSE(Exists(dir / "home\\inner\\home\\inner\\home"));
  // Nor into the place it comes from.
  EXPECT_TRUE(CopyDirectory(dir.path(), dir / "home", msg));
  EXPECT_EQ(MessageText(msg), dir / "home" + "はコピー元と同じ場所です");

  EXPECT_TRUE(CopyDirectory(dir / "out", dir / "missing", msg));
  EXPECT_EQ(MessageText(msg), dir / "missing" + "はフォルダではありません（" +
                                  ErrorString(ERROR_FILE_NOT_FOUND) + "）");
}

TEST(DeleteDirectory, RemovesProtectedEntriesAndRefusesFiles) {
  TempDir dir;
  WriteFile(dir / "d\\ro.txt", "x");
  SetFileAttributesA((dir / "d\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  WriteFile(dir / "d\\sub\\hs.txt", "x");
  SetFileAttributesA((dir / "d\\sub\\hs.txt").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  SetFileAttributesA((dir / "d\\sub").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  MessageBuffer msg{};
  EXPECT_FALSE(DeleteDirectory(dir / "d", msg)) << MessageText(msg);
  EXPECT_FALSE(Exists(dir / "d"));

  WriteFile(dir / "file.txt", "x");
  EXPECT_TRUE(DeleteDirectory(dir / "file.txt", msg));
  EXPECT_EQ(MessageText(msg), dir / "file.txt" + "はフォルダではありません");
  EXPECT_TRUE(Exists(dir / "file.txt"));
}

TEST(ClearDirectory, EmptiesTheFolderAndReportsALockedFile) {
  TempDir dir;
  const std::string folder = dir / "save";
  WriteFile(folder + "\\ro.txt", "x");
  SetFileAttributesA((folder + "\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  WriteFile(folder + "\\gen\\h.txt", "x");
  SetFileAttributesA((folder + "\\gen\\h.txt").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
  WriteDeep(folder + "\\" + DeepChain() + "\\f.txt", "x");
  MessageBuffer msg{};
  EXPECT_TRUE(FileInDirectory(folder));
  EXPECT_FALSE(ClearDirectory(folder, msg)) << MessageText(msg);
  EXPECT_TRUE(IsFolder(folder));
  EXPECT_FALSE(FileInDirectory(folder));

  WriteFile(folder + "\\locked.txt", "x");
  SetFileAttributesA((folder + "\\locked.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  {
    LockedFile lock(folder + "\\locked.txt");
    ASSERT_TRUE(lock.ok());
    EXPECT_TRUE(ClearDirectory(folder, msg));
  }
  const std::string text = MessageText(msg);
  EXPECT_EQ(text.rfind(folder + "\\locked.txt" + "を削除できませんでした（", 0), 0u) << text;
  EXPECT_EQ(ReadFile(folder + "\\locked.txt"), "x");
  // The file keeps its read-only attribute when it could not be deleted.
  EXPECT_TRUE(Has(Attributes(folder + "\\locked.txt"), FILE_ATTRIBUTE_READONLY));
}

TEST(MoveFiles, IntoAFolderInsideTheSource) {
  TempDir dir;
  const std::string save = dir / "save";
  WriteFile(save + "\\a.txt", "a");
  WriteFile(save + "\\Data\\b.txt", "b");
  MakeDirs(save + "\\03.07.16.00.00.00");
  MessageBuffer msg{};
  EXPECT_FALSE(MoveFiles(save, save + "\\03.07.16.00.00.00", msg)) << MessageText(msg);
  EXPECT_EQ(ReadFile(save + "\\03.07.16.00.00.00\\a.txt"), "a");
  EXPECT_EQ(ReadFile(save + "\\03.07.16.00.00.00\\Data\\b.txt"), "b");
  EXPECT_FALSE(Exists(save + "\\a.txt"));
  EXPECT_FALSE(Exists(save + "\\Data"));

  // A destination further down, and missing: the folders on the way stay,
  // their other contents move.
  WriteFile(save + "\\x\\other.txt", "o");
  EXPECT_FALSE(MoveFiles(save, save + "\\x\\new", msg)) << MessageText(msg);
  EXPECT_EQ(ReadFile(save + "\\x\\new\\03.07.16.00.00.00\\a.txt"), "a");
  EXPECT_EQ(ReadFile(save + "\\x\\new\\x\\other.txt"), "o");
  EXPECT_FALSE(Exists(save + "\\x\\other.txt"));
  EXPECT_TRUE(IsFolder(save + "\\x\\new"));

  // A name taken in the destination stops the move without overwriting.
  WriteFile(dir / "from\\a.txt", "new");
  WriteFile(dir / "to\\a.txt", "old");
  EXPECT_TRUE(MoveFiles(dir / "from", dir / "to", msg));
  EXPECT_EQ(MessageText(msg), dir / "to\\a.txt" + "は既に存在します");
  EXPECT_EQ(ReadFile(dir / "to\\a.txt"), "old");
  EXPECT_EQ(ReadFile(dir / "from\\a.txt"), "new");
}

TEST(FreeNames, CheckFileAndSkipPathNum) {
  TempDir dir;
  EXPECT_TRUE(CheckFile(dir / "x.txt"));
  EXPECT_EQ(SkipPathNum(dir / "x.txt"), dir / "x.txt");
  WriteFile(dir / "x.txt", "1");
  EXPECT_FALSE(CheckFile(dir / "x.txt"));
  EXPECT_EQ(SkipPathNum(dir / "x.txt"), dir / "x(2).txt");
  WriteFile(dir / "x(2).txt", "2");
  EXPECT_EQ(SkipPathNum(dir / "x.txt"), dir / "x(3).txt");
  MakeDirs(dir / "03.07.15");
  EXPECT_FALSE(CheckFile(dir / "03.07.15"));
  EXPECT_EQ(SkipPathNum(dir / "03.07.15"), dir / "03.07.15(2)");
  WriteFile(dir / "表示.txt", "");
  EXPECT_EQ(SkipPathNum(dir / "表示.txt"), dir / "表示(2).txt");
  EXPECT_FALSE(FileInDirectory(dir / "03.07.15"));
  EXPECT_FALSE(FileInDirectory(dir / "missing"));
}

TEST(MessageBuffer, ALongPathNeverOverflows) {
  TempDir dir;
  // A 300-byte path of double-byte characters.
  std::string name;
  while (name.size() < 300) name += "表示";
  const std::string path = dir / name;
  struct Guarded {
    MessageBuffer msg;
    char canary[16];
  } g{};
  std::fill(std::begin(g.canary), std::end(g.canary), '#');
  EXPECT_TRUE(DeleteDirectory(path, g.msg));
  std::string text = MessageText(g.msg);
  EXPECT_LT(text.size(), kMessageBufferSize);
  EXPECT_EQ(text.rfind("...", 0), 0u) << text;
  // The shortened path starts at a whole character.
  EXPECT_TRUE(text.substr(3, 2) == "表" || text.substr(3, 2) == "示") << text;
  EXPECT_TRUE(EndsWith(text, "表示はフォルダではありません")) << text;
  EXPECT_EQ(std::string(g.canary, sizeof g.canary), std::string(16, '#'));
}

TEST(ErrorText, SystemTextWithoutLineEndOrPeriod) {
  for (DWORD code : {DWORD{ERROR_ACCESS_DENIED}, DWORD{ERROR_SHARING_VIOLATION}, DWORD{ERROR_FILE_NOT_FOUND}, DWORD{0xE000FFFFu}}) {
    std::string text = ErrorString(code);
    ASSERT_FALSE(text.empty());
    EXPECT_FALSE(EndsWith(text, "\n") || EndsWith(text, "\r") || EndsWith(text, ".") || EndsWith(text, "。"))
        << code << ": " << text;
  }
  EXPECT_EQ(ErrorString(0xE000FFFFu), "エラー 3758161919");
  SetLastError(ERROR_ACCESS_DENIED);
  EXPECT_EQ(GetLastErrorString(), ErrorString(ERROR_ACCESS_DENIED));
}

TEST(WidePath, ExtendedFormsOfDriveUncAndRelativePaths) {
  EXPECT_EQ(ExtendedPath("C:\\a\\..\\b\\"), L"\\\\?\\C:\\b\\");
  EXPECT_EQ(ExtendedPath("C:/a/b"), L"\\\\?\\C:\\a\\b");
  EXPECT_EQ(ExtendedPath("\\\\srv\\share\\x"), L"\\\\?\\UNC\\srv\\share\\x");
  EXPECT_EQ(DisplayPath(L"\\\\?\\UNC\\srv\\share\\x"), "\\\\srv\\share\\x");
  EXPECT_EQ(ExtendedPath("C:\\表示"), L"\\\\?\\C:\\\u8868\u793a");
  EXPECT_EQ(DisplayPath(ExtendedPath("C:\\表示")), "C:\\表示");
  TempDir dir;
  CurrentDirectory cd(dir.path());
  EXPECT_EQ(DisplayPath(ExtendedPath("History.dat")), dir / "History.dat");
  EXPECT_EQ(ExtendedPath(""), L"");
}
