// link_floor.exe SOURCE DEST
// What a run that links every file cannot go below: lists the tree SOURCE,
// creates its folders under DEST (which must not exist) and makes one hard
// link in DEST for every file, with nothing else around it (no comparison,
// no times, no attributes). Prints, one "key=value" a line:
//   files=<n> folders=<n> list_s=<s> folders_s=<s> links_s=<s> failed=<n>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

double Now() {
  LARGE_INTEGER frequency{};
  LARGE_INTEGER counter{};
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::wstring Widen(const char* text) {
  const int size = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  std::wstring wide(size > 0 ? static_cast<std::size_t>(size) : 1, L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), size);
  wide.resize(wide.size() - 1);
  return L"\\\\?\\" + wide;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: link_floor.exe SOURCE DEST\n");
    return 2;
  }
  const std::wstring source = Widen(argv[1]);
  const std::wstring dest = Widen(argv[2]);
  std::vector<std::wstring> folders{L""};  // relative to source, "" = the root
  std::vector<std::wstring> files;
  const double start = Now();
  for (std::size_t i = 0; i < folders.size(); ++i) {
    WIN32_FIND_DATAW data;
    const std::wstring base = folders[i];
    HANDLE find = FindFirstFileW((source + base + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) continue;
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? folders : files).push_back(base + L"\\" + name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  const double listed = Now();
  int failed = 0;
  for (const std::wstring& folder : folders) {
    if (!CreateDirectoryW((dest + folder).c_str(), nullptr)) ++failed;
  }
  const double created = Now();
  for (const std::wstring& file : files) {
    if (!CreateHardLinkW((dest + file).c_str(), (source + file).c_str(), nullptr)) ++failed;
  }
  const double linked = Now();
  std::printf("files=%zu\nfolders=%zu\nlist_s=%.6f\nfolders_s=%.6f\nlinks_s=%.6f\nfailed=%d\n", files.size(),
              folders.size(), listed - start, created - listed, linked - created, failed);
  return failed == 0 ? 0 : 1;
}
