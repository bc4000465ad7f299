// Soak run of the real Zelk.exe: periodic backups at a 1-second interval for
// ZELK_SOAK_SECONDS (600 by default; 15 with ZELK_BENCH_TINY set, to see
// that the benchmark still works) with the window in the tray. Every 30 s
// (at the end of a shorter soak) it samples the process's handles, GDI and
// USER objects and memory, and at the end checks that every generation
// listed in History.dat is on disk and complete. Prints the samples and a verdict; only the tiny form is a test.
#include <windows.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "res/resource.h"
#include "zelk_process.h"

using namespace zelk::e2e;

namespace {

struct Sample {
  DWORD handles = 0;
  DWORD gdi = 0;
  DWORD user = 0;
  SIZE_T workingSet = 0;
  SIZE_T privateBytes = 0;
};

Sample Measure(HANDLE process) {
  Sample s;
  GetProcessHandleCount(process, &s.handles);
  s.gdi = GetGuiResources(process, GR_GDIOBJECTS);
  s.user = GetGuiResources(process, GR_USEROBJECTS);
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof memory;
  if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory)) {
    s.workingSet = memory.WorkingSetSize;
    s.privateBytes = memory.PrivateUsage;
  }
  return s;
}

}  // namespace

TEST(Soak, PeriodicBackupsAtOneSecond) {
  const char* env = std::getenv("ZELK_SOAK_SECONDS");
  const int seconds = env != nullptr ? std::atoi(env) : std::getenv("ZELK_BENCH_TINY") != nullptr ? 15 : 600;
  const int step = std::max(1, std::min(30, seconds));
  ZelkProcess zelk;
  for (int i = 0; i < 50; ++i) {
    zelk::testing::WriteFile(zelk.Path("src\\Data\\f" + std::to_string(i) + ".txt"), std::string(2000, 'x'));
  }
  zelk.WriteIni("SavePath=" + zelk.Path("save") +
                "\r\nHistory=1\r\nHistoryNum=5\r\nSaveTimeNum=1\r\nSaveTimeTani=2\r\nEndBackup=0\r\n");
  zelk.WriteFileList({"3;" + zelk.Path("src\\Data") + ";;"});
  zelk.Start();
  zelk.Command(IDC_START);

  DWORD pid = 0;
  GetWindowThreadProcessId(zelk.MainWindow(), &pid);
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
  ASSERT_NE(process, nullptr);
  std::printf("%8s %8s %6s %6s %12s %12s\n", "seconds", "handles", "gdi", "user", "working-set", "private");
  Sample first{};
  Sample last{};
  for (int t = 0; t <= seconds; t += step) {
    last = Measure(process);
    if (t == step) first = last;  // after the first runs have warmed up
    std::printf("%8d %8lu %6lu %6lu %12zu %12zu\n", t, last.handles, last.gdi, last.user,
                static_cast<size_t>(last.workingSet), static_cast<size_t>(last.privateBytes));
    std::fflush(stdout);
    EXPECT_TRUE(zelk.NoBoxOpen()) << "a run failed at " << t << " s";
    if (t < seconds) Sleep(static_cast<DWORD>(step) * 1000);
  }
  // An exit that meets a run is refused with a box: it is answered and the
  // exit asked again.
  EXPECT_TRUE(zelk.ExitFromTray(60000));
  CloseHandle(process);

  // Every listed generation is on disk and whole.
  std::string history = zelk::testing::ReadFile(zelk.Path("History.dat"));
  int lines = 0;
  for (std::size_t start = 0; start < history.size();) {
    std::size_t end = history.find("\r\n", start);
    const std::string gen = history.substr(start, end - start);
    for (int i = 0; i < 50; ++i) {
      EXPECT_EQ(zelk::testing::ReadFile(gen + "\\Data\\f" + std::to_string(i) + ".txt").size(), 2000u) << gen;
    }
    ++lines;
    start = end + 2;
  }
  EXPECT_EQ(lines, 5);
  std::printf("growth after warm-up: handles %+ld, gdi %+ld, user %+ld, private bytes %+lld\n",
              static_cast<long>(last.handles) - static_cast<long>(first.handles),
              static_cast<long>(last.gdi) - static_cast<long>(first.gdi),
              static_cast<long>(last.user) - static_cast<long>(first.user),
              static_cast<long long>(last.privateBytes) - static_cast<long long>(first.privateBytes));
}
