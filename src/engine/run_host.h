// What a backup run needs from the window that owns it: two narrow hooks.
// The program's main window implements them; tests use a plain object.
#pragma once

#include <vector>

#include "targets/target_entry.h"

namespace zelk::engine {

class IRunHost {
 public:
  virtual ~IRunHost() = default;
  // Enables or disables the editing controls of the main window.
  virtual void EnableControls(bool enable) = 0;
  // The target rows in list order, their marks as they stand at this moment.
  // Taken on the thread that owns the rows, so the run works on a copy that
  // nothing else changes.
  virtual std::vector<targets::TargetEntry> SnapshotTargets() = 0;
  // The window handle (HWND) passed to the zip archiver as its owner; null
  // when there is no window.
  virtual void* OwnerWindow() { return nullptr; }
};

}  // namespace zelk::engine
