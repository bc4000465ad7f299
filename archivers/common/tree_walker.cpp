#include "common/tree_walker.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "common/scoped_win.h"
#include "common/win_strings.h"
#include "exclusion/exclusion_patterns.h"
#include "fileutil/reparse_tag.h"
#include "text/mbcs.h"

namespace zelk::archivers {

namespace {

struct PendingFolder {
  std::wstring fullPath;
  std::wstring relativeWide;
  bool holdsArchive = false;
  std::string patternPath;  // from the target's own name, for the patterns
};

std::uint64_t SizeOf(DWORD high, DWORD low) {
  return (static_cast<std::uint64_t>(high) << 32) | low;
}

std::string WithBackslashes(const std::string& name) {
  std::string out = name;
  for (std::size_t i = 0; i < out.size(); i += text::CharLength(out, i)) {
    if (out[i] == '/') out[i] = '\\';
  }
  while (text::EndsWithChar(out, '\\')) out.pop_back();
  return out;
}

// The last component of a relative name.
std::string OwnName(const std::string& relative) {
  const std::size_t cut = text::FindLastChar(relative, '\\');
  return cut == std::string::npos ? relative : relative.substr(cut + 1);
}

// Reads the children of one folder, sorted by name; the system's error code,
// 0 on success.
DWORD ListFolder(const std::wstring& folder, std::vector<WIN32_FIND_DATAW>* children) {
  const std::wstring pattern = folder + L"\\*";
  WIN32_FIND_DATAW data;
  HANDLE raw = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (raw == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    return code == ERROR_FILE_NOT_FOUND ? 0 : code;  // no entries at all
  }
  ScopedFindHandle find(raw);
  do {
    const std::wstring_view n = data.cFileName;
    if (n == L"." || n == L"..") continue;
    children->push_back(data);
  } while (FindNextFileW(raw, &data));
  const DWORD code = GetLastError();
  if (code != ERROR_NO_MORE_FILES) return code;
  std::sort(children->begin(), children->end(), [](const auto& a, const auto& b) {
    return std::wstring_view(a.cFileName) < std::wstring_view(b.cFileName);
  });
  return 0;
}

// A target or a folder below it that cannot be read: told, or the walk's
// failure.
WalkResult Unreadable(const WalkOptions& options, const std::wstring& path, DWORD code, std::string* error) {
  if (options.unreadable) {
    options.unreadable(path, code);
    return WalkResult::kDone;
  }
  *error = DisplayPath(path) + ": " + SystemErrorText(code);
  return WalkResult::kFailed;
}

bool IsLinkFolder(const WIN32_FIND_DATAW& data) {
  return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
         (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && fileutil::IsLinkReparseTag(data.dwReserved0);
}

}  // namespace

WalkResult WalkTarget(const std::string& baseFolder, const std::string& name,
                      const WalkOptions& options, const TreeVisitor& visit, std::string* error) {
  const std::string relative = WithBackslashes(name);
  if (relative.empty()) {
    *error = "No target name.";
    return WalkResult::kFailed;
  }
  std::string base = baseFolder;
  while (text::EndsWithChar(base, '\\') || text::EndsWithChar(base, '/')) base.pop_back();
  const std::wstring full = ExtendedLengthPath(AnsiToWide(base + "\\" + relative));
  if (full.empty()) {
    *error = base + "\\" + relative + ": invalid path.";
    return WalkResult::kFailed;
  }

  WIN32_FILE_ATTRIBUTE_DATA info;
  if (!GetFileAttributesExW(full.c_str(), GetFileExInfoStandard, &info)) {
    return Unreadable(options, full, GetLastError(), error);
  }
  TreeEntry top;
  top.relativeWide = AnsiToWide(relative);
  top.fullPath = full;
  top.isTop = true;
  top.isFolder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  top.mayBeArchive = !top.isFolder;
  top.attributes = info.dwFileAttributes;
  top.lastWriteTime = info.ftLastWriteTime;
  top.size = top.isFolder ? 0 : SizeOf(info.nFileSizeHigh, info.nFileSizeLow);
  if (!visit(top)) return WalkResult::kStopped;
  // A target that is a link is what the caller named: it is walked through.
  if (!top.isFolder || !options.recurse) return WalkResult::kDone;

  // A folder target that holds the archive itself is still archived, as its
  // caller named it; only the archive is left out of it (by the visitor).
  const bool checkFolders = options.archiveFolder.known;
  const bool topHoldsArchive = checkFolders && IdentityOfPath(full).SameAs(options.archiveFolder);
  const bool patterns = options.exclude != nullptr && !options.exclude->empty();

  // Depth first without recursion, so that deep trees cannot exhaust the stack.
  std::vector<PendingFolder> pending{{full, top.relativeWide, topHoldsArchive, patterns ? OwnName(relative) : ""}};
  std::vector<WIN32_FIND_DATAW> children;
  std::vector<PendingFolder> subfolders;
  while (!pending.empty()) {
    PendingFolder folder = std::move(pending.back());
    pending.pop_back();
    children.clear();
    if (const DWORD code = ListFolder(folder.fullPath, &children); code != 0) {
      if (Unreadable(options, folder.fullPath, code, error) == WalkResult::kFailed) return WalkResult::kFailed;
      continue;
    }
    subfolders.clear();
    for (const WIN32_FIND_DATAW& child : children) {
      const DWORD attrs = child.dwFileAttributes;
      if (!options.includeHiddenSystem &&
          (attrs & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0) {
        continue;
      }
      TreeEntry entry;
      entry.isFolder = (attrs & FILE_ATTRIBUTE_DIRECTORY) != 0;
      std::string patternPath;
      if (patterns) {
        patternPath = folder.patternPath + "\\" + WideToAnsiAsSystem(child.cFileName);
        if (options.exclude->Excludes(patternPath, entry.isFolder)) continue;
      }
      entry.fullPath = folder.fullPath + L"\\" + child.cFileName;
      const bool enter = entry.isFolder && !IsLinkFolder(child);
      if (enter && checkFolders && IdentityOfPath(entry.fullPath).SameAs(options.archiveFolder)) {
        continue;  // the folder the archive is written into
      }
      entry.relativeWide = folder.relativeWide + L"\\" + child.cFileName;
      entry.mayBeArchive = folder.holdsArchive && !entry.isFolder;
      entry.attributes = attrs;
      entry.lastWriteTime = child.ftLastWriteTime;
      entry.size = entry.isFolder ? 0 : SizeOf(child.nFileSizeHigh, child.nFileSizeLow);
      if (!visit(entry)) return WalkResult::kStopped;
      if (enter) {
        subfolders.push_back({std::move(entry.fullPath), std::move(entry.relativeWide), false, std::move(patternPath)});
      }
    }
    // Visit subfolders in name order: push them in reverse.
    for (auto it = subfolders.rbegin(); it != subfolders.rend(); ++it) pending.push_back(std::move(*it));
  }
  return WalkResult::kDone;
}

}  // namespace zelk::archivers
