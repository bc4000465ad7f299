// Test helpers for the Windows build: a temporary folder removed with its
// tree at the end of the test, and small file helpers on ANSI paths.
#pragma once

#include <windows.h>

#include <string>

namespace zelk::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // path() + "\\" + relative
  std::string operator/(const std::string& relative) const;

 private:
  std::string path_;
};

// Writes bytes to a file, creating missing parent folders.
void WriteFile(const std::string& path, const std::string& bytes);
// Reads a whole file; empty when it cannot be read.
std::string ReadFile(const std::string& path);
bool Exists(const std::string& path);
bool IsFolder(const std::string& path);
void MakeDirs(const std::string& path);
// Removes a tree with the shell-independent recursive delete of the tests.
void RemoveTree(const std::string& path);
DWORD Attributes(const std::string& path);
// The number of names the file has (hard links); 0 when it cannot be read.
DWORD LinkCount(const std::string& path);

// Holds a file open without any sharing, as another program might.
class LockedFile {
 public:
  explicit LockedFile(const std::string& path)
      : h_(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {}
  ~LockedFile() {
    if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
  }
  LockedFile(const LockedFile&) = delete;
  LockedFile& operator=(const LockedFile&) = delete;
  bool ok() const { return h_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE h_;
};

// Changes the current directory for the life of the object.
class CurrentDirectory {
 public:
  explicit CurrentDirectory(const std::string& path);
  ~CurrentDirectory();
  CurrentDirectory(const CurrentDirectory&) = delete;
  CurrentDirectory& operator=(const CurrentDirectory&) = delete;

 private:
  std::string old_;
};

}  // namespace zelk::testing
