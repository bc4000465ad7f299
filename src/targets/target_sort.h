// Header sort of the target list: the row comparison for each column and the
// click cycle (a second click on the same header reverses the choice).
#pragma once

#include <string_view>

#include "targets/target_entry.h"

namespace zelk::targets {

// Compares two narrow strings character by character on the character codes
// of the ANSI code page (a double-byte character's code is lead * 256 +
// trail), case-sensitive, without locale collation; a prefix comes first.
// Negative when a comes first, 0 when equal, positive otherwise.
int CompareMbcs(std::string_view a, std::string_view b);

// Sort comparison for column `column` (0 path, 1 comment) with the cycle's
// toggle; negative when a comes first.
//  column 0, toggle false: higher mark first, then path ascending;
//  column 0, toggle true:  path ascending, marks ignored;
//  column 1, toggle false: comment ascending;
//  column 1, toggle true:  comment descending;
//  any other column: equal.
int CompareTargetsForSort(const TargetEntry& a, const TargetEntry& b, int column, bool toggle);

// The state of header clicks for one program run.
struct TargetSortState {
  int lastColumn = 0;
  bool toggle = false;

  // Records a click on `column` and returns the toggle to sort with: a click
  // on another column than the last starts with false; after each click the
  // toggle is inverted and `column` becomes the last column.
  bool Click(int column) {
    if (column != lastColumn) toggle = false;
    bool sortWith = toggle;
    toggle = !toggle;
    lastColumn = column;
    return sortWith;
  }
};

}  // namespace zelk::targets
