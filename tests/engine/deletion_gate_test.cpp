// The deletion gate on a real save folder with sentinel files around and
// inside it: crafted history lines, links and aliases never reach anything
// but entries directly inside the save folder, and a save folder that is,
// holds or reaches a target or the program is never emptied.
#include "engine/deletion_gate.h"

#include "engine_fixture.h"
#include "unix_tools.h"

using namespace zelk::testing;
using zelk::engine::CDeletionGate;
using zelk::engine::TargetInSaveFolder;
using zelk::targets::ActiveFolder;
using zelk::targets::PausedFolder;

namespace {

std::string ShortPath(const std::string& path) {
  char buffer[1024] = {};
  const DWORD n = GetShortPathNameA(path.c_str(), buffer, sizeof buffer);
  return n > 0 && n < sizeof buffer ? std::string(buffer, n) : path;
}

class DeletionGate : public EngineTest {
 protected:
  void SetUp() override {
    settings_.SavePath = dir_ / "Backup Folder";
    WriteFile(dir_ / "outside\\o.txt", "o");
    WriteFile(Save("keep\\k.txt"), "k");
    WriteFile(Save(kSjis + "\\t.txt"), "t");
    WriteFile(Save(kGeneration + "\\g.txt"), "g");
  }
  void ExpectSentinels(const std::string& context) const {
    EXPECT_EQ(ReadFile(dir_ / "outside\\o.txt"), "o") << context;
    EXPECT_EQ(ReadFile(Save("keep\\k.txt")), "k") << context;
    EXPECT_EQ(ReadFile(Save(kSjis + "\\t.txt")), "t") << context;
    EXPECT_EQ(ReadFile(Save(kGeneration + "\\g.txt")), "g") << context;
  }
  // 表 and ソ: their second bytes are 0x5C, a backslash byte.
  const std::string kSjis = "\x95\x5c\x83\x5c";
  const std::string kGeneration = "03.07.06.10.00.00";
};

}  // namespace

TEST_F(DeletionGate, HostileHistoryLinesDeleteNothing) {
  const std::string save = Save();
  std::vector<std::string> bases = {save, ShortPath(save), "\\\\?\\" + save, "\\\\.\\" + save,
                                    save + "\\keep", dir_.path(), dir_ / "outside", "C:", "C:\\"};
  const std::vector<std::string> suffixes = {
      "", "\\", "\\.", "\\..", "\\...", "\\ ", "\\. .", "\\.. ", "\\keep.", "\\keep ", "\\keep. . ",
      "\\keep\\..", "\\keep\\.", "\\keep\\..\\..\\outside", "\\..\\outside", "/..", "\\keep/..",
      "\\keep/../../outside", "\\NUL", "\\nul.txt", "\\CON", "\\COM1", "\\LPT1.log", "\\keep:s",
      "\\keep::$DATA", "\\*", "\\?", "\\keep\\k.txt", "\\" + kSjis + "\\..", "\\" + kSjis + "\\.",
      "\\" + kSjis + " ", "\\" + kGeneration + ".", "\\" + kGeneration + "\\g.txt\\.."};
  std::vector<std::string> lines;
  for (const std::string& base : bases) {
    for (const std::string& suffix : suffixes) {
      if (base == save + "\\keep" && suffix.empty()) continue;  // names a real entry
      lines.push_back(base + suffix);
    }
  }
  lines.push_back(save + "\\" + std::string(5000, 'a'));
  std::string climb = save;
  for (int i = 0; i < 500; ++i) climb += "\\..";
  lines.push_back(climb);
  lines.push_back(dir_.path().substr(0, 2) + "\\\\" + save.substr(3) + "\\..");

  CDeletionGate gate(settings_.SavePath, host_.rows);
  ASSERT_FALSE(gate.Refusal()) << *gate.Refusal();
  for (const std::string& line : lines) {
    std::string reason;
    EXPECT_NE(gate.Delete(line, reason), CDeletionGate::Outcome::Deleted) << line;
    ExpectSentinels(line);
  }
  // The same lines in History.dat are dropped by pruning, deleting nothing.
  settings_.History = 1;
  settings_.HistoryNum = 1;
  lines.push_back(Save("new"));
  WriteHistory(lines);
  ASSERT_FALSE(engine_.PruneHistory()) << engine_.GetLastErrorText();
  EXPECT_EQ(HistoryLines(), std::vector<std::string>{Save("new")});
  ExpectSentinels("pruning");
  EXPECT_TRUE(IsFolder(Save()));
}

TEST_F(DeletionGate, AGenerationIsDeletedWhateverFormTheLineTakes) {
  std::string reason;
  for (const std::string& form : {ShortPath(Save(kGeneration)), "\\\\?\\" + Save(kGeneration),
                                  dir_ / ("Backup Folder/" + kGeneration)}) {
    WriteFile(Save(kGeneration + "\\g.txt"), "g");
    EXPECT_EQ(CDeletionGate(settings_.SavePath, host_.rows).Delete(form, reason),
              CDeletionGate::Outcome::Deleted)
        << form << " " << reason;
    EXPECT_FALSE(Exists(Save(kGeneration))) << form;
  }
  EXPECT_EQ(CDeletionGate(settings_.SavePath, host_.rows).Delete(Save(kSjis), reason),
            CDeletionGate::Outcome::Deleted);
  EXPECT_FALSE(Exists(Save(kSjis)));
  EXPECT_EQ(ReadFile(Save("keep\\k.txt")), "k");
}

TEST_F(DeletionGate, LinksPointingOutsideAreNeverFollowed) {
  const std::string outside = UnixPath(dir_ / "outside");
  ASSERT_EQ(RunUnix("ln -s '" + outside + "' '" + UnixPath(Save("link")) + "' && ln -s '" + outside +
                    "' '" + UnixPath(Save(kGeneration + "\\inner")) + "'"),
            0);
  CDeletionGate gate(settings_.SavePath, host_.rows);
  std::string reason;
  gate.Delete(Save("link"), reason);
  gate.Delete(Save(kGeneration), reason);
  gate.Empty(reason);
  EXPECT_EQ(ReadFile(dir_ / "outside\\o.txt"), "o");
  RunUnix("rm -f '" + UnixPath(Save("link")) + "' '" + UnixPath(Save(kGeneration + "\\inner")) + "'");
}

TEST_F(DeletionGate, ASaveFolderReachingTheProgramThroughALinkIsNeverEmptied) {
  std::string exe(MAX_PATH, '\0');
  exe.resize(GetModuleFileNameA(nullptr, exe.data(), MAX_PATH));
  const std::string programFolder = exe.substr(0, exe.rfind('\\'));
  ASSERT_EQ(RunUnix("ln -s '" + UnixPath(programFolder) + "' '" + UnixPath(dir_ / "linked") + "'"), 0);
  settings_.SavePath = dir_ / "linked";
  EXPECT_TRUE(engine_.ClearBackups());
  EXPECT_EQ(engine_.GetLastErrorText(), settings_.SavePath + "にはプログラムまたはリストファイルがあるので削除できません");
  settings_.History = 0;
  EXPECT_TRUE(engine_.RunBackup());
  EXPECT_TRUE(Exists(exe));
  RunUnix("rm '" + UnixPath(dir_ / "linked") + "'");
}

TEST_F(DeletionGate, TargetsInsideTheSaveFolderAreRefusedEverywhere) {
  const std::string text = "は保存先フォルダかその中にあるのでバックアップできません";
  AddTarget(Save("keep"), PausedFolder);
  EXPECT_FALSE(TargetInSaveFolder(Save(), host_.rows)) << "paused targets are not backed up";
  for (const std::string& target : {Save(), Save("keep"), ShortPath(Save()) + "\\keep"}) {
    host_.rows = {{target, "", ActiveFolder}};
    EXPECT_EQ(TargetInSaveFolder(Save(), host_.rows), target + text);
    settings_.History = 0;
    EXPECT_TRUE(engine_.RunBackup());
    EXPECT_EQ(engine_.GetLastErrorText(), target + text);
    EXPECT_TRUE(engine_.ClearBackups());
    ExpectSentinels(target);
  }
  // A save folder inside a target is fine, and left out of its copy.
  WriteFile(dir_ / "Data Folder\\d.txt", "d");
  host_.rows = {{dir_ / "Data Folder", "", ActiveFolder}};
  settings_.SavePath = ShortPath(dir_ / "Data Folder") + "\\Backup";
  settings_.History = 1;
  EXPECT_FALSE(TargetInSaveFolder(settings_.SavePath, host_.rows));
  ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
  ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
  const std::string copy = HistoryLines().back() + "\\Data Folder";
  EXPECT_EQ(ReadFile(copy + "\\d.txt"), "d");
  EXPECT_FALSE(Exists(copy + "\\Backup"));
}

TEST_F(DeletionGate, APausedTargetInsideTheSaveFolderSurvivesKeepNoneRunsAndClearing) {
  WriteFile(dir_ / "src\\one.txt", "1");
  settings_.History = 0;
  for (const auto& [paused, mark] : {std::pair{Save("keep"), PausedFolder},
                                     std::pair{Save(kGeneration + "\\g.txt"), zelk::targets::PausedFile}}) {
    host_.rows = {{dir_ / "src\\one.txt", "", zelk::targets::ActiveFile}, {paused, "", mark}};
    const std::string refusal = Save() + "にはバックアップ対象の" + paused + "があるので削除できません";
    EXPECT_TRUE(engine_.RunBackup()) << paused;
    EXPECT_EQ(engine_.GetLastErrorText(), refusal);
    EXPECT_TRUE(engine_.ClearBackups()) << paused;
    EXPECT_EQ(engine_.GetLastErrorText(), refusal);
    ExpectSentinels(paused);
  }
}
