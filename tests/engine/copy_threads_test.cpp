// A plain generation does not depend on how many threads wrote it: the same
// names (free variants included), bytes, times and attributes.
#include <map>

#include "engine_fixture.h"

using namespace zelk::testing;
using zelk::targets::ActiveFile;
using zelk::targets::ActiveFolder;

namespace {

// Every entry below root: its relative path, with what a restore would see.
std::map<std::string, std::string> Listing(const std::string& root, const std::string& relative = "") {
  std::map<std::string, std::string> found;
  WIN32_FIND_DATAA data;
  const std::string folder = relative.empty() ? root : root + "\\" + relative;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return found;
  do {
    const std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    const std::string path = relative.empty() ? name : relative + "\\" + name;
    const bool isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    found[path] = std::to_string(data.dwFileAttributes) + " " + std::to_string(data.ftLastWriteTime.dwLowDateTime) +
                  "|" + (isFolder ? std::string("<dir>") : ReadFile(root + "\\" + path));
    if (isFolder) found.merge(Listing(root, path));
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return found;
}

}  // namespace

class CopyThreads : public EngineTest {};

TEST_F(CopyThreads, OneTwoAndEightThreadsMakeTheSameGeneration) {
  for (int i = 0; i < 300; ++i) {
    WriteFile(Src("Data\\d" + std::to_string(i % 7) + "\\f" + std::to_string(i) + ".txt"), std::string(i, 'x'));
  }
  SetFileAttributesA(Src("Data\\d1\\f1.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  WriteFile(Src("a\\x.txt"), "from a");
  WriteFile(Src("b\\x.txt"), "from b");
  WriteFile(Src("c\\Data\\inner.txt"), "a second Data");
  AddTarget(Src("Data"), ActiveFolder);
  AddTarget(Src("a\\x.txt"), ActiveFile);
  AddTarget(Src("b\\x.txt"), ActiveFile);
  AddTarget(Src("c\\Data"), ActiveFolder);
  settings_.History = 1;
  settings_.HistoryNum = 5;
  std::map<std::string, std::string> first;
  for (int threads : {1, 2, 8}) {
    engine_.SetCopyThreads(threads);
    ASSERT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
    const std::map<std::string, std::string> made = Listing(engine_.LastRunOutput().generation);
    EXPECT_EQ(engine_.LastRunOutput().written.files, 303u);
    if (first.empty()) {
      first = made;
      EXPECT_EQ(first.at("x(2).txt").substr(first.at("x(2).txt").rfind('|') + 1), "from b");
      EXPECT_EQ(first.at("Data(2)\\inner.txt").substr(first.at("Data(2)\\inner.txt").rfind('|') + 1),
                "a second Data");
    } else {
      EXPECT_EQ(made, first) << threads << " threads";
    }
  }
}
