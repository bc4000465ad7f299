// The stored backups when OK changes the history mode: keep N -> keep none
// and keep none -> keep N, on generations made by real backup runs.
#include "save_folder_change_fixture.h"

using namespace zelk::testing;
namespace engine = zelk::engine;
namespace fileutil = zelk::fileutil;
namespace settings = zelk::settings;

namespace {

class HistoryConversion : public SaveFolderChangeTest {
 protected:
  engine::OptionsApplyResult SwitchTo(int history) {
    settings::CSettings entered = Entered();
    entered.History = history;
    return Apply(entered);
  }
};

}  // namespace

TEST_F(HistoryConversion, KeepNToNoneMovesTheNewestPlainGenerationUp) {
  const auto generations = MakeGenerations(3, settings::PlainCopy);
  ASSERT_EQ(generations.size(), 3u);
  EXPECT_TRUE(SwitchTo(0).closeWithOk);
  EXPECT_TRUE(boxes_.empty());
  for (const auto& generation : generations) EXPECT_FALSE(Exists(generation)) << generation;
  EXPECT_EQ(ReadFile(Save("Data\\one.txt")), "1");
  EXPECT_EQ(ReadFile(Save("Data\\sub\\two.txt")), "22");
  EXPECT_TRUE(HistoryLines().empty());
  EXPECT_EQ(ReadFile(dir_ / "History.dat"), "");
  EXPECT_EQ(settings_.History, 0);
}

TEST_F(HistoryConversion, KeepNToNoneKeepsTheNewestArchiveAsTheOneLine) {
  const auto generations = MakeGenerations(3, settings::ZipArchive);
  ASSERT_EQ(generations.size(), 3u);
  ASSERT_EQ(generations[2].substr(generations[2].size() - 4), ".zip");
  EXPECT_TRUE(SwitchTo(0).closeWithOk);
  EXPECT_TRUE(boxes_.empty());
  EXPECT_FALSE(Exists(generations[0]));
  EXPECT_FALSE(Exists(generations[1]));
  EXPECT_EQ(ReadFile(generations[2]).substr(0, 4), std::string("PK\x03\x04", 4));
  EXPECT_EQ(HistoryLines(), (std::vector<std::string>{generations[2]}));
}

TEST_F(HistoryConversion, KeepNToNoneWithAnEmptySaveFolderEmptiesTheHistory) {
  settings_.History = 1;
  WriteHistory({Save("03.07.06.10.00.00"), Save("03.07.06.11.00.00")});
  EXPECT_TRUE(SwitchTo(0).closeWithOk);
  EXPECT_TRUE(boxes_.empty());
  EXPECT_TRUE(HistoryLines().empty());
}

TEST_F(HistoryConversion, KeepNToNoneLeavesEntriesOutsideTheSaveFolderAlone) {
  settings_.History = 1;
  WriteFile(dir_ / "elsewhere\\keep.txt", "k");
  WriteFile(Save("03.07.06.11.00.00\\a.txt"), "a");
  WriteHistory({dir_ / "elsewhere", Save("03.07.06.11.00.00")});
  EXPECT_TRUE(SwitchTo(0).closeWithOk);
  EXPECT_EQ(ReadFile(dir_ / "elsewhere\\keep.txt"), "k");
  EXPECT_EQ(ReadFile(Save("a.txt")), "a");
  EXPECT_TRUE(HistoryLines().empty());
}

TEST_F(HistoryConversion, AnOlderGenerationThatCannotBeDeletedEndsTheConversion) {
  const auto generations = MakeGenerations(3, settings::PlainCopy);
  NewLockedFile locked(generations[0] + "\\held.txt");
  ASSERT_TRUE(locked.locked());
  EXPECT_TRUE(SwitchTo(0).closeWithOk);
  EXPECT_EQ(boxes_, (std::vector<Box>{
                        {"必要のない過去のバックアップの削除に失敗しました", generations[0], MB_OK | MB_ICONERROR}}));
  // Nothing more is deleted after the failure: the newest generation stays
  // whole, and the history still lists what is left.
  EXPECT_EQ(ReadFile(generations[2] + "\\Data\\one.txt"), "1");
  EXPECT_EQ(ReadFile(generations[1] + "\\Data\\one.txt"), "1");
  EXPECT_EQ(HistoryLines(), generations);
  EXPECT_FALSE(Exists(Save("Data"))) << "the newest generation is not moved up after the failure";
  EXPECT_EQ(settings_.History, 0);
}

TEST_F(HistoryConversion, AHistoryThatCannotBeEmptiedIsReportedOnce) {
  WriteFile(Save("Data\\one.txt"), "1");
  WriteHistory({});
  ASSERT_TRUE(SetFileAttributesA((dir_ / "History.dat").c_str(), FILE_ATTRIBUTE_READONLY));
  conversionTime_ = 1714567500;
  const auto result = SwitchTo(1);
  EXPECT_TRUE(result.closeWithOk);
  EXPECT_EQ(boxes_, (std::vector<Box>{{"履歴ファイルの初期化に失敗しました", "History.dat", MB_OK | MB_ICONERROR}}));
  EXPECT_EQ(ReadFile(Save(NameOf(conversionTime_) + "\\Data\\one.txt")), "1");
}

TEST_F(HistoryConversion, KeepNoneToNMakesTheSaveFolderTheFirstGeneration) {
  settings_.History = 0;
  WriteFile(Save("Data\\one.txt"), "1");
  WriteFile(Save("memo.txt"), "m");
  EXPECT_TRUE(SwitchTo(1).closeWithOk);
  EXPECT_TRUE(boxes_.empty());
  const std::string generation = Save(NameOf(conversionTime_));
  EXPECT_EQ(ReadFile(generation + "\\Data\\one.txt"), "1");
  EXPECT_EQ(ReadFile(generation + "\\memo.txt"), "m");
  EXPECT_FALSE(Exists(Save("memo.txt")));
  EXPECT_EQ(HistoryLines(), (std::vector<std::string>{generation}));
  EXPECT_EQ(settings_.History, 1);
}

TEST_F(HistoryConversion, KeepNoneToNWithAnEmptySaveFolderLeavesTheHistory) {
  settings_.History = 0;
  WriteFile(dir_ / "History.dat", "stale-1\r\nstale-2\r\n");
  EXPECT_TRUE(SwitchTo(1).closeWithOk);
  EXPECT_TRUE(boxes_.empty());
  EXPECT_FALSE(FileInDirectory(Save()));
  EXPECT_EQ(ReadFile(dir_ / "History.dat"), "stale-1\r\nstale-2\r\n");
}

TEST_F(HistoryConversion, KeepNoneToNWithTheNewestArchiveListedMovesNothing) {
  settings_.History = 0;
  WriteFile(Save("03.07.06.10.00.00.zip"), "PK");
  WriteHistory({Save("03.07.06.10.00.00.zip")});
  EXPECT_TRUE(SwitchTo(1).closeWithOk);
  EXPECT_EQ(ReadFile(Save("03.07.06.10.00.00.zip")), "PK");
  EXPECT_EQ(HistoryLines(), (std::vector<std::string>{Save("03.07.06.10.00.00.zip")}));
}

TEST_F(HistoryConversion, PruneFailureIsReportedAndTheDialogCloses) {
  MakeGenerations(3, settings::PlainCopy);
  ASSERT_TRUE(SetFileAttributesA((dir_ / "History.dat").c_str(), FILE_ATTRIBUTE_READONLY));
  settings::CSettings entered = Entered();
  entered.HistoryNum = 2;
  EXPECT_TRUE(Apply(entered).closeWithOk);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_FALSE(boxes_[0].text.empty());
  EXPECT_EQ(boxes_[0].caption, "Error");
  EXPECT_EQ(boxes_[0].flags, static_cast<unsigned>(MB_OK | MB_ICONERROR));
  EXPECT_EQ(settings_.HistoryNum, 2);
}

TEST_F(HistoryConversion, KeepNToNoneKeepsTheNewestGenerationThatIsStillThere) {
  // The newest moved away by hand: the one before it is the copy kept.
  const auto generations = MakeGenerations(3, settings::PlainCopy);
  WriteFile(generations[1] + "\\marker.txt", "second");
  ASSERT_TRUE(MoveFileA(generations[2].c_str(), (dir_ / "moved").c_str()));
  EXPECT_TRUE(SwitchTo(0).closeWithOk);
  EXPECT_TRUE(boxes_.empty());
  EXPECT_FALSE(Exists(generations[0]));
  EXPECT_FALSE(Exists(generations[1]));
  EXPECT_EQ(ReadFile(Save("marker.txt")), "second");
  EXPECT_EQ(ReadFile(Save("Data\\one.txt")), "1");
  EXPECT_TRUE(HistoryLines().empty());
}
