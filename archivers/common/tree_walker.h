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

namespace zelk::exclusion {
class PatternList;
}

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
  // Entries below the target that these patterns match (from the target's
  // own name, as src/exclusion has it) are neither visited nor entered.
  const exclusion::PatternList* exclude = nullptr;
  // The target or a folder below it that cannot be read. When set, it is
  // told (extended-length path, system error code) and the walk goes on
  // without it; otherwise the walk fails.
  std::function<void(const std::wstring& path, DWORD code)> unreadable;
};

// Returns false to stop the walk.
using TreeVisitor = std::function<bool(const TreeEntry&)>;

enum class WalkResult {
  kDone,     // every entry was visited
  kStopped,  // the visitor returned false
  kFailed,   // the target or a folder below it could not be read; see *error
};

// Visits baseFolder\name and, for a folder, its contents in name order, each
// folder before what it holds. A target that is a link is walked through;
// below it, folders that are links (fileutil::IsLinkReparseTag) are visited
// but not entered, and every other reparse point is read as an ordinary file
// or folder. name may hold '\\' or '/' separators. *error names the path
// that failed and why.
WalkResult WalkTarget(const std::string& baseFolder, const std::string& name,
                      const WalkOptions& options, const TreeVisitor& visit, std::string* error);

}  // namespace zelk::archivers
