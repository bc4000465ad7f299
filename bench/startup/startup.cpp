// Start-up time of Zelk.exe to a visible main window, and its memory when it
// idles in the tray. Five starts; prints each and the median. With
// ZELK_BENCH_TINY set, one start and a short idle, to see that the benchmark
// still works.
#include <windows.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <vector>

#include "res/resource.h"
#include "zelk_process.h"

using namespace zelk::e2e;

TEST(Startup, TimeToWindowAndIdleMemory) {
  const bool tiny = std::getenv("ZELK_BENCH_TINY") != nullptr;
  const int rounds = tiny ? 1 : 5;
  std::vector<double> millis;
  SIZE_T idleWorkingSet = 0;
  for (int round = 0; round < rounds; ++round) {
    ZelkProcess zelk;
    zelk.WriteIni("SavePath=" + zelk.Path("save") + "\r\nSaveTimeNum=1\r\nSaveTimeTani=0\r\nEndBackup=0\r\n");
    zelk.WriteFileList({"3;" + zelk.Path("src") + ";;"});
    zelk::testing::WriteFile(zelk.Path("src\\a.txt"), "a");
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    zelk.Start();
    QueryPerformanceCounter(&end);
    millis.push_back(1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                     static_cast<double>(frequency.QuadPart));
    std::printf("start %d: %.0f ms\n", round + 1, millis.back());
    if (round == rounds - 1) {
      zelk.Command(IDC_START);
      Sleep(tiny ? 1000 : 10000);
      DWORD pid = 0;
      GetWindowThreadProcessId(zelk.MainWindow(), &pid);
      HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
      PROCESS_MEMORY_COUNTERS memory{};
      memory.cb = sizeof memory;
      GetProcessMemoryInfo(process, &memory, sizeof memory);
      idleWorkingSet = memory.WorkingSetSize;
      CloseHandle(process);
      zelk.Command(ID_TRAY_EXIT);
    } else {
      zelk.Command(IDC_EXIT);
    }
    zelk.WaitForExit();
  }
  std::sort(millis.begin(), millis.end());
  std::printf("median start-up to a visible window: %.0f ms\n", millis[millis.size() / 2]);
  std::printf("working set idling in the tray: %.1f MiB\n", static_cast<double>(idleWorkingSet) / 1048576.0);
}
