#include "engine_fixture.h"

using namespace zelk::testing;

namespace {

class History : public EngineTest {
 protected:
  void SetUp() override {
    settings_.History = 1;
    MakeDirs(Save());
  }
  std::string MakeGeneration(const std::string& name) {
    MakeDirs(Save(name));
    WriteFile(Save(name + "\\f.txt"), "x");
    return Save(name);
  }
};

}  // namespace

TEST_F(History, RecordAppendsThenPrunesWhileMoreThanNAreListed) {
  settings_.HistoryNum = 3;
  std::vector<std::string> gens;
  for (const char* n : {"a", "b", "c", "d", "e"}) gens.push_back(MakeGeneration(n));
  // An over-long file (a hand edit, a blank line) is brought back to N.
  WriteHistory({gens[0], "", gens[1], gens[2], gens[3]});
  ASSERT_FALSE(engine_.RecordGeneration(gens[4]));
  EXPECT_EQ(HistoryLines(), (std::vector<std::string>{gens[2], gens[3], gens[4]}));
  EXPECT_FALSE(Exists(gens[0]));
  EXPECT_FALSE(Exists(gens[1]));
  EXPECT_TRUE(Exists(gens[2]));
  EXPECT_EQ(engine_.GetLastErrorText(), "");
}

TEST_F(History, AGenerationThatCannotBeDeletedStaysListedAndTheNextOlderGoes) {
  settings_.HistoryNum = 2;
  std::vector<std::string> gens;
  for (const char* n : {"a", "b", "c", "d", "e"}) gens.push_back(MakeGeneration(n));
  WriteHistory({gens[0], gens[1], gens[2]});
  {
    LockedFile held(gens[0] + "\\f.txt");
    ASSERT_TRUE(held.ok());
    ASSERT_FALSE(engine_.RecordGeneration(gens[3]));
  }
  EXPECT_EQ(HistoryLines(), (std::vector<std::string>{gens[0], gens[3]}));
  EXPECT_FALSE(Exists(gens[1]));
  EXPECT_EQ(ReadFile(gens[0] + "\\f.txt"), "x");
  // Tried again at the next run.
  ASSERT_FALSE(engine_.RecordGeneration(gens[4]));
  EXPECT_EQ(HistoryLines(), (std::vector<std::string>{gens[3], gens[4]}));
  EXPECT_FALSE(Exists(gens[0]));
}

TEST_F(History, RecordDeletesAnArchiveAndSkipsAMissingGeneration) {
  settings_.HistoryNum = 2;
  WriteFile(Save("old.zip"), "PK");
  std::string b = MakeGeneration("b");
  WriteHistory({Save("old.zip"), b});
  ASSERT_FALSE(engine_.RecordGeneration(Save("c")));
  EXPECT_FALSE(Exists(Save("old.zip")));

  WriteHistory({Save("gone-by-hand"), b});
  ASSERT_FALSE(engine_.RecordGeneration(Save("d")));
  EXPECT_EQ(HistoryLines(), (std::vector<std::string>{b, Save("d")}));
}

TEST_F(History, LinesOutsideTheSaveFolderAreDroppedWithoutDeleting) {
  settings_.HistoryNum = 1;
  WriteFile(dir_ / "precious\\data.txt", "keep");
  const std::vector<std::string> dangerous = {
      Save(), Save() + "\\", dir_ / "precious", dir_.path(), "C:\\", Save("..")};
  for (const auto& line : dangerous) {
    WriteHistory({line});
    ASSERT_FALSE(engine_.RecordGeneration(Save("new"))) << line;
    EXPECT_EQ(HistoryLines(), std::vector<std::string>{Save("new")}) << line;
    EXPECT_TRUE(Exists(Save())) << line;
    EXPECT_EQ(ReadFile(dir_ / "precious\\data.txt"), "keep") << line;
  }
  WriteHistory({Save(), dir_ / "precious", "C:\\"});
  ASSERT_FALSE(engine_.PruneHistory());
  EXPECT_EQ(HistoryLines(), std::vector<std::string>{"C:\\"});
  EXPECT_EQ(ReadFile(dir_ / "precious\\data.txt"), "keep");
}

TEST_F(History, PruneDeletesTheOldestUntilNLinesRemain) {
  settings_.HistoryNum = 3;
  std::vector<std::string> gens;
  for (const char* n : {"a", "b", "c", "d"}) gens.push_back(MakeGeneration(n));
  WriteFile(Save("e.lzh"), "lzh");
  gens.push_back(Save("e.lzh"));
  WriteHistory(gens);
  ASSERT_FALSE(engine_.PruneHistory());
  EXPECT_FALSE(Exists(gens[0]));
  EXPECT_FALSE(Exists(gens[1]));
  EXPECT_TRUE(Exists(gens[2]));
  EXPECT_EQ(HistoryLines(), (std::vector<std::string>{gens[2], gens[3], gens[4]}));

  settings_.HistoryNum = 1;  // an archive line is deleted as a file
  std::rotate(gens.begin(), gens.begin() + 4, gens.end());
  WriteHistory({gens[0], gens[3]});
  ASSERT_FALSE(engine_.PruneHistory());
  EXPECT_FALSE(Exists(Save("e.lzh")));

  settings_.HistoryNum = 10;  // nothing to prune
  ASSERT_FALSE(engine_.PruneHistory());
  EXPECT_EQ(HistoryLines().size(), 1u);
}

TEST_F(History, ClearEmptiesTheSaveFolderAndTheFile) {
  MakeGeneration("a");
  WriteFile(Save("users-own.txt"), "mine");
  WriteFile(Save("ro.txt"), "r");
  SetFileAttributesA(Save("ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  WriteHistory({Save("a")});
  ASSERT_FALSE(engine_.ClearBackups()) << engine_.GetLastErrorText();
  EXPECT_TRUE(IsFolder(Save()));
  EXPECT_FALSE(Exists(Save("a")));
  EXPECT_FALSE(Exists(Save("users-own.txt")));
  EXPECT_FALSE(Exists(Save("ro.txt")));
  EXPECT_TRUE(HistoryLines().empty());
  EXPECT_EQ(ReadFile(dir_ / "History.dat"), "");
}

TEST_F(History, ClearCreatesAMissingHistoryFile) {
  ASSERT_FALSE(Exists(dir_ / "History.dat"));
  ASSERT_FALSE(engine_.ClearBackups());
  EXPECT_TRUE(Exists(dir_ / "History.dat"));
}

TEST_F(History, ClearRefusesFoldersThatMustNotBeEmptied) {
  WriteFile(dir_ / "FileList.dat", "3;C:\\x;;\r\n");
  struct Case {
    std::string savePath;
    std::string text;
  };
  const std::vector<Case> cases = {
      {"", "保存先フォルダが設定されていません"},
      {"C:\\", "C:\\はドライブのルートなので削除できません"},
      {"C:", "C:はドライブのルートなので削除できません"},
      {"\\\\server\\share", "\\\\server\\shareはドライブのルートなので削除できません"},
      {dir_.path(), dir_.path() + "にはプログラムまたはリストファイルがあるので削除できません"},
      {".", ".にはプログラムまたはリストファイルがあるので削除できません"},
  };
  for (const Case& c : cases) {
    settings_.SavePath = c.savePath;
    EXPECT_TRUE(engine_.ClearBackups()) << c.savePath;
    EXPECT_EQ(engine_.GetLastErrorText(), c.text);
  }
  EXPECT_EQ(ReadFile(dir_ / "FileList.dat"), "3;C:\\x;;\r\n");

  // The folder that holds the program itself.
  std::string exe(MAX_PATH, '\0');
  exe.resize(GetModuleFileNameA(nullptr, exe.data(), MAX_PATH));
  settings_.SavePath = exe.substr(0, exe.rfind('\\'));
  EXPECT_TRUE(engine_.ClearBackups());
  EXPECT_TRUE(Exists(exe));
}

TEST_F(History, ClearReportsALockedFile) {
  WriteFile(Save("locked.txt"), "x");
  HANDLE h = CreateFileA(Save("locked.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  WriteHistory({Save("x")});
  EXPECT_TRUE(engine_.ClearBackups());
  CloseHandle(h);
  const std::string& text = engine_.GetLastErrorText();
  EXPECT_NE(text.find("locked.txt（"), std::string::npos) << "the entry and the cause: " << text;
  EXPECT_EQ(text.find("を削除できませんでした"), std::string::npos) << "no doubled verb: " << text;
  EXPECT_EQ(text.substr(text.size() - std::string("の削除に失敗しました").size()),
            "の削除に失敗しました");
  EXPECT_EQ(HistoryLines().size(), 1u) << "the file stays untouched";
}

TEST_F(History, AHistoryWriteFailureWhilePruningCostsNoGenerationAndTheNextRunCatchesUp) {
  settings_.HistoryNum = 2;
  WriteFile(Src("Data\\one.txt"), "1");
  AddTarget(Src("Data"), zelk::targets::ActiveFolder);
  for (int run = 0; run < 2; ++run) ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
  const std::string historyFile = dir_ / "History.dat";
  engine_.SetBeforePrune([&] { SetFileAttributesA(historyFile.c_str(), FILE_ATTRIBUTE_READONLY); });
  EXPECT_TRUE(engine_.RunBackup());
  EXPECT_NE(engine_.GetLastErrorText().find("History.dat"), std::string::npos) << engine_.GetLastErrorText();
  const std::vector<std::string> three = {Save(NameOfRun(0)), Save(NameOfRun(1)), Save(NameOfRun(2))};
  EXPECT_EQ(HistoryLines(), three);
  for (const std::string& generation : three) EXPECT_EQ(ReadFile(generation + "\\Data\\one.txt"), "1") << generation;

  engine_.SetBeforePrune(nullptr);
  SetFileAttributesA(historyFile.c_str(), FILE_ATTRIBUTE_NORMAL);
  ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
  EXPECT_EQ(HistoryLines(), (std::vector<std::string>{Save(NameOfRun(2)), Save(NameOfRun(3))}));
  EXPECT_FALSE(Exists(three[0]));
  EXPECT_FALSE(Exists(three[1]));
  EXPECT_EQ(ReadFile(Save(NameOfRun(3) + "\\Data\\one.txt")), "1");
}
