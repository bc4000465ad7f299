#include "exclusion/exclusion_patterns.h"

#include <gtest/gtest.h>

namespace zelk::exclusion {
namespace {

// 表 is 95 5C: its trail byte is "\" to a byte scan. ソ is 83 5C.
constexpr const char* kHyou = "\x95\x5c";
constexpr const char* kSo = "\x83\x5c";

struct Case {
  std::string patterns;
  std::string relative;
  bool folder;
  bool excluded;
};

TEST(ExclusionPatterns, MatchEveryRule) {
  const std::string hyou = kHyou;
  const std::string so = kSo;
  const Case cases[] = {
      // A name at any depth, files and folders alike.
      {"*.tmp", "Data\\x.tmp", false, true},
      {"*.tmp", "Data\\a\\b\\c\\x.TMP", false, true},
      {"*.tmp", "Data\\x.tmp.txt", false, false},
      {"~$*", "Data\\~$report.docx", false, true},
      {"Thumbs.db", "Data\\sub\\thumbs.DB", false, true},
      {"node_modules", "Data\\web\\node_modules", true, true},
      {"?.txt", "Data\\a.txt", false, true},
      {"?.txt", "Data\\ab.txt", false, false},
      {"?.txt", "Data\\" + hyou + ".txt", false, true},  // one double-byte character
      {"*", "Data\\anything", false, true},
      // Folders only.
      {"obj\\", "Proj\\obj", true, true},
      {"obj\\", "Proj\\obj", false, false},
      {"obj/", "Proj\\deep\\obj", true, true},
      {".git\\", "Proj\\.git", true, true},
      // Paths from the target folder's own name.
      {"MyProject\\build\\", "MyProject\\build", true, true},
      {"MyProject\\build\\", "MyProject\\src\\build", true, false},
      {"MyProject\\build\\", "Other\\build", true, false},
      {"Data\\*\\cache\\", "Data\\a\\cache", true, true},
      {"Data\\*\\cache\\", "Data\\a\\b\\cache", true, false},
      {"data\\*.LOG", "Data\\run.log", false, true},
      {"\\Data\\x", "Data\\x", false, true},
      // Double-byte names: a 0x5C trail byte is neither a separator nor a
      // character of its own.
      {(hyou + "*"), "Data\\" + hyou + "示.txt", false, true},
      {("*" + so), "Data\\a" + so, false, true},
      {("Data\\" + so + "\\"), "Data\\" + so, true, true},
      {(so + "\\"), "Data\\x\\" + so, true, true},
      {"*\\", "Data\\x" + so, false, false},
      // Several patterns, blanks, empty fields.
      {" ; *.bak ;;  *.tmp ", "Data\\x.tmp", false, true},
      {" ;  ; ", "Data\\x.tmp", false, false},
      {"", "Data\\x.tmp", false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PatternList(c.patterns).Excludes(c.relative, c.folder), c.excluded)
        << "patterns \"" << c.patterns << "\" on " << c.relative << (c.folder ? " (folder)" : "");
  }
}

TEST(ExclusionPatterns, SplitTrimsAndKeepsOrder) {
  EXPECT_EQ(SplitPatterns(" ~$* ;Thumbs.db;; desktop.ini;obj/ "),
            (std::vector<std::string>{"~$*", "Thumbs.db", "desktop.ini", "obj\\"}));
  EXPECT_TRUE(PatternList(" ; ").empty());
  EXPECT_EQ(PatternList("a;\\;b").Patterns(), (std::vector<std::string>{"a", "b"})) << "a lone \"\\\" names nothing";
}

TEST(ExclusionPatterns, RefusedPatternsAreNamed) {
  const std::string so = kSo;
  struct Refusal {
    std::string typed;
    std::optional<std::string> refused;
  };
  const Refusal cases[] = {
      {"~$*;Thumbs.db;obj\\;Data\\*\\cache\\", std::nullopt},
      {"*.tmp;C:\\x", "C:\\x"},
      {"a;\"b\"", "\"b\""},
      {"<x>", "<x>"},
      {"a|b", "a|b"},
      {"a\\\\b", "a\\\\b"},
      {"x\ty", "x\ty"},          // a tab inside is a control character
      {"\x81\x7c", std::nullopt},  // a trail byte 0x7C is not "|"
      {"ok; " + so + "x ", std::nullopt},
  };
  for (const Refusal& c : cases) {
    EXPECT_EQ(FindRefusedPattern(c.typed), c.refused) << c.typed;
  }
}

}  // namespace
}  // namespace zelk::exclusion
