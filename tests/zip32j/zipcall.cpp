// Test driver for ZIP32J.DLL: loads the library beside this program and
// carries out a batch of steps read from a file, one per line, fields
// separated by tabs (texts in the ANSI code page):
//   version                                  ZipGetVersion
//   call <size> <lock path or empty> <line>  Zip(NULL, line, buffer, size)
//        (a lock path "@" + hex of UTF-8 bytes may hold any character)
//   attr <path> <attributes, decimal>        SetFileAttributesA
// A call step may hold a file open without sharing while Zip runs. Each step
// writes one line to the result file: for call, the result, whether bytes
// past the buffer's size were touched ("overrun" / "ok") and the buffer's
// text in hex; for version, the number; for attr, 0 or the error code.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using ZipFn = int(WINAPI*)(HWND, LPCSTR, LPSTR, DWORD);
using VersionFn = WORD(WINAPI*)();

std::vector<std::string> Split(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  return fields;
}

std::string Hex(const char* text) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (const char* p = text; *p != '\0'; ++p) {
    const auto c = static_cast<unsigned char>(*p);
    out.push_back(kDigits[c >> 4]);
    out.push_back(kDigits[c & 15]);
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: zipcall STEPS-FILE RESULT-FILE\n");
    return 2;
  }
  HMODULE dll = LoadLibraryA("ZIP32J.DLL");
  if (dll == nullptr) {
    std::fprintf(stderr, "ZIP32J.DLL not loaded\n");
    return 3;
  }
  auto zip = reinterpret_cast<ZipFn>(reinterpret_cast<void*>(GetProcAddress(dll, "Zip")));
  auto version = reinterpret_cast<VersionFn>(reinterpret_cast<void*>(GetProcAddress(dll, "ZipGetVersion")));
  if (zip == nullptr || version == nullptr) {
    std::fprintf(stderr, "entry points missing\n");
    return 4;
  }
  std::ifstream steps(argv[1], std::ios::binary);
  std::ofstream results(argv[2], std::ios::binary);
  std::string line;
  while (std::getline(steps, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::vector<std::string> f = Split(line);
    if (f[0] == "version") {
      results << version() << "\n";
    } else if (f[0] == "attr" && f.size() == 3) {
      const BOOL ok = SetFileAttributesA(f[1].c_str(), static_cast<DWORD>(std::stoul(f[2])));
      results << (ok ? 0UL : GetLastError()) << "\n";
    } else if (f[0] == "call" && f.size() == 4) {
      const DWORD size = static_cast<DWORD>(std::stoul(f[1]));
      HANDLE lock = INVALID_HANDLE_VALUE;
      if (!f[2].empty() && f[2][0] == '@') {
        // "@" and the path's UTF-8 bytes in hex: names outside the code page.
        std::string utf8;
        for (std::size_t i = 1; i + 1 < f[2].size(); i += 2) {
          utf8.push_back(static_cast<char>(std::stoi(f[2].substr(i, 2), nullptr, 16)));
        }
        std::wstring wide(utf8.size() + 1, L'\0');
        const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                                          static_cast<int>(wide.size()));
        wide.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        lock = CreateFileW(wide.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
      } else if (!f[2].empty()) {
        lock = CreateFileA(f[2].c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
      }
      constexpr std::size_t kGuard = 64;
      std::vector<char> buffer(size + kGuard + 1, '\x7f');
      buffer.back() = '\0';
      const int rc = zip(nullptr, f[3].c_str(), buffer.data(), size);
      if (lock != INVALID_HANDLE_VALUE) CloseHandle(lock);
      bool overrun = false;
      for (std::size_t i = size; i < size + kGuard; ++i) overrun |= buffer[i] != '\x7f';
      std::string text;
      if (size > 0) text.assign(buffer.data(), strnlen(buffer.data(), size + kGuard));
      if (size > 0 && text.size() >= size) overrun = true;  // no terminator inside
      results << rc << "\t" << (overrun ? "overrun" : "ok") << "\t" << Hex(text.c_str()) << "\n";
    } else {
      results << "bad-step\n";
    }
    results.flush();
  }
  FreeLibrary(dll);
  return 0;
}
