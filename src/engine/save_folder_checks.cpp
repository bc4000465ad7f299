#include "engine/save_folder_checks.h"

#include <windows.h>

#include "engine/deletion_gate.h"
#include "fileutil/directory_ops.h"
#include "fileutil/path_names.h"
#include "fileutil/resolved_path.h"
#include "fileutil/wide_path.h"
#include "res/resource.h"
#include "text/string_table.h"

namespace zelk::engine {
namespace {

using text::Format;
using text::LoadText;

FolderRefusal Restriction(std::string text) {
  return {std::move(text), LoadText(IDS_RESTRICTION), MB_OK};
}

// "\Backup2" (what "Backup2" becomes) names a folder on whatever drive is
// current when a run starts; "\\server\share" does not.
bool DependsOnCurrentDrive(const std::string& folder) {
  return !folder.empty() && folder[0] == '\\' && (folder.size() < 2 || folder[1] != '\\');
}

// The drive or share the path lies on ("C:\", "\\srv\share").
std::string RootOf(const std::string& folder) {
  std::string root = folder;
  for (std::string up = fileutil::PathToDirectoryPath(root); !up.empty() && up != root;
       up = fileutil::PathToDirectoryPath(root)) {
    root = up;
  }
  return root;
}

// Why nothing of folder can be reached, with the system's reason.
FolderRefusal Unreachable(const std::string& folder, const std::string& applicationName) {
  unsigned long code = 0;
  fileutil::ResolvedPath(fileutil::ToWide(RootOf(folder)), false, &code);
  std::string text = Format(IDS_SAVE_FOLDER_UNREACHABLE, folder);
  if (code != 0) text = Format(IDS_WITH_REASON, text, fileutil::ErrorString(code));
  return {std::move(text), applicationName, MB_OK | MB_ICONERROR};
}

}  // namespace

std::optional<FolderRefusal> CheckNewSaveFolder(const std::string& folder,
                                                const std::vector<targets::TargetEntry>& rows,
                                                const std::string& applicationName) {
  if (DependsOnCurrentDrive(folder)) return Restriction(Format(IDS_SAVE_FOLDER_RELATIVE, folder));
  if (fileutil::ResolvedPathOrParent(folder).empty()) return Unreachable(folder, applicationName);
  if (auto refusal = RefuseToEmpty(folder)) {
    if (fileutil::IsResolvedRoot(fileutil::ResolvedPathOrParent(folder))) {
      return Restriction(LoadText(IDS_ROOT_NOT_ALLOWED));
    }
    return Restriction(Format(IDS_PROGRAM_FOLDER_NOT_ALLOWED, folder));
  }
  const DWORD attributes = GetFileAttributesW(fileutil::ExtendedPath(folder).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    return FolderRefusal{Format(IDS_SAVE_FOLDER_IS_FILE, folder), applicationName, MB_OK};
  }
  if (attributes == INVALID_FILE_ATTRIBUTES &&
      !fileutil::FolderExists(fileutil::PathToDirectoryPath(folder))) {
    return FolderRefusal{LoadText(IDS_SCHED_SAVE_FOLDER_MISSING), applicationName, MB_OK};
  }
  if (auto refusal = TargetInSaveFolder(folder, rows)) return Restriction(*refusal);
  // Whatever else the gate holds against emptying it, asked now rather than
  // after the old backups are gone.
  CDeletionGate gate(folder, rows);
  if (gate.Refusal()) return Restriction(*gate.Refusal());
  return std::nullopt;
}

bool SameSaveFolder(const std::string& a, const std::string& b) {
  if (!a.empty() && !b.empty()) {
    const std::wstring first = fileutil::ResolvedPathOrParent(a);
    const std::wstring second = fileutil::ResolvedPathOrParent(b);
    if (!first.empty() && !second.empty()) return fileutil::SameWidePath(first, second);
  }
  return fileutil::SamePath(a, b);
}

bool CreateFolderChain(const std::string& folder) {
  if (fileutil::FolderExists(folder)) return true;
  const std::string parent = fileutil::PathToDirectoryPath(folder);
  if (parent.empty() || parent == folder || !CreateFolderChain(parent)) return false;
  return CreateDirectoryA(folder.c_str(), nullptr) || fileutil::FolderExists(folder);
}

}  // namespace zelk::engine
