#include "dll/lzh_archiver.h"

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "archive_files.h"
#include "common/name_variants.h"
#include "common/tree_walker.h"
#include "common/win_file.h"
#include "common/win_strings.h"
#include "format/archive_reader.h"
#include "format/archive_writer.h"
#include "lha_command.h"
#include "text/mbcs.h"

namespace zelk::lzh {
namespace {

constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_ARCHIVE;
constexpr std::uint64_t kUnixEpochTicks = 116444736000000000ull;  // 1970-01-01 as a FILETIME

std::uint64_t Ticks(const FILETIME& ft) {
  return (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

std::uint32_t UnixTime(const FILETIME& ft) {
  const std::uint64_t ticks = Ticks(ft);
  if (ticks <= kUnixEpochTicks) return 0;
  const std::uint64_t seconds = (ticks - kUnixEpochTicks) / 10000000u;
  return seconds > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(seconds);
}

std::string LastComponent(const std::string& path) {
  const std::size_t cut = text::FindLastChar(path, '\\');
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

// Identity of an open file, to keep the archive out of its own targets.
struct FileId {
  DWORD volume = 0;
  DWORD high = 0;
  DWORD low = 0;
  bool known = false;
  bool SameAs(const FileId& o) const {
    return known && o.known && volume == o.volume && high == o.high && low == o.low;
  }
};

FileId IdOf(HANDLE h) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(h, &info)) return {};
  return {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow, true};
}

// Adds targets one by one; the first failure ends the run.
class TargetAdder {
 public:
  TargetAdder(const LhaCommand& cmd, ArchiveWriter& writer, archivers::NameSet& names, const FileId& archiveId)
      : cmd_(cmd), writer_(writer), names_(names), archiveId_(archiveId) {}

  bool Add(const std::string& name) {
    archivers::WalkOptions options;
    options.recurse = cmd_.recurse;
    options.includeHiddenSystem = cmd_.includeHiddenSystem;
    top_ = true;
    std::string walkError;
    const archivers::WalkResult r = archivers::WalkTarget(
        cmd_.baseFolder, name, options, [this](const archivers::TreeEntry& e) { return Visit(e); }, &walkError);
    for (const std::string& added : added_) names_.Add(added);
    added_.clear();
    if (r == archivers::WalkResult::kFailed) {
      error_ = walkError;
      return false;
    }
    return r == archivers::WalkResult::kDone;
  }

  const std::string& error() const { return error_; }
  int entries() const { return entries_; }

 private:
  bool Visit(const archivers::TreeEntry& e) {
    if (!e.ansiExact) return Stop(e.relativeName + ": the name has characters outside the ANSI code page");
    std::string archiveName;
    if (cmd_.storePaths) {
      if (top_) {
        // The target itself comes first: it takes the free variant of its
        // name, and everything below it follows that name.
        topName_ = e.relativeName;
        variant_ = archivers::FreeVariantName(e.relativeName, e.isFolder, names_);
      }
      archiveName = variant_ + e.relativeName.substr(topName_.size());
    } else {
      if (e.isFolder) {
        top_ = false;
        return true;
      }
      // Names without paths: each file takes a free name on its own.
      archiveName = archivers::FreeVariantName(LastComponent(e.relativeName), false, names_);
      names_.Add(archiveName);
    }
    top_ = false;

    EntryHeader header;
    header.path = archiveName;
    header.unixTime = UnixTime(e.lastWriteTime);
    header.dosAttributes = static_cast<std::uint16_t>(e.attributes & kKeptAttributes);
    // The modification time in the base header is what extractors restore;
    // the 27-byte Windows timestamp header is left out to keep archives small.
    header.originalSize = e.size;

    std::string error;
    if (e.isFolder) {
      if (!cmd_.folderEntries) return true;
      if (!writer_.AddDirectory(header, error)) return Stop(archiveName + ": " + error);
    } else {
      archivers::WinFile source(e.fullPath, archivers::WinFile::Mode::kRead);
      if (!source.IsOpen()) return Stop(e.relativeName + ": " + source.Error());
      if (IdOf(source.handle()).SameAs(archiveId_)) return true;  // the archive itself
      SequentialInput input(source);
      if (!writer_.AddFile(input, header, error)) {
        if (error == "cannot read the file") error += " (" + source.Error() + ")";
        return Stop(e.relativeName + ": " + error);
      }
    }
    added_.push_back(archiveName);
    ++entries_;
    return true;
  }

  bool Stop(std::string text) {
    error_ = std::move(text);
    return false;
  }

  const LhaCommand& cmd_;
  ArchiveWriter& writer_;
  archivers::NameSet& names_;
  FileId archiveId_;
  bool top_ = true;
  std::string topName_;
  std::string variant_;
  std::vector<std::string> added_;
  std::string error_;
  int entries_ = 0;
};

// Writes the end mark after the last complete entry on every way out.
class CloseGuard {
 public:
  explicit CloseGuard(ArchiveWriter& writer) : writer_(writer) {}
  ~CloseGuard() {
    if (!closed_) {
      std::string ignored;
      writer_.Close(ignored);
    }
  }
  CloseGuard(const CloseGuard&) = delete;
  CloseGuard& operator=(const CloseGuard&) = delete;
  bool Close(std::string& error) {
    closed_ = true;
    return writer_.Close(error);
  }

 private:
  ArchiveWriter& writer_;
  bool closed_ = false;
};

}  // namespace

int RunUnlha(const char* commandLine, archivers::OutputBuffer& out) {
  std::string error;
  const std::optional<LhaCommand> cmd = ParseLhaCommand(commandLine, &error);
  if (!cmd) {
    out.Set(error);
    return kUnlhaBadCommand;
  }
  const std::wstring archivePath = archivers::ExtendedLengthPath(archivers::AnsiToWide(cmd->archivePath));
  if (archivePath.empty()) {
    out.Set("Invalid archive path: " + cmd->archivePath);
    return kUnlhaBadCommand;
  }

  bool created = false;
  auto archive = archivers::OpenOrCreateArchive(archivePath, &created);
  if (!archive->IsOpen()) {
    out.Set(cmd->archivePath + ": " + archive->Error());
    return kUnlhaArchiveError;
  }

  ArchiveScan scan;
  if (!created) {
    ArchiveSource source(*archive);
    scan = ScanArchive(source);
    if (!scan.valid) {
      out.Set(cmd->archivePath + ": not an LZH archive (" + scan.error + ")");
      return kUnlhaNotArchive;
    }
  }
  archivers::NameSet names;
  for (const ArchiveEntryInfo& e : scan.entries) names.Add(e.path);

  ArchiveOutput output(*archive);
  ArchiveWriter writer(output, scan.appendOffset);
  CloseGuard guard(writer);
  TargetAdder adder(*cmd, writer, names, IdOf(archive->handle()));
  bool ok = true;
  for (const std::string& name : cmd->names) {
    if (!adder.Add(name)) {
      ok = false;
      break;
    }
  }
  if (!ok && created && adder.entries() == 0) {
    // Nothing went into the new file: take it away again.
    guard.Close(error);
    archive.reset();
    DeleteFileW(archivePath.c_str());
    out.Set(adder.error());
    return kUnlhaTargetError;
  }
  if (!guard.Close(error)) {
    out.Set(ok ? cmd->archivePath + ": " + error : adder.error() + "\r\n" + cmd->archivePath + ": " + error);
    return kUnlhaArchiveError;
  }
  if (!ok) {
    out.Set(adder.error());
    return kUnlhaTargetError;
  }
  out.Set("");
  return kUnlhaOk;
}

}  // namespace zelk::lzh
