// Enumerates one archiver target under its base folder: the target itself
// (a file or a folder) and, for a folder, everything below it, hidden and
// system entries and empty folders included. Uses the wide file functions on
// extended-length paths, so deep trees and long names work; names are handed
// out in the ANSI code page relative to the base folder, with '\\'.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

namespace zelk::archivers {

struct TreeEntry {
  std::string relativeName;    // ANSI, "Data", "Data\\sub\\x.txt"
  std::wstring relativeWide;   // the same name in UTF-16
  bool ansiExact = true;       // false: a character had no ANSI form
  std::wstring fullPath;       // extended-length path, for opening
  bool isFolder = false;
  DWORD attributes = 0;
  FILETIME creationTime{};
  FILETIME lastAccessTime{};
  FILETIME lastWriteTime{};
  std::uint64_t size = 0;      // 0 for folders
};

struct WalkOptions {
  bool recurse = true;            // descend into a folder target
  bool includeHiddenSystem = true;  // entries below the target with those attributes
};

// Returns false to stop the walk.
using TreeVisitor = std::function<bool(const TreeEntry&)>;

enum class WalkResult {
  kDone,     // every entry was visited
  kStopped,  // the visitor returned false
  kFailed,   // the target or a folder below it could not be read; see *error
};

// Visits baseFolder\name and, for a folder, its contents in name order, each
// folder before what it holds. Folders that are reparse points (junctions,
// links) are visited but not entered. name may hold '\\' or '/' separators.
WalkResult WalkTarget(const std::string& baseFolder, const std::string& name,
                      const WalkOptions& options, const TreeVisitor& visit, std::string* error);

}  // namespace zelk::archivers
