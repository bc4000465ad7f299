#include "zip32j/dll/zip_archiver.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "common/name_variants.h"
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

// Identity of an open file, to keep the archive out of its own targets.
struct FileId {
  DWORD volume = 0;
  DWORD high = 0;
  DWORD low = 0;
  bool known = false;
  bool operator==(const FileId& o) const {
    return known && o.known && volume == o.volume && high == o.high && low == o.low;
  }
};

FileId IdOf(HANDLE h) {
  BY_HANDLE_FILE_INFORMATION info;
  FileId id;
  if (GetFileInformationByHandle(h, &info)) {
    id = {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow, true};
  }
  return id;
}

// The names of an archive's entries in the ANSI code page, for the free
// variant check (UTF-8 names of other tools are converted).
archivers::NameSet ExistingNames(const CentralDirectory& dir) {
  archivers::NameSet names;
  for (const CentralEntry& e : dir.entries) {
    if (e.utf8Name) {
      const int n = MultiByteToWideChar(CP_UTF8, 0, e.name.data(), static_cast<int>(e.name.size()), nullptr, 0);
      std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
      if (n > 0) MultiByteToWideChar(CP_UTF8, 0, e.name.data(), static_cast<int>(e.name.size()), wide.data(), n);
      names.Add(archivers::WideToAnsi(wide));
    } else {
      names.Add(e.name);
    }
  }
  return names;
}

// Adds one target (a file, or a folder with everything below it).
class TargetAdder {
 public:
  TargetAdder(ZipWriter& writer, archivers::NameSet& names, std::wstring archiveName,
              const FileId& archiveId, archivers::OutputBuffer& out, bool quiet)
      : writer_(writer), names_(names), archiveName_(std::move(archiveName)), archiveId_(archiveId),
        out_(out), quiet_(quiet) {}

  // Returns a result code; the message is in error().
  int Add(const ZipCommand& cmd, const std::string& name) {
    archivers::WalkOptions options;
    options.recurse = cmd.recurse;
    options.includeHiddenSystem = cmd.includeHiddenSystem;
    std::string walkError;
    atTop_ = true;
    const archivers::WalkResult r = archivers::WalkTarget(
        cmd.baseFolder, name, options,
        [this](const archivers::TreeEntry& e) { return Visit(e); }, &walkError);
    if (r == archivers::WalkResult::kFailed) {
      error_ = walkError;
      return kZipTargetError;
    }
    for (const std::string& n : added_) names_.Add(n);
    added_.clear();
    return r == archivers::WalkResult::kDone ? kZipOk : result_;
  }

  const std::string& error() const { return error_; }

 private:
  bool Visit(const archivers::TreeEntry& e) {
    if (atTop_) {
      // The target itself, visited first: it gets the free variant of its name.
      atTop_ = false;
      topAnsi_ = e.relativeName;
      topWide_ = e.relativeWide;
      variant_ = SlashSeparators(archivers::FreeVariantName(SlashSeparators(e.relativeName), e.isFolder, names_));
    }
    const std::string rest = e.relativeName.substr(topAnsi_.size());
    EntryInfo info;
    info.name = variant_ + SlashSeparators(rest);
    if (e.isFolder) info.name += '/';
    if (!IsAscii(info.name)) {
      std::string utf8 = archivers::AnsiToUtf8(variant_) +
                         archivers::WideToUtf8(std::wstring_view(e.relativeWide).substr(topWide_.size()));
      for (char& c : utf8) {
        if (c == '\\') c = '/';
      }
      if (e.isFolder) utf8 += '/';
      info.utf8Name = std::move(utf8);
    }
    info.dosTime = LocalDosTime(e.lastWriteTime);
    if (auto t = UnixTime32FromFileTime(Ticks(e.lastWriteTime))) {
      info.hasUnixTime = true;
      info.unixTime = *t;
    }
    info.externalAttributes = e.attributes & kKeptAttributes;
    info.expectedSize = e.size;

    if (e.isFolder) {
      if (!writer_.AddFolder(info)) return Stop(kZipWriteError, writer_.error());
    } else {
      archivers::WinFile source(e.fullPath, archivers::WinFile::Mode::kRead);
      if (!source.IsOpen()) {
        return Stop(kZipTargetError, e.relativeName + ": " + source.Error());
      }
      if (IsArchiveItself(e, source)) return true;
      if (!writer_.AddFile(info, source)) {
        // A read failure names the entry; anything else is the archive's.
        return Stop(kZipWriteError, writer_.error());
      }
    }
    added_.push_back(info.name);
    if (!quiet_) out_.Append("  adding: " + info.name + "\r\n");
    return true;
  }

  // The archive may lie inside a folder target; it is left out. Only a file
  // of the archive's name is compared by identity, as that query is slow.
  bool IsArchiveItself(const archivers::TreeEntry& e, const archivers::WinFile& source) const {
    const std::size_t slash = e.relativeWide.find_last_of(L'\\');
    const std::wstring_view name = std::wstring_view(e.relativeWide).substr(slash == std::wstring::npos ? 0 : slash + 1);
    if (CompareStringOrdinal(name.data(), static_cast<int>(name.size()), archiveName_.data(),
                             static_cast<int>(archiveName_.size()), TRUE) != CSTR_EQUAL) {
      return false;
    }
    return IdOf(source.handle()) == archiveId_;
  }

  bool Stop(int code, const std::string& text) {
    result_ = code;
    error_ = text;
    return false;
  }

  ZipWriter& writer_;
  archivers::NameSet& names_;
  std::wstring archiveName_;
  FileId archiveId_;
  archivers::OutputBuffer& out_;
  bool quiet_;
  bool atTop_ = true;
  std::string topAnsi_;
  std::wstring topWide_;
  std::string variant_;
  std::vector<std::string> added_;
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

  archivers::NameSet names = ExistingNames(existing);
  ZipWriter writer(*archive, std::move(existing));
  if (cmd->quiet) out.Set("");
  const std::size_t slash = archivePath.find_last_of(L'\\');
  TargetAdder adder(writer, names, archivePath.substr(slash + 1), IdOf(archive->handle()), out, cmd->quiet);
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
    out.Set(result != kZipOk ? adder.error() + "\r\n" + writer.error() : writer.error());
    return kZipWriteError;
  }
  if (result != kZipOk) out.Set(adder.error());
  return result;
}

}  // namespace zelk::zip
