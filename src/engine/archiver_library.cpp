#include "engine/archiver_library.h"

#include <windows.h>

#include <array>

#include "engine/copy_targets.h"
#include "fileutil/path_names.h"
#include "res/resource.h"
#include "text/string_table.h"

namespace zelk::engine {
namespace {

std::array<ArchiverInfo, 2>& Archivers() {
  static std::array<ArchiverInfo, 2> table{{
      {"ZIP32J.DLL", "Zip", "ZipGetVersion", 25, ".zip", "-qrS", true},
      {"UNLHA32.DLL", "Unlha", "UnlhaGetVersion", 100, ".lzh", "a -a1 -d1 -n1 -r2x1", false},
  }};
  return table;
}

using ArchiveProc = int(WINAPI*)(HWND, LPCSTR, LPSTR, DWORD);
using VersionProc = WORD(WINAPI*)();

// A library loaded for the life of one operation. The current folder is not
// searched: only the executable's folder and the system folders.
class Library {
 public:
  explicit Library(const std::string& fileName)
      : module_(LoadLibraryExA(fileName.c_str(), nullptr,
                               LOAD_LIBRARY_SEARCH_APPLICATION_DIR |
                                   LOAD_LIBRARY_SEARCH_SYSTEM32)) {}
  ~Library() {
    if (module_ != nullptr) FreeLibrary(module_);
  }
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  bool loaded() const { return module_ != nullptr; }
  template <typename Proc>
  Proc Find(const char* name) const {
    return reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
  }

 private:
  HMODULE module_;
};

// The archiver's own explanation from its output buffer, on one line; the
// target when the archiver said nothing.
std::string ArchiverReason(const std::array<char, 1024>& output, const std::string& target) {
  std::size_t n = 0;
  while (n < output.size() && output[n] != '\0') ++n;
  std::string text(output.data(), n);
  for (char& c : text) {
    if (c == '\r' || c == '\n' || c == '\t') c = ' ';
  }
  while (!text.empty() && text.back() == ' ') text.pop_back();
  while (!text.empty() && text.front() == ' ') text.erase(0, 1);
  return text.empty() ? target : text;
}

}  // namespace

const ArchiverInfo* FindArchiver(int format) {
  if (format != 1 && format != 2) return nullptr;
  return &Archivers()[static_cast<std::size_t>(format - 1)];
}

void SetArchiverFileName(int format, std::string fileName) {
  if (format == 1 || format == 2) {
    Archivers()[static_cast<std::size_t>(format - 1)].fileName = std::move(fileName);
  }
}

bool IsArchiverInstalled(int format) {
  const ArchiverInfo* info = FindArchiver(format);
  return info != nullptr && Library(info->fileName).loaded();
}

int GetArchiverVersion(int format) {
  const ArchiverInfo* info = FindArchiver(format);
  if (info == nullptr) return -1;
  Library library(info->fileName);
  if (!library.loaded()) return -1;
  auto version = library.Find<VersionProc>(info->versionEntry);
  if (version == nullptr) return -1;
  return version();
}

text::Message ArchiverUnavailableReason(int format) {
  const ArchiverInfo* info = FindArchiver(format);
  if (info == nullptr) return text::Message::Of(IDS_FORMAT_INVALID);
  Library library(info->fileName);
  if (!library.loaded()) return text::Message::Of(IDS_ARCHIVER_MISSING, info->fileName);
  // A library without a version entry point cannot be told apart from a
  // foreign one: it counts as not installed.
  auto version = library.Find<VersionProc>(info->versionEntry);
  if (version == nullptr) return text::Message::Of(IDS_ARCHIVER_MISSING, info->fileName);
  if (static_cast<unsigned>(version()) < info->lowestVersion) {
    return text::Message::Of(IDS_ARCHIVER_OLD, info->fileName);
  }
  return {};
}

std::string ArchiverCommandLine(const ArchiverInfo& info, const std::string& archivePath,
                                const std::string& targetPath) {
  std::string line = info.switches;
  line += " \"" + archivePath + "\"";
  line += " \"" + fileutil::PathToDirectoryPath(targetPath) + "\"";
  line += " \"" + fileutil::PathToFileName(targetPath) + "\"";
  return line;
}

bool ArchiveTargets(int format, const std::vector<targets::TargetEntry>& rows,
                    const std::string& archivePath, void* mainWindow, std::string& errorText,
                    fileutil::CopyTally* tally) {
  const ArchiverInfo* info = FindArchiver(format);
  if (info == nullptr) {
    errorText = text::LoadText(IDS_FORMAT_INVALID);
    return true;
  }
  Library library(info->fileName);
  if (!library.loaded()) {
    errorText = text::Format(IDS_ARCHIVER_NOT_FOUND, info->fileName);
    return true;
  }
  auto archive = library.Find<ArchiveProc>(info->archiveEntry);
  if (archive == nullptr) {
    errorText = text::Format(IDS_ARCHIVER_NO_ENTRY, info->fileName);
    return true;
  }
  HWND owner = info->ownedByMainWindow ? static_cast<HWND>(mainWindow) : nullptr;
  std::array<char, 1024> output{};
  for (const targets::TargetEntry& row : rows) {
    if (!targets::IsActiveMark(row.mark)) continue;
    const std::string line = ArchiverCommandLine(*info, archivePath, row.path);
    output.fill('\0');
    if (archive(owner, line.c_str(), output.data(), static_cast<DWORD>(output.size())) != 0) {
      errorText = text::Format(IDS_ARCHIVE_ERROR, ArchiverReason(output, row.path));
      return true;
    }
    if (tally != nullptr) TallyTarget(row, fileutil::PathToDirectoryPath(archivePath), *tally);
  }
  errorText.clear();
  return false;
}

}  // namespace zelk::engine
