// Runs that may end unchanged: with nothing changed since the newest
// complete generation they make none, record nothing and prune nothing; any
// change, and any doubt, makes a full run.
#include <functional>

#include "engine_fixture.h"

using namespace zelk::testing;
using zelk::engine::RunResult;
using zelk::targets::ActiveFile;
using zelk::targets::ActiveFolder;

namespace {

class UnchangedRun : public EngineTest {
 protected:
  void SetUp() override {
    settings_.SkipUnchanged = true;
    settings_.History = 1;
    settings_.HistoryNum = 5;
    WriteFile(Src("Data\\a.txt"), "a");
    WriteFile(Src("Data\\sub\\b.txt"), "bb");
    WriteFile(Src("note.txt"), "n");
    AddTarget(Src("Data"), ActiveFolder);
    AddTarget(Src("note.txt"), ActiveFile);
  }
  RunResult Run(bool mayStayUnchanged = true) {
    EXPECT_FALSE(engine_.RunBackup(mayStayUnchanged)) << engine_.GetLastErrorText();
    return engine_.LastRunOutput().result;
  }
  std::string Newest() const { return HistoryLines().back(); }
  static void SetWriteTime(const std::string& path, DWORD low) {
    FILETIME t{low, 0x01c34000};
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFileTime(h, nullptr, nullptr, &t);
    CloseHandle(h);
  }
};

struct Change {
  const char* what;
  std::function<void()> make;
};

}  // namespace

TEST_F(UnchangedRun, NothingChangedMakesNoGenerationAndAnyChangeAFullOne) {
  const std::vector<Change> changes = {
      {"one byte more", [this] { WriteFile(Src("Data\\a.txt"), "ab"); }},
      {"a time stamp", [this] { SetWriteTime(Src("Data\\sub\\b.txt"), 0x1234); }},
      {"an attribute", [this] { SetFileAttributesA(Src("note.txt").c_str(), FILE_ATTRIBUTE_HIDDEN); }},
      {"a file added", [this] { WriteFile(Src("Data\\sub\\new.txt"), "+"); }},
      {"a file removed", [this] { DeleteFileA(Src("Data\\sub\\new.txt").c_str()); }},
      {"a target paused", [this] { host_.rows[1].mark = zelk::targets::PausedFile; }},
      {"the newest generation deleted by hand", [this] { RemoveTree(Newest()); }},
      {"History.dat edited by hand", [] {
         std::vector<std::string> lines = HistoryLines();
         lines.pop_back();
         WriteHistory(lines);
       }},
      {"a torn state file", [this] { WriteFile("Generation.dat", ReadFile("Generation.dat").substr(0, 20)); }},
      {"a file edited in the generation", [this] {
         WriteFile(Newest() + "\\Data\\a.txt", "edited");
       }},
  };
  ASSERT_EQ(Run(), RunResult::Success);
  ASSERT_EQ(Run(), RunResult::Unchanged);
  EXPECT_EQ(HistoryLines(), std::vector<std::string>{Save(NameOfRun(0))}) << "nothing recorded";
  EXPECT_EQ(engine_.LastRunOutput().generation, Save(NameOfRun(0)));
  EXPECT_FALSE(Exists(Save(NameOfRun(1))));
  for (const Change& change : changes) {
    change.make();
    EXPECT_EQ(Run(), RunResult::Success) << change.what << " makes a full run";
    EXPECT_EQ(Run(), RunResult::Unchanged) << "and the run after it is unchanged again: " << change.what;
  }
}

TEST_F(UnchangedRun, ABackupAskedForNowAlwaysMakesOne) {
  ASSERT_EQ(Run(), RunResult::Success);
  ASSERT_EQ(Run(false), RunResult::Success);
  EXPECT_EQ(HistoryLines(), (std::vector<std::string>{Save(NameOfRun(0)), Save(NameOfRun(1))}));
}

TEST_F(UnchangedRun, InTheSameSecondAsTheLastItIsUnchangedNotFailed) {
  engine_.SetClock([this] { return now_; });
  ASSERT_EQ(Run(), RunResult::Success);
  EXPECT_EQ(Run(), RunResult::Unchanged);
  WriteFile(Src("note.txt"), "changed");
  EXPECT_TRUE(engine_.RunBackup()) << "a changed run still needs a name of its own";
  EXPECT_EQ(engine_.GetLastErrorText(), Save(NameOfRun(0)) + "の作成に失敗しました");
}

TEST_F(UnchangedRun, OffByDefault) {
  settings_.SkipUnchanged = false;
  ASSERT_EQ(Run(), RunResult::Success);
  ASSERT_EQ(Run(), RunResult::Success);
  EXPECT_EQ(HistoryLines().size(), 2u);
}

TEST_F(UnchangedRun, APartlyFailedGenerationIsNeverTakenForTheLast) {
  ASSERT_EQ(Run(), RunResult::Success);
  engine_.SetRetryWait([](unsigned) {});
  WriteFile(Src("Data\\a.txt"), "a changed");
  {
    LockedFile held(Src("Data\\a.txt"));
    ASSERT_EQ(Run(), RunResult::PartlyFailed);
  }
  EXPECT_EQ(Run(), RunResult::Success);
}

TEST_F(UnchangedRun, KeepingNoneLeavesTheSaveFolderAsItIs) {
  settings_.History = 0;
  ASSERT_EQ(Run(), RunResult::Success);
  const std::string before = ReadFile(Save("Data\\a.txt"));
  ASSERT_EQ(Run(), RunResult::Unchanged);
  EXPECT_EQ(ReadFile(Save("Data\\a.txt")), before);
  EXPECT_EQ(ReadFile(Save("note.txt")), "n");
  WriteFile(Save("Data\\a.txt"), "edited in the copy");
  EXPECT_EQ(Run(), RunResult::Success);
  EXPECT_EQ(ReadFile(Save("Data\\a.txt")), "a");
}

TEST_F(UnchangedRun, ArchivesToo) {
  for (int format : {1, 2}) {
    SCOPED_TRACE(format);
    settings_.DefMode = format;
    const std::size_t before = HistoryLines().size();
    ASSERT_EQ(Run(), RunResult::Success) << "another format is a change";
    ASSERT_EQ(Run(), RunResult::Unchanged);
    EXPECT_EQ(HistoryLines().size(), before + 1);
    WriteFile(Src("Data\\a.txt"), std::string(format, 'x'));
    EXPECT_EQ(Run(), RunResult::Success);
  }
}
