#include "common/tree_walker.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "common/scoped_win.h"
#include "common/win_strings.h"
#include "text/mbcs.h"

namespace zelk::archivers {

namespace {

struct PendingFolder {
  std::wstring fullPath;
  std::wstring relativeWide;
  bool holdsArchive = false;
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

// Reads the children of one folder, sorted by name.
bool ListFolder(const std::wstring& folder, std::vector<WIN32_FIND_DATAW>* children,
                std::string* error) {
  const std::wstring pattern = folder + L"\\*";
  WIN32_FIND_DATAW data;
  HANDLE raw = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (raw == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND) return true;  // no entries at all
    *error = SystemErrorText(code);
    return false;
  }
  ScopedFindHandle find(raw);
  do {
    const std::wstring_view n = data.cFileName;
    if (n == L"." || n == L"..") continue;
    children->push_back(data);
  } while (FindNextFileW(raw, &data));
  const DWORD code = GetLastError();
  if (code != ERROR_NO_MORE_FILES) {
    *error = SystemErrorText(code);
    return false;
  }
  std::sort(children->begin(), children->end(), [](const auto& a, const auto& b) {
    return std::wstring_view(a.cFileName) < std::wstring_view(b.cFileName);
  });
  return true;
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
    *error = DisplayPath(full) + ": " + SystemErrorText(GetLastError());
    return WalkResult::kFailed;
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
  if (!top.isFolder || !options.recurse || (top.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    return WalkResult::kDone;
  }

  // A folder target that holds the archive itself is still archived, as its
  // caller named it; only the archive is left out of it (by the visitor).
  const bool checkFolders = options.archiveFolder.known;
  const bool topHoldsArchive = checkFolders && IdentityOfPath(full).SameAs(options.archiveFolder);

  // Depth first without recursion, so that deep trees cannot exhaust the stack.
  std::vector<PendingFolder> pending{{full, top.relativeWide, topHoldsArchive}};
  std::vector<WIN32_FIND_DATAW> children;
  std::vector<PendingFolder> subfolders;
  while (!pending.empty()) {
    PendingFolder folder = std::move(pending.back());
    pending.pop_back();
    children.clear();
    if (!ListFolder(folder.fullPath, &children, error)) {
      *error = DisplayPath(folder.fullPath) + ": " + *error;
      return WalkResult::kFailed;
    }
    subfolders.clear();
    for (const WIN32_FIND_DATAW& child : children) {
      const DWORD attrs = child.dwFileAttributes;
      if (!options.includeHiddenSystem &&
          (attrs & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0) {
        continue;
      }
      TreeEntry entry;
      entry.fullPath = folder.fullPath + L"\\" + child.cFileName;
      entry.isFolder = (attrs & FILE_ATTRIBUTE_DIRECTORY) != 0;
      const bool enter = entry.isFolder && (attrs & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
      if (enter && checkFolders && IdentityOfPath(entry.fullPath).SameAs(options.archiveFolder)) {
        continue;  // the folder the archive is written into
      }
      entry.relativeWide = folder.relativeWide + L"\\" + child.cFileName;
      entry.mayBeArchive = folder.holdsArchive && !entry.isFolder;
      entry.attributes = attrs;
      entry.lastWriteTime = child.ftLastWriteTime;
      entry.size = entry.isFolder ? 0 : SizeOf(child.nFileSizeHigh, child.nFileSizeLow);
      if (!visit(entry)) return WalkResult::kStopped;
      if (enter) subfolders.push_back({std::move(entry.fullPath), std::move(entry.relativeWide), false});
    }
    // Visit subfolders in name order: push them in reverse.
    for (auto it = subfolders.rbegin(); it != subfolders.rend(); ++it) pending.push_back(std::move(*it));
  }
  return WalkResult::kDone;
}

}  // namespace zelk::archivers
