// Reading a plain generation back before it is named: what was written is
// compared with what was read from the sources; a generation that differs is
// no generation.
#include "engine_fixture.h"

using namespace zelk::testing;
using zelk::engine::RunResult;
using zelk::targets::ActiveFolder;

namespace {

class Verify : public EngineTest {
 protected:
  void SetUp() override {
    settings_.Verify = true;
    settings_.History = 1;
    settings_.HistoryNum = 3;
    WriteFile(Src("Data\\a.txt"), "a");
    WriteFile(Src("Data\\sub\\big.bin"), std::string(3 * 1024 * 1024 + 7, 'b'));
    AddTarget(Src("Data"), ActiveFolder);
  }
  // Damages the file at relative inside the staging entry once it is
  // complete, before it is read back.
  void DamageAfterWrite(const std::wstring& relative) {
    engine_.SetAfterWrite([relative](const std::wstring& staging) {
      const std::wstring path = staging + L"\\" + relative;
      HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
      DWORD written = 0;
      SetFilePointer(h, 1024 * 1024 + 3, nullptr, FILE_BEGIN);
      ::WriteFile(h, "X", 1, &written, nullptr);
      CloseHandle(h);
    });
  }
  std::vector<std::string> SaveFolderEntries() const {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(Save("*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
      if (data.cFileName[0] != '.') names.push_back(data.cFileName);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return names;
  }
};

}  // namespace

TEST_F(Verify, AGoodGenerationIsVerified) {
  ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
  EXPECT_TRUE(engine_.LastRunOutput().verified);
  EXPECT_EQ(engine_.LastRunOutput().result, RunResult::Success);
  settings_.Verify = false;
  ASSERT_FALSE(engine_.RunBackup());
  EXPECT_FALSE(engine_.LastRunOutput().verified);
}

TEST_F(Verify, ADamagedGenerationFailsAndLeavesTheOlderOnesWhole) {
  ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
  DamageAfterWrite(L"Data\\sub\\big.bin");
  EXPECT_TRUE(engine_.RunBackup());
  EXPECT_EQ(engine_.GetLastErrorText(), Save(NameOfRun(1) + "\\Data\\sub\\big.bin") + "の照合に失敗しました");
  EXPECT_EQ(HistoryLines(), std::vector<std::string>{Save(NameOfRun(0))}) << "nothing recorded";
  EXPECT_EQ(SaveFolderEntries(), std::vector<std::string>{NameOfRun(0)}) << "no staging entry left";
  EXPECT_EQ(ReadFile(Save(NameOfRun(0) + "\\Data\\sub\\big.bin")), std::string(3 * 1024 * 1024 + 7, 'b'));
}

TEST_F(Verify, FilesSharedByLinksAreNotReadAgain) {
  // Verified when first written: a damaged shared file is this run's
  // business only where the run wrote it.
  settings_.LinkUnchanged = true;
  ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
  WriteFile(Src("Data\\a.txt"), "a changed");
  DamageAfterWrite(L"Data\\sub\\big.bin");
  ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
  EXPECT_TRUE(engine_.LastRunOutput().verified);
  EXPECT_EQ(LinkCount(Save(NameOfRun(1) + "\\Data\\sub\\big.bin")), 2u);
  EXPECT_EQ(engine_.LastRunOutput().written.files, 1u) << "only a.txt was copied, and read back";
}
