#include "ui/framework/shell_open.h"

#include <shellapi.h>

namespace zelk::ui {
namespace {

ShellOpenHandler& Handler() {
  static ShellOpenHandler handler;
  return handler;
}

}  // namespace

INT_PTR ShellOpen(HWND owner, const std::string& program, const std::string& parameters) {
  if (Handler()) return Handler()(owner, program, parameters);
  return reinterpret_cast<INT_PTR>(
      ShellExecuteA(owner, "open", program.c_str(), parameters.c_str(), nullptr, SW_SHOW));
}

void SetShellOpenHandler(ShellOpenHandler handler) { Handler() = std::move(handler); }

}  // namespace zelk::ui
