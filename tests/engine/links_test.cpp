// Links as users expect them: a target the user listed is backed up through
// whatever it is; a link inside a tree is not entered, and the run says how
// many it left so; unchanged files are shared only with the earlier copy of
// their own source.
#include "engine_fixture.h"
#include "unix_tools.h"

using namespace zelk::testing;
using zelk::targets::ActiveFile;
using zelk::targets::ActiveFolder;

namespace {

class Links : public EngineTest {
 protected:
  void SetUp() override {
    settings_.History = 1;
    settings_.HistoryNum = 3;
    WriteFile(Src("real\\a.txt"), "a");
    WriteFile(Src("real\\sub\\b.txt"), "bb");
  }
  // A symbolic link made on the Linux side, as Wine shows a junction.
  void Symlink(const std::string& target, const std::string& link) {
    MakeDirs(link.substr(0, link.rfind('\\')));
    ASSERT_EQ(RunUnix("ln -s '" + UnixPath(target) + "' '" + UnixPath(link) + "'"), 0);
  }
  std::string Gen(int run, const std::string& rel) const { return Save(NameOfRun(run) + "\\" + rel); }
};

void SameTimes(const std::string& a, const std::string& b) {
  FILETIME t{0x12345678, 0x01c34000};
  for (const std::string& path : {a, b}) {
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFileTime(h, &t, &t, &t);
    CloseHandle(h);
  }
}

}  // namespace

TEST_F(Links, AFolderTargetThatIsALinkIsCopiedThrough) {
  Symlink(Src("real"), Src("Link"));
  AddTarget(Src("Link"), ActiveFolder);
  ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
  EXPECT_EQ(ReadFile(Gen(0, "Link\\a.txt")), "a");
  EXPECT_EQ(ReadFile(Gen(0, "Link\\sub\\b.txt")), "bb");
  EXPECT_EQ(engine_.LastRunOutput().written.files, 2u);
}

TEST_F(Links, ALinkInsideATreeIsNotEnteredAndCounted) {
  WriteFile(Src("Data\\own.txt"), "o");
  Symlink(Src("real"), Src("Data\\inner"));
  AddTarget(Src("Data"), ActiveFolder);
  ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
  EXPECT_EQ(ReadFile(Gen(0, "Data\\own.txt")), "o");
  EXPECT_TRUE(IsFolder(Gen(0, "Data\\inner")));
  EXPECT_FALSE(Exists(Gen(0, "Data\\inner\\a.txt")));
  EXPECT_EQ(engine_.LastRunOutput().linksNotEntered, 1u);
}

TEST_F(Links, SameNamedTargetsSwappedShareOnlyTheirOwnEarlierCopies) {
  settings_.LinkUnchanged = true;
  WriteFile(Src("a\\x.txt"), "from a");
  WriteFile(Src("b\\x.txt"), "from b");
  SameTimes(Src("a\\x.txt"), Src("b\\x.txt"));
  AddTarget(Src("a\\x.txt"), ActiveFile);
  AddTarget(Src("b\\x.txt"), ActiveFile);
  ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
  std::swap(host_.rows[0], host_.rows[1]);
  ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
  EXPECT_EQ(ReadFile(Gen(1, "x.txt")), "from b");
  EXPECT_EQ(ReadFile(Gen(1, "x(2).txt")), "from a");
  EXPECT_EQ(LinkCount(Gen(1, "x.txt")), 2u) << "shared with its own earlier copy";
  host_.rows[0].mark = zelk::targets::PausedFile;
  ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
  EXPECT_EQ(ReadFile(Gen(2, "x.txt")), "from a");
  EXPECT_FALSE(Exists(Gen(2, "x(2).txt")));
}
