#include "engine/archiver_library.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <unordered_set>

#include "common/zelk_extensions.h"
#include "fileutil/path_names.h"
#include "fileutil/wide_path.h"
#include "plan/plan_walker.h"
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
using FeaturesProc = DWORD(WINAPI*)();

// The output buffer of a call: a classic library's, and ours, which may
// list what it left out.
constexpr std::size_t kClassicOutputSize = 1024;
constexpr std::size_t kOurOutputSize = 256 * 1024;

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
std::string ArchiverReason(const std::vector<char>& output, const std::string& target) {
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

std::vector<SkippedSource> ParseLeftOutReport(std::string_view output, std::size_t* count) {
  std::vector<SkippedSource> left;
  *count = 0;
  const std::string_view header = archivers::kLeftOutHeader;
  const std::size_t at = output.find(header);
  if (at == std::string_view::npos) return left;
  std::size_t line = output.find('\n', at);
  const std::string_view number = output.substr(at + header.size(), line == std::string_view::npos ? std::string_view::npos : line - at - header.size());
  *count = static_cast<std::size_t>(std::strtoull(std::string(number).c_str(), nullptr, 10));
  while (line != std::string_view::npos && left.size() < *count) {
    const std::size_t next = output.find('\n', line + 1);
    // Only whole lines: the buffer may have cut the last one.
    if (next == std::string_view::npos) break;
    std::string_view text = output.substr(line + 1, next - line - 1);
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    const std::size_t tab = text.find('\t');
    if (tab != std::string_view::npos) left.push_back({std::string(text.substr(0, tab)), std::string(text.substr(tab + 1)), false});
    line = next;
  }
  return left;
}

namespace {

// The command line's exclusion part for a library that takes it.
std::string ExclusionSwitch(const std::vector<std::string>& patterns) {
  std::string part = " -x";
  for (const std::string& pattern : patterns) part += " \"" + pattern + "\"";
  return part;
}

// What one target of the plan adds: its files and their sizes, less those
// left out.
void CountTarget(const plan::RunPlan& plan, std::uint32_t target, const std::vector<SkippedSource>& left,
                 fileutil::CopyTally& tally) {
  std::unordered_set<std::string> leftOut;
  for (const SkippedSource& source : left) leftOut.insert(source.path);
  for (const plan::PlanEntry& entry : plan.entries) {
    if (entry.target != target || entry.kind != plan::EntryKind::File) continue;
    if (!leftOut.empty() && leftOut.contains(fileutil::DisplayPath(plan::SourcePath(plan, entry)))) continue;
    ++tally.files;
    tally.bytes += entry.size;
  }
}

}  // namespace

ArchiveResult ArchiveTargets(const ArchiveRequest& request) {
  ArchiveResult result;
  const ArchiverInfo* info = FindArchiver(request.format);
  if (info == nullptr) {
    result.failure = text::Message::Of(IDS_FORMAT_INVALID);
    return result;
  }
  Library library(info->fileName);
  if (!library.loaded()) {
    result.failure = text::Message::Of(IDS_ARCHIVER_NOT_FOUND, info->fileName);
    return result;
  }
  auto archive = library.Find<ArchiveProc>(info->archiveEntry);
  if (archive == nullptr) {
    result.failure = text::Message::Of(IDS_ARCHIVER_NO_ENTRY, info->fileName);
    return result;
  }
  auto features = library.Find<FeaturesProc>(archivers::kFeaturesEntry);
  const unsigned offered = features != nullptr ? features() : 0;
  // A library that cannot leave out what the user excluded is not asked to
  // archive it.
  if (!request.patterns.empty() && (offered & archivers::kFeatureExclude) == 0) {
    result.failure = text::Message::Of(IDS_ARCHIVER_NO_EXCLUDE, info->fileName);
    return result;
  }
  const bool leavesOut = (offered & archivers::kFeatureLeaveOutUnreadable) != 0;
  const int partial = request.format == 1 ? archivers::kZipPartial : archivers::kUnlhaPartial;
  HWND owner = info->ownedByMainWindow ? static_cast<HWND>(request.mainWindow) : nullptr;
  std::vector<char> output(leavesOut ? kOurOutputSize : kClassicOutputSize);
  for (std::uint32_t t = 0; t < request.plan->targets.size(); ++t) {
    std::string line = ArchiverCommandLine(*info, request.archivePath, request.plan->targets[t].path);
    if (!request.patterns.empty()) line += ExclusionSwitch(request.patterns);
    std::fill(output.begin(), output.end(), '\0');
    const int code = archive(owner, line.c_str(), output.data(), static_cast<DWORD>(output.size()));
    std::vector<SkippedSource> left;
    if (code == partial && leavesOut) {
      std::size_t count = 0;
      left = ParseLeftOutReport(std::string_view(output.data(), output.size()), &count);
      if (count == 0) count = 1;
      // Those the buffer could not hold still count, under their target.
      while (left.size() < count) left.push_back({request.plan->targets[t].path, {}, false});
    } else if (code != 0) {
      result.failure = text::Message::Of(IDS_ARCHIVE_ERROR, ArchiverReason(output, request.plan->targets[t].path));
      return result;
    }
    CountTarget(*request.plan, t, left, result.written);
    result.skipped.insert(result.skipped.end(), left.begin(), left.end());
  }
  return result;
}

}  // namespace zelk::engine
