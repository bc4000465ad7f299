// One archiver call from a DLL entry point, with the caller's command line
// and output buffer. A missing command line or one the parser refuses gives
// badCommand; no exception escapes to the caller: lack of memory and any
// other failure give internalError. Each failure leaves its text in the
// buffer.
#pragma once

#include <cstddef>
#include <new>
#include <optional>
#include <string>
#include <string_view>

#include "common/output_buffer.h"

namespace zelk::archivers {

// The version both libraries report: 1.00.
constexpr unsigned short kArchiverVersion = 100;

// output may be null; then nothing is written to it. run gets what parse
// makes of the line.
template <class Command>
int RunArchiverCall(const char* commandLine, char* output, std::size_t size,
                    std::optional<Command> (*parse)(std::string_view line, std::string* error),
                    int (*run)(const Command& cmd, OutputBuffer& out), int badCommand, int internalError) {
  OutputBuffer out(output, output == nullptr ? 0 : size);
  try {
    std::string error;
    const std::optional<Command> cmd = commandLine != nullptr ? parse(commandLine, &error) : std::nullopt;
    if (!cmd) {
      out.Set(commandLine != nullptr ? error : "No command line.");
      return badCommand;
    }
    return run(*cmd, out);
  } catch (const std::bad_alloc&) {
    out.Set("Out of memory.");
  } catch (...) {
    out.Set("Unexpected failure.");
  }
  return internalError;
}

}  // namespace zelk::archivers
