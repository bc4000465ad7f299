// The command line of the Zip entry point:
//   -qrS "C:\save\03.07.15.14.05.09.zip" "C:\Data" "Report.doc" ["more" ...]
//        [-x "*.tmp" "obj\" ...]
// switches, the archive path, the base folder, one or more names relative
// to it and, after a lone "-x" (Info-ZIP's form), the exclusion patterns. Switches: q quiet, r recurse into folders, S include hidden and
// system files. Anything else is refused with a reason.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "common/command_line.h"

namespace zelk::zip {

struct ZipCommand : archivers::AddCommand {
  bool quiet = false;
};

// The command, or nothing with a reason in *error.
std::optional<ZipCommand> ParseZipCommand(std::string_view line, std::string* error);

}  // namespace zelk::zip
