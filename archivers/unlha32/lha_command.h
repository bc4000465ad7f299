// The command line of the Unlha entry point:
//   a -a1 -d1 -n1 -r2x1 "C:\save\03.07.15.14.05.09.lzh" "C:\Data" "Report.doc" ["more" ...]
//     [-x "*.tmp" "obj\" ...]
// the command (only "a", add), switches, the archive path, the base folder,
// one or more names relative to it and, after a lone unquoted "-x", the
// exclusion patterns, one quoted pattern per token. Switches, each a letter
// with an optional digit (a missing digit means 1), several to a token:
//   a0 skip hidden and system entries, a1/a2 include them
//   d0 no folder entries, d1 folder entries
//   n0..n3 progress display (there is none; accepted)
//   r0 a folder target without its contents, r1/r2 with everything below
//   x0 entries named by their last component only, x1 paths from the base
// Anything else is refused with a reason.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "common/command_line.h"

namespace zelk::lzh {

struct LhaCommand : archivers::AddCommand {
  bool folderEntries = false;
  bool storePaths = false;
};

std::optional<LhaCommand> ParseLhaCommand(std::string_view line, std::string* error);

}  // namespace zelk::lzh
