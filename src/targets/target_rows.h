// TargetRows: the rows of the target list, in list order, with their
// selection and item data, and the list operations that need no disk and no
// window. The list control shows these rows; every change made here is
// reported through one change hook so the control can mirror it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "targets/mark_change.h"
#include "targets/target_entry.h"
#include "targets/target_sort.h"

namespace zelk::targets {

struct TargetRow {
  TargetEntry entry;
  bool selected = false;
  // Free integer per row. SyncMarks copies the mark into it; readers that
  // decide whether a row is backed up take the mark from here after that.
  std::intptr_t itemData = 0;
};

// What changed, for the hook. Indexes are those after the change for
// Inserted and Updated, before it for Removed. Reset: the whole list changed
// (emptied or reordered); reread every row.
//
// A change that removes several rows at once is reported row by row;
// moreFollow is set on every report of such a burst but the last, so a
// viewer can bring itself up to date once, at the end.
struct RowChange {
  enum class Kind { Inserted, Removed, Updated, Reset };
  Kind kind;
  std::size_t index = 0;
  bool moreFollow = false;
};

enum class MoveDirection { Up, Down };

class TargetRows {
 public:
  using ChangeHook = std::function<void(const RowChange&)>;

  // One hook at a time; an empty function removes it. Item data changes are
  // not reported; a call that changes nothing reports nothing.
  void SetChangeHook(ChangeHook hook) { hook_ = std::move(hook); }

  std::size_t size() const { return rows_.size(); }
  bool empty() const { return rows_.empty(); }
  const TargetRow& operator[](std::size_t index) const { return rows_[index]; }
  const std::vector<TargetRow>& rows() const { return rows_; }
  // The entries in row order.
  std::vector<TargetEntry> Entries() const;

  // Adds an unselected row with item data 0 at the end; returns its index.
  std::size_t Append(TargetEntry entry);
  // Adds unselected rows at the end in one step, reported as one Reset
  // (nothing when `entries` is empty): a whole list file at once.
  void AppendAll(std::vector<TargetEntry> entries);
  // Adds an unselected row at `index` (0..size()); true on failure.
  bool Insert(std::size_t index, TargetEntry entry);
  // Removes the row at `index`; true on failure (no such row).
  bool Remove(std::size_t index);
  // Removes every row for which remove(row) is true, in one pass over the
  // rows. The hook hears one Removed per row, the last row first, once they
  // are all gone, so each index is the row's index at that step.
  void RemoveIf(const std::function<bool(const TargetRow&)>& remove);

  // Setters for one row; an index out of range is ignored.
  void SetComment(std::size_t index, std::string comment);
  void SetMark(std::size_t index, int mark);
  void SetSelected(std::size_t index, bool selected);
  void SetItemData(std::size_t index, std::intptr_t data);
  void ClearSelection();
  bool IsSelected(std::size_t index) const { return index < rows_.size() && rows_[index].selected; }
  std::size_t SelectedCount() const;

  // Removes the selected rows (in one pass, see RemoveIf), then selects the
  // row that now stands where the first removed row stood (nothing when the
  // removed rows were the last).
  void DeleteSelected();
  // Removes every row at once.
  void DeleteAll();
  // Moves every block of consecutive selected rows one place up or down by
  // taking the row next to the block to its other side. Nothing moves at all
  // when the first row (up) or the last row (down) is selected.
  void MoveSelected(MoveDirection direction);

  void ChangeSelectedMarks(MarkChange change);
  void ChangeAllMarks(MarkChange change);
  // Reverse on the row at `index`; an index out of range is ignored.
  void ReverseMark(std::size_t index);
  // Copies every row's mark into its item data.
  void SyncMarks();

  // Sorts the rows with CompareTargetsForSort; equal rows keep their order.
  // Selection and item data travel with their rows.
  void Sort(int column, bool toggle);
  // A click on the header of `column`: advances `state` and sorts.
  void SortByColumn(int column, TargetSortState& state) { Sort(column, state.Click(column)); }

 private:
  void Notify(RowChange::Kind kind, std::size_t index = 0, bool moreFollow = false) const;

  std::vector<TargetRow> rows_;
  ChangeHook hook_;
};

}  // namespace zelk::targets
