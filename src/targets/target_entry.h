// One backup target: a file or folder path, a free comment and a mark that
// says whether it is a file or a folder (bit 0) and whether it is backed up
// (bit 1).
#pragma once

#include <string>

namespace zelk::targets {

enum TargetMark : int {
  PausedFile = 0,
  PausedFolder = 1,
  ActiveFile = 2,
  ActiveFolder = 3,
};

// A mark field that holds no number reads as this, outside 0..3 like any
// other mark the list cannot tell.
inline constexpr int kUnknownMark = -1;

inline constexpr bool IsKnownMark(int mark) { return mark >= PausedFile && mark <= ActiveFolder; }
inline constexpr bool IsActiveMark(int mark) { return mark == ActiveFile || mark == ActiveFolder; }
inline constexpr bool IsFolderMark(int mark) { return mark == PausedFolder || mark == ActiveFolder; }

// Longest path a target may hold, in bytes (MAX_PATH less the terminator).
inline constexpr std::size_t kMaxTargetPath = 259;

struct TargetEntry {
  std::string path;
  std::string comment;
  int mark = ActiveFile;
};

}  // namespace zelk::targets
