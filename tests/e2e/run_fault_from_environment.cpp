// The test build's run fault (see ui/main_window/run_fault.h): the value of
// the environment variable ZELK_TEST_RUN_FAULT, which the end-to-end tests
// set for the program they start.
#include <windows.h>

#include "ui/main_window/run_fault.h"

namespace zelk::ui {

std::string InjectedRunFault() {
  char value[32] = {};
  const DWORD length = GetEnvironmentVariableA("ZELK_TEST_RUN_FAULT", value, sizeof value);
  return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

}  // namespace zelk::ui
