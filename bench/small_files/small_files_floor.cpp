// small_files_floor.exe: the bare cost of a tree of many small files, the
// floor under Zelk's runs over it, and a way to run a program on fewer
// processors with its peak memory.
//   small_files_floor.exe copy SOURCE DEST THREADS
//     walks SOURCE, makes its folders under DEST and copies every file with
//     CopyFileExW on THREADS threads: copy_s=<seconds>
//   small_files_floor.exe read SOURCE THREADS
//     walks SOURCE and opens, reads to its end and closes every file on
//     THREADS threads: read_s=<seconds>
//   small_files_floor.exe spawn MASK COMMAND-LINE...
//     runs the command line with the process affinity MASK (hex; 0 leaves it
//     as it is), its output going where ours goes, then prints
//     child_s=<wall seconds> peak_ws_mib=<peak working set> exit=<code>
//     (the peak as seen every 50 ms while it runs; 0 when none could be read)
// Every mode also prints files=<count> failed=<count>; exit 0 when nothing
// failed.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Tree {
  std::vector<std::wstring> files;    // relative paths
  std::vector<std::wstring> folders;  // relative paths, each before what it holds
};

// Lists root's tree; relative paths below it.
bool Walk(const std::wstring& root, const std::wstring& relative, Tree& tree) {
  const std::wstring folder = relative.empty() ? root : root + L"\\" + relative;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                 FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) return false;
  std::vector<std::wstring> below;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring path = relative.empty() ? name : relative + L"\\" + name;
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      tree.folders.push_back(path);
      below.push_back(path);
    } else {
      tree.files.push_back(path);
    }
  } while (FindNextFileW(find, &data));
  FindClose(find);
  for (const std::wstring& path : below) {
    if (!Walk(root, path, tree)) return false;
  }
  return true;
}

std::wstring Wide(const char* s) {
  const int n = MultiByteToWideChar(CP_ACP, 0, s, -1, nullptr, 0);
  std::wstring w(static_cast<std::size_t>(n > 0 ? n : 1), L'\0');
  MultiByteToWideChar(CP_ACP, 0, s, -1, w.data(), n);
  w.resize(std::wcslen(w.c_str()));
  return w;
}

double Now() {
  LARGE_INTEGER f;
  LARGE_INTEGER t;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

// Runs work(index) for every index below count on threads threads.
template <typename Work>
void OnThreads(std::size_t count, int threads, Work work) {
  std::atomic<std::size_t> next{0};
  auto loop = [&] {
    for (std::size_t i = next++; i < count; i = next++) work(i);
  };
  std::vector<std::thread> pool;
  for (int t = 1; t < threads; ++t) pool.emplace_back(loop);
  loop();
  for (std::thread& t : pool) t.join();
}

int Report(const char* key, double seconds, std::size_t files, std::size_t failed) {
  std::printf("%s=%.3f\nfiles=%zu\nfailed=%zu\n", key, seconds, files, failed);
  return failed == 0 ? 0 : 1;
}

int Copy(const std::wstring& source, const std::wstring& dest, int threads) {
  const double start = Now();
  Tree tree;
  if (!Walk(source, L"", tree)) return Report("copy_s", 0, 0, 1);
  std::size_t failed = CreateDirectoryW(dest.c_str(), nullptr) ? 0 : 1;
  for (const std::wstring& f : tree.folders) {
    if (!CreateDirectoryW((dest + L"\\" + f).c_str(), nullptr)) ++failed;
  }
  std::atomic<std::size_t> copyFailed{0};
  OnThreads(tree.files.size(), threads, [&](std::size_t i) {
    const std::wstring& f = tree.files[i];
    if (!CopyFileExW((source + L"\\" + f).c_str(), (dest + L"\\" + f).c_str(), nullptr, nullptr, nullptr,
                     COPY_FILE_FAIL_IF_EXISTS)) {
      ++copyFailed;
    }
  });
  return Report("copy_s", Now() - start, tree.files.size(), failed + copyFailed);
}

int Read(const std::wstring& source, int threads) {
  const double start = Now();
  Tree tree;
  if (!Walk(source, L"", tree)) return Report("read_s", 0, 0, 1);
  std::atomic<std::size_t> failed{0};
  OnThreads(tree.files.size(), threads, [&](std::size_t i) {
    HANDLE h = CreateFileW((source + L"\\" + tree.files[i]).c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      ++failed;
      return;
    }
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got > 0) {
    }
    CloseHandle(h);
  });
  return Report("read_s", Now() - start, tree.files.size(), failed);
}

int Spawn(DWORD_PTR mask, std::string commandLine) {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  si.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION pi{};
  std::fflush(stdout);
  double start = 0;
  // Wine now and then fails to start a process under load with an internal
  // error; a second try starts it.
  for (int tries = 1;; ++tries) {
    start = Now();
    if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr, nullptr, &si,
                       &pi)) {
      break;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_INTERNAL_ERROR || tries == 3) {
      std::printf("spawn failed: %lu\n", error);
      return 2;
    }
    Sleep(500);
  }
  if (mask != 0 && !SetProcessAffinityMask(pi.hProcess, mask)) {
    std::printf("affinity not set: %lu\n", GetLastError());
  }
  ResumeThread(pi.hThread);
  // Wine answers for a running process only: its peak is watched while it
  // runs (a peak shorter than a poll between two polls is missed).
  SIZE_T peakBytes = 0;
  for (;;) {
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(pi.hProcess, &memory, sizeof memory)) {
      peakBytes = std::max({peakBytes, memory.PeakWorkingSetSize, memory.WorkingSetSize});
    }
    if (WaitForSingleObject(pi.hProcess, 50) != WAIT_TIMEOUT) break;
  }
  const double seconds = Now() - start;
  const double peak = static_cast<double>(peakBytes) / (1 << 20);
  DWORD code = 1;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  std::printf("child_s=%.3f\npeak_ws_mib=%.1f\nexit=%lu\n", seconds, peak, code);
  return code == 0 ? 0 : 1;
}

int Usage() {
  std::fprintf(stderr,
               "usage: small_files_floor.exe copy SOURCE DEST THREADS | read SOURCE THREADS |"
               " spawn MASK COMMAND-LINE...\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::string mode = argv[1];
  if (mode == "copy" && argc == 5) return Copy(Wide(argv[2]), Wide(argv[3]), std::max(std::atoi(argv[4]), 1));
  if (mode == "read" && argc == 4) return Read(Wide(argv[2]), std::max(std::atoi(argv[3]), 1));
  if (mode == "spawn" && argc >= 4) {
    std::string line;
    for (int i = 3; i < argc; ++i) {
      if (!line.empty()) line += ' ';
      line += std::string("\"") + argv[i] + "\"";
    }
    return Spawn(static_cast<DWORD_PTR>(std::strtoull(argv[2], nullptr, 16)), line);
  }
  return Usage();
}
