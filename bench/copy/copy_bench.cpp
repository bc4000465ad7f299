// copy_bench.exe SOURCE SAVEFOLDER [KEEP [LINK]]
// Runs one plain-copy backup of the folder SOURCE into SAVEFOLDER through the
// backup engine (history on, KEEP generations kept, default two; LINK 1
// shares unchanged files with the newest generation) and prints the time the
// run took, measured with the performance counter around RunBackup alone.
// History.dat is read and written in the current folder, so run it in a
// scratch folder. Output, one "key=value" a line:
//   elapsed_s=<seconds>
//   result=ok | result=failed
//   error=<last-error text, Shift-JIS; empty on success>
// Exit code 0 on success, 1 when the run failed, 2 on bad arguments.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/backup_engine.h"
#include "engine/run_host.h"
#include "settings/settings.h"
#include "targets/target_entry.h"

namespace {

// The run's owner: no window, one active folder row.
class BenchHost final : public zelk::engine::IRunHost {
 public:
  explicit BenchHost(std::string source) : source_(std::move(source)) {}
  void EnableControls(bool) override {}
  std::vector<zelk::targets::TargetEntry> SnapshotTargets() override {
    return {zelk::targets::TargetEntry{source_, "", zelk::targets::ActiveFolder}};
  }

 private:
  std::string source_;
};

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER frequency) {
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc > 5) {
    std::fprintf(stderr, "usage: copy_bench.exe SOURCE SAVEFOLDER [KEEP [LINK]]\n");
    return 2;
  }
  zelk::settings::CSettings settings;
  settings.SavePath = argv[2];
  settings.History = 1;
  settings.HistoryNum = argc > 3 ? std::atoi(argv[3]) : 2;
  settings.LinkUnchanged = argc > 4 && std::atoi(argv[4]) != 0;
  settings.DefMode = zelk::settings::PlainCopy;

  BenchHost host(argv[1]);
  zelk::engine::CBackupEngine engine(settings, host);

  LARGE_INTEGER frequency{};
  LARGE_INTEGER start{};
  LARGE_INTEGER stop{};
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  const bool failed = engine.RunBackup();
  QueryPerformanceCounter(&stop);

  std::printf("elapsed_s=%.6f\n", Seconds(start, stop, frequency));
  std::printf("result=%s\n", failed ? "failed" : "ok");
  std::printf("error=%s\n", engine.GetLastErrorText().c_str());
  std::fflush(stdout);
  return failed ? 1 : 0;
}
