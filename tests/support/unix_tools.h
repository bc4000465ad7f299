// The Linux side of the machine Wine runs on, for tests that check results
// with Linux tools or set up what Windows calls cannot (mounts, links).
#pragma once

#include <windows.h>

#include <string>

namespace zelk::testing {

// The Linux path of a Windows path (Wine maps its drives onto the Linux tree).
std::string UnixPath(const std::string& windowsPath);
// Runs a Linux shell command (quote paths in it with single quotes) and
// returns its exit code.
int RunUnix(const std::string& shellCommand, DWORD timeoutMs = 60000);

}  // namespace zelk::testing
