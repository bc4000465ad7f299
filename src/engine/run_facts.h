// What one run decides as it goes, handed from step to step
// (backup_run.cpp, run_write.cpp).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "plan/generation_state.h"
#include "plan/run_plan.h"
#include "targets/target_entry.h"

namespace zelk::engine {

struct RunFacts {
  std::vector<targets::TargetEntry> rows;  // as they stood when the run began
  int mode = 0;                             // the save format
  bool plain = true;
  bool keepHistory = false;

  std::string generation;   // its name, with the archive's extension
  std::string final;        // where it ends up
  std::string shown;        // as the user finds it (keep none, plain: the save folder)
  std::string id;           // this run, in the staging names
  std::string staging;      // the staging entry
  std::wstring stagingWide;

  // The newest complete generation as History.dat (or, keep none plain, the
  // save folder) tells of it; resolved when it is a folder to read from.
  std::string newest;
  std::wstring newestResolved;

  plan::RunPlan plan;
  std::string sourceDigest;
  std::optional<plan::GenerationState> state;  // of the newest generation, when it still describes it
};

}  // namespace zelk::engine
