// One archiver call from a DLL entry point, with the caller's command line
// and output buffer. A missing command line or one the parser refuses gives
// badCommand; no exception escapes to the caller: lack of memory and any
// other failure give internalError. Each failure leaves its text in the
// buffer.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "common/output_buffer.h"

namespace zelk::archivers {

// The version both libraries report: 1.00.
constexpr unsigned short kArchiverVersion = 100;

using ArchiverRun = std::function<int(const char* commandLine, OutputBuffer& out)>;

// output may be null; then nothing is written to it.
int RunArchiverCall(const char* commandLine, char* output, std::size_t size, const ArchiverRun& run,
                    int badCommand, int internalError);

// The same for a format's parser and run: run(command, out) on what parse
// makes of the line, or the parser's reason in the buffer.
template <class Command>
int RunArchiverCall(const char* commandLine, char* output, std::size_t size,
                    std::optional<Command> (*parse)(std::string_view line, std::string* error),
                    int (*run)(const Command& cmd, OutputBuffer& out), int badCommand, int internalError) {
  const ArchiverRun parseAndRun = [&](const char* line, OutputBuffer& out) {
    std::string error;
    const std::optional<Command> cmd = parse(line, &error);
    if (!cmd) {
      out.Set(error);
      return badCommand;
    }
    return run(*cmd, out);
  };
  return RunArchiverCall(commandLine, output, size, parseAndRun, badCommand, internalError);
}

}  // namespace zelk::archivers
