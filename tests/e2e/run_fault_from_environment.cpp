// The test build's run faults (see ui/main_window/run_fault.h), from the
// environment the end-to-end tests set for the program they start: the
// value of ZELK_TEST_RUN_FAULT; with ZELK_TEST_WRITE_DAMAGE, one byte in the
// middle of a staging archive inverted.
#include <windows.h>

#include "ui/main_window/run_fault.h"

namespace zelk::ui {
namespace {

void InvertMiddleByte(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;  // a folder of plain copies
  LARGE_INTEGER size{};
  unsigned char byte = 0;
  DWORD done = 0;
  if (GetFileSizeEx(file, &size) && size.QuadPart > 0) {
    LARGE_INTEGER middle{};
    middle.QuadPart = size.QuadPart / 2;
    SetFilePointerEx(file, middle, nullptr, FILE_BEGIN);
    ReadFile(file, &byte, 1, &done, nullptr);
    byte = static_cast<unsigned char>(~byte);
    SetFilePointerEx(file, middle, nullptr, FILE_BEGIN);
    WriteFile(file, &byte, 1, &done, nullptr);
  }
  CloseHandle(file);
}

}  // namespace

std::string InjectedRunFault() {
  char value[32] = {};
  const DWORD length = GetEnvironmentVariableA("ZELK_TEST_RUN_FAULT", value, sizeof value);
  return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

std::function<void(const std::wstring&)> InjectedWriteDamage() {
  if (GetEnvironmentVariableA("ZELK_TEST_WRITE_DAMAGE", nullptr, 0) == 0) return {};
  return InvertMiddleByte;
}

}  // namespace zelk::ui
