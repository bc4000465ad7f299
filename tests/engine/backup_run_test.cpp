#include "engine_fixture.h"
#include "fileutil/directory_ops.h"

using namespace zelk::testing;
using zelk::targets::ActiveFile;
using zelk::targets::ActiveFolder;
using zelk::targets::PausedFile;
using zelk::targets::PausedFolder;

namespace {

class BackupRun : public EngineTest {
 protected:
  void SetUp() override {
    WriteFile(Src("a\\x.txt"), "ax");
    WriteFile(Src("b\\x.txt"), "bx");
    WriteFile(Src("Data\\one.txt"), "1");
    WriteFile(Src("Data\\sub\\two.txt"), "22");
    MakeDirs(Src("Data\\empty"));
  }
  std::string Gen(int run, const std::string& rel = "") const {
    return rel.empty() ? Save(NameOfRun(run)) : Save(NameOfRun(run) + "\\" + rel);
  }
};

}  // namespace

TEST_F(BackupRun, KeepTwoGenerationsOverThreeRuns) {
  settings_.History = 1;
  settings_.HistoryNum = 2;
  AddTarget(Src("Data"), ActiveFolder);
  AddTarget(Src("a\\x.txt"), ActiveFile);
  for (int run = 0; run < 3; ++run) {
    ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
  }
  EXPECT_FALSE(Exists(Gen(0)));
  EXPECT_EQ(ReadFile(Gen(1, "Data\\sub\\two.txt")), "22");
  EXPECT_EQ(ReadFile(Gen(2, "Data\\one.txt")), "1");
  EXPECT_TRUE(IsFolder(Gen(2, "Data\\empty")));
  EXPECT_EQ(ReadFile(Gen(2, "x.txt")), "ax");
  EXPECT_EQ(HistoryLines(), (std::vector<std::string>{Gen(1), Gen(2)}));
  EXPECT_EQ(engine_.GetLastErrorText(), "");
  EXPECT_EQ(host_.enableCalls, (std::vector<bool>{false, true, false, true, false, true}));
}

TEST_F(BackupRun, KeepNoneEmptiesTheSaveFolderAndCopiesStraightIntoIt) {
  settings_.History = 0;
  WriteFile(Save("users-own.txt"), "gone");
  WriteHistory({Save("whatever")});
  AddTarget(Src("Data"), ActiveFolder);
  AddTarget(Src("a\\x.txt"), ActiveFile);
  ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
  EXPECT_FALSE(Exists(Save("users-own.txt")));
  EXPECT_EQ(ReadFile(Save("Data\\sub\\two.txt")), "22");
  EXPECT_EQ(ReadFile(Save("x.txt")), "ax");
  EXPECT_TRUE(HistoryLines().empty());
  ASSERT_FALSE(engine_.RunBackup());
  EXPECT_FALSE(Exists(Save("Data(2)"))) << "the second run starts from an empty folder";
}

TEST_F(BackupRun, SameNamesNeverOverwriteOrMerge) {
  settings_.History = 1;
  WriteFile(Src("c\\Data\\other.txt"), "o");
  AddTarget(Src("a\\x.txt"), ActiveFile);
  AddTarget(Src("b\\x.txt"), ActiveFile);
  AddTarget(Src("Data"), ActiveFolder);
  AddTarget(Src("c\\Data"), ActiveFolder);
  ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
  EXPECT_EQ(ReadFile(Gen(0, "x.txt")), "ax");
  EXPECT_EQ(ReadFile(Gen(0, "x(2).txt")), "bx");
  EXPECT_EQ(ReadFile(Gen(0, "Data\\one.txt")), "1");
  EXPECT_FALSE(Exists(Gen(0, "Data\\other.txt")));
  EXPECT_EQ(ReadFile(Gen(0, "Data(2)\\other.txt")), "o");
}

TEST_F(BackupRun, PausedTargetsAreNeitherCheckedNorCopied) {
  settings_.History = 1;
  AddTarget(Src("missing.txt"), PausedFile);
  AddTarget(Src("Data"), PausedFolder);
  AddTarget(Src("a\\x.txt"), ActiveFile);
  AddTarget(Src("b\\x.txt"), 7);  // a hand-edited mark is never backed up
  ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
  EXPECT_FALSE(Exists(Gen(0, "Data")));
  EXPECT_FALSE(Exists(Gen(0, "x(2).txt")));
  EXPECT_EQ(ReadFile(Gen(0, "x.txt")), "ax");
}

TEST_F(BackupRun, ASecondRunInTheSameSecondFails) {
  settings_.History = 1;
  engine_.SetClock([this] { return now_; });
  AddTarget(Src("a\\x.txt"), ActiveFile);
  ASSERT_FALSE(engine_.RunBackup());
  EXPECT_TRUE(engine_.RunBackup());
  EXPECT_EQ(engine_.GetLastErrorText(), Gen(0) + "の作成に失敗しました");
  EXPECT_EQ(HistoryLines().size(), 1u);
  EXPECT_EQ(host_.enableCalls.back(), true);
}

TEST_F(BackupRun, ATargetGoneMeanwhileIsLeftOutAndNamed) {
  settings_.History = 1;
  AddTarget(Src("a\\x.txt"), ActiveFile);
  AddTarget(Src("Data"), ActiveFolder);
  AddTarget(Src("deleted-meanwhile.txt"), ActiveFile);
  ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
  const auto& out = engine_.LastRunOutput();
  EXPECT_EQ(out.result, zelk::engine::RunResult::PartlyFailed);
  ASSERT_EQ(out.skipped.size(), 1u);
  EXPECT_EQ(out.skipped[0].path, Src("deleted-meanwhile.txt"));
  EXPECT_EQ(out.skipped[0].reason, zelk::fileutil::ErrorString(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(ReadFile(Gen(0, "x.txt")), "ax");
  EXPECT_EQ(ReadFile(Gen(0, "Data\\sub\\two.txt")), "22");
  EXPECT_EQ(HistoryLines(), std::vector<std::string>{Gen(0)});
  EXPECT_EQ(host_.enableCalls, (std::vector<bool>{false, true}));
}

TEST_F(BackupRun, AFolderWithALockedFileKeepsTheRestAndNamesIt) {
  settings_.History = 1;
  WriteFile(Src("Data\\locked.bin"), "L");
  HANDLE h = CreateFileA(Src("Data\\locked.bin").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  AddTarget(Src("Data"), ActiveFolder);
  engine_.SetRetryWait([](unsigned) {});
  EXPECT_FALSE(engine_.RunBackup());
  CloseHandle(h);
  ASSERT_EQ(engine_.LastRunOutput().skipped.size(), 1u);
  EXPECT_EQ(engine_.LastRunOutput().skipped[0].path, Src("Data\\locked.bin"));
  EXPECT_EQ(ReadFile(Gen(0, "Data\\one.txt")), "1");
}

TEST_F(BackupRun, ReadOnlyFilesAndProtectedSaveFolderAreFine) {
  settings_.History = 1;
  WriteFile(Src("Data\\ro.txt"), "ro");
  SetFileAttributesA(Src("Data\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  MakeDirs(Save());
  SetFileAttributesA(Save().c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  AddTarget(Src("Data"), ActiveFolder);
  ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
  EXPECT_EQ(ReadFile(Gen(0, "Data\\ro.txt")), "ro");
  EXPECT_TRUE(Attributes(Gen(0, "Data\\ro.txt")) & FILE_ATTRIBUTE_READONLY);
  SetFileAttributesA(Save().c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(BackupRun, SaveFolderThatCannotBeCreated) {
  settings_.History = 1;
  settings_.SavePath = dir_ / "no\\such\\parent\\save";
  AddTarget(Src("a\\x.txt"), ActiveFile);
  EXPECT_TRUE(engine_.RunBackup());
  EXPECT_EQ(engine_.GetLastErrorText(), "保存先フォルダの作成に失敗しました");
  EXPECT_FALSE(Exists(dir_ / "no"));
  EXPECT_FALSE(Exists(dir_ / "History.dat"));
}

TEST_F(BackupRun, AFolderHoldingTheSaveFolderIsCopiedWithoutIt) {
  settings_.History = 1;
  settings_.SavePath = Src("Data\\Backup");
  AddTarget(Src("Data"), ActiveFolder);
  ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
  ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
  const std::string gen = Src("Data\\Backup\\") + NameOfRun(1);
  EXPECT_EQ(ReadFile(gen + "\\Data\\one.txt"), "1");
  EXPECT_FALSE(Exists(gen + "\\Data\\Backup"));

  settings_.History = 0;  // keep-none: the save folder itself is the destination
  ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
  EXPECT_EQ(ReadFile(Src("Data\\Backup\\Data\\sub\\two.txt")), "22");
  EXPECT_FALSE(Exists(Src("Data\\Backup\\Data\\Backup")));
}

TEST_F(BackupRun, UnknownSaveFormatTouchesNothing) {
  settings_.History = 0;
  WriteFile(Save("keep.txt"), "k");
  WriteHistory({Save("keep.txt")});
  AddTarget(Src("a\\x.txt"), ActiveFile);
  for (int mode : {-1, 3, 99}) {
    settings_.DefMode = mode;
    EXPECT_TRUE(engine_.RunBackup());
    EXPECT_EQ(engine_.GetLastErrorText(), "保存形式の設定が正しくありません");
  }
  EXPECT_EQ(ReadFile(Save("keep.txt")), "k");
  EXPECT_EQ(HistoryLines(), std::vector<std::string>{Save("keep.txt")});
}

TEST_F(BackupRun, AnEmptyListGivesAnEmptyGeneration) {
  settings_.History = 1;
  ASSERT_FALSE(engine_.RunBackup());
  EXPECT_TRUE(IsFolder(Gen(0)));
  EXPECT_FALSE(FileInDirectory(Gen(0)));
}

TEST_F(BackupRun, ManyTargetsAndShiftJisNames) {
  settings_.History = 1;
  const std::string japanese = "\x95\x5c\x8e\xa6\x83\x65\x83\x58\x83\x67";  // 表示テスト
  WriteFile(Src(japanese + "\\" + japanese + ".txt"), "jp");
  AddTarget(Src(japanese), ActiveFolder);
  // 2,000 targets: 500 files, each listed four times.
  for (int i = 0; i < 500; ++i) WriteFile(Src("many\\f" + std::to_string(i)), std::to_string(i));
  for (int copy = 0; copy < 4; ++copy) {
    for (int i = 0; i < 500; ++i) AddTarget(Src("many\\f" + std::to_string(i)), ActiveFile);
  }
  ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
  EXPECT_EQ(ReadFile(Gen(0, japanese + "\\" + japanese + ".txt")), "jp");
  EXPECT_EQ(ReadFile(Gen(0, "f499")), "499");
  EXPECT_EQ(ReadFile(Gen(0, "f499(4)")), "499");
  EXPECT_FALSE(Exists(Gen(0, "f499(5)")));
}

TEST_F(BackupRun, ATreeOfTwentyThousandSmallFilesArrivesWhole) {
  settings_.History = 1;
  for (int folder = 0; folder < 100; ++folder) {
    for (int file = 0; file < 200; ++file) {
      WriteFile(Src("big\\d" + std::to_string(folder) + "\\f" + std::to_string(file)),
                std::to_string(folder * 1000 + file));
    }
  }
  AddTarget(Src("big"), ActiveFolder);
  ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
  int found = 0;
  for (int folder = 0; folder < 100; ++folder) {
    for (int file = 0; file < 200; ++file) {
      found += ReadFile(Gen(0, "big\\d" + std::to_string(folder) + "\\f" + std::to_string(file))) ==
               std::to_string(folder * 1000 + file);
    }
  }
  EXPECT_EQ(found, 20000);
}
