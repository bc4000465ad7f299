// The shipped program reads no test switch: the built Zelk.exe holds no
// "ZELK_TEST" text, in ANSI or in UTF-16, while the test build of the
// program, which has the seams, does.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "win_temp_dir.h"

using zelk::testing::ReadFile;

namespace {

std::string Built(const char* name) {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  const std::string folder = path;
  return ReadFile(folder.substr(0, folder.rfind('\\')) + "\\" + name);
}

}  // namespace

TEST(ReleaseProgram, HoldsNoTestSwitch) {
  const std::string narrow = "ZELK_TEST";
  std::string wide;
  for (char c : narrow) wide += {c, '\0'};
  const std::string release = Built("Zelk.exe");
  const std::string testBuild = Built("ZelkTest.exe");
  ASSERT_FALSE(release.empty());
  EXPECT_EQ(release.find(narrow), std::string::npos);
  EXPECT_EQ(release.find(wide), std::string::npos);
  EXPECT_NE(testBuild.find(narrow), std::string::npos) << "the check finds the switch where it is";
}
