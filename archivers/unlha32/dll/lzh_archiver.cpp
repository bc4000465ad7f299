#include "dll/lzh_archiver.h"

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "archive_files.h"
#include "common/entry_namer.h"
#include "common/file_identity.h"
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

std::u16string ToUtf16(const std::wstring& wide) { return std::u16string(wide.begin(), wide.end()); }

std::wstring LastComponent(const std::wstring& path) {
  const std::size_t cut = path.find_last_of(L'\\');
  return cut == std::wstring::npos ? path : path.substr(cut + 1);
}

// Adds targets one by one; the first failure ends the run.
class TargetAdder {
 public:
  TargetAdder(const LhaCommand& cmd, ArchiveWriter& writer, archivers::EntryNamer& namer,
              const archivers::WinFile& archive)
      : cmd_(cmd), writer_(writer), namer_(namer), archive_(archive),
        archiveId_(archivers::IdentityOf(archive.handle())) {}

  bool Add(const std::string& name) {
    archivers::WalkOptions options;
    options.recurse = cmd_.recurse;
    options.includeHiddenSystem = cmd_.includeHiddenSystem;
    options.archiveFolder = archiveFolder_;
    std::string walkError;
    const archivers::WalkResult r = archivers::WalkTarget(
        cmd_.baseFolder, name, options, [this](const archivers::TreeEntry& e) { return Visit(e); }, &walkError);
    namer_.FinishTarget();
    if (r == archivers::WalkResult::kFailed) {
      error_ = walkError;
      return false;
    }
    return r == archivers::WalkResult::kDone;
  }

  void SetArchiveFolder(const archivers::FileIdentity& folder) { archiveFolder_ = folder; }
  const std::string& error() const { return error_; }
  int entries() const { return entries_; }

 private:
  bool Visit(const archivers::TreeEntry& e) {
    if (e.isFolder && (!cmd_.folderEntries || !cmd_.storePaths)) return Name(e, nullptr);
    std::unique_ptr<archivers::WinFile> source;
    if (!e.isFolder) {
      source = std::make_unique<archivers::WinFile>(e.fullPath, archivers::WinFile::Mode::kRead);
      if (!source->IsOpen()) return Stop(archivers::DisplayPath(e.fullPath) + ": " + source->Error());
      if (e.mayBeArchive && archivers::IdentityOf(source->handle()).SameAs(archiveId_)) return true;
    }
    EntryHeader header;
    if (!Name(e, &header)) return false;
    header.unixTime = UnixTime(e.lastWriteTime);
    header.dosAttributes = static_cast<std::uint16_t>(e.attributes & kKeptAttributes);
    // The modification time in the base header is what extractors restore;
    // the 27-byte Windows timestamp header is left out to keep archives small.
    header.originalSize = e.size;

    std::string error;
    if (e.isFolder) {
      if (!writer_.AddDirectory(header, error)) return Stop(FailureText(e, nullptr, error));
    } else {
      SequentialInput input(*source);
      if (!writer_.AddFile(input, header, error)) return Stop(FailureText(e, source.get(), error));
    }
    ++entries_;
    return true;
  }

  // Names the entry; header is null for a folder that gets no entry of its
  // own, whose name still leads the names below it.
  bool Name(const archivers::TreeEntry& e, EntryHeader* header) {
    if (!cmd_.storePaths) {
      // Names without paths: each file takes a free name on its own.
      if (e.isFolder) return true;
      archivers::TreeEntry flat = e;
      flat.relativeWide = LastComponent(e.relativeWide);
      flat.isTop = true;
      return NameAs(flat, e, header);
    }
    return NameAs(e, e, header);
  }

  bool NameAs(const archivers::TreeEntry& named, const archivers::TreeEntry& e, EntryHeader* header) {
    archivers::EntryName name;
    std::string why;
    if (!namer_.Name(named, &name, &why)) return Stop(archivers::DisplayPath(e.fullPath) + ": " + why);
    if (header == nullptr) return true;
    header->path = name.uniqueAnsi;
    // The ANSI name stands in for the exact one: the Unicode headers carry it.
    if (!name.ansi || *name.ansi != name.uniqueAnsi) header->unicodePath = ToUtf16(name.exact);
    return true;
  }

  // The file and the cause of a failed entry.
  std::string FailureText(const archivers::TreeEntry& e, const archivers::WinFile* source,
                          const std::string& error) const {
    const std::string path = archivers::DisplayPath(e.fullPath);
    if (error == kReadFailed && source != nullptr) return path + ": " + source->Error();
    if (error == kWriteFailed) return cmd_.archivePath + ": " + archive_.Error() + " (" + path + ")";
    return path + ": " + error;
  }

  bool Stop(std::string text) {
    error_ = std::move(text);
    return false;
  }

  const LhaCommand& cmd_;
  ArchiveWriter& writer_;
  archivers::EntryNamer& namer_;
  const archivers::WinFile& archive_;
  archivers::FileIdentity archiveId_;
  archivers::FileIdentity archiveFolder_;
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
  archivers::EntryNamer namer(true);
  for (const ArchiveEntryInfo& e : scan.entries) {
    namer.AddExisting(e.unicodePath.empty() ? archivers::AnsiToUtf8(e.path) : e.unicodePath, e.path);
  }

  ArchiveOutput output(*archive);
  ArchiveWriter writer(output, scan.appendOffset);
  CloseGuard guard(writer);
  TargetAdder adder(*cmd, writer, namer, *archive);
  // Only the archive's path is used: nothing of its file name goes into the
  // entries, so the caller may write under a staging name and rename later.
  adder.SetArchiveFolder(archivers::IdentityOfFolderHolding(archivePath));
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
    const std::string closeError = cmd->archivePath + ": " + error + " (" + archive->Error() + ")";
    out.Set(ok ? closeError : adder.error() + "\r\n" + closeError);
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
