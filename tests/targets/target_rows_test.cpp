#include "targets/target_rows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zelk::targets {
namespace {

// Rows "0".."n-1" with comments "c0".. and marks cycling 0..3.
TargetRows Numbered(int n) {
  TargetRows rows;
  for (int i = 0; i < n; ++i) rows.Append({std::to_string(i), "c" + std::to_string(i), i % 4});
  return rows;
}

std::string Order(const TargetRows& rows) {
  std::string order;
  for (const TargetRow& row : rows.rows()) order += (order.empty() ? "" : ",") + row.entry.path;
  return order;
}

std::string Selection(const TargetRows& rows) {
  std::string selected;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (rows.IsSelected(i)) selected += (selected.empty() ? "" : ",") + std::to_string(i);
  }
  return selected;
}

void Select(TargetRows& rows, std::initializer_list<std::size_t> indexes) {
  for (std::size_t i : indexes) rows.SetSelected(i, true);
}

TEST(TargetRowsMove, UpMovesTheRowAboveBelowTheBlock) {
  TargetRows rows = Numbered(6);
  Select(rows, {2, 3});
  rows.MoveSelected(MoveDirection::Up);
  EXPECT_EQ(Order(rows), "0,2,3,1,4,5");
  EXPECT_EQ(Selection(rows), "1,2");
  // Row 1 travelled with its own comment and mark.
  EXPECT_EQ(rows[3].entry.comment, "c1");
  EXPECT_EQ(rows[3].entry.mark, 1);
  EXPECT_EQ(rows[1].entry.comment, "c2");
}

TEST(TargetRowsMove, UpMovesEveryBlockOnce) {
  TargetRows rows = Numbered(7);
  Select(rows, {1, 3, 4, 6});
  rows.MoveSelected(MoveDirection::Up);
  EXPECT_EQ(Order(rows), "1,0,3,4,2,6,5");
  EXPECT_EQ(Selection(rows), "0,2,3,5");
}

TEST(TargetRowsMove, DownMovesBothBlocks) {
  TargetRows rows = Numbered(6);
  Select(rows, {1, 4});
  rows.MoveSelected(MoveDirection::Down);
  EXPECT_EQ(Order(rows), "0,2,1,3,5,4");
  EXPECT_EQ(Selection(rows), "2,5");
}

TEST(TargetRowsMove, DownMovesAMultiRowBlock) {
  TargetRows rows = Numbered(5);
  Select(rows, {0, 1, 2});
  rows.MoveSelected(MoveDirection::Down);
  EXPECT_EQ(Order(rows), "3,0,1,2,4");
  EXPECT_EQ(Selection(rows), "1,2,3");
}

TEST(TargetRowsMove, EdgeRowSelectedMovesNothing) {
  TargetRows rows = Numbered(6);
  Select(rows, {0, 3});
  rows.MoveSelected(MoveDirection::Up);
  EXPECT_EQ(Order(rows), "0,1,2,3,4,5");

  rows.ClearSelection();
  Select(rows, {2, 5});
  rows.MoveSelected(MoveDirection::Down);
  EXPECT_EQ(Order(rows), "0,1,2,3,4,5");

  TargetRows empty;
  empty.MoveSelected(MoveDirection::Up);
  empty.MoveSelected(MoveDirection::Down);
  EXPECT_TRUE(empty.empty());
}

TEST(TargetRowsDelete, SelectsTheRowThatTookTheFirstRemovedPlace) {
  TargetRows rows = Numbered(5);
  Select(rows, {1, 3});
  rows.DeleteSelected();
  EXPECT_EQ(Order(rows), "0,2,4");
  EXPECT_EQ(Selection(rows), "1");
}

TEST(TargetRowsDelete, RemovingTheLastRowsLeavesNoSelection) {
  TargetRows rows = Numbered(5);
  Select(rows, {3, 4});
  rows.DeleteSelected();
  EXPECT_EQ(Order(rows), "0,1,2");
  EXPECT_EQ(Selection(rows), "");

  rows.DeleteSelected();  // nothing selected: nothing happens
  EXPECT_EQ(Order(rows), "0,1,2");

  rows.DeleteAll();
  EXPECT_TRUE(rows.empty());
}

TEST(TargetRowsMarks, ChangeTableAndUnknownValues) {
  struct Case {
    int from;
    int pause, resume, reverse;
  };
  const Case cases[] = {{0, 0, 2, 2}, {1, 1, 3, 3}, {2, 0, 2, 0}, {3, 1, 3, 1},
                        {7, 7, 7, 7}, {-5, -5, -5, -5}, {4, 4, 4, 4}};
  for (const Case& c : cases) {
    EXPECT_EQ(ApplyMarkChange(c.from, MarkChange::Pause), c.pause) << c.from;
    EXPECT_EQ(ApplyMarkChange(c.from, MarkChange::Resume), c.resume) << c.from;
    EXPECT_EQ(ApplyMarkChange(c.from, MarkChange::Reverse), c.reverse) << c.from;
  }
}

TEST(TargetRowsMarks, SelectedAllAndOneRow) {
  TargetRows rows;
  for (int mark : {0, 1, 2, 3, 7}) rows.Append({"p" + std::to_string(mark), "c", mark});
  Select(rows, {0, 3, 4});
  rows.ChangeSelectedMarks(MarkChange::Resume);
  EXPECT_EQ(rows[0].entry.mark, 2);
  EXPECT_EQ(rows[1].entry.mark, 1);  // not selected
  EXPECT_EQ(rows[3].entry.mark, 3);
  EXPECT_EQ(rows[4].entry.mark, 7);

  rows.ChangeAllMarks(MarkChange::Pause);
  EXPECT_EQ(rows[0].entry.mark, 0);
  EXPECT_EQ(rows[2].entry.mark, 0);
  EXPECT_EQ(rows[3].entry.mark, 1);
  EXPECT_EQ(rows[4].entry.mark, 7);

  rows.ReverseMark(1);
  EXPECT_EQ(rows[1].entry.mark, 3);
  rows.ReverseMark(1);
  EXPECT_EQ(rows[1].entry.mark, 1);
  rows.ReverseMark(99);  // no such row
  EXPECT_EQ(rows[1].entry.path, "p1");
  EXPECT_EQ(rows[1].entry.comment, "c");
}

TEST(TargetRowsMarks, ItemDataHoldsTheMarkOnlyAfterSync) {
  TargetRows rows = Numbered(4);
  rows.SetItemData(2, 42);
  rows.ReverseMark(2);
  EXPECT_EQ(rows[2].itemData, 42);
  rows.SyncMarks();
  for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i].itemData, rows[i].entry.mark);
}

// A view that mirrors the rows through the change hook only, the way the
// list control follows the model.
class Mirror {
 public:
  explicit Mirror(TargetRows& rows) : rows_(rows) {
    rows.SetChangeHook([this](const RowChange& change) { Apply(change); });
    Reload();
  }
  std::vector<TargetRow> shown;
  int resets = 0;

 private:
  void Reload() { shown = rows_.rows(); }
  void Apply(const RowChange& change) {
    switch (change.kind) {
      case RowChange::Kind::Inserted:
        shown.insert(shown.begin() + static_cast<std::ptrdiff_t>(change.index), rows_[change.index]);
        break;
      case RowChange::Kind::Removed:
        shown.erase(shown.begin() + static_cast<std::ptrdiff_t>(change.index));
        break;
      case RowChange::Kind::Updated:
        shown[change.index] = rows_[change.index];
        break;
      case RowChange::Kind::Reset:
        ++resets;
        Reload();
        break;
    }
  }
  TargetRows& rows_;
};

void ExpectMirrored(const Mirror& mirror, const TargetRows& rows) {
  ASSERT_EQ(mirror.shown.size(), rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(mirror.shown[i].entry.path, rows[i].entry.path) << i;
    EXPECT_EQ(mirror.shown[i].entry.comment, rows[i].entry.comment) << i;
    EXPECT_EQ(mirror.shown[i].entry.mark, rows[i].entry.mark) << i;
    EXPECT_EQ(mirror.shown[i].selected, rows[i].selected) << i;
  }
}

TEST(TargetRowsChangeHook, EveryOperationIsMirrored) {
  TargetRows rows = Numbered(8);
  Mirror mirror(rows);
  Select(rows, {2, 3, 6});
  rows.MoveSelected(MoveDirection::Up);
  ExpectMirrored(mirror, rows);
  rows.MoveSelected(MoveDirection::Down);
  ExpectMirrored(mirror, rows);
  rows.ChangeSelectedMarks(MarkChange::Reverse);
  rows.ChangeAllMarks(MarkChange::Resume);
  rows.ReverseMark(0);
  rows.SetComment(4, "new");
  ExpectMirrored(mirror, rows);
  rows.DeleteSelected();
  ExpectMirrored(mirror, rows);
  TargetSortState sort;
  rows.SortByColumn(1, sort);
  ExpectMirrored(mirror, rows);
  EXPECT_EQ(mirror.resets, 1);
  rows.Append({"x", "", 2});
  ExpectMirrored(mirror, rows);
  rows.DeleteAll();
  ExpectMirrored(mirror, rows);
}

TEST(TargetRowsChangeHook, ManyRowsAtOnceAreOneStepEach) {
  TargetRows rows;
  Mirror mirror(rows);
  std::vector<TargetEntry> entries;
  for (int i = 0; i < 6; ++i) entries.push_back({std::to_string(i), "", i % 4});
  rows.AppendAll(entries);
  EXPECT_EQ(mirror.resets, 1) << "a whole list file is one change";
  ExpectMirrored(mirror, rows);

  // A removal of several rows: one report per row, the last row first, and
  // all but the final report say that more follow.
  std::vector<RowChange> reports;
  rows.SetChangeHook([&](const RowChange& change) { reports.push_back(change); });
  rows.RemoveIf([](const TargetRow& row) {
    return row.entry.path == "1" || row.entry.path == "2" || row.entry.path == "4";
  });
  EXPECT_EQ(Order(rows), "0,3,5");
  ASSERT_EQ(reports.size(), 3u);
  EXPECT_EQ(reports[0].index, 4u);
  EXPECT_EQ(reports[1].index, 2u);
  EXPECT_EQ(reports[2].index, 1u);
  for (const RowChange& report : reports) EXPECT_EQ(report.kind, RowChange::Kind::Removed);
  EXPECT_TRUE(reports[0].moreFollow);
  EXPECT_TRUE(reports[1].moreFollow);
  EXPECT_FALSE(reports[2].moreFollow);
}

TEST(TargetRowsDelete, AHundredThousandSelectedRowsGoInOnePass) {
  TargetRows rows = Numbered(100000);
  for (std::size_t i = 0; i < rows.size(); i += 2) rows.SetSelected(i, true);
  rows.DeleteSelected();
  ASSERT_EQ(rows.size(), 50000u);
  EXPECT_EQ(rows[0].entry.path, "1");
  EXPECT_EQ(rows[49999].entry.path, "99999");
  EXPECT_EQ(Selection(rows), "0");
}

}  // namespace
}  // namespace zelk::targets
