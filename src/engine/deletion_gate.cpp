#include "engine/deletion_gate.h"

#include <windows.h>

#include <algorithm>

#include "engine/generation_path.h"
#include "fileutil/directory_ops.h"
#include "fileutil/path_names.h"
#include "fileutil/resolved_path.h"
#include "fileutil/wide_path.h"
#include "fileutil/win_handles.h"
#include "res/resource.h"
#include "text/mbcs.h"
#include "text/string_table.h"

namespace zelk::engine {
namespace {

using fileutil::IsSameOrInsideWide;
using fileutil::ResolvedPath;

std::wstring ProgramFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  const std::wstring exe = ResolvedPath(path);
  return std::wstring(fileutil::ResolvedParent(exe));
}

std::wstring CurrentFolder() {
  DWORD n = GetCurrentDirectoryW(0, nullptr);
  if (n == 0) return {};
  std::wstring path(n, L'\0');
  n = GetCurrentDirectoryW(n, path.data());
  if (n == 0 || n >= path.size()) return {};
  path.resize(n);
  return ResolvedPath(path);
}

// The last component of a path as typed, '/' counting as a separator too.
std::wstring_view TypedName(std::wstring_view path) {
  const std::size_t sep = path.find_last_of(L"\\/");
  return sep == std::wstring_view::npos ? std::wstring_view() : path.substr(sep + 1);
}

// The first target that is folder or lies inside it: any listed target,
// paused ones too, or only the active ones.
const targets::TargetEntry* TargetInside(const std::wstring& folder, const std::vector<targets::TargetEntry>& rows,
                                         bool activeOnly) {
  for (const targets::TargetEntry& row : rows) {
    if (activeOnly && !targets::IsActiveMark(row.mark)) continue;
    const std::wstring target = ResolvedPath(fileutil::ToWide(row.path));
    if (!target.empty() && IsSameOrInsideWide(target, folder)) return &row;
  }
  return nullptr;
}

}  // namespace

std::optional<std::string> RefuseToEmpty(const std::string& saveFolder) {
  if (saveFolder.empty()) return text::LoadText(IDS_NO_SAVE_FOLDER);
  const std::wstring resolved = fileutil::ResolvedPathOrParent(saveFolder);
  if (fileutil::IsDriveRoot(saveFolder) || fileutil::IsDriveRoot(fileutil::PathToDir(saveFolder)) ||
      resolved.empty() || fileutil::IsResolvedRoot(resolved)) {
    return text::Format(IDS_ROOT_NOT_DELETED, saveFolder);
  }
  const std::wstring program = ProgramFolder();
  const std::wstring current = CurrentFolder();
  if ((!program.empty() && IsSameOrInsideWide(program, resolved)) ||
      (!current.empty() && IsSameOrInsideWide(current, resolved))) {
    return text::Format(IDS_PROGRAM_NOT_DELETED, saveFolder);
  }
  return std::nullopt;
}

std::optional<std::string> TargetInSaveFolder(const std::string& saveFolder,
                                              const std::vector<targets::TargetEntry>& rows) {
  const std::wstring save = ResolvedPath(fileutil::ToWide(saveFolder));
  if (save.empty()) return std::nullopt;
  const targets::TargetEntry* found = TargetInside(save, rows, true);
  if (found == nullptr) return std::nullopt;
  return text::Format(IDS_TARGET_IN_SAVE_FOLDER, found->path);
}

CDeletionGate::CDeletionGate(const std::string& saveFolder, const std::vector<targets::TargetEntry>& rows)
    : saveFolder_(saveFolder), save_(saveFolder.empty() ? std::wstring() : ResolvedPath(fileutil::ToWide(saveFolder))) {
  refusal_ = RefuseToEmpty(saveFolder);
  if (refusal_ || save_.empty()) return;
  if (const targets::TargetEntry* found = TargetInside(save_, rows, false)) {
    refusal_ = text::Format(IDS_TARGET_NOT_DELETED, saveFolder, found->path);
  }
}

CDeletionGate::Outcome CDeletionGate::Delete(std::string_view entry, std::string& errorText) {
  return Delete(std::wstring_view(fileutil::ToWide(entry)), errorText);
}

CDeletionGate::Outcome CDeletionGate::Delete(std::wstring_view entry, std::string& errorText) {
  errorText.clear();
  if (refusal_) {
    errorText = *refusal_;
    return Outcome::Refused;
  }
  if (save_.empty()) return Outcome::Missing;
  // The name as typed must be one that path resolution keeps: "save\..." or
  // "save\x " would otherwise name the save folder or another entry.
  if (!IsKeptName(TypedName(entry))) return Outcome::Refused;
  unsigned long code = 0;
  const std::wstring resolved = ResolvedPath(entry, true, &code);
  if (resolved.empty()) {
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ? Outcome::Missing
                                                                        : Outcome::Refused;
  }
  if (!fileutil::SameWidePath(fileutil::ResolvedParent(resolved), save_) ||
      !IsKeptName(fileutil::ResolvedName(resolved))) {
    return Outcome::Refused;
  }
  fileutil::MessageBuffer msg{};
  if (fileutil::DeleteTree(resolved, msg)) {
    errorText = fileutil::MessageText(msg);
    return Outcome::Failed;
  }
  return Outcome::Deleted;
}

void CDeletionGate::RemoveEmptySaveFolder() {
  // The folder as named: a junction is removed itself, not its target.
  if (!refusal_ && !save_.empty()) RemoveDirectoryW(fileutil::ExtendedPath(saveFolder_).c_str());
}

bool CDeletionGate::Empty(std::string& errorText, const std::vector<std::wstring>& keep) {
  errorText.clear();
  if (refusal_) {
    errorText = *refusal_;
    return true;
  }
  if (save_.empty()) return false;
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data;
  fileutil::FindHandle find(FindFirstFileW(fileutil::JoinWide(save_, L"*").c_str(), &data));
  if (!find.valid()) {
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND) return false;
    errorText = text::Format(IDS_DELETE_FAILED,
                             text::Message::Of(IDS_WITH_REASON, saveFolder_, fileutil::ErrorString(code)));
    return true;
  }
  do {
    std::wstring_view name = data.cFileName;
    const bool kept = std::any_of(keep.begin(), keep.end(),
                                  [&](const std::wstring& k) { return fileutil::SameWidePath(name, k); });
    if (name != L"." && name != L".." && !kept) names.emplace_back(name);
  } while (FindNextFileW(find.get(), &data));
  for (const std::wstring& name : names) {
    const std::wstring path = fileutil::JoinWide(save_, name);
    std::string reason;
    const Outcome outcome = Delete(std::wstring_view(path), reason);
    if (!errorText.empty() || outcome == Outcome::Deleted || outcome == Outcome::Missing) continue;
    errorText = text::Format(IDS_DELETE_FAILED, outcome == Outcome::Failed ? reason : fileutil::DisplayPath(path));
  }
  return !errorText.empty();
}

}  // namespace zelk::engine
