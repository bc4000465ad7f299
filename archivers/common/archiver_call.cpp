#include "common/archiver_call.h"

#include <new>

namespace zelk::archivers {

int RunArchiverCall(const char* commandLine, char* output, std::size_t size, const ArchiverRun& run,
                    int badCommand, int internalError) {
  OutputBuffer out(output, output == nullptr ? 0 : size);
  try {
    if (commandLine == nullptr) {
      out.Set("No command line.");
      return badCommand;
    }
    return run(commandLine, out);
  } catch (const std::bad_alloc&) {
    out.Set("Out of memory.");
  } catch (...) {
    out.Set("Unexpected failure.");
  }
  return internalError;
}

}  // namespace zelk::archivers
