// The "a" command of UNLHA32.DLL: adds targets to an LZH archive, creating
// it or appending to it, and leaves a valid archive behind on every path.
#pragma once

#include "common/output_buffer.h"
#include "common/zelk_extensions.h"
#include "lha_command.h"

namespace zelk::lzh {

enum UnlhaResult : int {
  kUnlhaOk = 0,
  kUnlhaBadCommand = 0x8001,   // the command line is not understood
  kUnlhaNotArchive = 0x8002,   // the archive path holds something else
  kUnlhaArchiveError = 0x8003, // the archive cannot be opened or written
  kUnlhaTargetError = 0x8004,  // a target cannot be found, read or stored
  kUnlhaInternalError = 0x8005,
  // The archive is complete without some sources that could not be read or
  // stored; the report of them leads the output (zelk_extensions.h).
  kUnlhaLeftOut = archivers::kUnlhaPartial,
};

// Runs one parsed command line; messages go to out.
int RunUnlha(const LhaCommand& cmd, archivers::OutputBuffer& out);

}  // namespace zelk::lzh
