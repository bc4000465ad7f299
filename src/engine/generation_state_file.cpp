#include "engine/generation_state_file.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "engine/generation_path.h"
#include "engine/run_record.h"
#include "fileutil/line_file.h"
#include "fileutil/wide_path.h"
#include "fileutil/win_handles.h"
#include "plan/plan_digest.h"
#include "res/resource.h"
#include "text/string_table.h"

namespace zelk::engine {
namespace {

std::uint64_t Ticks(const FILETIME& t) { return (std::uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime; }

plan::EntryKind KindOf(DWORD attributes) {
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return plan::EntryKind::File;
  return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? plan::EntryKind::Link : plan::EntryKind::Folder;
}

// Adds everything below folder, in name order; false when a folder cannot
// be listed.
bool AddTree(plan::TreeDigest& digest, const std::wstring& folder, const std::wstring& relative, bool top) {
  std::vector<WIN32_FIND_DATAW> children;
  WIN32_FIND_DATAW data;
  fileutil::FindHandle find(FindFirstFileW(fileutil::JoinWide(folder, L"*").c_str(), &data));
  if (!find.valid()) return GetLastError() == ERROR_FILE_NOT_FOUND;
  do {
    const std::wstring_view name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    // What the program keeps for itself in a save folder is not the copy.
    if (top && (ParseStagingName(fileutil::ToAnsi(name)) || name.starts_with(RunRecordName("")))) continue;
    children.push_back(data);
  } while (FindNextFileW(find.get(), &data));
  if (GetLastError() != ERROR_NO_MORE_FILES) return false;
  std::sort(children.begin(), children.end(), [](const auto& a, const auto& b) {
    return std::wstring_view(a.cFileName) < std::wstring_view(b.cFileName);
  });
  for (const WIN32_FIND_DATAW& child : children) {
    const std::wstring path = relative.empty() ? child.cFileName : fileutil::JoinWide(relative, child.cFileName);
    const plan::EntryKind kind = KindOf(child.dwFileAttributes);
    digest.Add(path, kind, child.dwFileAttributes,
               (std::uint64_t{child.nFileSizeHigh} << 32) | child.nFileSizeLow, Ticks(child.ftLastWriteTime));
    if (kind == plan::EntryKind::Folder &&
        !AddTree(digest, fileutil::JoinWide(folder, child.cFileName), path, false)) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::string GenerationStateFileName() { return text::LoadText(IDS_GENERATION_STATE); }

std::optional<plan::GenerationState> LoadGenerationState() {
  fileutil::COutFile file(GenerationStateFileName());
  if (!file.GetErrorMsg().empty()) return std::nullopt;
  std::vector<std::string> lines;
  for (int n = 1; n <= file.GetLineCount(); ++n) lines.push_back(file.ReadLineEx(1, n));
  return plan::ParseState(lines);
}

bool SaveGenerationState(const plan::GenerationState& state) {
  fileutil::COutFile file(GenerationStateFileName());
  return !file.GetErrorMsg().empty() || file.ReplaceAll(plan::FormatState(state));
}

std::string GenerationTreeDigest(const std::string& generation) {
  const std::wstring path = fileutil::ExtendedPath(generation);
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (path.empty() || !GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return {};
  plan::TreeDigest digest;
  const plan::EntryKind kind = KindOf(data.dwFileAttributes);
  digest.Add({}, kind, data.dwFileAttributes, (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow,
             kind == plan::EntryKind::File ? Ticks(data.ftLastWriteTime) : 0);
  if (kind == plan::EntryKind::Folder && !AddTree(digest, path, {}, true)) return {};
  return digest.Hex();
}

}  // namespace zelk::engine
