// Test driver: loads UNLHA32.DLL from its own folder and calls Unlha with
// the command line read from a file (its bytes as they are, Shift-JIS), so
// that no quoting or code page conversion stands between the test script
// and the library. A file of several lines makes one call per line, in
// order, in one process (as the backup run calls once per target); the
// calls stop at the first failure. Prints each result and the output
// buffer; exits with 0 when Unlha returned 0, 1 otherwise, 2 when the
// library cannot be used.
//   unlhacall.exe <command-line-file> [output-buffer-size]
//   unlhacall.exe --version
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using UnlhaFn = int(WINAPI*)(HWND, LPCSTR, LPSTR, DWORD);
using VersionFn = WORD(WINAPI*)();

// Frees the library on every way out.
class Library {
 public:
  explicit Library(const char* path) : module_(LoadLibraryA(path)) {}
  ~Library() {
    if (module_) FreeLibrary(module_);
  }
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;
  HMODULE get() const { return module_; }

 private:
  HMODULE module_;
};

template <typename Fn>
Fn Lookup(HMODULE module, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

std::string DllPath() {
  std::vector<char> self(MAX_PATH * 4);
  const DWORD n = GetModuleFileNameA(nullptr, self.data(), static_cast<DWORD>(self.size()));
  std::string path(self.data(), n);
  const std::size_t cut = path.find_last_of('\\');
  return (cut == std::string::npos ? std::string() : path.substr(0, cut + 1)) + "UNLHA32.DLL";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: unlhacall <command-line-file> [buffer-size] | --version\n");
    return 2;
  }
  Library dll(DllPath().c_str());
  if (!dll.get()) {
    std::printf("cannot load UNLHA32.DLL (%lu)\n", GetLastError());
    return 2;
  }
  if (std::string(argv[1]) == "--version") {
    const auto version = Lookup<VersionFn>(dll.get(), "UnlhaGetVersion");
    if (!version) return 2;
    std::printf("%u\n", static_cast<unsigned>(version()));
    return 0;
  }
  const auto unlha = Lookup<UnlhaFn>(dll.get(), "Unlha");
  if (!unlha) return 2;
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::printf("cannot read %s\n", argv[1]);
    return 2;
  }
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const DWORD size = argc > 2 ? static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10)) : 1024;
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(line);
  }
  if (lines.empty()) lines.emplace_back();  // an empty command line is a call too
  for (const std::string& line : lines) {
    std::vector<char> output(size + 1, 0);
    const int result = unlha(nullptr, line.c_str(), size ? output.data() : nullptr, size);
    std::printf("result %d\n", result);
    std::fwrite(output.data(), 1, std::strlen(output.data()), stdout);
    std::printf("\n");
    if (result != 0) return 1;
  }
  return 0;
}
