// Enumerates one archiver target under its base folder: the target itself
// (a file or a folder) and, for a folder, everything below it, hidden and
// system entries and empty folders included. Uses the wide file functions on
// extended-length paths, so deep trees and names outside the ANSI code page
// work; every entry is handed out with its real UTF-16 name and opened by it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "common/file_identity.h"

namespace zelk::archivers {

struct TreeEntry {
  std::wstring relativeWide;   // relative to the base folder: "Data", "Data\\sub\\x.txt"
  std::wstring fullPath;       // extended-length path, for opening
  bool isTop = false;          // the target itself, visited first
  // The entry may be the archive being written: the file target itself, or
  // a file directly inside a folder target that holds the archive.
  bool mayBeArchive = false;
  bool isFolder = false;
  DWORD attributes = 0;
  FILETIME lastWriteTime{};
  std::uint64_t size = 0;      // 0 for folders
};

struct WalkOptions {
  bool recurse = true;            // descend into a folder target
  bool includeHiddenSystem = true;  // entries below the target with those attributes
  // The folder that holds the archive being written. Below the target it is
  // neither visited nor entered, so an archive never takes in itself or its
  // older siblings (a save folder inside a folder target).
  FileIdentity archiveFolder;
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
// *error names the path that failed and why.
WalkResult WalkTarget(const std::string& baseFolder, const std::string& name,
                      const WalkOptions& options, const TreeVisitor& visit, std::string* error);

}  // namespace zelk::archivers
