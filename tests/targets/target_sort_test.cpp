#include "targets/target_sort.h"

#include <gtest/gtest.h>

#include <string>

#include "targets/target_rows.h"

namespace zelk::targets {
namespace {

std::string Paths(const TargetRows& rows) {
  std::string s;
  for (const TargetRow& row : rows.rows()) s += (s.empty() ? "" : " ") + row.entry.path;
  return s;
}

std::string Comments(const TargetRows& rows) {
  std::string s;
  for (const TargetRow& row : rows.rows()) s += (s.empty() ? "" : " ") + row.entry.comment;
  return s;
}

TargetRows Sample() {
  TargetRows rows;
  rows.Append({"b", "k", 0});
  rows.Append({"d", "m", 3});
  rows.Append({"a", "z", 2});
  rows.Append({"c", "a", 3});
  rows.Append({"e", "B", 1});
  rows.Append({"f", "b", 2});
  return rows;
}

TEST(TargetSortCompare, CharacterCodesNotLocale) {
  EXPECT_LT(CompareMbcs("B", "a"), 0);  // case-sensitive, codes
  EXPECT_LT(CompareMbcs("ab", "abc"), 0);
  EXPECT_EQ(CompareMbcs("", ""), 0);
  EXPECT_GT(CompareMbcs("b", ""), 0);
  // A half-width katakana (single byte A1) has a lower code than any
  // double-byte character (81 40 and up), though its byte is higher.
  EXPECT_LT(CompareMbcs("\xA1", "\x81\x40"), 0);
  EXPECT_GT(CompareMbcs("\x81\x40", "~"), 0);
  // Double-byte characters compare on their codes.
  EXPECT_LT(CompareMbcs("\x88\x9F", "\x88\xA0"), 0);
  EXPECT_LT(CompareMbcs("\x83\x5C", "\x83\x5C\x41"), 0);
  // A lead byte at the very end stays in bounds.
  EXPECT_NE(CompareMbcs("a\x81", "a\x81\x40"), 0);
}

TEST(TargetSortCycle, PathHeaderAlternatesGroupedAndPlain) {
  TargetRows rows = Sample();
  TargetSortState state;
  rows.SortByColumn(0, state);
  // Active folders, active files, paused folders, paused files; each by path.
  EXPECT_EQ(Paths(rows), "c d a f e b");
  EXPECT_TRUE(state.toggle);
  EXPECT_EQ(state.lastColumn, 0);

  rows.SortByColumn(0, state);
  EXPECT_EQ(Paths(rows), "a b c d e f");
  EXPECT_FALSE(state.toggle);

  rows.SortByColumn(0, state);
  EXPECT_EQ(Paths(rows), "c d a f e b");
}

TEST(TargetSortCycle, CommentHeaderAscendingThenDescendingThenPathRestarts) {
  TargetRows rows = Sample();
  TargetSortState state;
  rows.SortByColumn(1, state);
  EXPECT_EQ(Comments(rows), "B a b k m z");
  EXPECT_EQ(state.lastColumn, 1);
  rows.SortByColumn(1, state);
  EXPECT_EQ(Comments(rows), "z m k b a B");
  // The comment clicks left the toggle false; the path header starts over
  // with the grouped order either way.
  rows.SortByColumn(0, state);
  EXPECT_EQ(Paths(rows), "c d a f e b");

  rows.SortByColumn(1, state);
  rows.SortByColumn(0, state);
  EXPECT_EQ(Paths(rows), "c d a f e b");
  EXPECT_TRUE(state.toggle);
}

TEST(TargetSortCycle, SelectionTravelsAndOtherColumnsKeepOrder) {
  TargetRows rows = Sample();
  rows.SetSelected(2, true);  // "a"
  TargetSortState state;
  rows.SortByColumn(0, state);
  rows.SortByColumn(0, state);
  EXPECT_TRUE(rows.IsSelected(0));
  EXPECT_EQ(rows.SelectedCount(), 1u);

  rows.SortByColumn(5, state);
  EXPECT_EQ(Paths(rows), "a b c d e f");
  EXPECT_EQ(state.lastColumn, 5);
}

}  // namespace
}  // namespace zelk::targets
