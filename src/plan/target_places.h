// The names the active targets take in a generation: a file or folder under
// its own name (a drive root under its letter); a name an earlier target
// already took gets its first free variant, "x(2).txt" or "Data(2)", so no
// target overwrites or merges into another. Names compare as Windows does
// for ASCII letters.
#pragma once

#include <vector>

#include "plan/run_plan.h"

namespace zelk::plan {

// Fills the place of every target, in list order.
void AssignPlaces(std::vector<PlanTarget>& targets);

}  // namespace zelk::plan
