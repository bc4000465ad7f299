// Carries out one call of the Zip entry point on Windows files.
#pragma once

#include "common/output_buffer.h"
#include "common/zelk_extensions.h"
#include "zip32j/zip_command.h"

namespace zelk::zip {

// Result codes of the Zip entry point.
enum ZipResult : int {
  kZipOk = 0,
  kZipBadCommand = 1,     // malformed line or unknown switch
  kZipNotArchive = 2,     // the archive path holds something that is not a zip archive
  kZipTargetError = 3,    // a target could not be read
  kZipWriteError = 4,     // the archive could not be written
  kZipInternalError = 5,  // out of memory or another unexpected failure
  // The archive is complete without some sources that could not be read;
  // the report of them leads the output (zelk_extensions.h).
  kZipLeftOut = archivers::kZipPartial,
};

// Adds the targets of the parsed command line to the archive it names, creating it
// when it does not exist. Messages go to out.
int RunZip(const ZipCommand& cmd, archivers::OutputBuffer& out);

}  // namespace zelk::zip
