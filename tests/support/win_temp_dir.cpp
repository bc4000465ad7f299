#include "win_temp_dir.h"

#include <atomic>
#include <cstdio>
#include <vector>

namespace zelk::testing {
namespace {

std::wstring Wide(const std::string& s) {
  int n = MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

void RemoveTreeW(const std::wstring& path) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((path + L"\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring child = path + L"\\" + name;
      SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        // A link is removed as itself, never entered.
        if (!RemoveDirectoryW(child.c_str())) DeleteFileW(child.c_str());
      } else if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTreeW(child);
      } else {
        DeleteFileW(child.c_str());
      }
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryW(path.c_str());
}

}  // namespace

TempDir::TempDir() {
  static std::atomic<unsigned> counter{0};
  char base[MAX_PATH + 1] = {};
  GetTempPathA(sizeof base, base);
  for (;;) {
    char name[64];
    std::snprintf(name, sizeof name, "zelk-test-%lu-%u", GetCurrentProcessId(), counter++);
    std::string candidate = std::string(base) + name;
    if (CreateDirectoryA(candidate.c_str(), nullptr)) {
      path_ = candidate;
      break;
    }
  }
}

TempDir::~TempDir() { RemoveTree(path_); }

std::string TempDir::operator/(const std::string& relative) const { return path_ + "\\" + relative; }

void MakeDirs(const std::string& path) {
  for (size_t i = 3; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '\\') {
      CreateDirectoryW(Wide(path.substr(0, i)).c_str(), nullptr);
    } else if (IsDBCSLeadByte(static_cast<BYTE>(path[i])) && i + 1 < path.size()) {
      ++i;
    }
  }
}

void WriteFile(const std::string& path, const std::string& bytes) {
  size_t slash = std::string::npos;
  for (size_t i = 0; i < path.size(); ++i) {
    if (path[i] == '\\') slash = i;
    else if (IsDBCSLeadByte(static_cast<BYTE>(path[i])) && i + 1 < path.size()) ++i;
  }
  if (slash != std::string::npos) MakeDirs(path.substr(0, slash));
  HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  if (!bytes.empty()) ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(h);
}

std::string ReadFile(const std::string& path) {
  HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return {};
  std::string out;
  std::vector<char> buf(1 << 16);
  DWORD got = 0;
  while (::ReadFile(h, buf.data(), static_cast<DWORD>(buf.size()), &got, nullptr) && got > 0) {
    out.append(buf.data(), got);
  }
  CloseHandle(h);
  return out;
}

DWORD Attributes(const std::string& path) { return GetFileAttributesW(Wide(path).c_str()); }

bool Exists(const std::string& path) { return Attributes(path) != INVALID_FILE_ATTRIBUTES; }

bool IsFolder(const std::string& path) {
  DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

void RemoveTree(const std::string& path) {
  if (!path.empty()) RemoveTreeW(Wide(path));
}

CurrentDirectory::CurrentDirectory(const std::string& path) {
  char buf[32768];
  DWORD n = GetCurrentDirectoryA(sizeof buf, buf);
  old_.assign(buf, n < sizeof buf ? n : 0);
  SetCurrentDirectoryA(path.c_str());
}

CurrentDirectory::~CurrentDirectory() {
  if (!old_.empty()) SetCurrentDirectoryA(old_.c_str());
}

DWORD LinkCount(const std::string& path) {
  BY_HANDLE_FILE_INFORMATION info{};
  HANDLE h = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return 0;
  const bool ok = GetFileInformationByHandle(h, &info) != FALSE;
  CloseHandle(h);
  return ok ? info.nNumberOfLinks : 0;
}

}  // namespace zelk::testing
