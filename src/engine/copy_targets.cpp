#include "engine/copy_targets.h"

#include <windows.h>

#include <cstdint>

#include "fileutil/directory_ops.h"
#include "fileutil/path_names.h"
#include "fileutil/resolved_path.h"
#include "fileutil/wide_path.h"
#include "res/resource.h"
#include "text/string_table.h"

namespace zelk::engine {
namespace {

using targets::TargetEntry;

// The name a target takes in the generation; a drive root takes its letter.
std::string TargetName(const std::string& path) {
  std::string name = fileutil::PathToFileName(path);
  if (name.empty() && !path.empty()) name = path.substr(0, 1);
  return name;
}

// The system's copy-file call, refusing to overwrite. Returns the system's
// error code, 0 on success.
DWORD CopyOneFile(const std::string& source, const std::string& target) {
  const std::wstring from = fileutil::ExtendedPath(source);
  const std::wstring to = fileutil::ExtendedPath(target);
  if (from.empty() || to.empty()) return ERROR_INVALID_NAME;
  return CopyFileW(from.c_str(), to.c_str(), TRUE) ? 0 : GetLastError();
}

// The size of a file; 0 when it cannot be read.
std::uint64_t FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  const std::wstring wide = fileutil::ExtendedPath(path);
  if (wide.empty() || !GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::string FreeName(const std::string& path) {
  return fileutil::CheckFile(path) ? path : fileutil::SkipPathNum(path);
}

// Where the entry named like target lay in the earlier copy; empty without one.
std::wstring Earlier(const std::wstring& previous, const std::string& target) {
  if (previous.empty()) return {};
  return fileutil::JoinWide(previous, fileutil::ToWide(fileutil::PathToFileName(target)));
}

bool CopyFileTarget(const TargetEntry& row, const std::string& destination, const std::wstring& previous,
                    fileutil::LinkPlan* links, std::string& errorText, fileutil::CopyTally* tally) {
  const std::string target = FreeName(fileutil::JoinPath(destination, TargetName(row.path)));
  if (links != nullptr && fileutil::LinkUnchangedFile(fileutil::ExtendedPath(row.path), fileutil::ExtendedPath(target),
                                                      Earlier(previous, target), *links)) {
    return false;
  }
  if (DWORD code = CopyOneFile(row.path, target); code != 0) {
    errorText = text::Format(IDS_WITH_REASON, text::Message::Of(IDS_CREATE_FAILED, target), fileutil::ErrorString(code));
    return true;
  }
  if (tally != nullptr) {
    ++tally->files;
    tally->bytes += FileSize(target);
  }
  return false;
}

// The save folder as a path under the folder target as typed, when it lies
// inside the target; empty otherwise. Decided on resolved paths, so that an
// 8.3 name, a link or a subst drive on either side cannot hide it.
std::string SaveFolderUnder(const TargetEntry& row, const std::wstring& resolvedSave) {
  if (resolvedSave.empty()) return {};
  std::wstring source = fileutil::ResolvedPath(fileutil::ToWide(row.path));
  if (source.empty() || !fileutil::IsInsideWide(resolvedSave, source)) return {};
  std::size_t skip = source.size();
  if (source.back() != L'\\') ++skip;
  return fileutil::JoinPath(row.path, fileutil::ToAnsi(std::wstring_view(resolvedSave).substr(skip)));
}

bool CopyFolderTarget(const TargetEntry& row, const std::string& destination, const std::wstring& resolvedSave,
                      const std::wstring& previous, fileutil::LinkPlan* links, std::string& errorText,
                      fileutil::CopyTally* tally) {
  const std::string target = FreeName(fileutil::JoinPath(destination, TargetName(row.path)));
  const std::string exclude = SaveFolderUnder(row, resolvedSave);
  fileutil::MessageBuffer msg{};
  const bool failed = links != nullptr ? fileutil::CopyDirectoryLinked(target, row.path, msg, exclude,
                                                                       Earlier(previous, target), *links, tally)
                                       : fileutil::CopyDirectoryTo(target, row.path, msg, exclude, tally);
  if (failed) {
    errorText = fileutil::MessageText(msg);
    return true;
  }
  return false;
}

}  // namespace

bool CopyTargets(const std::vector<TargetEntry>& rows, const std::string& destination,
                 const std::string& saveFolder, std::string& errorText, const std::wstring& previous,
                 fileutil::LinkPlan* links, fileutil::CopyTally* tally) {
  const std::wstring resolvedSave = fileutil::ResolvedPath(fileutil::ToWide(saveFolder));
  for (const TargetEntry& row : rows) {
    if (row.mark == targets::ActiveFile) {
      if (CopyFileTarget(row, destination, previous, links, errorText, tally)) return true;
    } else if (row.mark == targets::ActiveFolder) {
      if (CopyFolderTarget(row, destination, resolvedSave, previous, links, errorText, tally)) return true;
    }
  }
  errorText.clear();
  return false;
}

void TallyTarget(const TargetEntry& row, const std::string& saveFolder, fileutil::CopyTally& tally) {
  if (row.mark == targets::ActiveFile) {
    ++tally.files;
    tally.bytes += FileSize(row.path);
  } else if (row.mark == targets::ActiveFolder) {
    fileutil::TallyTree(row.path, SaveFolderUnder(row, fileutil::ResolvedPath(fileutil::ToWide(saveFolder))), tally);
  }
}

}  // namespace zelk::engine
