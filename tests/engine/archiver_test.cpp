#include "engine/archiver_library.h"
#include "text/string_table.h"

#include "engine_fixture.h"
#include "unix_tools.h"

using namespace zelk::testing;
using namespace zelk::engine;
using zelk::targets::ActiveFile;
using zelk::targets::ActiveFolder;
using zelk::targets::PausedFile;
using zelk::testing::LockedFile;

namespace {

class Archivers : public EngineTest {
 protected:
  void SetUp() override {
    log_ = dir_ / "calls.log";
    SetEnvironmentVariableA("ZELK_FAKE_ARCHIVER_LOG", log_.c_str());
    settings_.History = 1;
  }
  void TearDown() override {
    SetArchiverFileName(1, "ZIP32J.DLL");
    SetArchiverFileName(2, "UNLHA32.DLL");
    SetEnvironmentVariableA("ZELK_FAKE_ARCHIVER_LOG", nullptr);
  }
  std::string Calls() const { return ReadFile(log_); }
  // The calls with the archive path they name replaced by "ARCHIVE"; the
  // archiver writes a staging entry of the save folder that ends in the
  // generation's name.
  std::string CallsToStagedArchive(const std::string& generation) const {
    std::string calls = Calls();
    const std::size_t open = calls.find('"');
    const std::size_t close = calls.find('"', open + 1);
    if (open == std::string::npos || close == std::string::npos) return calls;
    const std::string archive = calls.substr(open + 1, close - open - 1);
    EXPECT_EQ(archive.rfind(Save("~ZelkStaging."), 0), 0u) << archive;
    EXPECT_EQ(archive.substr(archive.size() - generation.size() - 1), "." + generation) << archive;
    for (std::size_t at = calls.find(archive); at != std::string::npos; at = calls.find(archive)) {
      calls.replace(at, archive.size(), "ARCHIVE");
    }
    return calls;
  }
  std::string log_;
};

}  // namespace

TEST_F(Archivers, LowestAcceptedVersionsAndMissingLibraries) {
  SetArchiverFileName(1, "fake_zip_v24.dll");
  EXPECT_TRUE(engine_.IsArchiverUnavailable(1));
  EXPECT_EQ(engine_.GetLastErrorText(), "fake_zip_v24.dllのバージョンが古いです");
  SetArchiverFileName(1, "fake_zip_v25.dll");
  EXPECT_FALSE(engine_.IsArchiverUnavailable(1));
  EXPECT_EQ(engine_.GetLastErrorText(), "");
  SetArchiverFileName(2, "fake_lzh_v99.dll");
  EXPECT_TRUE(engine_.IsArchiverUnavailable(2));
  EXPECT_EQ(engine_.GetLastErrorText(), "fake_lzh_v99.dllのバージョンが古いです");
  SetArchiverFileName(2, "fake_lzh_v100.dll");
  EXPECT_FALSE(engine_.IsArchiverUnavailable(2));
  EXPECT_EQ(GetArchiverVersion(2), 100);
  // Version numbers compare unsigned: 65535 is new, not -1.
  SetArchiverFileName(1, "fake_zip_v65535.dll");
  EXPECT_FALSE(engine_.IsArchiverUnavailable(1));
  EXPECT_EQ(GetArchiverVersion(1), 65535);

  SetArchiverFileName(2, "no-such-library.dll");
  EXPECT_TRUE(engine_.IsArchiverUnavailable(2));
  EXPECT_EQ(engine_.GetLastErrorText(), "no-such-library.dll未導入");
  EXPECT_FALSE(IsArchiverInstalled(2));
  EXPECT_EQ(GetArchiverVersion(2), -1);
  EXPECT_EQ(GetArchiverVersion(0), -1);
  EXPECT_EQ(GetArchiverVersion(3), -1);

  // A library without a version entry point is never called: not installed.
  SetArchiverFileName(1, "fake_zip_noversion.dll");
  EXPECT_TRUE(IsArchiverInstalled(1));
  EXPECT_TRUE(engine_.IsArchiverUnavailable(1));
  EXPECT_EQ(engine_.GetLastErrorText(), "fake_zip_noversion.dll未導入");
  EXPECT_EQ(GetArchiverVersion(1), -1);
}

TEST_F(Archivers, OneCallPerActiveTargetWithQuotedPaths) {
  SetArchiverFileName(1, "fake_zip_v25.dll");
  settings_.DefMode = 1;
  WriteFile(Src("a\\x.txt"), "x");
  MakeDirs(Src("Data"));
  AddTarget(Src("a\\x.txt"), ActiveFile);
  AddTarget(Src("skipped.txt"), PausedFile);
  AddTarget(Src("Data"), ActiveFolder);
  ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
  const std::string archive = Save(NameOfRun(0) + ".zip");
  EXPECT_EQ(CallsToStagedArchive(NameOfRun(0) + ".zip"),
            "-qrS \"ARCHIVE\" \"" + Src("a") + "\" \"x.txt\"\n" +
                "-qrS \"ARCHIVE\" \"" + dir_.path() + "\\src\" \"Data\"\n");
  EXPECT_EQ(HistoryLines(), std::vector<std::string>{archive});
  EXPECT_EQ(ReadFile(archive).substr(0, 6), "-qrS \"") << "renamed once complete";

  SetArchiverFileName(2, "fake_lzh_v100.dll");
  settings_.DefMode = 2;
  DeleteFileA(log_.c_str());
  ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
  EXPECT_EQ(Calls().substr(0, 22), "a -a1 -d1 -n1 -r2x1 \"" + Save().substr(0, 1));
}

TEST_F(Archivers, CommandLinesAreNeverCut) {
  const std::string folder = "C:\\" + std::string(250, 'f') + "\\" + std::string(250, 'g');
  const std::string name = std::string(300, 'n') + ".txt";
  const std::string archive = "D:\\" + std::string(246, 'a') + ".zip";
  const std::string line = ArchiverCommandLine(*FindArchiver(1), archive, folder + "\\" + name);
  EXPECT_EQ(line, "-qrS \"" + archive + "\" \"" + folder + "\" \"" + name + "\"");
  EXPECT_GT(line.size(), 1024u);
  // A drive root target is named by its folder "C:\" and an empty name.
  EXPECT_EQ(ArchiverCommandLine(*FindArchiver(2), "x.lzh", "C:\\Data"),
            "a -a1 -d1 -n1 -r2x1 \"x.lzh\" \"C:\\\" \"Data\"");
}

TEST_F(Archivers, KeepNoneArchiveRunRecordsExactlyTheNewArchive) {
  SetArchiverFileName(1, "fake_zip_v25.dll");
  settings_.DefMode = 1;
  settings_.History = 0;
  WriteFile(Save("old.zip"), "old");
  WriteHistory({Save("old.zip"), Save("older.zip")});
  ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
  EXPECT_EQ(Calls(), "") << "no active target: no call, no archive";
  EXPECT_EQ(ReadFile(Save("old.zip")), "old") << "nothing replaces the previous copy";
  EXPECT_EQ(HistoryLines(), (std::vector<std::string>{Save("old.zip"), Save("older.zip")}));

  WriteFile(Src("a.txt"), "a");
  AddTarget(Src("a.txt"), ActiveFile);
  ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
  EXPECT_FALSE(Exists(Save("old.zip")));
  EXPECT_TRUE(Exists(Save(NameOfRun(1) + ".zip")));
  EXPECT_EQ(HistoryLines(), std::vector<std::string>{Save(NameOfRun(1) + ".zip")});
}

TEST_F(Archivers, FailuresAndTheirTexts) {
  settings_.DefMode = 1;
  WriteFile(Src("a.txt"), "a");
  WriteFile(Src("FAIL.txt"), "b");
  AddTarget(Src("a.txt"), ActiveFile);
  AddTarget(Src("FAIL.txt"), ActiveFile);
  AddTarget(Src("a.txt"), ActiveFile);

  // Checked before the save folder is looked at.
  SetArchiverFileName(1, "absent.dll");
  EXPECT_TRUE(engine_.RunBackup());
  EXPECT_EQ(engine_.GetLastErrorText(), "absent.dll未導入");
  EXPECT_FALSE(Exists(Save()));

  SetArchiverFileName(1, "fake_zip_v25.dll");
  EXPECT_TRUE(engine_.RunBackup());
  EXPECT_EQ(engine_.GetLastErrorText(), "圧縮エラー（cannot store FAIL: stand-in failure）");
  const std::string calls = Calls();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), '\n'), 2) << "stops at the failing target";
  // The half-made archive is gone, nothing was recorded.
  EXPECT_TRUE(HistoryLines().empty());
  EXPECT_FALSE(FileInDirectory(Save()));

  SetArchiverFileName(1, "fake_zip_noentry.dll");
  EXPECT_TRUE(engine_.RunBackup());
  EXPECT_EQ(engine_.GetLastErrorText(), "fake_zip_noentry.dll内に必要な情報が見つかりません");
  EXPECT_TRUE(HistoryLines().empty());

  SetArchiverFileName(1, "absent.dll");
  zelk::plan::RunPlan plan;
  zelk::engine::ArchiveRequest request;
  request.format = 1;
  request.plan = &plan;
  request.archivePath = Save("x.zip");
  const auto archived = ArchiveTargets(request);
  ASSERT_TRUE(archived.failure.has_value());
  EXPECT_EQ(zelk::text::ToText(*archived.failure), "absent.dllが見つかりません");
}

namespace {

using zelk::testing::RunUnix;
using zelk::testing::UnixPath;

// Runs of our own ZIP32J.DLL and UNLHA32.DLL, their archives read back by
// Info-ZIP unzip and lhasa.
class OurArchivers : public Archivers {
 protected:
  const RunOutput& Out() const { return engine_.LastRunOutput(); }
  std::string Generation(int run, int format) const {
    return Save(NameOfRun(run) + (format == 1 ? ".zip" : format == 2 ? ".lzh" : ""));
  }
  // Every folder and file of a tree as Linux lists it, one relative path a
  // line in sorted order.
  std::string Listing(const std::string& folder) {
    const std::string list = dir_ / ("list" + std::to_string(++listed_) + ".txt");
    EXPECT_EQ(RunUnix("cd '" + UnixPath(folder) + "' && find . | LC_ALL=C sort > '" + UnixPath(list) + "'"), 0);
    return ReadFile(list);
  }
  // What a generation holds: a plain one as it is, an archive as unzip or
  // lhasa extract it (both check every entry's CRC).
  std::string Holds(int run, int format) {
    if (format == 0) return Listing(Generation(run, 0));
    const std::string out = dir_ / ("out" + std::to_string(++listed_));
    MakeDirs(out);
    const std::string a = UnixPath(Generation(run, format));
    const std::string o = UnixPath(out);
    const std::string extract = format == 1 ? "unzip -q '" + a + "' -d '" + o + "'" : "lhasa xqfw='" + o + "' '" + a + "'";
    EXPECT_EQ(RunUnix(extract), 0) << extract;
    return Listing(out);
  }
  int listed_ = 0;
};

constexpr int kFormats[] = {1, 2};

}  // namespace

TEST_F(OurArchivers, AHeldFileIsLeftOutAndTheRunIsPartlyFailed) {
  WriteFile(Src("Data\\one.txt"), "1");
  WriteFile(Src("Data\\held.txt"), "h");
  WriteFile(Src("Data\\sub\\two.txt"), "2");
  AddTarget(Src("Data"), ActiveFolder);
  LockedFile held(Src("Data\\held.txt"));
  ASSERT_TRUE(held.ok());
  for (int run = 0; run < 2; ++run) {
    const int format = kFormats[run];
    settings_.DefMode = format;
    ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
    EXPECT_EQ(Out().result, RunResult::PartlyFailed) << format;
    ASSERT_EQ(Out().skipped.size(), 1u) << format;
    EXPECT_EQ(Out().skipped[0].path, Src("Data\\held.txt"));
    EXPECT_EQ(Out().skipped[0].reason, zelk::fileutil::ErrorString(ERROR_SHARING_VIOLATION));
    EXPECT_FALSE(Out().skipped[0].carried) << "an archive has no earlier copy";
    EXPECT_EQ(Out().written.files, 2u);
    EXPECT_EQ(Holds(run, format), ".\n./Data\n./Data/one.txt\n./Data/sub\n./Data/sub/two.txt\n") << format;
  }
}

TEST_F(OurArchivers, AFileOf4GiBInLzhIsLeftOutNotAFailure) {
  WriteFile(Src("Big\\small.txt"), "small");
  ASSERT_EQ(RunUnix("truncate -s 4G '" + UnixPath(Src("Big\\big.bin")) + "'"), 0);
  AddTarget(Src("Big"), ActiveFolder);
  settings_.DefMode = 2;
  ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
  EXPECT_EQ(Out().result, RunResult::PartlyFailed);
  ASSERT_EQ(Out().skipped.size(), 1u);
  EXPECT_EQ(Out().skipped[0].path, Src("Big\\big.bin"));
  EXPECT_NE(Out().skipped[0].reason.find("4 GiB"), std::string::npos) << Out().skipped[0].reason;
  EXPECT_EQ(Holds(0, 2), ".\n./Big\n./Big/small.txt\n");
}

TEST_F(OurArchivers, AFolderTargetThatIsALinkIsArchivedWithItsFiles) {
  WriteFile(Src("Real\\a.txt"), "a");
  WriteFile(Src("Real\\sub\\b.txt"), "b");
  ASSERT_EQ(RunUnix("ln -s '" + UnixPath(Src("Real")) + "' '" + UnixPath(Src("Link")) + "'"), 0);
  AddTarget(Src("Link"), ActiveFolder);
  for (int run = 0; run < 2; ++run) {
    settings_.DefMode = kFormats[run];
    ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
    EXPECT_EQ(Out().result, RunResult::Success);
    EXPECT_EQ(Holds(run, kFormats[run]), ".\n./Link\n./Link/a.txt\n./Link/sub\n./Link/sub/b.txt\n");
  }
  RunUnix("rm '" + UnixPath(Src("Link")) + "'");
}

TEST_F(OurArchivers, PlainZipAndLzhHoldTheSameFilesUnderEveryKindOfPattern) {
  for (const char* file : {"keep.txt", "x.tmp", "~$doc.docx", "Thumbs.db", "obj\\o.obj", "sub\\obj", "build\\b.bin",
                           "sub\\build\\kept.bin", "sub\\cache\\c.txt", "cache\\top.txt", "sub\\main.c"}) {
    WriteFile(Src(std::string("Data\\") + file), file);
  }
  AddTarget(Src("Data"), ActiveFolder);
  settings_.Exclude = "*.tmp; ~$*;thumbs.DB;obj\\;Data\\build\\;Data\\*\\cache\\;Data";
  const std::string expected =
      ".\n./Data\n./Data/cache\n./Data/cache/top.txt\n./Data/keep.txt\n./Data/sub\n./Data/sub/build\n"
      "./Data/sub/build/kept.bin\n./Data/sub/main.c\n./Data/sub/obj\n";
  for (int format = 0; format < 3; ++format) {
    settings_.DefMode = format;
    ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
    EXPECT_EQ(Holds(format, format), expected) << format;
  }
}

TEST_F(Archivers, ALibraryWithoutOurExtensionsIsNeverAskedToExclude) {
  // Without patterns it gets today's line (OneCallPerActiveTargetWithQuotedPaths).
  SetArchiverFileName(1, "fake_zip_v25.dll");
  settings_.DefMode = 1;
  settings_.Exclude = "*.tmp";
  WriteFile(Src("Data\\a.txt"), "a");
  AddTarget(Src("Data"), ActiveFolder);
  EXPECT_TRUE(engine_.RunBackup());
  EXPECT_EQ(engine_.GetLastErrorText(), "fake_zip_v25.dllは除外するファイル・フォルダの指定に対応していません");
  EXPECT_EQ(Calls(), "");
  EXPECT_TRUE(HistoryLines().empty());
}
