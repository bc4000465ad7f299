// The plain copy of a run: every active target into one folder.
#pragma once

#include <string>
#include <vector>

#include "targets/target_entry.h"

namespace zelk::engine {

// Copies the active targets, in list order, into destination: a file under
// its own name, a folder as a tree under its own name. A name already taken
// gets its free variant, so no target overwrites or merges into another. A
// folder that holds saveFolder is copied without it, so backups never copy
// themselves. The first failure stops; what was copied before stays.
// True on failure with the reason in errorText.
bool CopyTargets(const std::vector<targets::TargetEntry>& rows, const std::string& destination,
                 const std::string& saveFolder, std::string& errorText);

}  // namespace zelk::engine
