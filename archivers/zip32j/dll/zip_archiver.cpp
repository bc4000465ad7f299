#include "zip32j/dll/zip_archiver.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "common/entry_namer.h"
#include "common/file_identity.h"
#include "common/tree_walker.h"
#include "common/win_file.h"
#include "common/win_strings.h"
#include "text/mbcs.h"
#include "zip32j/format/central_directory.h"
#include "zip32j/format/zip_writer.h"
#include "zip32j/zip_command.h"

namespace zelk::zip {

namespace {

constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                  FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY |
                                  FILE_ATTRIBUTE_ARCHIVE;

std::string SlashSeparators(std::string s) {
  for (std::size_t i = 0; i < s.size(); i += text::CharLength(s, i)) {
    if (s[i] == '\\') s[i] = '/';
  }
  return s;
}

bool IsAscii(const std::string& s) {
  for (char c : s) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

std::uint64_t Ticks(const FILETIME& ft) {
  return (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

DosDateTime LocalDosTime(const FILETIME& utc) {
  FILETIME local;
  SYSTEMTIME st;
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &st)) {
    return PackDosDateTime(1980, 1, 1, 0, 0, 0);
  }
  return PackDosDateTime(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond);
}

// The names of an archive's entries, for the free variant check: UTF-8
// names as they are, others by their Unicode Path field or from the ANSI
// code page.
void AddExistingNames(const CentralDirectory& dir, archivers::EntryNamer& namer) {
  for (const CentralEntry& e : dir.entries) {
    if (e.utf8Name) {
      namer.AddExisting(e.name, {});
    } else if (!e.unicodePath.empty()) {
      namer.AddExisting(e.unicodePath, {});
    } else {
      namer.AddExisting(archivers::AnsiToUtf8(e.name), {});
    }
  }
}

// Adds one target (a file, or a folder with everything below it).
class TargetAdder {
 public:
  TargetAdder(ZipWriter& writer, archivers::EntryNamer& namer, const archivers::WinFile& archive,
              std::string archivePath, archivers::OutputBuffer& out, bool quiet)
      : writer_(writer), namer_(namer), archive_(archive), archiveId_(archivers::IdentityOf(archive.handle())),
        archivePath_(std::move(archivePath)), out_(out), quiet_(quiet) {}

  // Returns a result code; the message is in error().
  int Add(const ZipCommand& cmd, const std::string& name) {
    archivers::WalkOptions options;
    options.recurse = cmd.recurse;
    options.includeHiddenSystem = cmd.includeHiddenSystem;
    options.archiveFolder = archiveFolder_;
    std::string walkError;
    const archivers::WalkResult r = archivers::WalkTarget(
        cmd.baseFolder, name, options,
        [this](const archivers::TreeEntry& e) { return Visit(e); }, &walkError);
    namer_.FinishTarget();
    if (r == archivers::WalkResult::kFailed) {
      error_ = walkError;
      return kZipTargetError;
    }
    return r == archivers::WalkResult::kDone ? kZipOk : result_;
  }

  void SetArchiveFolder(const archivers::FileIdentity& folder) { archiveFolder_ = folder; }
  const std::string& error() const { return error_; }

 private:
  bool Visit(const archivers::TreeEntry& e) {
    std::unique_ptr<archivers::WinFile> source;
    if (!e.isFolder) {
      source = std::make_unique<archivers::WinFile>(e.fullPath, archivers::WinFile::Mode::kRead);
      if (!source->IsOpen()) {
        return Stop(kZipTargetError, archivers::DisplayPath(e.fullPath) + ": " + source->Error());
      }
      // The archive itself, when it lies in a folder target.
      if (e.mayBeArchive && archivers::IdentityOf(source->handle()).SameAs(archiveId_)) return true;
    }
    archivers::EntryName name;
    std::string why;
    if (!namer_.Name(e, &name, &why)) return Stop(kZipTargetError, archivers::DisplayPath(e.fullPath) + ": " + why);

    EntryInfo info;
    if (name.ansi) {
      // Names the code page holds keep their ANSI form, which every reader
      // knows, with the exact name beside it in the Unicode Path field.
      info.name = SlashSeparators(*name.ansi);
      if (!IsAscii(info.name)) info.utf8Name = name.utf8;
    } else {
      info.name = name.utf8;
      info.nameIsUtf8 = true;
    }
    if (e.isFolder) {
      info.name += '/';
      if (!info.utf8Name.empty()) info.utf8Name += '/';
    }
    info.dosTime = LocalDosTime(e.lastWriteTime);
    if (auto t = UnixTime32FromFileTime(Ticks(e.lastWriteTime))) {
      info.hasUnixTime = true;
      info.unixTime = *t;
    }
    info.externalAttributes = e.attributes & kKeptAttributes;
    info.expectedSize = e.size;

    const bool added = e.isFolder ? writer_.AddFolder(info) : writer_.AddFile(info, *source);
    if (!added) return Stop(kZipWriteError, WriterFailureText(e, source.get()));
    if (!quiet_) out_.Append("  adding: " + (name.ansi ? info.name : archivers::WideToAnsi(name.exact)) + "\r\n");
    return true;
  }

  // The file and the cause of a failed entry: the source that could not be
  // read, or the archive that could not be written (a full disk), or the
  // entry that cannot be described.
  std::string WriterFailureText(const archivers::TreeEntry& e, const archivers::WinFile* source) const {
    const std::string path = archivers::DisplayPath(e.fullPath);
    switch (writer_.failure()) {
      case ZipWriter::Failure::kSource:
        return path + ": " + (source != nullptr ? source->Error() : writer_.error());
      case ZipWriter::Failure::kArchive:
        return archivePath_ + ": " + archive_.Error() + " (" + path + ")";
      default:
        return path + ": " + writer_.error();
    }
  }

  bool Stop(int code, const std::string& text) {
    result_ = code;
    error_ = text;
    return false;
  }

  ZipWriter& writer_;
  archivers::EntryNamer& namer_;
  const archivers::WinFile& archive_;
  archivers::FileIdentity archiveId_;
  archivers::FileIdentity archiveFolder_;
  std::string archivePath_;
  archivers::OutputBuffer& out_;
  bool quiet_;
  int result_ = kZipOk;
  std::string error_;
};

}  // namespace

int RunZip(const char* commandLine, archivers::OutputBuffer& out) {
  std::string error;
  const std::optional<ZipCommand> cmd = ParseZipCommand(commandLine, &error);
  if (!cmd) {
    out.Set(error);
    return kZipBadCommand;
  }
  const std::wstring archivePath = archivers::ExtendedLengthPath(archivers::AnsiToWide(cmd->archivePath));
  if (archivePath.empty()) {
    out.Set("Invalid archive path: " + cmd->archivePath);
    return kZipBadCommand;
  }

  bool created = false;
  auto archive = archivers::OpenOrCreateArchive(archivePath, &created);
  if (!archive->IsOpen()) {
    out.Set(cmd->archivePath + ": " + archive->Error());
    return kZipWriteError;
  }
  CentralDirectory existing;
  if (!created && !ReadCentralDirectory(*archive, &existing, &error)) {
    out.Set(cmd->archivePath + ": " + error);
    return kZipNotArchive;
  }

  archivers::EntryNamer namer(false);
  AddExistingNames(existing, namer);
  ZipWriter writer(*archive, std::move(existing));
  if (cmd->quiet) out.Set("");
  TargetAdder adder(writer, namer, *archive, cmd->archivePath, out, cmd->quiet);
  // Only the archive's path is used: nothing of its file name goes into the
  // entries, so the caller may write under a staging name and rename later.
  adder.SetArchiveFolder(archivers::IdentityOfFolderHolding(archivePath));
  int result = kZipOk;
  for (const std::string& name : cmd->names) {
    result = adder.Add(*cmd, name);
    if (result != kZipOk) break;
  }

  if (result != kZipOk && created && writer.entryCount() == 0) {
    // Nothing was archived into the new file: take it away again.
    archive.reset();
    DeleteFileW(archivePath.c_str());
    out.Set(adder.error());
    return result;
  }
  if (!writer.Finish()) {
    const std::string finishError = cmd->archivePath + ": " + archive->Error();
    out.Set(result != kZipOk ? adder.error() + "\r\n" + finishError : finishError);
    return kZipWriteError;
  }
  if (result != kZipOk) out.Set(adder.error());
  return result;
}

}  // namespace zelk::zip
