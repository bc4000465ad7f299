// The Windows tree walker of the archiver libraries, on real folders.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <vector>

#include "common/tree_walker.h"
#include "common/win_strings.h"
#include "unix_tools.h"
#include "win_temp_dir.h"

namespace zelk::archivers {
namespace {

using zelk::testing::Attributes;
using zelk::testing::TempDir;
using zelk::testing::WriteFile;

struct Seen {
  std::string name;
  bool folder;
  std::uint64_t size;
  DWORD attributes;
};

std::vector<Seen> Walk(const std::string& base, const std::string& name, WalkOptions options,
                       WalkResult expected = WalkResult::kDone) {
  std::vector<Seen> seen;
  std::string error;
  const WalkResult r = WalkTarget(base, name, options, [&](const TreeEntry& e) {
    seen.push_back({WideToAnsi(e.relativeWide), e.isFolder, e.size, e.attributes});
    return true;
  }, &error);
  EXPECT_EQ(r, expected) << error;
  return seen;
}

std::vector<std::string> Names(const std::vector<Seen>& seen) {
  std::vector<std::string> names;
  for (const Seen& s : seen) names.push_back(s.name);
  return names;
}

TEST(TreeWalker, FolderTargetWithHiddenEmptyAndJapaneseEntries) {
  TempDir dir;
  WriteFile(dir / "Data\\b.txt", "bbb");
  WriteFile(dir / "Data\\sub\\x.txt", "x");
  WriteFile(dir / "Data\\\x95\x5c\x8e\xa6.txt", "j");  // 表示.txt
  WriteFile(dir / "Data\\hid.txt", "h");
  zelk::testing::MakeDirs(dir / "Data\\empty");
  ASSERT_TRUE(SetFileAttributesA((dir / "Data\\hid.txt").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));

  const auto all = Walk(dir.path() + "\\", "Data", {});
  EXPECT_EQ(Names(all), (std::vector<std::string>{"Data", "Data\\b.txt", "Data\\empty", "Data\\hid.txt",
                                                  "Data\\sub", "Data\\\x95\x5c\x8e\xa6.txt", "Data\\sub\\x.txt"}));
  EXPECT_TRUE(all[0].folder);
  EXPECT_EQ(all[1].size, 3u);
  EXPECT_TRUE(all[2].folder);
  EXPECT_TRUE(all[3].attributes & FILE_ATTRIBUTE_HIDDEN);

  WalkOptions visibleOnly;
  visibleOnly.includeHiddenSystem = false;
  const auto visible = Names(Walk(dir.path(), "Data", visibleOnly));
  EXPECT_EQ(std::count(visible.begin(), visible.end(), "Data\\hid.txt"), 0);
  EXPECT_EQ(visible.size(), all.size() - 1);

  WalkOptions flat;
  flat.recurse = false;
  EXPECT_EQ(Names(Walk(dir.path(), "Data", flat)), std::vector<std::string>{"Data"});
  EXPECT_EQ(Names(Walk(dir.path(), "Data/sub", {})), (std::vector<std::string>{"Data\\sub", "Data\\sub\\x.txt"}));
}

TEST(TreeWalker, MissingTargetStopAndLongPaths) {
  TempDir dir;
  std::string error;
  EXPECT_EQ(WalkTarget(dir.path(), "missing", {}, [](const TreeEntry&) { return true; }, &error),
            WalkResult::kFailed);
  EXPECT_NE(error.find("missing"), std::string::npos);

  WriteFile(dir / "S\\a", "a");
  WriteFile(dir / "S\\b", "b");
  int visits = 0;
  EXPECT_EQ(WalkTarget(dir.path(), "S", {}, [&](const TreeEntry&) { return ++visits < 2; }, &error),
            WalkResult::kStopped);
  EXPECT_EQ(visits, 2);

  // A tree deeper than MAX_PATH, made through the extended-length prefix.
  std::wstring deep = L"\\\\?\\" + std::wstring(dir.path().begin(), dir.path().end()) + L"\\L";
  ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr));
  for (int i = 0; i < 12; ++i) {
    deep += L"\\" + std::wstring(30, static_cast<wchar_t>(L'a' + i));
    ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr));
  }
  HANDLE h = CreateFileW((deep + L"\\leaf.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
  const auto seen = Walk(dir.path(), "L", {});
  ASSERT_EQ(seen.size(), 14u);
  EXPECT_GT(seen.back().name.size(), 300u);
  EXPECT_EQ(seen.back().name.substr(seen.back().name.size() - 9), "\\leaf.txt");
  zelk::testing::RemoveTree(dir / "L");  // the helper may not reach that deep; best effort
}

TEST(TreeWalker, ALinkTargetIsWalkedThroughALinkBelowIsNotEntered) {
  TempDir dir;
  WriteFile(dir / "Real\\a.txt", "a");
  WriteFile(dir / "Real\\sub\\b.txt", "b");
  using zelk::testing::RunUnix;
  using zelk::testing::UnixPath;
  ASSERT_EQ(RunUnix("ln -s '" + UnixPath(dir / "Real") + "' '" + UnixPath(dir / "Link") + "' && ln -s '" +
                    UnixPath(dir / "Real\\sub") + "' '" + UnixPath(dir / "Real\\inner") + "'"),
            0);
  ASSERT_TRUE(Attributes(dir / "Link") & FILE_ATTRIBUTE_REPARSE_POINT);
  const auto seen = Walk(dir.path(), "Link", {});
  EXPECT_EQ(Names(seen), (std::vector<std::string>{"Link", "Link\\a.txt", "Link\\inner", "Link\\sub",
                                                   "Link\\sub\\b.txt"}));
  EXPECT_TRUE(seen[2].folder) << "the link inside is visited as a folder, not entered";
  RunUnix("rm '" + UnixPath(dir / "Link") + "' '" + UnixPath(dir / "Real\\inner") + "'");
}

}  // namespace
}  // namespace zelk::archivers
