#include "text/mbcs.h"

#include <gtest/gtest.h>

#include <string>

using namespace zelk::text;

// "表" is 95 5C in Shift-JIS: its trail byte is a backslash.
static const std::string kHyou = "\x95\x5c";

TEST(MbcsScan, TrailByteIsNeverASeparator) {
  std::string path = "C:\\" + kHyou + "\\" + kHyou;  // C:\表\表
  EXPECT_EQ(FindLastChar(path, '\\'), 5u);
  EXPECT_EQ(FindFirstChar(path, '\\', 3), 5u);
  EXPECT_FALSE(EndsWithChar(path, '\\'));
  EXPECT_TRUE(EndsWithChar(path + "\\", '\\'));
  EXPECT_EQ(FindLastChar(kHyou, '\\'), std::string::npos);
}

TEST(MbcsScan, ALoneLeadByteAtTheEndIsOneCharacter) {
  std::string s = "ab\x95";
  EXPECT_EQ(FindLastChar(s, '\x95'), 2u);
  EXPECT_EQ(TruncateChars(s, 3), s);
}

TEST(MbcsTruncate, NeverCutsADoubleByteCharacter) {
  std::string s = "a" + kHyou + kHyou;  // 5 bytes
  EXPECT_EQ(TruncateChars(s, 2), "a");
  EXPECT_EQ(TruncateChars(s, 3), "a" + kHyou);
  EXPECT_EQ(TruncateChars(s, 4), "a" + kHyou);
  char buf[4];
  CopyToBuffer(buf, sizeof buf, s);
  EXPECT_EQ(std::string(buf), "a" + kHyou);
}
