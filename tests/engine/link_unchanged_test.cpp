// Plain runs that share unchanged files with the newest complete copy by
// hard links: what each generation holds, how many names each file has (as
// Windows and as Linux count them), and that deleting one generation leaves
// the others exactly as they were.
#include <windows.h>

#include <atomic>

#include "engine/run_record.h"
#include "engine_fixture.h"
#include "fileutil/wide_path.h"
#include "unix_tools.h"

using namespace zelk::testing;
using zelk::targets::ActiveFile;
using zelk::targets::ActiveFolder;

namespace {

BY_HANDLE_FILE_INFORMATION FileInfo(const std::string& path) {
  BY_HANDLE_FILE_INFORMATION info{};
  HANDLE h = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, 0, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    GetFileInformationByHandle(h, &info);
    CloseHandle(h);
  }
  return info;
}

DWORD Links(const std::string& path) { return FileInfo(path).nNumberOfLinks; }

bool SameData(const std::string& a, const std::string& b) {
  const BY_HANDLE_FILE_INFORMATION x = FileInfo(a);
  const BY_HANDLE_FILE_INFORMATION y = FileInfo(b);
  return x.nNumberOfLinks != 0 && x.dwVolumeSerialNumber == y.dwVolumeSerialNumber &&
         x.nFileIndexHigh == y.nFileIndexHigh && x.nFileIndexLow == y.nFileIndexLow;
}

// The link count as `stat` on the Linux side sees it.
bool UnixLinksAre(const std::string& path, int count) {
  return RunUnix("test $(stat -c %h '" + UnixPath(path) + "') = " + std::to_string(count)) == 0;
}

std::atomic<int> linkCalls{0};  // the copy links on several threads
unsigned long FailingLink(const wchar_t*, const wchar_t*) {
  ++linkCalls;
  return ERROR_NOT_SUPPORTED;
}
// Links like the system, except the second call, which meets a file at its
// link limit.
unsigned long SecondLinkAtLimit(const wchar_t* newName, const wchar_t* existing) {
  if (++linkCalls == 2) return ERROR_TOO_MANY_LINKS;
  return CreateHardLinkW(newName, existing, nullptr) ? 0 : GetLastError();
}

class LinkUnchanged : public EngineTest {
 protected:
  void SetUp() override {
    linkCalls = 0;
    settings_.LinkUnchanged = true;
    settings_.History = 1;
    settings_.HistoryNum = 3;
    WriteFile(Src("Data\\same.txt"), "same");
    WriteFile(Src("Data\\sub\\edit.txt"), "v1");
    WriteFile(Src("Data\\gone.txt"), "gone");
    WriteFile(Src("note.txt"), "note");
    AddTarget(Src("Data"), ActiveFolder);
    AddTarget(Src("note.txt"), ActiveFile);
  }
  std::string Gen(int run, const std::string& rel) const { return Save(NameOfRun(run) + "\\" + rel); }
  void Run() { ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText(); }
};

}  // namespace

TEST_F(LinkUnchanged, UnchangedFilesAreSharedChangedNewAndDeletedOnesAreNot) {
  Run();
  WriteFile(Src("Data\\sub\\edit.txt"), "v2 longer");
  DeleteFileA(Src("Data\\gone.txt").c_str());
  WriteFile(Src("Data\\new.txt"), "new");
  Run();
  Run();

  for (int run = 0; run < 3; ++run) {
    EXPECT_EQ(ReadFile(Gen(run, "Data\\same.txt")), "same");
    EXPECT_EQ(Links(Gen(run, "Data\\same.txt")), 3u) << run;
    EXPECT_TRUE(UnixLinksAre(Gen(run, "Data\\same.txt"), 3)) << run;
    EXPECT_EQ(Links(Gen(run, "note.txt")), 3u) << "a file target is shared too";
    EXPECT_TRUE(IsFolder(Gen(run, "Data\\sub")));
  }
  EXPECT_EQ(ReadFile(Gen(0, "Data\\sub\\edit.txt")), "v1");
  EXPECT_EQ(Links(Gen(0, "Data\\sub\\edit.txt")), 1u);
  EXPECT_TRUE(UnixLinksAre(Gen(0, "Data\\sub\\edit.txt"), 1));
  EXPECT_EQ(ReadFile(Gen(0, "Data\\gone.txt")), "gone");
  EXPECT_EQ(Links(Gen(0, "Data\\gone.txt")), 1u);
  EXPECT_FALSE(Exists(Gen(1, "Data\\gone.txt")));
  for (int run = 1; run < 3; ++run) {
    EXPECT_EQ(ReadFile(Gen(run, "Data\\sub\\edit.txt")), "v2 longer");
    EXPECT_EQ(ReadFile(Gen(run, "Data\\new.txt")), "new");
    EXPECT_EQ(Links(Gen(run, "Data\\sub\\edit.txt")), 2u);
    EXPECT_TRUE(UnixLinksAre(Gen(run, "Data\\new.txt"), 2));
  }
  EXPECT_TRUE(SameData(Gen(1, "Data\\new.txt"), Gen(2, "Data\\new.txt")));

  // A fourth run prunes the oldest generation: the others lose one name each.
  Run();
  EXPECT_FALSE(Exists(Save(NameOfRun(0))));
  EXPECT_EQ(Links(Gen(1, "Data\\same.txt")), 3u);
  EXPECT_TRUE(UnixLinksAre(Gen(3, "Data\\same.txt"), 3));
  EXPECT_EQ(ReadFile(Gen(3, "Data\\same.txt")), "same");
}

TEST_F(LinkUnchanged, OffCopiesEveryFile) {
  settings_.LinkUnchanged = false;
  Run();
  Run();
  EXPECT_EQ(Links(Gen(1, "Data\\same.txt")), 1u);
  EXPECT_TRUE(UnixLinksAre(Gen(0, "note.txt"), 1));
  EXPECT_FALSE(SameData(Gen(0, "Data\\same.txt"), Gen(1, "Data\\same.txt")));
}

TEST_F(LinkUnchanged, PruningKeepsReadOnlyOnTheGenerationsThatShareTheFile) {
  settings_.HistoryNum = 2;
  ASSERT_TRUE(SetFileAttributesA(Src("Data\\same.txt").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  Run();
  Run();
  const DWORD before = Attributes(Gen(1, "Data\\same.txt"));
  ASSERT_NE(before & FILE_ATTRIBUTE_READONLY, 0u);
  Run();  // three generations share the file; the oldest is pruned
  EXPECT_FALSE(Exists(Save(NameOfRun(0))));
  for (int run = 1; run < 3; ++run) {
    EXPECT_EQ(Attributes(Gen(run, "Data\\same.txt")), before) << run;
    EXPECT_EQ(ReadFile(Gen(run, "Data\\same.txt")), "same");
    EXPECT_EQ(Links(Gen(run, "Data\\same.txt")), 2u);
  }
  EXPECT_TRUE(RunUnix("test ! -w '" + UnixPath(Gen(2, "Data\\same.txt")) + "' || test $(id -u) = 0") == 0);
  SetFileAttributesA(Src("Data\\same.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(LinkUnchanged, ARunWhoseFirstLinkFailsCopiesEverything) {
  engine_.SetLinkFunction(FailingLink);
  Run();
  Run();
  EXPECT_EQ(linkCalls, 1) << "tried once per run";
  EXPECT_EQ(ReadFile(Gen(1, "Data\\same.txt")), "same");
  EXPECT_EQ(Links(Gen(1, "Data\\same.txt")), 1u);
  EXPECT_EQ(Links(Gen(1, "note.txt")), 1u);
}

TEST_F(LinkUnchanged, AFileAtItsLinkLimitIsCopiedAndTheOthersStillShared) {
  engine_.SetLinkFunction(SecondLinkAtLimit);
  WriteFile(Src("Data\\third.txt"), "3");
  Run();
  Run();
  EXPECT_EQ(linkCalls, 5);
  int copied = 0;
  for (const char* rel : {"Data\\same.txt", "Data\\sub\\edit.txt", "Data\\gone.txt", "Data\\third.txt", "note.txt"}) {
    EXPECT_EQ(ReadFile(Gen(1, rel)), ReadFile(Gen(0, rel)));
    if (Links(Gen(1, rel)) == 1u) ++copied;
  }
  EXPECT_EQ(copied, 1);
}

TEST_F(LinkUnchanged, KeepNoneSharesWithThePreviousCopyAndKeepsItsAttributes) {
  settings_.History = 0;
  ASSERT_TRUE(SetFileAttributesA(Src("note.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  Run();
  const BY_HANDLE_FILE_INFORMATION first = FileInfo(Save("Data\\same.txt"));
  const DWORD attributes = Attributes(Save("note.txt"));
  WriteFile(Src("Data\\sub\\edit.txt"), "v2 longer");
  Run();
  const BY_HANDLE_FILE_INFORMATION second = FileInfo(Save("Data\\same.txt"));
  EXPECT_EQ(second.nFileIndexLow, first.nFileIndexLow) << "the same data, not a copy";
  EXPECT_EQ(second.nNumberOfLinks, 1u) << "the previous copy is gone";
  EXPECT_EQ(Attributes(Save("note.txt")), attributes);
  EXPECT_NE(attributes & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_EQ(ReadFile(Save("note.txt")), "note");
  EXPECT_EQ(ReadFile(Save("Data\\sub\\edit.txt")), "v2 longer");
  EXPECT_EQ(ReadFile(Save("Data\\gone.txt")), "gone");
  EXPECT_TRUE(HistoryLines().empty());
  SetFileAttributesA(Src("note.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(LinkUnchanged, AnInterruptedRunLeavesNoLinkIntoAStagingEntry) {
  Run();
  // A run killed while writing left its staging entry, sharing a file with
  // the generation before it.
  const std::string staging = Save("~ZelkStaging.1f-2a-0." + NameOfRun(1));
  ASSERT_EQ(zelk::engine::WriteRunRecord(zelk::fileutil::ToWide(Save()), "1f-2a-0"), 0u);
  MakeDirs(staging + "\\Data");
  ASSERT_TRUE(CreateHardLinkA((staging + "\\Data\\same.txt").c_str(), Gen(0, "Data\\same.txt").c_str(), nullptr));
  WriteFile(staging + "\\Data\\sub\\edit.txt", "v1");
  Run();
  EXPECT_FALSE(Exists(staging));
  EXPECT_EQ(HistoryLines(), (std::vector<std::string>{Save(NameOfRun(0)), Save(NameOfRun(1))}));
  // Every shared file of the new generation is shared with the complete one
  // before it, and with nothing else.
  for (const char* rel : {"Data\\same.txt", "Data\\sub\\edit.txt", "note.txt"}) {
    EXPECT_TRUE(SameData(Gen(1, rel), Gen(0, rel))) << rel;
    EXPECT_EQ(Links(Gen(1, rel)), 2u) << rel;
  }
}
