#include "app/backup_app.h"

#include <commctrl.h>
#include <objbase.h>

#include "res/resource.h"
#include "settings/profile.h"
#include "ui/framework/message_box.h"
#include "ui/framework/resource_text.h"
#include "ui/main_window/main_dlg.h"

namespace zelk::app {

CBackupApp::CBackupApp() { settings::RegisterIniPath(); }

bool CBackupApp::InitInstance() {
  // Libraries are never loaded from the current folder.
  SetDllDirectoryA("");

  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

  const std::string name = ui::ApplicationName();
  mutex_ = CreateMutexA(nullptr, TRUE, name.c_str());
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    ui::ShowMessageBox(nullptr, ui::LoadResourceString(IDS_ALREADY_RUNNING), MB_OK | MB_ICONEXCLAMATION);
    return false;
  }

  {
    ui::CMainDlg mainWindow;
    mainWindow.DoModal();
  }
  return false;
}

int CBackupApp::ExitInstance() {
  if (mutex_ != nullptr) {
    ReleaseMutex(mutex_);
    CloseHandle(mutex_);
    mutex_ = nullptr;
  }
  CoUninitialize();
  return 0;
}

}  // namespace zelk::app
