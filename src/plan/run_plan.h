// The plan of a run: the set of files and folders it backs up, decided once
// by one walk of the active targets, with each entry's place in the new
// generation. The copy, the counts of the run log, the unchanged check and
// the carrying forward of unreadable files all work from it. Portable: the
// walk that fills it is the only Windows part (plan_walker.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zelk::plan {

// An active target, in list order.
struct PlanTarget {
  std::string path;     // as listed
  bool folder = false;  // by its mark
  std::string place;    // its name in the generation (free variants decided)
  std::wstring source;  // the path, extended-length (empty when it cannot be one)
};

enum class EntryKind : std::uint8_t {
  File,
  Folder,
  Link,  // a link inside a tree: made as an empty folder, never entered
};

// One file or folder of a target: the target itself (relative empty), or
// something below it. Times are FILETIME ticks.
struct PlanEntry {
  std::uint32_t target = 0;
  std::wstring relative;  // below the target: "sub\\x.txt"
  EntryKind kind = EntryKind::File;
  std::uint32_t attributes = 0;
  std::uint64_t size = 0;
  std::uint64_t created = 0;
  std::uint64_t accessed = 0;
  std::uint64_t written = 0;
};

// A source that could not be read while the plan was made: a target that is
// gone, a folder that cannot be listed. Its entry stays in the plan (a folder
// without its contents; a gone target as its own entry), so that its earlier
// copy can take its place.
struct SourceProblem {
  std::size_t entry = 0;
  std::string reason;
};

struct RunPlan {
  std::vector<PlanTarget> targets;
  // Targets in list order; below each, every folder before what it holds.
  std::vector<PlanEntry> entries;
  std::vector<SourceProblem> problems;
  // What the exclusion patterns left out, and the links not entered.
  std::uint64_t excludedFiles = 0;
  std::uint64_t excludedBytes = 0;
  std::uint64_t excludedFolders = 0;  // never listed: what they held is not counted
  std::uint64_t linksNotEntered = 0;
};

}  // namespace zelk::plan
