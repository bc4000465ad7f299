// Entry point of Zelk.exe.
#include <windows.h>

#include "app/backup_app.h"

namespace {

// The one application object, constructed before the entry point runs.
zelk::app::CBackupApp theApp;

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) { return theApp.Run(instance); }
