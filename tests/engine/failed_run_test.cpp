// Failed and interrupted runs never cost a good backup: the new generation
// takes its final name only when complete, older ones are pruned (or the
// previous copy replaced) only after that, and what an interrupted run left
// behind is finished or removed by the next one.
#include "engine/archiver_library.h"
#include "engine/run_record.h"
#include "fileutil/wide_path.h"
#include "engine_fixture.h"
#include "unix_tools.h"

using namespace zelk::testing;
using zelk::targets::ActiveFile;
using zelk::targets::ActiveFolder;

namespace {

class FailedRun : public EngineTest {
 protected:
  void SetUp() override {
    WriteFile(Src("Data\\one.txt"), "1");
    WriteFile(Src("Data\\held.txt"), "h");
    AddTarget(Src("Data"), ActiveFolder);
  }
  std::vector<std::string> SaveFolderEntries() const {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((Save() + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
      const std::string name = data.cFileName;
      if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
  }
};

}  // namespace

TEST_F(FailedRun, ArchiveRunsInTheSameSecondNeverShareAnArchive) {
  zelk::engine::SetArchiverFileName(1, "fake_zip_v25.dll");
  settings_.DefMode = 1;
  settings_.History = 1;
  engine_.SetClock([this] { return now_; });
  ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
  const std::string archive = Save(NameOfRun(0) + ".zip");
  const std::string first = ReadFile(archive);
  EXPECT_TRUE(engine_.RunBackup());
  EXPECT_EQ(engine_.GetLastErrorText(), archive + "の作成に失敗しました");
  EXPECT_EQ(ReadFile(archive), first);
  EXPECT_EQ(HistoryLines(), std::vector<std::string>{archive});
  EXPECT_EQ(SaveFolderEntries(), std::vector<std::string>{NameOfRun(0) + ".zip"});
  zelk::engine::SetArchiverFileName(1, "ZIP32J.DLL");
}

TEST_F(FailedRun, WhatAnInterruptedRunLeftIsFinishedOrRemoved) {
  // Each interrupted run left its record beside its entries; a record left
  // without any goes too.
  const auto recorded = [this](const char* run) {
    MakeDirs(Save());
    return zelk::engine::WriteRunRecord(zelk::fileutil::ToWide(Save()), run);
  };
  for (const char* run : {"1f-2a-0", "1f-2b-0", "1f-29-0"}) ASSERT_EQ(recorded(run), 0u);
  // Being written when the run stopped: removed. A user's file is not.
  WriteFile(Save("~ZelkStaging.1f-2a-0.03.07.06.10.00.00\\Data\\one.txt"), "half");
  WriteFile(Save("~ZelkStaging.1f-2b-0.03.07.06.10.00.01.zip"), "PK half");
  WriteFile(Save("~Zelk-notes.txt"), "mine");
  ASSERT_FALSE(engine_.RecoverSaveFolder()) << engine_.GetLastErrorText();
  EXPECT_EQ(SaveFolderEntries(), std::vector<std::string>{"~Zelk-notes.txt"});

  // Complete while the previous copy was being removed: the swap goes on.
  ASSERT_EQ(recorded("1f-2c-0"), 0u);
  WriteFile(Save("~ZelkReady.1f-2c-0.03.07.06.11.00.00\\Data\\one.txt"), "new");
  WriteHistory({});
  ASSERT_FALSE(engine_.RecoverSaveFolder()) << engine_.GetLastErrorText();
  EXPECT_EQ(SaveFolderEntries(), std::vector<std::string>{"Data"});
  EXPECT_EQ(ReadFile(Save("Data\\one.txt")), "new");

  // Moving up, part of it already there: the rest follows.
  ASSERT_EQ(recorded("1f-2d-0"), 0u);
  WriteFile(Save("~ZelkMoving.1f-2d-0.03.07.06.12.00.00\\later.txt"), "l");
  ASSERT_FALSE(engine_.RecoverSaveFolder()) << engine_.GetLastErrorText();
  EXPECT_EQ(SaveFolderEntries(), (std::vector<std::string>{"Data", "later.txt"}));

  // A complete archive replacing the previous one: renamed and listed.
  ASSERT_EQ(recorded("1f-2e-0"), 0u);
  WriteFile(Save("~ZelkReady.1f-2e-0.03.07.06.13.00.00.zip"), "PK new");
  ASSERT_FALSE(engine_.RecoverSaveFolder()) << engine_.GetLastErrorText();
  EXPECT_EQ(SaveFolderEntries(), std::vector<std::string>{"03.07.06.13.00.00.zip"});
  EXPECT_EQ(HistoryLines(), std::vector<std::string>{Save("03.07.06.13.00.00.zip")});
}

TEST_F(FailedRun, AFullOrReadOnlyDiskKeepsTheOlderGenerationsAndSaysSo) {
  const std::string mount = dir_ / "small";
  MakeDirs(mount);
  if (RunUnix("mount -t tmpfs -o size=256k tmpfs '" + UnixPath(mount) + "' 2>/dev/null") != 0) {
    GTEST_SKIP() << "a small tmpfs cannot be mounted here (needs root and mount rights)";
  }
  struct Unmount {
    std::string path;
    ~Unmount() { RunUnix("umount '" + path + "'"); }
  } unmount{UnixPath(mount)};
  settings_.SavePath = mount + "\\save";
  settings_.History = 1;
  settings_.HistoryNum = 3;
  ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
  WriteFile(Src("Data\\big.bin"), std::string(512 * 1024, 'b'));
  {
    // A held source is skipped; the full disk still fails the run.
    LockedFile held(Src("Data\\held.txt"));
    EXPECT_TRUE(engine_.RunBackup());
  }
  const std::string text = engine_.GetLastErrorText();
  EXPECT_EQ(HistoryLines(), std::vector<std::string>{Save(NameOfRun(0))});
  EXPECT_EQ(SaveFolderEntries(), std::vector<std::string>{NameOfRun(0)});
  EXPECT_EQ(ReadFile(Save(NameOfRun(0) + "\\Data\\one.txt")), "1");
  EXPECT_NE(text.find("big.bin"), std::string::npos) << text;
  EXPECT_NE(text.find("（"), std::string::npos) << "names the cause: " << text;

  // The same save folder read-only: an archive run records nothing it did
  // not write, and the generation it has stays listed.
  ASSERT_EQ(RunUnix("mount -o remount,ro '" + UnixPath(mount) + "'"), 0);
  zelk::engine::SetArchiverFileName(1, "fake_zip_v25.dll");
  settings_.DefMode = 1;
  EXPECT_TRUE(engine_.RunBackup());
  EXPECT_TRUE(engine_.RunBackup());
  zelk::engine::SetArchiverFileName(1, "ZIP32J.DLL");
  EXPECT_EQ(HistoryLines(), std::vector<std::string>{Save(NameOfRun(0))});
  EXPECT_EQ(SaveFolderEntries(), std::vector<std::string>{NameOfRun(0)});
}

TEST_F(FailedRun, EntriesNamedLikeStagingEntriesAreNeverTakenForOnes) {
  settings_.History = 0;
  const std::vector<std::string> names = {"~ZelkMoving.1.x", "~ZelkReady.1.x", "~ZelkStaging.1.x"};
  for (const std::string& name : names) {
    WriteFile(Src(name + "\\f.txt"), name);
    AddTarget(Src(name), ActiveFolder);
  }
  for (int run = 0; run < 2; ++run) {
    ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
    for (const std::string& name : names) EXPECT_EQ(ReadFile(Save(name + "\\f.txt")), name) << run;
    EXPECT_EQ(ReadFile(Save("Data\\one.txt")), "1") << run;
  }
  std::vector<std::string> expected = names;
  expected.insert(expected.begin(), "Data");
  EXPECT_EQ(SaveFolderEntries(), expected);
}

TEST_F(FailedRun, KeepNoneWithAFileOfTheCopyHeldEndsWithOneWholeCopyAndCatchesUpLater) {
  settings_.History = 0;
  ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
  WriteFile(Src("Data\\one.txt"), "1 new");
  WriteFile(Src("Data\\held.txt"), "h new");
  {
    // Another program has the copy's file open.
    LockedFile held(Save("Data\\held.txt"));
    ASSERT_TRUE(held.ok());
    EXPECT_TRUE(engine_.RunBackup());
  }
  const std::string text = engine_.GetLastErrorText();
  EXPECT_NE(text.find("\\Data\\held.txt（"), std::string::npos) << "the entry and why: " << text;
  EXPECT_EQ(text.substr(text.size() - std::string("）の削除に失敗しました").size()), "）の削除に失敗しました");
  EXPECT_EQ(ReadFile(Save("Data\\one.txt")), "1 new");
  EXPECT_EQ(ReadFile(Save("Data\\held.txt")), "h");
  EXPECT_EQ(SaveFolderEntries(), std::vector<std::string>{"Data"});

  ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
  EXPECT_EQ(ReadFile(Save("Data\\held.txt")), "h new");
  EXPECT_EQ(SaveFolderEntries(), std::vector<std::string>{"Data"});
}
