// The walk that makes a run's plan: the active targets in list order, each
// listed once, with the exclusion patterns applied while walking (an
// excluded folder is never listed) and the save folder left out of any
// target that holds it. A target that is itself a link, a junction or a
// mount point is walked through; inside a tree a link is not entered.
#pragma once

#include <string>
#include <vector>

#include "exclusion/exclusion_patterns.h"
#include "plan/run_plan.h"
#include "targets/target_entry.h"

namespace zelk::plan {

RunPlan BuildPlan(const std::vector<targets::TargetEntry>& rows, const std::string& saveFolder,
                  const exclusion::PatternList& patterns);

// The extended-length source path of an entry.
std::wstring SourcePath(const RunPlan& plan, const PlanEntry& entry);

}  // namespace zelk::plan
