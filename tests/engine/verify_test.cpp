// Reading a generation back before it is named: a plain copy is compared
// with what was read from the sources, an archive is read through our own
// readers and compared with what the run added; a generation that differs is
// no generation.
#include <random>

#include "engine_fixture.h"
#include "fileutil/wide_path.h"

using namespace zelk::testing;
using zelk::engine::RunResult;
using zelk::targets::ActiveFolder;

namespace {

// Incompressible, so that an archive keeps it at full size.
std::string Noise(std::size_t size) {
  std::mt19937 rng(3);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(rng());
  return bytes;
}

constexpr int kFormats[] = {0, 1, 2};  // plain, zip, lzh

class Verify : public EngineTest {
 protected:
  void SetUp() override {
    settings_.Verify = true;
    settings_.History = 1;
    settings_.HistoryNum = 9;
    std::string text;
    for (int i = 0; i < 5000; ++i) text += "line " + std::to_string(i) + "\r\n";
    WriteFile(Src("Data\\a.txt"), text);
    WriteFile(Src("Data\\sub\\big.bin"), big_);
    AddTarget(Src("Data"), ActiveFolder);
  }
  void TearDown() override { engine_.SetAfterWrite(nullptr); }
  // The generation of the n-th run in format, as it is named.
  std::string Generation(int run, int format) const {
    return Save(NameOfRun(run) + (format == 1 ? ".zip" : format == 2 ? ".lzh" : ""));
  }
  // Damages the file at relative inside the staging entry (the staging
  // archive itself when empty) once it is complete, before it is read back.
  void DamageAfterWrite(const std::wstring& relative) {
    engine_.SetAfterWrite([relative](const std::wstring& staging) {
      const std::wstring path = relative.empty() ? staging : staging + L"\\" + relative;
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
  const std::string big_ = Noise(3 * 1024 * 1024 + 7);
};

}  // namespace

TEST_F(Verify, AGoodGenerationIsVerified) {
  // A second target of the same name takes its variant in every format.
  WriteFile(Src("other\\Data\\b.txt"), "b");
  AddTarget(Src("other\\Data"), ActiveFolder);
  for (int format : kFormats) {
    settings_.DefMode = format;
    ASSERT_FALSE(engine_.RunBackup()) << format << ": " << engine_.GetLastErrorText();
    EXPECT_TRUE(engine_.LastRunOutput().verified) << format;
    EXPECT_EQ(engine_.LastRunOutput().result, RunResult::Success) << format;
  }
  settings_.Verify = false;
  ASSERT_FALSE(engine_.RunBackup());
  EXPECT_FALSE(engine_.LastRunOutput().verified);
}

TEST_F(Verify, ADamagedGenerationFailsAndLeavesTheOlderOnesWhole) {
  int run = 0;
  for (int format : kFormats) {
    settings_.DefMode = format;
    engine_.SetAfterWrite(nullptr);
    ASSERT_FALSE(engine_.RunBackup()) << format << ": " << engine_.GetLastErrorText();
    const std::string older = Generation(run++, format);
    const std::string olderBytes = ReadFile(format == 0 ? older + "\\Data\\sub\\big.bin" : older);
    const std::vector<std::string> history = HistoryLines();
    const std::vector<std::string> entries = SaveFolderEntries();

    DamageAfterWrite(format == 0 ? L"Data\\sub\\big.bin" : L"");
    EXPECT_TRUE(engine_.RunBackup()) << format;
    EXPECT_EQ(engine_.GetLastErrorText(), Generation(run++, format) + "\\Data\\sub\\big.bin" + "の照合に失敗しました");
    EXPECT_EQ(HistoryLines(), history) << format << ": nothing recorded";
    EXPECT_EQ(SaveFolderEntries(), entries) << format << ": no staging entry left";
    EXPECT_EQ(ReadFile(format == 0 ? older + "\\Data\\sub\\big.bin" : older), olderBytes) << format;
  }
}

TEST_F(Verify, AnArchiveWithoutAFileTheRunAddedFailsUnlessTheFileIsGone) {
  // The archive made before this run's new file stands in for this run's: a
  // file the run added is missing from it; a file deleted after the plan,
  // before the library walked its folder, is not looked for.
  int run = 0;
  for (int format : {1, 2}) {
    for (bool deleted : {false, true}) {
      settings_.DefMode = format;
      engine_.SetAfterWrite(nullptr);
      ASSERT_FALSE(engine_.RunBackup()) << format << ": " << engine_.GetLastErrorText();
      const std::string older = Generation(run++, format);
      const std::vector<std::string> history = HistoryLines();
      const std::string added = "Data\\sub\\new" + std::to_string(run) + ".txt";
      WriteFile(Src(added), "new");
      const std::string source = deleted ? Src(added) : std::string();
      engine_.SetAfterWrite([older, source](const std::wstring& staging) {
        CopyFileW(zelk::fileutil::ToWide(older).c_str(), staging.c_str(), FALSE);
        if (!source.empty()) DeleteFileA(source.c_str());
      });
      const bool failed = engine_.RunBackup();
      const std::string generation = Generation(run++, format);
      if (deleted) {
        EXPECT_FALSE(failed) << format << ": " << engine_.GetLastErrorText();
        EXPECT_TRUE(engine_.LastRunOutput().verified) << format;
        continue;
      }
      EXPECT_TRUE(failed) << format;
      EXPECT_EQ(engine_.GetLastErrorText(), generation + "\\" + added + "の照合に失敗しました");
      EXPECT_EQ(HistoryLines(), history) << format;
    }
  }
}

TEST_F(Verify, WhatALibraryLeftOutIsNotLookedFor) {
  WriteFile(Src("Data\\held.txt"), "h");
  LockedFile held(Src("Data\\held.txt"));
  ASSERT_TRUE(held.ok());
  for (int format : {1, 2}) {
    settings_.DefMode = format;
    ASSERT_FALSE(engine_.RunBackup()) << format << ": " << engine_.GetLastErrorText();
    EXPECT_EQ(engine_.LastRunOutput().result, RunResult::PartlyFailed) << format;
    EXPECT_TRUE(engine_.LastRunOutput().verified) << format;
  }
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
