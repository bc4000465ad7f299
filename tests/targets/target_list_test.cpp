#include "targets/target_list.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "fileutil/wide_path.h"
#include "win_temp_dir.h"

namespace zelk::targets {
namespace {

using zelk::testing::CurrentDirectory;
using zelk::testing::LockedFile;
using zelk::testing::MakeDirs;
using zelk::testing::ReadFile;
using zelk::testing::TempDir;
using zelk::testing::WriteFile;

const std::string kNoPath = "ファイルパスがセットされていません";

std::string Order(const CTargetList& list) {
  std::string order;
  for (const TargetRow& row : list.Rows().rows()) order += row.entry.path + "|";
  return order;
}

TEST(TargetListFile, EmptyListFilePathFailsBothWays) {
  CTargetList list;
  EXPECT_TRUE(list.LoadList());
  EXPECT_EQ(list.GetLastErrorText(), kNoPath);
  EXPECT_TRUE(list.SaveList());
  EXPECT_EQ(list.GetLastErrorText(), kNoPath);
}

TEST(TargetListFile, MissingFileGivesNoRowsAndLeavesLastErrorAlone) {
  TempDir dir;
  CurrentDirectory cwd(dir.path());
  CTargetList list;
  list.SaveList();  // leaves a last-error text to see whether it survives
  list.SetListFilePath("FileList.dat");
  EXPECT_FALSE(list.LoadList());
  EXPECT_TRUE(list.Rows().empty());
  EXPECT_EQ(list.GetLastErrorText(), kNoPath);
}

TEST(TargetListFile, SaveAndLoadRoundTripInTheCurrentDirectory) {
  TempDir dir;
  CurrentDirectory cwd(dir.path());
  CTargetList list;
  list.SetListFilePath("FileList.dat");
  // 表示 and ソフト have 0x5C trail bytes.
  list.Rows().Append({"D:\\Data", "", ActiveFolder});
  list.Rows().Append({"C:\\memo.txt", "old", PausedFile});
  list.Rows().Append({"C:\\表示\\ソフト", "日本語のコメント", PausedFolder});
  list.Rows().Append({"D:\\Data", "二つ目", ActiveFile});
  list.Rows().Append({"C:\\x", "y", 7});
  EXPECT_FALSE(list.SaveList());
  EXPECT_EQ(list.GetLastErrorText(), "");
  EXPECT_EQ(ReadFile(dir / "FileList.dat"),
            "3;D:\\Data;;\r\n0;C:\\memo.txt;old;\r\n1;C:\\表示\\ソフト;日本語のコメント;\r\n"
            "2;D:\\Data;二つ目;\r\n7;C:\\x;y;\r\n");
  // Mark 7 is none the list knows: it comes back paused.

  CTargetList loaded;
  loaded.SetListFilePath("FileList.dat");
  EXPECT_FALSE(loaded.LoadList());
  EXPECT_EQ(loaded.Rows().Entries().size(), 5u);
  for (std::size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(loaded.Rows()[i].entry.path, list.Rows()[i].entry.path);
    EXPECT_EQ(loaded.Rows()[i].entry.comment, list.Rows()[i].entry.comment);
    EXPECT_EQ(loaded.Rows()[i].entry.mark, i < 4 ? list.Rows()[i].entry.mark : PausedFile);
  }

  // A second load appends after the rows already there.
  EXPECT_FALSE(loaded.LoadList());
  EXPECT_EQ(loaded.Rows().size(), 10u);
  EXPECT_EQ(loaded.Rows()[5].entry.path, "D:\\Data");
}

TEST(TargetListFile, EmptyListSavesAnEmptyFileThatLoadsAsNoRows) {
  TempDir dir;
  WriteFile(dir / "FileList.dat", "3;C:\\old;;\r\n");
  CTargetList list;
  list.SetListFilePath(dir / "FileList.dat");
  EXPECT_FALSE(list.SaveList());
  EXPECT_EQ(ReadFile(dir / "FileList.dat"), "");
  EXPECT_FALSE(list.LoadList());
  EXPECT_TRUE(list.Rows().empty());
  EXPECT_EQ(list.GetLastErrorText(), "");
}

TEST(TargetListFile, SaveThatCannotClearTheFileFails) {
  TempDir dir;
  const std::string file = dir / "FileList.dat";
  WriteFile(file, "3;C:\\old;;\r\n");
  ASSERT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY));
  CTargetList list;
  list.SetListFilePath(file);
  list.Rows().Append({"C:\\new", "", ActiveFolder});
  EXPECT_TRUE(list.SaveList());
  // The fixed sentence, and the system's reason beside it.
  EXPECT_EQ(list.GetLastErrorText(), "ファイルリストの初期化に失敗しました");
  EXPECT_NE(list.GetLastSaveReason().find("FileList.dat"), std::string::npos) << list.GetLastSaveReason();
  EXPECT_EQ(ReadFile(file), "3;C:\\old;;\r\n");
  SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(TargetListFile, ASaveThatFailsMidwayLeavesTheOldListWhole) {
  TempDir dir;
  const std::string file = dir / "FileList.dat";
  WriteFile(file, "3;C:\\old;;\r\n2;C:\\old2;c;\r\n");
  // Another program holds the file open without sharing: the save cannot
  // replace it and must not have emptied it first.
  HANDLE h = CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  CTargetList list;
  list.SetListFilePath(file);
  for (int i = 0; i < 3000; ++i) list.Rows().Append({"C:\\f" + std::to_string(i), "", ActiveFile});
  EXPECT_TRUE(list.SaveList());
  CloseHandle(h);
  EXPECT_EQ(ReadFile(file), "3;C:\\old;;\r\n2;C:\\old2;c;\r\n");
  EXPECT_FALSE(list.SaveList());
  CTargetList back;
  back.SetListFilePath(file);
  ASSERT_FALSE(back.LoadList());
  EXPECT_EQ(back.Rows().size(), 3000u);
}

TEST(TargetListFile, HandEditedLinesKeepWhatCanBeRead) {
  TempDir dir;
  const std::string longPath = "C:\\" + std::string(300, 'L');
  WriteFile(dir / "FileList.dat",
            "2;C:\\x;a;b;\r\n"           // comment cut at its ';'
            "abc;C:\\x;;\r\n"            // no digits: mark 0
            "\r\n"                       // blank lines are skipped
            "   \n"
            "3;C:\\short\r\n"            // missing comment
            "C:\\nosep\r\n"              // no ';': no path, not listed
            "2;;no path;\r\n"            // an empty path is not listed
            "3; \t;blank path;\r\n"      // nor is a path of blanks
            "2147483648;C:\\big;;\n"     // saturates
            "-5;C:\\neg;;\n"
            "2;" + longPath + ";long;\n"  // kept as read
            "3;C:\\bin\x01\xff\x81;z;\n"
            "2;C:\\last;no line end;");
  CTargetList list;
  list.SetListFilePath(dir / "FileList.dat");
  EXPECT_FALSE(list.LoadList());
  const auto& rows = list.Rows();
  ASSERT_EQ(rows.size(), 8u);
  EXPECT_EQ(rows[0].entry.comment, "a");
  EXPECT_EQ(rows[1].entry.mark, PausedFile);  // no number, and no folder there
  EXPECT_EQ(rows[1].entry.path, "C:\\x");
  EXPECT_EQ(rows[2].entry.mark, 3);
  EXPECT_EQ(rows[2].entry.path, "C:\\short");
  EXPECT_EQ(rows[2].entry.comment, "");
  EXPECT_EQ(rows[3].entry.mark, PausedFile);  // outside 0..3: paused
  EXPECT_EQ(rows[4].entry.mark, PausedFile);
  EXPECT_EQ(rows[5].entry.path, longPath);
  EXPECT_EQ(rows[6].entry.path, "C:\\bin\x01\xff\x81;z");  // 0x81 takes the ';'
  EXPECT_EQ(rows[7].entry.comment, "no line end");
  for (const auto& row : rows.rows()) EXPECT_FALSE(row.entry.path.empty());
}

TEST(TargetListFile, AListFileHeldOpenAtTheLoadIsReportedAndNeverOverwritten) {
  TempDir dir;
  CurrentDirectory cwd(dir.path());
  const std::string old = "3;C:\\Data;daily;\r\n0;C:\\memo.txt;old;\r\n";
  WriteFile(dir / "FileList.dat", old);
  CTargetList list;
  list.SetListFilePath("FileList.dat");
  {
    LockedFile held(dir / "FileList.dat");
    ASSERT_TRUE(held.ok());
    EXPECT_TRUE(list.LoadList());
  }
  // The box names the file and the system's reason.
  EXPECT_EQ(list.GetLastErrorText().rfind("FileList.datを開けませんでした（", 0), 0u) << list.GetLastErrorText();
  EXPECT_TRUE(list.Rows().empty());
  // Released before the exit: the save still refuses, the old bytes stay.
  list.Rows().Append({"C:\\new", "", ActiveFolder});
  EXPECT_TRUE(list.SaveList());
  EXPECT_EQ(list.GetLastErrorText(),
            "FileList.datは起動時に読み込めなかったため、上書きしませんでした。起動後のリストの変更は保存されていません。");
  EXPECT_EQ(ReadFile(dir / "FileList.dat"), old);
}

TEST(TargetListFile, HundredThousandLinesAllLoad) {
  TempDir dir;
  std::string content;
  for (int i = 0; i < 100000; ++i) content += std::to_string(i % 4) + ";C:\\d\\" + std::to_string(i) + ";c;\r\n";
  WriteFile(dir / "FileList.dat", content);
  CTargetList list;
  list.SetListFilePath(dir / "FileList.dat");
  EXPECT_FALSE(list.LoadList());
  ASSERT_EQ(list.Rows().size(), 100000u);
  EXPECT_EQ(list.Rows()[99999].entry.path, "C:\\d\\99999");
  EXPECT_EQ(list.Rows()[99999].entry.mark, 3);
}

class TargetListDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeDirs(dir / "folder");
    MakeDirs(dir / "hidden");
    WriteFile(dir / "file.txt", "x");
    WriteFile(dir / "表示.txt", "x");
    SetFileAttributesA((dir / "hidden").c_str(),
                       FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY |
                           FILE_ATTRIBUTE_ARCHIVE);
  }
  void TearDown() override { SetFileAttributesA((dir / "hidden").c_str(), FILE_ATTRIBUTE_NORMAL); }

  TempDir dir;
  CTargetList list;
};

TEST_F(TargetListDisk, DropAddsActiveFilesAndFoldersWithAnyAttributes) {
  list.SaveList();  // last-error text that a drop must leave alone
  list.AddDroppedPaths({dir / "folder", dir / "file.txt", dir / "hidden", dir / "表示.txt"});
  ASSERT_EQ(list.Rows().size(), 4u);
  EXPECT_EQ(list.Rows()[0].entry.mark, ActiveFolder);
  EXPECT_EQ(list.Rows()[1].entry.mark, ActiveFile);
  EXPECT_EQ(list.Rows()[2].entry.mark, ActiveFolder);
  EXPECT_EQ(list.Rows()[3].entry.mark, ActiveFile);
  EXPECT_EQ(list.Rows()[3].entry.path, dir / "表示.txt");
  EXPECT_EQ(list.Rows()[0].entry.comment, "");
  EXPECT_EQ(list.GetLastErrorText(), kNoPath);
}

TEST_F(TargetListDisk, DropStopsAtThePathWithoutStatusAndSaysWhy) {
  const std::string tooLong = dir / std::string(300 - dir.path().size(), 'a');
  const struct {
    std::vector<std::string> dropped;
    std::string added;
    std::optional<std::string> said;
  } cases[] = {
      {{dir / "file.txt", dir / "folder"}, dir / "file.txt|" + dir / "folder|", std::nullopt},
      {{dir / "file.txt", dir / "gone", dir / "folder"}, dir / "file.txt|", "アイテムの追加に失敗しました"},
      {{dir / "folder", "C:\\", dir / "file.txt"}, dir / "folder|",
       "ドライブのルートはバックアップ対象にできません。\nドライブ内のフォルダを選んでください。"},
      {{tooLong, dir / "file.txt"}, "",
       tooLong + "\nパスが長すぎる(259バイトを超える)ため、バックアップ対象にできません。\n"
                 "もっと短いパスのフォルダを選んでください。"},
      {{dir / "*.txt"}, "", "アイテムの追加に失敗しました"},
  };
  for (const auto& c : cases) {
    list.Rows().DeleteAll();
    EXPECT_EQ(list.AddDroppedPaths(c.dropped), c.said) << c.dropped[0];
    EXPECT_EQ(Order(list), c.added);
  }
}

TEST_F(TargetListDisk, MarksTheListCannotTellLoadPausedWithTheirKindFromTheDisk) {
  const std::string file = dir / "FileList.dat";
  WriteFile(file, "7;" + (dir / "folder") + ";a;\r\nabc;" + (dir / "file.txt") + ";b;\r\n-1;" + (dir / "folder") +
                      ";;\r\n2x;" + (dir / "gone") + ";;\r\n");
  list.SetListFilePath(file);
  ASSERT_FALSE(list.LoadList());
  ASSERT_FALSE(list.SaveList());
  EXPECT_EQ(ReadFile(file), "1;" + (dir / "folder") + ";a;\r\n0;" + (dir / "file.txt") + ";b;\r\n1;" +
                                (dir / "folder") + ";;\r\n2;" + (dir / "gone") + ";;\r\n");
}

TEST_F(TargetListDisk, TargetsLongerThanTheAnsiLimitAreFound) {
  // 300 bytes, made through the extended-length form as the copy reads it.
  const std::string longFolder = dir / std::string(150, 'd') + "\\" + std::string(300 - dir.path().size() - 152, 'e');
  ASSERT_EQ(longFolder.size(), 300u);
  MakeDirs(dir / std::string(150, 'd'));
  ASSERT_TRUE(CreateDirectoryW(fileutil::ExtendedPath(longFolder).c_str(), nullptr));
  list.Rows().Append({longFolder, "", ActiveFolder});
  list.Rows().Append({longFolder + "x", "", ActiveFolder});
  EXPECT_TRUE(list.VerifyTargets(false));
  EXPECT_EQ(list.GetLastErrorText(), longFolder + "x") << "only the one that is not there";
  EXPECT_FALSE(list.VerifyTargets(true));
  EXPECT_EQ(Order(list), longFolder + "|");
}

TEST_F(TargetListDisk, VerifyReportsTheFirstMissingActivePath) {
  list.Rows().Append({dir / "gone-paused", "", PausedFolder});
  list.Rows().Append({dir / "folder", "", ActiveFolder});
  list.Rows().Append({dir / "gone-odd", "", 7});
  list.Rows().Append({dir / "gone1", "", ActiveFile});
  list.Rows().Append({dir / "gone2", "", ActiveFolder});
  EXPECT_TRUE(list.VerifyTargets(false));
  EXPECT_EQ(list.GetLastErrorText(), dir / "gone1");
  EXPECT_EQ(list.Rows().size(), 5u);
  for (const TargetRow& row : list.Rows().rows()) EXPECT_EQ(row.itemData, row.entry.mark);
}

TEST_F(TargetListDisk, VerifyRemovesConsecutiveMissingRowsOnly) {
  list.Rows().Append({dir / "file.txt", "", ActiveFile});
  list.Rows().Append({dir / "gone1", "", ActiveFile});
  list.Rows().Append({dir / "gone2", "", ActiveFolder});
  list.Rows().Append({"C:\\", "", ActiveFolder});
  list.Rows().Append({dir / "gone-paused", "", PausedFile});
  list.Rows().Append({dir / "hidden", "", ActiveFolder});
  list.Rows().Append({"C:\\" + std::string(300, 'a'), "", ActiveFile});
  list.SaveList();
  EXPECT_FALSE(list.VerifyTargets(true));
  EXPECT_EQ(list.GetLastErrorText(), "");
  EXPECT_EQ(Order(list), dir / "file.txt|" + dir / "gone-paused|" + dir / "hidden|");
  EXPECT_FALSE(list.VerifyTargets(false));
}

TEST_F(TargetListDisk, DriveRootCountsAsMissing) {
  list.Rows().Append({"C:\\", "", ActiveFolder});
  EXPECT_TRUE(list.VerifyTargets(false));
  EXPECT_EQ(list.GetLastErrorText(), "C:\\");
}

TEST_F(TargetListDisk, SnapshotIsTakenAfterSyncMarks) {
  list.Rows().Append({dir / "folder", "c", ActiveFolder});
  list.Rows().Append({dir / "file.txt", "", PausedFile});
  list.Rows().SetItemData(0, 99);
  std::vector<TargetEntry> snapshot = list.SnapshotForBackup();
  ASSERT_EQ(snapshot.size(), 2u);
  EXPECT_EQ(snapshot[0].path, dir / "folder");
  EXPECT_EQ(snapshot[0].mark, ActiveFolder);
  EXPECT_EQ(snapshot[1].mark, PausedFile);
  EXPECT_EQ(list.Rows()[0].itemData, ActiveFolder);
}

}  // namespace
}  // namespace zelk::targets
