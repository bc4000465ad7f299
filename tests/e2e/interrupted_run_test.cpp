// The real Zelk.exe killed in the middle of a run, as a crash or a power cut
// would end it: the older generations stay whole, and the next run removes
// what the killed one left and succeeds. And the clear-backups command, which
// deletes every backup, asks first.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "res/resource.h"
#include "zelk_process.h"

using namespace zelk::e2e;
using zelk::testing::ReadFile;
using zelk::testing::WriteFile;

namespace {

bool IsStaging(const std::string& name) { return name.rfind("~Zelk", 0) == 0; }

struct Mode {
  int history;
  int defMode;
  const char* name;
};

class InterruptedRun : public ::testing::TestWithParam<Mode> {
 protected:
  void SetUp() override {
    // Enough files that a run takes a few seconds.
    unsigned seed = 12345;
    std::string block(4096, '\0');
    for (int file = 0; file < kFiles; ++file) {
      for (char& c : block) c = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 24);
      WriteFile(zelk_.Path("src\\Big\\d" + std::to_string(file % 10) + "\\f" + std::to_string(file) + ".bin"),
                block);
    }
    WriteFile(zelk_.Path("src\\Big\\a.txt"), "a");
    zelk_.WriteIni("SavePath=" + zelk_.Path("save") + "\r\nHistory=" + std::to_string(GetParam().history) +
                   "\r\nHistoryNum=3\r\nDefMode=" + std::to_string(GetParam().defMode) + "\r\n");
    zelk_.WriteFileList({"3;" + zelk_.Path("src\\Big") + ";;"});
  }
  void BackupNow() {
    zelk_.Command(ID_BACKUP_NOW);
    MessageBoxSeen box = zelk_.WaitForBox(120000);
    ASSERT_NE(box.window, nullptr);
    EXPECT_EQ(box.text, "バックアップが完了しました") << box.caption;
    ZelkProcess::Press(box, IDOK);
  }
  // What the save folder holds that is not a staging entry.
  std::vector<std::string> Generations() const {
    std::vector<std::string> names = Entries(zelk_.Path("save"));
    std::erase_if(names, IsStaging);
    return names;
  }
  void ExpectWhole(const std::vector<std::string>& generations) {
    for (const std::string& name : generations) {
      const std::string path = zelk_.Path("save\\" + name);
      if (GetParam().defMode == 1) {
        EXPECT_EQ(RunUnix("unzip -tq '" + UnixPath(path) + "' >/dev/null"), 0) << name;
      } else if (GetParam().history != 0) {
        EXPECT_EQ(ReadFile(path + "\\Big\\a.txt"), "a") << name;
        EXPECT_EQ(ReadFile(path + kLastFile).size(), 4096u) << name;
      } else {
        EXPECT_EQ(ReadFile(zelk_.Path("save") + kLastFile).size(), 4096u);
      }
    }
  }

  static constexpr int kFiles = 1500;
  const std::string kLastFile = "\\Big\\d9\\f1499.bin";
  ZelkProcess zelk_;
};

}  // namespace

TEST_P(InterruptedRun, KilledMidRunLeavesOlderGenerationsWholeAndTheNextRunRecovers) {
  zelk_.Start();
  BackupNow();
  const std::vector<std::string> before = Generations();
  const std::string history = ReadFile(zelk_.Path("History.dat"));
  ASSERT_EQ(before.size(), 1u);

  Sleep(1100);  // a new generation name
  zelk_.Command(ID_BACKUP_NOW);
  bool staged = false;
  for (int waited = 0; waited < 30000 && !staged; waited += 5) {
    const std::vector<std::string> names = Entries(zelk_.Path("save"));
    staged = std::any_of(names.begin(), names.end(), IsStaging);
    if (!staged) Sleep(5);
  }
  ASSERT_TRUE(staged) << "the run was not seen writing";
  Sleep(300);
  zelk_.Kill();
  EXPECT_EQ(Generations(), before);
  EXPECT_EQ(ReadFile(zelk_.Path("History.dat")), history);
  ExpectWhole(before);

  zelk_.Start();
  Sleep(1100);
  BackupNow();
  EXPECT_TRUE(zelk_.ExitFromWindow());
  const std::vector<std::string> after = Entries(zelk_.Path("save"));
  EXPECT_EQ(std::count_if(after.begin(), after.end(), IsStaging), 0);
  EXPECT_EQ(after.size(), GetParam().history != 0 ? 2u : 1u);
  ExpectWhole(after);
}

INSTANTIATE_TEST_SUITE_P(EveryKind, InterruptedRun,
                         ::testing::Values(Mode{1, 0, "Plain"}, Mode{1, 1, "Zip"}, Mode{0, 0, "KeepNone"}),
                         [](const auto& mode) { return std::string(mode.param.name); });

TEST(ClearBackups, AsksFirstAndNoDeletesNothing) {
  ZelkProcess zelk;
  zelk.WriteIni("SavePath=" + zelk.Path("save") + "\r\nHistory=1\r\nHistoryNum=3\r\nDefMode=0\r\n");
  WriteFile(zelk.Path("save\\03.07.06.10.00.00\\a.txt"), "a");
  zelk.Start();
  zelk.Command(ID_CLEAR_BACKUPS);
  MessageBoxSeen box = zelk.WaitForBox();
  ASSERT_NE(box.window, nullptr);
  EXPECT_EQ(box.text, "保存先フォルダの中のバックアップとファイルはすべて削除されます\nよろしいですか？");
  EXPECT_EQ(box.caption, zelk.Path("save"));
  ZelkProcess::Press(box, IDNO);
  EXPECT_EQ(ReadFile(zelk.Path("save\\03.07.06.10.00.00\\a.txt")), "a");

  zelk.Command(ID_CLEAR_BACKUPS);
  box = zelk.WaitForBox();
  ASSERT_NE(box.window, nullptr);
  ZelkProcess::Press(box, IDYES);
  box = zelk.WaitForBox();
  ASSERT_NE(box.window, nullptr);
  EXPECT_EQ(box.text, "削除が完了しました");
  ZelkProcess::Press(box, IDOK);
  EXPECT_TRUE(Entries(zelk.Path("save")).empty());
  EXPECT_TRUE(zelk.ExitFromWindow());
}
