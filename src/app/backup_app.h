// CBackupApp: the program's application object. It registers the INI file
// beside the executable, refuses a second copy of the same executable and
// runs the main window as a modal dialog for the whole life of the program.
#pragma once

#include <windows.h>

#include "ui/framework/application.h"

namespace zelk::app {

class CBackupApp : public ui::CApplication {
 public:
  CBackupApp();

 protected:
  bool InitInstance() override;
  int ExitInstance() override;

 private:
  HANDLE mutex_ = nullptr;
};

}  // namespace zelk::app
