// The save folder typed in the options: normalisation, refusals, a changed
// folder with its question, and the storing of the record.
#include "fileutil/path_names.h"
#include "save_folder_change_fixture.h"
#include "settings/profile.h"

using namespace zelk::testing;
namespace engine = zelk::engine;
namespace fileutil = zelk::fileutil;
namespace settings = zelk::settings;
using zelk::engine::InsertRootBackslash;

TEST(InsertRootBackslash, AfterTheDriveOrAtTheStart) {
  EXPECT_EQ(InsertRootBackslash("C:Data"), "C:\\Data");
  EXPECT_EQ(InsertRootBackslash("C:\\Data"), "C:\\Data");
  EXPECT_EQ(InsertRootBackslash("Data\\Sub"), "\\Data\\Sub");
  EXPECT_EQ(InsertRootBackslash("\\\\server\\share"), "\\\\server\\share");
  EXPECT_EQ(InsertRootBackslash("C:"), "C:\\");
  // 表 ends in the byte of a backslash: it is not taken for one.
  EXPECT_EQ(InsertRootBackslash("表\\x"), "\\表\\x");
  EXPECT_EQ(InsertRootBackslash("D:表"), "D:\\表");
}

TEST_F(SaveFolderChangeTest, DriveRootsAndEmptyTextAreRefused) {
  const settings::CSettings before = settings_;
  for (const char* typed : {"C:\\", "C:", "", "  ", "D:\\\\", "Z:/"}) {
    boxes_.clear();
    settings::CSettings entered = Entered();
    entered.SavePath = typed;
    entered.SaveTimeNum = 7;
    const auto result = Apply(entered);
    EXPECT_FALSE(result.closeWithOk) << typed;
    EXPECT_EQ(boxes_, (std::vector<Box>{{"ドライブのルートは指定できません", "制限", MB_OK}})) << typed;
  }
  EXPECT_EQ(settings_.SavePath, before.SavePath);
  EXPECT_EQ(settings_.SaveTimeNum, before.SaveTimeNum);
}

TEST_F(SaveFolderChangeTest, FoldersHoldingTheProgramOrTheListsAreRefused) {
  const std::string programFolder = fileutil::PathToDirectoryPath(settings::ModuleFilePath());
  WriteFile(Save("keep.txt"), "k");
  for (const std::string& typed : {dir_.path(), programFolder}) {
    boxes_.clear();
    settings::CSettings entered = Entered();
    entered.SavePath = typed;
    const auto result = Apply(entered);
    EXPECT_FALSE(result.closeWithOk) << typed;
    ASSERT_EQ(boxes_.size(), 1u) << typed;
    EXPECT_EQ(boxes_[0].text,
              "プログラムやリストファイルのあるフォルダは保存先に指定できません\n" + typed);
    EXPECT_EQ(boxes_[0].caption, "制限");
    EXPECT_EQ(boxes_[0].flags, static_cast<unsigned>(MB_OK));
  }
  EXPECT_EQ(settings_.SavePath, dir_ / "save");
  EXPECT_EQ(ReadFile(Save("keep.txt")), "k");
}

TEST_F(SaveFolderChangeTest, AFolderThatIsOrHoldsAnActiveTargetIsRefused) {
  WriteFile(dir_ / "docs\\inner\\a.txt", "a");
  host_.rows = {{dir_ / "docs\\inner", "", zelk::targets::ActiveFolder}};
  for (const std::string& typed : {dir_ / "docs\\inner", dir_ / "docs"}) {
    boxes_.clear();
    settings::CSettings entered = Entered();
    entered.SavePath = typed;
    EXPECT_FALSE(Apply(entered).closeWithOk) << typed;
    EXPECT_EQ(boxes_, (std::vector<Box>{{dir_ / "docs\\inner" + "は保存先フォルダかその中にあるのでバックアップできません",
                                         "制限", MB_OK}}));
  }
  EXPECT_EQ(ReadFile(dir_ / "docs\\inner\\a.txt"), "a");
  EXPECT_EQ(settings_.SavePath, dir_ / "save");
}

TEST_F(SaveFolderChangeTest, WhileABackupRunsNothingIsDone) {
  busy_ = true;
  settings::CSettings entered = Entered();
  entered.SavePath = dir_ / "other";
  const auto result = Apply(entered);
  EXPECT_FALSE(result.closeWithOk);
  EXPECT_EQ(boxes_, (std::vector<Box>{{"コピー中は設定を変更できません", "しばらくお待ちください", MB_OK}}));
  EXPECT_FALSE(Exists(dir_ / "other"));
  EXPECT_EQ(settings_.SavePath, dir_ / "save");
}

TEST_F(SaveFolderChangeTest, UnchangedFolderStoresEveryValueAndPrunesTheHistory) {
  const auto generations = MakeGenerations(5, settings::PlainCopy);
  ASSERT_EQ(generations.size(), 5u);
  settings::CSettings entered = Entered();
  entered.SavePath = settings_.SavePath + "\\";  // normalised to the same folder
  entered.HistoryNum = 3;
  entered.SaveTimeNum = 30;
  entered.SaveTimeTani = settings::Minutes;
  entered.OpenStart = true;
  entered.StartBackup = true;
  entered.EndBackup = false;
  entered.DefMode = -1;
  const auto result = Apply(entered);
  EXPECT_TRUE(result.closeWithOk);
  EXPECT_TRUE(boxes_.empty());
  EXPECT_EQ(settings_.SavePath, dir_ / "save");
  EXPECT_EQ(settings_.HistoryNum, 3);
  EXPECT_EQ(settings_.SaveTimeNum, 30);
  EXPECT_EQ(settings_.SaveTimeTani, settings::Minutes);
  EXPECT_TRUE(settings_.OpenStart);
  EXPECT_TRUE(settings_.StartBackup);
  EXPECT_FALSE(settings_.EndBackup);
  EXPECT_EQ(settings_.DefMode, -1);
  EXPECT_FALSE(Exists(generations[0]));
  EXPECT_FALSE(Exists(generations[1]));
  EXPECT_EQ(ReadFile(generations[2] + "\\Data\\one.txt"), "1");
  EXPECT_EQ(HistoryLines(), (std::vector<std::string>(generations.begin() + 2, generations.end())));
}

TEST_F(SaveFolderChangeTest, DriveRelativeFolderGetsItsBackslash) {
  // "C:users\...\new" as PathToDir leaves it: stored as "C:\users\...\new".
  const std::string full = dir_ / "new";
  ASSERT_EQ(full.substr(1, 2), ":\\");
  settings::CSettings entered = Entered();
  entered.SavePath = full.substr(0, 2) + full.substr(3);
  answers_ = {IDYES};
  const auto result = Apply(entered);
  EXPECT_TRUE(result.closeWithOk);
  EXPECT_EQ(result.folderText, full);
  EXPECT_EQ(settings_.SavePath, full);
  EXPECT_TRUE(IsFolder(full));
}

TEST_F(SaveFolderChangeTest, ChangedFolderAnsweredNoChangesNothing) {
  const auto generations = MakeGenerations(2, settings::PlainCopy);
  WriteFile(dir_ / "new\\mine.txt", "mine");
  settings::CSettings entered = Entered();
  entered.SavePath = dir_ / "new";
  entered.SaveTimeNum = 9;
  const auto result = Apply(entered);
  EXPECT_FALSE(result.closeWithOk);
  EXPECT_TRUE(result.restoreOldFolder);
  EXPECT_EQ(boxes_, (std::vector<Box>{FolderQuestion()}));
  EXPECT_EQ(settings_.SavePath, dir_ / "save");
  EXPECT_EQ(settings_.SaveTimeNum, 1);
  EXPECT_EQ(HistoryLines(), generations);
  EXPECT_EQ(ReadFile(generations[1] + "\\Data\\one.txt"), "1");
  EXPECT_EQ(ReadFile(dir_ / "new\\mine.txt"), "mine");
}

TEST_F(SaveFolderChangeTest, ChangedFolderAnsweredYesDiscardsOldBackupsAndEmptiesTheNewFolder) {
  MakeGenerations(2, settings::PlainCopy);
  WriteFile(dir_ / "new\\mine.txt", "mine");
  WriteFile(dir_ / "new\\deep\\x.txt", "x");
  settings::CSettings entered = Entered();
  entered.SavePath = dir_ / "new";
  answers_ = {IDYES};
  const auto result = Apply(entered);
  EXPECT_TRUE(result.closeWithOk);
  EXPECT_EQ(boxes_, (std::vector<Box>{FolderQuestion()}));
  EXPECT_FALSE(Exists(dir_ / "save")) << "the emptied old folder is removed";
  EXPECT_TRUE(IsFolder(dir_ / "new"));
  EXPECT_FALSE(FileInDirectory(dir_ / "new"));
  EXPECT_TRUE(HistoryLines().empty());
  EXPECT_EQ(settings_.SavePath, dir_ / "new");
}

TEST_F(SaveFolderChangeTest, RefusedFoldersAreRefusedBeforeTheQuestionAndDiscardNothing) {
  const auto generations = MakeGenerations(2, settings::PlainCopy);
  WriteFile(dir_ / "file.txt", "f");
  const std::string file = dir_ / "file.txt";
  const std::string orphan = dir_ / "missing\\new";
  const std::string unc = "\\\\no-such-server.invalid\\share\\Backup";
  struct Case {
    std::string typed;
    std::string text;  // the box's text, or its start when it ends in a reason
    std::string caption;
    unsigned flags;
  };
  const Case cases[] = {
      {file, file + "はファイルなので保存先に指定できません", "Zelk", MB_OK},
      {orphan, "保存先フォルダが存在しません", "Zelk", MB_OK},
      {"Backup2",
       "\\Backup2はドライブ名のない相対パスなので保存先に指定できません\n"
       "C:\\Backup や \\\\サーバー\\共有\\Backup のように指定してください",
       "制限", MB_OK},
      {"\\Backup2", "\\Backup2はドライブ名のない相対パスなので保存先に指定できません", "制限", MB_OK},
      {unc, unc + "にアクセスできません", "Zelk", MB_OK | MB_ICONERROR},
  };
  for (const Case& c : cases) {
    boxes_.clear();
    answers_ = {IDYES};
    settings::CSettings entered = Entered();
    entered.SavePath = c.typed;
    const auto result = Apply(entered);
    EXPECT_FALSE(result.closeWithOk) << c.typed;
    ASSERT_EQ(boxes_.size(), 1u) << c.typed << ": no question, one refusal";
    EXPECT_EQ(boxes_[0].text.substr(0, c.text.size()), c.text) << boxes_[0].text;
    EXPECT_EQ(boxes_[0].caption, c.caption) << c.typed;
    EXPECT_EQ(boxes_[0].flags, c.flags) << c.typed;
  }
  EXPECT_EQ(ReadFile(file), "f");
  EXPECT_FALSE(Exists(dir_ / "missing"));
  EXPECT_EQ(HistoryLines(), generations);
  for (const std::string& generation : generations) {
    EXPECT_EQ(ReadFile(generation + "\\Data\\sub\\two.txt"), "22") << generation;
  }
  EXPECT_EQ(settings_.SavePath, dir_ / "save");
}

TEST_F(SaveFolderChangeTest, TheSameFolderTypedOtherwiseIsNoChange) {
  const auto generations = MakeGenerations(2, settings::PlainCopy);
  const std::string save = settings_.SavePath;
  std::string lower = save;
  CharLowerBuffA(lower.data(), static_cast<DWORD>(lower.size()));
  char shortName[MAX_PATH] = {};
  ASSERT_NE(GetShortPathNameA(save.c_str(), shortName, sizeof shortName), 0u);
  MakeDirs(dir_ / "A Long Folder Name");
  WriteFile(dir_ / "A Long Folder Name\\keep.txt", "k");
  char shortLong[MAX_PATH] = {};
  ASSERT_NE(GetShortPathNameA((dir_ / "A Long Folder Name").c_str(), shortLong, sizeof shortLong), 0u);
  ASSERT_NE(std::string(shortLong), dir_ / "A Long Folder Name") << "no 8.3 alias to test with";
  for (const std::string& typed : {lower, save + "\\\\", std::string(shortName)}) {
    boxes_.clear();
    settings::CSettings entered = Entered();
    entered.SavePath = typed;
    EXPECT_TRUE(Apply(entered).closeWithOk) << typed;
    EXPECT_TRUE(boxes_.empty()) << typed << ": nothing asked";
    EXPECT_EQ(settings_.SavePath, save) << typed;
  }
  // The record named the alias: its long name is the same folder too.
  settings_.SavePath = shortLong;
  settings::CSettings entered = Entered();
  entered.SavePath = dir_ / "A Long Folder Name";
  EXPECT_TRUE(Apply(entered).closeWithOk);
  EXPECT_TRUE(boxes_.empty());
  EXPECT_EQ(ReadFile(dir_ / "A Long Folder Name\\keep.txt"), "k");
  EXPECT_EQ(HistoryLines(), generations);
  EXPECT_EQ(ReadFile(generations[0] + "\\Data\\one.txt"), "1");
}

TEST_F(SaveFolderChangeTest, ReadOnlyFolderCountsAsExisting) {
  MakeDirs(dir_ / "ro");
  ASSERT_TRUE(SetFileAttributesA((dir_ / "ro").c_str(), FILE_ATTRIBUTE_READONLY));
  settings::CSettings entered = Entered();
  entered.SavePath = dir_ / "ro";
  answers_ = {IDYES};
  EXPECT_TRUE(Apply(entered).closeWithOk);
  EXPECT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(settings_.SavePath, dir_ / "ro");
}

TEST_F(SaveFolderChangeTest, OldFolderNeverCreatedOnlyLosesItsHistory) {
  settings_.SavePath = dir_ / "never";
  WriteHistory({dir_ / "never\\03.07.06.10.00.00"});
  settings::CSettings entered = Entered();
  entered.SavePath = dir_ / "new";
  answers_ = {IDYES};
  EXPECT_TRUE(Apply(entered).closeWithOk);
  EXPECT_EQ(boxes_, (std::vector<Box>{FolderQuestion()}));
  EXPECT_TRUE(HistoryLines().empty());
  EXPECT_TRUE(IsFolder(dir_ / "new"));
}

TEST_F(SaveFolderChangeTest, OldBackupsThatCannotBeDeletedAreReportedAndTheChangeGoesOn) {
  NewLockedFile locked(Save("busy.txt"));
  ASSERT_TRUE(locked.locked());
  settings::CSettings entered = Entered();
  entered.SavePath = dir_ / "new";
  answers_ = {IDYES};
  EXPECT_TRUE(Apply(entered).closeWithOk);
  ASSERT_EQ(boxes_.size(), 2u);
  EXPECT_NE(boxes_[1].text.find("の削除に失敗しました"), std::string::npos) << boxes_[1].text;
  EXPECT_EQ(boxes_[1].caption, "以前のバックアップの初期化に失敗しました");
  EXPECT_EQ(boxes_[1].flags, static_cast<unsigned>(MB_OK | MB_ICONERROR));
  EXPECT_EQ(settings_.SavePath, dir_ / "new");
}

TEST_F(SaveFolderChangeTest, NewFolderThatCannotBeEmptiedKeepsTheDialogOpen) {
  const auto generations = MakeGenerations(2, settings::PlainCopy);
  NewLockedFile locked(dir_ / "new\\busy.txt");
  ASSERT_TRUE(locked.locked());
  settings::CSettings entered = Entered();
  entered.SavePath = dir_ / "new";
  answers_ = {IDYES};
  EXPECT_FALSE(Apply(entered).closeWithOk);
  ASSERT_EQ(boxes_.size(), 2u);
  EXPECT_EQ(boxes_[1].text, (dir_ / "new") + "を空にできませんでした");
  EXPECT_FALSE(boxes_[1].caption.empty());
  EXPECT_EQ(boxes_[1].flags, static_cast<unsigned>(MB_OK | MB_ICONERROR));
  EXPECT_EQ(settings_.SavePath, dir_ / "save");
  EXPECT_EQ(HistoryLines(), generations) << "the old backups wait until the new folder is ready";
  EXPECT_EQ(ReadFile(generations[1] + "\\Data\\one.txt"), "1");
}
