// A run host without a window: the rows a run backs up, and a record of the
// enable/disable calls it makes.
#pragma once

#include <vector>

#include "engine/run_host.h"

namespace zelk::testing {

class FakeRunHost : public engine::IRunHost {
 public:
  void EnableControls(bool enable) override { enableCalls.push_back(enable); }
  std::vector<targets::TargetEntry> SnapshotTargets() override { return rows; }

  std::vector<targets::TargetEntry> rows;
  std::vector<bool> enableCalls;
};

}  // namespace zelk::testing
