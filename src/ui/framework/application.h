// CApplication: the program's application object with its instance-start
// and instance-exit hooks. Run calls InitInstance; when that answers false,
// as a dialog application does after its main dialog has ended, it goes
// straight to ExitInstance, whose answer is the process's exit code.
#pragma once

#include <windows.h>

namespace zelk::ui {

class CApplication {
 public:
  CApplication() = default;
  virtual ~CApplication() = default;
  CApplication(const CApplication&) = delete;
  CApplication& operator=(const CApplication&) = delete;

  int Run(HINSTANCE instance);
  HINSTANCE instance() const { return instance_; }

 protected:
  virtual bool InitInstance() = 0;
  virtual int ExitInstance() { return 0; }

 private:
  HINSTANCE instance_ = nullptr;
};

}  // namespace zelk::ui
