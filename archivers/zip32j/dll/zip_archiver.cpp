#include "zip32j/dll/zip_archiver.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/archive_session.h"
#include "common/entry_namer.h"
#include "common/write_behind_file.h"
#include "common/win_strings.h"
#include "text/mbcs.h"
#include "zip32j/format/central_directory.h"
#include "zip32j/format/zip_writer.h"
#include "zip32j/zip_command.h"

namespace zelk::zip {

namespace {

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

// Adds the entries of the targets to the zip writer.
class EntryWriter {
 public:
  EntryWriter(ZipWriter& writer, archivers::EntryNamer& namer, const archivers::ArchiveSession& session,
              std::string archivePath, archivers::OutputBuffer& out, bool quiet)
      : writer_(writer), namer_(namer), session_(session), archive_(session.archive()),
        archivePath_(std::move(archivePath)), out_(out), quiet_(quiet) {}

  // The result code of a run that add() stopped.
  int result() const { return result_; }

  bool Add(const archivers::TreeEntry& e, std::unique_ptr<archivers::RandomAccessFile> source, std::string* why) {
    archivers::EntryName name;
    if (!namer_.Name(e, &name, why)) {
      *why = archivers::DisplayPath(e.fullPath) + ": " + *why;
      return Stop(kZipTargetError);
    }

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
    if (auto t = UnixTime32FromFileTime(archivers::Ticks(e.lastWriteTime))) {
      info.hasUnixTime = true;
      info.unixTime = *t;
    }
    info.externalAttributes = e.attributes & archivers::kKeptAttributes;
    info.expectedSize = e.size;
    info.sourcePath = archivers::EnginePath(e.fullPath);
    info.listedName = name.ansi ? info.name : archivers::WideToAnsi(name.exact);
    info.order = session_.entryOrder();

    const bool added = e.isFolder ? writer_.AddFolder(info) : writer_.AddFile(info, std::move(source));
    if (!added) {
      *why = WriterFailureText();
      return Stop(kZipWriteError);
    }
    return true;
  }

  // Writes the entries still queued; false with the cause in *why.
  bool Flush(std::string* why) {
    if (writer_.Flush()) return true;
    *why = WriterFailureText();
    return Stop(kZipWriteError);
  }

  void Listed(const EntryInfo& info) {
    if (!quiet_) out_.Append("  adding: " + info.listedName + "\r\n");
  }

 private:
  // The file and the cause of a failed entry: the source that could not be
  // read, or the archive that could not be written (a full disk), or the
  // entry that cannot be described.
  std::string WriterFailureText() const {
    const std::string& path = writer_.failedEntry().sourcePath;
    switch (writer_.failure()) {
      case ZipWriter::Failure::kSource:
        return path + ": " + writer_.sourceError();
      case ZipWriter::Failure::kArchive:
        return archivePath_ + ": " + archive_.Error() + " (" + path + ")";
      default:
        return path + ": " + writer_.error();
    }
  }

  bool Stop(int code) {
    result_ = code;
    return false;
  }

  ZipWriter& writer_;
  archivers::EntryNamer& namer_;
  const archivers::ArchiveSession& session_;
  const archivers::WinFile& archive_;
  std::string archivePath_;
  archivers::OutputBuffer& out_;
  bool quiet_;
  int result_ = kZipOk;
};

}  // namespace

int RunZip(const ZipCommand& cmd, archivers::OutputBuffer& out) {
  archivers::ArchiveSession session;
  if (const auto failed = session.Open(cmd.archivePath, out, {kZipBadCommand, kZipWriteError})) return *failed;
  archivers::WinFile& archive = session.archive();
  CentralDirectory existing;
  std::string error;
  if (!session.created() && !ReadCentralDirectory(archive, &existing, &error)) {
    out.Set(cmd.archivePath + ": " + error);
    return kZipNotArchive;
  }

  archivers::EntryNamer namer(false);
  AddExistingNames(existing, namer);
  archivers::ParallelOptions parallel;
  parallel.threads = archivers::CompressingThreads();
  archivers::WriteBehindFile output(archive);
  ZipWriter writer(output, std::move(existing), parallel);
  if (cmd.quiet) out.Set("");
  EntryWriter entries(writer, namer, session, cmd.archivePath, out, cmd.quiet);
  writer.OnEntryAdded(std::bind_front(&EntryWriter::Listed, &entries));
  writer.OnSourceSkipped([&session](const EntryInfo& info, const std::string& why) {
    session.LeaveOut(info.sourcePath, why, info.order);
  });
  std::string runError;
  const archivers::WalkResult walked =
      session.AddTargets(cmd, namer, std::bind_front(&EntryWriter::Add, &entries), &runError);
  int result = walked == archivers::WalkResult::kDone     ? kZipOk
               : walked == archivers::WalkResult::kFailed ? kZipTargetError
                                                          : entries.result();
  // Entries queued before the walk ended are written now; one that fails
  // comes before whatever ended the walk, so its cause is the one reported.
  if (writer.failure() == ZipWriter::Failure::kNone && !entries.Flush(&runError)) result = entries.result();
  // Only what was left out: the archive is complete without it.
  const bool leftOut = result == kZipOk && !session.leftOut().empty();
  const std::string report = leftOut ? session.leftOut().Report(out.room()) : std::string();

  if ((result != kZipOk || leftOut) && session.created() && writer.entryCount() == 0) {
    // Nothing was archived into the new file: take it away again.
    session.DiscardCreated();
    out.Set(leftOut ? report : runError);
    return leftOut ? kZipLeftOut : result;
  }
  if (!writer.Finish() || !output.Flush()) {
    const std::string finishError = cmd.archivePath + ": " + archive.Error();
    out.Set(result != kZipOk ? runError + "\r\n" + finishError : finishError);
    return kZipWriteError;
  }
  if (result != kZipOk) out.Set(runError);
  if (leftOut) {
    out.Set(report);
    return kZipLeftOut;
  }
  return result;
}

}  // namespace zelk::zip
