// Sources that cannot be read no longer cost the whole backup: a held file
// is tried again briefly, then left out, and the generation holds its most
// recent earlier copy; the run is partly failed and says what it left out.
#include <memory>

#include "engine_fixture.h"
#include "fileutil/directory_ops.h"

using namespace zelk::testing;
using zelk::engine::RunResult;
using zelk::targets::ActiveFile;
using zelk::targets::ActiveFolder;

namespace {

class UnreadableSource : public EngineTest {
 protected:
  void SetUp() override {
    WriteFile(Src("Data\\one.txt"), "1");
    WriteFile(Src("Data\\held.txt"), "h");
    WriteFile(Src("Data\\sub\\two.txt"), "2");
    AddTarget(Src("Data"), ActiveFolder);
    settings_.History = 1;
    settings_.HistoryNum = 3;
    engine_.SetRetryWait([this](unsigned ms) {
      waited_ += ms;
      ++waits_;
      if (onWait_) onWait_();
    });
  }
  std::string Gen(int run, const std::string& rel) const { return Save(NameOfRun(run) + "\\" + rel); }
  const zelk::engine::RunOutput& Out() const { return engine_.LastRunOutput(); }
  static std::string Held(const std::string& path) {
    return path + "（" + zelk::fileutil::ErrorString(ERROR_SHARING_VIOLATION) + "）";
  }

  // A good run, a run with held.txt held (and one.txt changed), a run after
  // its release.
  void CarryOverThreeRuns() {
    ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
    WriteFile(Src("Data\\one.txt"), "1 changed");
    WriteFile(Src("Data\\held.txt"), "h now");
    {
      LockedFile held(Src("Data\\held.txt"));
      ASSERT_TRUE(held.ok());
      ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
    }
    EXPECT_EQ(Out().result, RunResult::PartlyFailed);
    EXPECT_EQ(zelk::engine::SkippedCaption(Out().skipped), Held(Src("Data\\held.txt")));
    ASSERT_EQ(Out().skipped.size(), 1u);
    EXPECT_TRUE(Out().skipped[0].carried);
    EXPECT_EQ(waits_, 2) << "three tries in all";
    EXPECT_EQ(ReadFile(Gen(1, "Data\\held.txt")), "h") << "the copy of the first generation";
    EXPECT_EQ(ReadFile(Gen(1, "Data\\one.txt")), "1 changed");
    EXPECT_EQ(ReadFile(Gen(1, "Data\\sub\\two.txt")), "2");
    EXPECT_EQ(HistoryLines(), (std::vector<std::string>{Save(NameOfRun(0)), Save(NameOfRun(1))}));
    ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
    EXPECT_EQ(Out().result, RunResult::Success);
    EXPECT_EQ(ReadFile(Gen(2, "Data\\held.txt")), "h now");
  }

  int waits_ = 0;
  unsigned waited_ = 0;
  std::function<void()> onWait_;
};

}  // namespace

TEST_F(UnreadableSource, AHeldFileIsCarriedFromTheNewestGeneration) {
  CarryOverThreeRuns();
  EXPECT_EQ(LinkCount(Gen(1, "Data\\held.txt")), 1u) << "copied within the save folder";
}

TEST_F(UnreadableSource, WithSharingTheCarriedFileIsALinkToItsEarlierCopy) {
  settings_.LinkUnchanged = true;
  CarryOverThreeRuns();
  EXPECT_EQ(LinkCount(Gen(0, "Data\\held.txt")), 2u);
  EXPECT_EQ(LinkCount(Gen(1, "Data\\held.txt")), 2u);
}

TEST_F(UnreadableSource, KeepingNoneTheOlderVersionStaysInTheOneCopy) {
  settings_.History = 0;
  ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
  WriteFile(Src("Data\\one.txt"), "1 changed");
  WriteFile(Src("Data\\held.txt"), "h now");
  {
    LockedFile held(Src("Data\\held.txt"));
    ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
  }
  EXPECT_EQ(Out().result, RunResult::PartlyFailed);
  EXPECT_EQ(ReadFile(Save("Data\\held.txt")), "h");
  EXPECT_EQ(ReadFile(Save("Data\\one.txt")), "1 changed");
  EXPECT_EQ(ReadFile(Save("Data\\sub\\two.txt")), "2");
  ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
  EXPECT_EQ(ReadFile(Save("Data\\held.txt")), "h now");
}

TEST_F(UnreadableSource, WithoutAnEarlierCopyTheFileIsAbsentAndNamed) {
  LockedFile held(Src("Data\\held.txt"));
  ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
  EXPECT_EQ(Out().result, RunResult::PartlyFailed);
  EXPECT_FALSE(Exists(Gen(0, "Data\\held.txt")));
  EXPECT_EQ(ReadFile(Gen(0, "Data\\one.txt")), "1");
  EXPECT_EQ(zelk::engine::SkippedCaption(Out().skipped), Held(Src("Data\\held.txt")));
  EXPECT_FALSE(Out().skipped[0].carried);
}

TEST_F(UnreadableSource, AFileReleasedWithinTheRetriesIsCopied) {
  auto held = std::make_unique<LockedFile>(Src("Data\\held.txt"));
  onWait_ = [&] { held.reset(); };
  ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
  EXPECT_EQ(Out().result, RunResult::Success);
  EXPECT_EQ(waits_, 1);
  EXPECT_EQ(ReadFile(Gen(0, "Data\\held.txt")), "h");
}

TEST_F(UnreadableSource, ManyHeldFilesStayWithinTheRunsRetryBudget) {
  std::vector<std::unique_ptr<LockedFile>> held;
  for (int i = 0; i < 500; ++i) {
    const std::string path = Src("Data\\many\\" + std::to_string(i) + ".db");
    WriteFile(path, "x");
    held.push_back(std::make_unique<LockedFile>(path));
  }
  ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
  EXPECT_EQ(Out().result, RunResult::PartlyFailed);
  EXPECT_EQ(Out().skipped.size(), 500u);
  EXPECT_LE(waited_, 30000u);
  EXPECT_EQ(waited_, 30000u) << "the budget is used, not more";
  EXPECT_EQ(zelk::engine::SkippedCaption(Out().skipped), Held(Src("Data\\many\\0.db")) + "ほか499件");
}

TEST_F(UnreadableSource, NothingReadableFailsAndKeepsEverything) {
  settings_.HistoryNum = 1;
  host_.rows.clear();
  WriteFile(Src("Only\\mail.box"), "m");
  AddTarget(Src("Only"), ActiveFolder);
  AddTarget(Src("gone.txt"), ActiveFile);
  ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
  LockedFile held(Src("Only\\mail.box"));
  EXPECT_TRUE(engine_.RunBackup());
  EXPECT_EQ(engine_.GetLastErrorText(), Src("Only\\mail.box") + "をコピーできませんでした（" +
                                            zelk::fileutil::ErrorString(ERROR_SHARING_VIOLATION) + "）");
  EXPECT_EQ(HistoryLines(), std::vector<std::string>{Save(NameOfRun(0))}) << "nothing recorded, nothing pruned";
  EXPECT_EQ(ReadFile(Gen(0, "Only\\mail.box")), "m");
  EXPECT_FALSE(Exists(Save(NameOfRun(1))));
}

TEST_F(UnreadableSource, ATargetGoneSinceTheCheckIsCarriedToo) {
  WriteFile(Src("note.txt"), "n");
  AddTarget(Src("note.txt"), ActiveFile);
  WriteFile(Src("Notes\\a.txt"), "a");
  AddTarget(Src("Notes"), ActiveFolder);
  ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
  DeleteFileA(Src("note.txt").c_str());
  RemoveTree(Src("Notes"));
  ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
  EXPECT_EQ(Out().result, RunResult::PartlyFailed);
  ASSERT_EQ(Out().skipped.size(), 2u);
  EXPECT_EQ(Out().skipped[0].path, Src("note.txt"));
  EXPECT_TRUE(Out().skipped[0].carried && Out().skipped[1].carried);
  EXPECT_EQ(ReadFile(Gen(1, "note.txt")), "n");
  EXPECT_EQ(ReadFile(Gen(1, "Notes\\a.txt")), "a");
  EXPECT_EQ(ReadFile(Gen(1, "Data\\one.txt")), "1");
}
