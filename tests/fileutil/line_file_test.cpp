#include "fileutil/line_file.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "win_temp_dir.h"

using zelk::fileutil::COutFile;
using namespace zelk::testing;

namespace {

const std::string kWriteFailed = "の書き込みに失敗しました";

bool StartsWith(const std::string& s, const std::string& prefix) { return s.rfind(prefix, 0) == 0; }

}  // namespace

TEST(LineFile, MissingFileIsEmptyAndChangesWriteCrlf) {
  TempDir dir;
  const std::string path = dir / "History.dat";
  {
    COutFile file(path);
    EXPECT_EQ(file.GetErrorMsg(), "");
    EXPECT_EQ(file.GetLineCount(), 0);
    EXPECT_EQ(file.GetFilePath(), path);
    EXPECT_FALSE(Exists(path));
    EXPECT_FALSE(file.AddLine("C:\\save\\03.07.15.14.05.09"));
    EXPECT_FALSE(file.AddLine(""));
    EXPECT_FALSE(file.AddLine("third"));
    EXPECT_EQ(ReadFile(path), "C:\\save\\03.07.15.14.05.09\r\n\r\nthird\r\n");
    EXPECT_FALSE(file.DeleteLine(1, 1));
    EXPECT_EQ(ReadFile(path), "\r\nthird\r\n");
    EXPECT_EQ(file.ReadLineEx(1, 2), "third");
    EXPECT_EQ(file.ReadLineEx(1, 3), "");
    EXPECT_EQ(file.GetErrorMsg(), "");
  }
  COutFile again(path);
  EXPECT_EQ(again.GetLineCount(), 2);
  EXPECT_FALSE(again.Clear());
  EXPECT_TRUE(Exists(path));
  EXPECT_EQ(ReadFile(path), "");
  EXPECT_EQ(again.GetLineCount(), 0);
  // Nothing to delete in an empty file.
  EXPECT_TRUE(again.DeleteLine(1, 1));
  EXPECT_NE(again.GetErrorMsg(), "");
  EXPECT_FALSE(Exists(path + ".zelk-new"));
}

TEST(LineFile, ReadsLfCrlfMissingFinalLineEndAndLongLines) {
  TempDir dir;
  const std::string path = dir / "FileList.dat";
  const std::string longLine(300000, 'x');
  WriteFile(path, "3;C:\\a;first;\r\nlf line\n\r\n" + longLine + "\r\nlast without end");
  COutFile file(path);
  EXPECT_EQ(file.GetErrorMsg(), "");
  ASSERT_EQ(file.GetLineCount(), 5);
  EXPECT_EQ(file.ReadLineEx(1, 1), "3;C:\\a;first;");
  EXPECT_EQ(file.ReadLineEx(1, 2), "lf line");
  EXPECT_EQ(file.ReadLineEx(1, 3), "");
  EXPECT_EQ(file.ReadLineEx(1, 4), longLine);
  EXPECT_EQ(file.ReadLineEx(1, 5), "last without end");
  // A change writes every line back with CRLF.
  EXPECT_FALSE(file.DeleteLine(1, 1));
  EXPECT_EQ(ReadFile(path), "lf line\r\n\r\n" + longLine + "\r\nlast without end\r\n");
}

TEST(LineFile, KeepsShiftJisBytesAndJapaneseFileNames) {
  TempDir dir;
  const std::string path = dir / "表示テスト.txt";
  const std::string line = "3;C:\\表示\\ソフト;コメント;";
  {
    COutFile file(path);
    EXPECT_FALSE(file.AddLine(line));
  }
  EXPECT_EQ(ReadFile(path), line + "\r\n");
  COutFile again(path);
  ASSERT_EQ(again.GetLineCount(), 1);
  EXPECT_EQ(again.ReadLineEx(1, 1), line);
}

TEST(LineFile, LoadsAHundredThousandLines) {
  TempDir dir;
  const std::string path = dir / "big.dat";
  std::string bytes;
  for (int i = 0; i < 100000; ++i) bytes += "2;C:\\data\\file" + std::to_string(i) + ".txt;;\r\n";
  WriteFile(path, bytes);
  COutFile file(path);
  ASSERT_EQ(file.GetLineCount(), 100000);
  EXPECT_EQ(file.ReadLineEx(1, 100000), "2;C:\\data\\file99999.txt;;");
  EXPECT_FALSE(file.DeleteLine(1, 1));
  EXPECT_EQ(ReadFile(path), bytes.substr(bytes.find('\n') + 1));
}

TEST(LineFileCrash, LeftoverTempFileIsNotContentAndIsReplaced) {
  TempDir dir;
  const std::string path = dir / "History.dat";
  WriteFile(path, "old1\r\nold2\r\n");
  // A write that died before its replace left a half-written temporary file,
  // read-only even.
  WriteFile(path + ".zelk-new", "torn\r\nhalf");
  SetFileAttributesA((path + ".zelk-new").c_str(), FILE_ATTRIBUTE_READONLY);
  COutFile file(path);
  EXPECT_EQ(file.GetErrorMsg(), "");
  ASSERT_EQ(file.GetLineCount(), 2);
  EXPECT_EQ(file.ReadLineEx(1, 2), "old2");
  EXPECT_FALSE(file.AddLine("new"));
  EXPECT_EQ(ReadFile(path), "old1\r\nold2\r\nnew\r\n");
  EXPECT_FALSE(Exists(path + ".zelk-new"));
}

TEST(LineFileCrash, FailedReplaceKeepsFileAndLines) {
  TempDir dir;
  const std::string path = dir / "History.dat";
  WriteFile(path, "a\r\nb\r\n");
  COutFile file(path);
  ASSERT_EQ(file.GetLineCount(), 2);

  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(file.AddLine("c"));
  EXPECT_TRUE(StartsWith(file.GetErrorMsg(), path + kWriteFailed)) << file.GetErrorMsg();
  EXPECT_TRUE(file.DeleteLine(1, 1));
  EXPECT_TRUE(file.Clear());
  EXPECT_EQ(ReadFile(path), "a\r\nb\r\n");
  EXPECT_EQ(file.GetLineCount(), 2);
  EXPECT_EQ(file.ReadLineEx(1, 1), "a");
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);

  {
    LockedFile lock(path);
    ASSERT_TRUE(lock.ok());
    EXPECT_TRUE(file.DeleteLine(1, 1));
    EXPECT_TRUE(StartsWith(file.GetErrorMsg(), path + kWriteFailed)) << file.GetErrorMsg();
    EXPECT_EQ(file.GetLineCount(), 2);
  }
  EXPECT_EQ(ReadFile(path), "a\r\nb\r\n");
  EXPECT_FALSE(Exists(path + ".zelk-new"));

  // Once the file is free again, changes work and clear the error.
  EXPECT_FALSE(file.DeleteLine(1, 1));
  EXPECT_EQ(file.GetErrorMsg(), "");
  EXPECT_EQ(ReadFile(path), "b\r\n");
}

TEST(LineFileCrash, UnreadableFileIsNeverOverwritten) {
  TempDir dir;
  const std::string path = dir / "FileList.dat";
  WriteFile(path, "keep me\r\n");
  {
    std::optional<LockedFile> lock(std::in_place, path);
    ASSERT_TRUE(lock->ok());
    COutFile file(path);
    EXPECT_NE(file.GetErrorMsg(), "");
    EXPECT_EQ(file.GetLineCount(), 0);
    // Even after the lock is gone, a file that was not read is not replaced
    // by the empty content in memory.
    lock.reset();
    EXPECT_TRUE(file.AddLine("x"));
    EXPECT_TRUE(file.Clear());
    EXPECT_NE(file.GetErrorMsg(), "");
  }
  EXPECT_EQ(ReadFile(path), "keep me\r\n");

  // A folder in the file's place is reported, not read as empty.
  MakeDirs(dir / "folder.dat");
  COutFile folder(dir / "folder.dat");
  EXPECT_NE(folder.GetErrorMsg(), "");
  EXPECT_TRUE(folder.AddLine("x"));
  EXPECT_TRUE(IsFolder(dir / "folder.dat"));
}
