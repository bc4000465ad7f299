#include "ui/framework/application.h"

namespace zelk::ui {

int CApplication::Run(HINSTANCE instance) {
  instance_ = instance;
  if (InitInstance()) {
    // A program with a message loop of its own would run it here; the
    // program's whole life is its main dialog's modal loop.
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  return ExitInstance();
}

}  // namespace zelk::ui
