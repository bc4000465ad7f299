// What a run reports it wrote, for the run log: the generation's path, and
// the files and bytes copied (plain) or added to the archive, counted against
// a known tree.
#include "engine/archiver_library.h"
#include "engine_fixture.h"

using namespace zelk::testing;
using zelk::engine::SetArchiverFileName;
using zelk::targets::ActiveFile;
using zelk::targets::ActiveFolder;
using zelk::targets::PausedFile;

namespace {

class RunOutput : public EngineTest {
 protected:
  // 3 files of 3 + 1000 + 4 bytes, an empty folder, a paused file, and the
  // save folder inside the folder target with a file of its own.
  void SetUp() override {
    settings_.History = 1;
    settings_.HistoryNum = 5;
    settings_.SavePath = Src("Data\\backups");
    WriteFile(Src("Data\\a.txt"), "abc");
    WriteFile(Src("Data\\sub\\b.bin"), std::string(1000, 'b'));
    MakeDirs(Src("Data\\empty"));
    WriteFile(Src("Data\\backups\\mine.txt"), "not a target");
    WriteFile(Src("note.txt"), "note");
    WriteFile(Src("paused.txt"), "paused");
    AddTarget(Src("Data"), ActiveFolder);
    AddTarget(Src("note.txt"), ActiveFile);
    AddTarget(Src("paused.txt"), PausedFile);
  }
  void TearDown() override { SetArchiverFileName(1, "ZIP32J.DLL"); }
  void Run() { ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText(); }
  void ExpectWritten(std::uint64_t files, std::uint64_t bytes, const std::string& generation) {
    EXPECT_EQ(engine_.LastRunOutput().written.files, files);
    EXPECT_EQ(engine_.LastRunOutput().written.bytes, bytes);
    EXPECT_EQ(engine_.LastRunOutput().generation, generation);
  }
};

}  // namespace

TEST_F(RunOutput, PlainRunsCountTheFilesTheyCopiedNotThoseTheyShared) {
  Run();
  ExpectWritten(3, 1007, Save(NameOfRun(0)));

  // Shared by hard links, unchanged files are not written again.
  settings_.LinkUnchanged = true;
  WriteFile(Src("Data\\sub\\b.bin"), std::string(2000, 'c'));
  Run();
  ExpectWritten(1, 2000, Save(NameOfRun(1)));

  // Keeping none, the generation is the save folder itself.
  settings_.LinkUnchanged = false;
  settings_.History = 0;
  Run();
  ExpectWritten(3, 2007, Save());
}

TEST_F(RunOutput, ArchiveRunsCountTheTargetsAddedBeforeCompression) {
  SetArchiverFileName(1, "fake_zip_v25.dll");
  settings_.DefMode = 1;
  Run();
  ExpectWritten(3, 1007, Save(NameOfRun(0) + ".zip"));

  // A failure reports the generation it was making and what went in before.
  AddTarget(Src("FAIL.txt"), ActiveFile);
  WriteFile(Src("FAIL.txt"), "x");
  EXPECT_TRUE(engine_.RunBackup());
  ExpectWritten(3, 1007, Save(NameOfRun(1) + ".zip"));
}
