#include "targets/target_rows.h"

#include <algorithm>
#include <utility>

namespace zelk::targets {

void TargetRows::Notify(RowChange::Kind kind, std::size_t index, bool moreFollow) const {
  if (hook_) hook_(RowChange{kind, index, moreFollow});
}

std::vector<TargetEntry> TargetRows::Entries() const {
  std::vector<TargetEntry> entries;
  entries.reserve(rows_.size());
  for (const TargetRow& row : rows_) entries.push_back(row.entry);
  return entries;
}

std::size_t TargetRows::Append(TargetEntry entry) {
  std::size_t index = rows_.size();
  Insert(index, std::move(entry));
  return index;
}

void TargetRows::AppendAll(std::vector<TargetEntry> entries) {
  if (entries.empty()) return;
  rows_.reserve(rows_.size() + entries.size());
  for (TargetEntry& entry : entries) {
    TargetRow row;
    row.entry = std::move(entry);
    rows_.push_back(std::move(row));
  }
  Notify(RowChange::Kind::Reset);
}

void TargetRows::RemoveIf(const std::function<bool(const TargetRow&)>& remove) {
  std::vector<std::size_t> removed;
  std::size_t kept = 0;
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    if (remove(rows_[i])) {
      removed.push_back(i);
      continue;
    }
    if (kept != i) rows_[kept] = std::move(rows_[i]);
    ++kept;
  }
  rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(kept), rows_.end());
  for (std::size_t k = removed.size(); k > 0; --k) Notify(RowChange::Kind::Removed, removed[k - 1], k > 1);
}

bool TargetRows::Insert(std::size_t index, TargetEntry entry) {
  if (index > rows_.size()) return true;
  TargetRow row;
  row.entry = std::move(entry);
  rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(index), std::move(row));
  Notify(RowChange::Kind::Inserted, index);
  return false;
}

bool TargetRows::Remove(std::size_t index) {
  if (index >= rows_.size()) return true;
  rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(index));
  Notify(RowChange::Kind::Removed, index);
  return false;
}

void TargetRows::SetComment(std::size_t index, std::string comment) {
  if (index >= rows_.size() || rows_[index].entry.comment == comment) return;
  rows_[index].entry.comment = std::move(comment);
  Notify(RowChange::Kind::Updated, index);
}

void TargetRows::SetMark(std::size_t index, int mark) {
  if (index >= rows_.size() || rows_[index].entry.mark == mark) return;
  rows_[index].entry.mark = mark;
  Notify(RowChange::Kind::Updated, index);
}

void TargetRows::SetSelected(std::size_t index, bool selected) {
  if (index >= rows_.size() || rows_[index].selected == selected) return;
  rows_[index].selected = selected;
  Notify(RowChange::Kind::Updated, index);
}

void TargetRows::SetItemData(std::size_t index, std::intptr_t data) {
  if (index < rows_.size()) rows_[index].itemData = data;
}

void TargetRows::ClearSelection() {
  for (std::size_t i = 0; i < rows_.size(); ++i) SetSelected(i, false);
}

std::size_t TargetRows::SelectedCount() const {
  return static_cast<std::size_t>(
      std::count_if(rows_.begin(), rows_.end(), [](const TargetRow& row) { return row.selected; }));
}

void TargetRows::DeleteSelected() {
  auto isSelected = [](const TargetRow& row) { return row.selected; };
  const auto first = std::find_if(rows_.begin(), rows_.end(), isSelected);
  if (first == rows_.end()) return;
  const std::size_t firstRemoved = static_cast<std::size_t>(first - rows_.begin());
  RemoveIf(isSelected);
  if (firstRemoved < rows_.size()) SetSelected(firstRemoved, true);
}

void TargetRows::DeleteAll() {
  if (rows_.empty()) return;
  rows_.clear();
  Notify(RowChange::Kind::Reset);
}

void TargetRows::MoveSelected(MoveDirection direction) {
  if (rows_.empty()) return;
  const bool up = direction == MoveDirection::Up;
  if (up ? rows_.front().selected : rows_.back().selected) return;

  std::size_t i = 0;
  while (i < rows_.size()) {
    if (!rows_[i].selected) {
      ++i;
      continue;
    }
    const std::size_t start = i;
    std::size_t length = 0;
    while (start + length < rows_.size() && rows_[start + length].selected) ++length;
    // The edge checks above guarantee a neighbour on the moving side.
    const std::size_t from = up ? start - 1 : start + length;
    const std::size_t to = up ? start - 1 + length : start;
    TargetEntry moved = rows_[from].entry;
    const std::intptr_t data = rows_[from].itemData;
    Remove(from);
    Insert(to, std::move(moved));
    rows_[to].itemData = data;
    // Up: continue after the re-inserted row; down: after the block's new end.
    i = start + length + 1;
  }
}

void TargetRows::ChangeSelectedMarks(MarkChange change) {
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    if (rows_[i].selected) SetMark(i, ApplyMarkChange(rows_[i].entry.mark, change));
  }
}

void TargetRows::ChangeAllMarks(MarkChange change) {
  for (std::size_t i = 0; i < rows_.size(); ++i) SetMark(i, ApplyMarkChange(rows_[i].entry.mark, change));
}

void TargetRows::ReverseMark(std::size_t index) {
  if (index < rows_.size()) SetMark(index, ApplyMarkChange(rows_[index].entry.mark, MarkChange::Reverse));
}

void TargetRows::SyncMarks() {
  for (TargetRow& row : rows_) row.itemData = row.entry.mark;
}

void TargetRows::Sort(int column, bool toggle) {
  if (column != 0 && column != 1) return;  // every row compares equal
  std::stable_sort(rows_.begin(), rows_.end(), [column, toggle](const TargetRow& a, const TargetRow& b) {
    return CompareTargetsForSort(a.entry, b.entry, column, toggle) < 0;
  });
  Notify(RowChange::Kind::Reset);
}

}  // namespace zelk::targets
