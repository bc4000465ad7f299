// The plain copy of a run: every active target into one folder.
#pragma once

#include <string>
#include <vector>

#include "fileutil/directory_ops.h"
#include "targets/target_entry.h"

namespace zelk::engine {

// Copies the active targets, in list order, into destination: a file under
// its own name, a folder as a tree under its own name. A name already taken
// gets its free variant, so no target overwrites or merges into another. A
// folder that holds saveFolder is copied without it, so backups never copy
// themselves. The first failure stops; what was copied before stays.
// With links set, a file whose counterpart at the same relative path under
// previous (an earlier complete copy, extended-length) is unchanged becomes
// a hard link to it (see fileutil::LinkPlan).
// Files copied (not linked) are added to tally when it is set, also those
// copied before a failure. True on failure with the reason in errorText.
bool CopyTargets(const std::vector<targets::TargetEntry>& rows, const std::string& destination,
                 const std::string& saveFolder, std::string& errorText,
                 const std::wstring& previous = {}, fileutil::LinkPlan* links = nullptr,
                 fileutil::CopyTally* tally = nullptr);

// Adds the files of one active target and their sizes to tally, as a copy
// takes them: a file, or a folder's tree without the save folder inside it.
// Other rows add nothing.
void TallyTarget(const targets::TargetEntry& row, const std::string& saveFolder, fileutil::CopyTally& tally);

}  // namespace zelk::engine
