#include "plan/plan_walker.h"

#include <windows.h>

#include <algorithm>

#include "fileutil/directory_ops.h"
#include "fileutil/path_names.h"
#include "fileutil/reparse_tag.h"
#include "fileutil/resolved_path.h"
#include "fileutil/wide_path.h"
#include "fileutil/win_handles.h"
#include "plan/target_places.h"

namespace zelk::plan {
namespace {

std::uint64_t Ticks(const FILETIME& t) { return (std::uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime; }

bool IsFolder(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }

// The save folder as a path under the folder target, when it lies inside
// it; empty otherwise. Decided on resolved paths, so that an 8.3 name, a
// link or a subst drive on either side cannot hide it.
std::wstring SaveFolderUnder(const std::wstring& source, const std::wstring& resolvedSave) {
  if (resolvedSave.empty()) return {};
  const std::wstring resolved = fileutil::ResolvedPath(source);
  if (resolved.empty() || !fileutil::IsInsideWide(resolvedSave, resolved)) return {};
  std::size_t skip = resolved.size();
  if (resolved.back() != L'\\') ++skip;
  return fileutil::JoinWide(source, std::wstring_view(resolvedSave).substr(skip));
}

struct Child {
  std::wstring name;
  WIN32_FIND_DATAW data;
};

// The children of folder in name order; the system's error code, 0 on success.
DWORD ListChildren(const std::wstring& folder, std::vector<Child>& children) {
  children.clear();
  WIN32_FIND_DATAW data;
  fileutil::FindHandle find(FindFirstFileExW(fileutil::JoinWide(folder, L"*").c_str(), FindExInfoBasic, &data,
                                             FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
  if (!find.valid()) {
    const DWORD code = GetLastError();
    return code == ERROR_FILE_NOT_FOUND ? 0 : code;
  }
  do {
    const std::wstring_view name = data.cFileName;
    if (name != L"." && name != L"..") children.push_back({std::wstring(name), data});
  } while (FindNextFileW(find.get(), &data));
  const DWORD code = GetLastError();
  std::sort(children.begin(), children.end(), [](const Child& a, const Child& b) { return a.name < b.name; });
  return code == ERROR_NO_MORE_FILES ? 0 : code;
}

class Walker {
 public:
  Walker(RunPlan& plan, const exclusion::PatternList& patterns) : plan_(plan), patterns_(patterns) {}

  void WalkTarget(std::uint32_t index, const targets::TargetEntry& row, const std::wstring& resolvedSave) {
    const std::wstring& source = plan_.targets[index].source;
    PlanEntry top;
    top.target = index;
    top.kind = row.mark == targets::ActiveFolder ? EntryKind::Folder : EntryKind::File;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (source.empty() || !GetFileAttributesExW(source.c_str(), GetFileExInfoStandard, &data)) {
      Problem(std::move(top), source.empty() ? ERROR_INVALID_NAME : GetLastError());
      return;
    }
    // A link at the top is what the user listed: it is walked through.
    top.kind = IsFolder(data.dwFileAttributes) ? EntryKind::Folder : EntryKind::File;
    Fill(top, data.dwFileAttributes, data.ftCreationTime, data.ftLastAccessTime, data.ftLastWriteTime,
         data.nFileSizeHigh, data.nFileSizeLow);
    plan_.entries.push_back(std::move(top));
    if (plan_.entries.back().kind != EntryKind::Folder) return;
    ownName_ = fileutil::PathToFileName(row.path);
    if (ownName_.empty()) ownName_ = row.path.substr(0, 1);
    saveUnder_ = SaveFolderUnder(source, resolvedSave);
    WalkBelow(index, source);
  }

 private:
  static void Fill(PlanEntry& entry, DWORD attributes, const FILETIME& created, const FILETIME& accessed,
                   const FILETIME& written, DWORD sizeHigh, DWORD sizeLow) {
    entry.attributes = attributes;
    entry.created = Ticks(created);
    entry.accessed = Ticks(accessed);
    entry.written = Ticks(written);
    entry.size = entry.kind == EntryKind::File ? (std::uint64_t{sizeHigh} << 32) | sizeLow : 0;
  }

  void Problem(PlanEntry entry, DWORD code) {
    plan_.problems.push_back({plan_.entries.size(), fileutil::ErrorString(code)});
    plan_.entries.push_back(std::move(entry));
  }

  // Depth first without recursion, each folder before what it holds.
  void WalkBelow(std::uint32_t index, const std::wstring& source) {
    struct Pending {
      std::wstring full;
      std::wstring relative;
      std::size_t entry;
    };
    std::vector<Pending> pending{{source, {}, plan_.entries.size() - 1}};
    std::vector<Child> children;
    while (!pending.empty()) {
      Pending folder = std::move(pending.back());
      pending.pop_back();
      if (DWORD code = ListChildren(folder.full, children); code != 0) {
        plan_.problems.push_back({folder.entry, fileutil::ErrorString(code)});
        continue;
      }
      std::vector<Pending> subfolders;
      for (Child& child : children) {
        std::wstring full = fileutil::JoinWide(folder.full, child.name);
        if (!saveUnder_.empty() && fileutil::SameWidePath(full, saveUnder_)) continue;
        std::wstring relative = folder.relative.empty() ? child.name : fileutil::JoinWide(folder.relative, child.name);
        if (Add(index, child.data, relative)) subfolders.push_back({std::move(full), std::move(relative), plan_.entries.size() - 1});
      }
      // Subfolders in name order: pushed in reverse.
      for (auto it = subfolders.rbegin(); it != subfolders.rend(); ++it) pending.push_back(std::move(*it));
    }
  }

  // Adds one child unless the patterns leave it out; true for a folder to
  // enter.
  bool Add(std::uint32_t index, const WIN32_FIND_DATAW& data, const std::wstring& relative) {
    const DWORD attributes = data.dwFileAttributes;
    const bool folder = IsFolder(attributes);
    const std::uint64_t size = (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
    if (!patterns_.empty() && patterns_.Excludes(ownName_ + "\\" + fileutil::ToAnsi(relative), folder)) {
      if (folder) {
        ++plan_.excludedFolders;
      } else {
        ++plan_.excludedFiles;
        plan_.excludedBytes += size;
      }
      return false;
    }
    PlanEntry entry;
    entry.target = index;
    entry.relative = relative;
    const bool link = folder && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
                      fileutil::IsLinkReparseTag(data.dwReserved0);
    entry.kind = link ? EntryKind::Link : folder ? EntryKind::Folder : EntryKind::File;
    Fill(entry, attributes, data.ftCreationTime, data.ftLastAccessTime, data.ftLastWriteTime, data.nFileSizeHigh,
         data.nFileSizeLow);
    if (link) ++plan_.linksNotEntered;
    plan_.entries.push_back(std::move(entry));
    return folder && !link;
  }

  RunPlan& plan_;
  const exclusion::PatternList& patterns_;
  std::string ownName_;
  std::wstring saveUnder_;
};

}  // namespace

RunPlan BuildPlan(const std::vector<targets::TargetEntry>& rows, const std::string& saveFolder,
                  const exclusion::PatternList& patterns) {
  RunPlan plan;
  for (const targets::TargetEntry& row : rows) {
    if (row.mark == targets::ActiveFile || row.mark == targets::ActiveFolder) {
      plan.targets.push_back({row.path, row.mark == targets::ActiveFolder, {}, fileutil::ExtendedPath(row.path)});
    }
  }
  AssignPlaces(plan.targets);
  const std::wstring resolvedSave = fileutil::ResolvedPath(fileutil::ToWide(saveFolder));
  Walker walker(plan, patterns);
  std::uint32_t index = 0;
  for (const targets::TargetEntry& row : rows) {
    if (row.mark == targets::ActiveFile || row.mark == targets::ActiveFolder) walker.WalkTarget(index++, row, resolvedSave);
  }
  return plan;
}

std::wstring SourcePath(const RunPlan& plan, const PlanEntry& entry) {
  const std::wstring& top = plan.targets[entry.target].source;
  return entry.relative.empty() ? top : fileutil::JoinWide(top, entry.relative);
}

}  // namespace zelk::plan
