// History.dat of the current folder as the tests read and write it.
#pragma once

#include <string>
#include <vector>

#include "engine/backup_engine.h"
#include "fileutil/line_file.h"
#include "win_temp_dir.h"

namespace zelk::testing {

// The name the program gives it, written out so that a change is seen.
inline constexpr const char* kHistoryFile = "History.dat";

inline std::vector<std::string> HistoryLines() {
  fileutil::COutFile file(kHistoryFile);
  std::vector<std::string> lines;
  for (int i = 1; i <= file.GetLineCount(); ++i) lines.push_back(file.ReadLineEx(1, i));
  return lines;
}

inline void WriteHistory(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  WriteFile(kHistoryFile, text);
}

}  // namespace zelk::testing
