#include "dll/lzh_archiver.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "archive_files.h"
#include "common/archive_session.h"
#include "common/entry_namer.h"
#include "common/write_behind_file.h"
#include "common/win_strings.h"
#include "format/archive_reader.h"
#include "format/archive_writer.h"
#include "lha_command.h"
#include "text/mbcs.h"

namespace zelk::lzh {
namespace {

constexpr std::uint64_t kUnixEpochTicks = 116444736000000000ull;  // 1970-01-01 as a FILETIME

std::uint32_t UnixTime(const FILETIME& ft) {
  const std::uint64_t ticks = archivers::Ticks(ft);
  if (ticks <= kUnixEpochTicks) return 0;
  const std::uint64_t seconds = (ticks - kUnixEpochTicks) / 10000000u;
  return seconds > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(seconds);
}

std::u16string ToUtf16(const std::wstring& wide) { return std::u16string(wide.begin(), wide.end()); }

std::wstring LastComponent(const std::wstring& path) {
  const std::size_t cut = path.find_last_of(L'\\');
  return cut == std::wstring::npos ? path : path.substr(cut + 1);
}

// Adds the entries of the targets to the LZH writer.
class EntryWriter {
 public:
  EntryWriter(const LhaCommand& cmd, ArchiveWriter& writer, archivers::EntryNamer& namer,
              const archivers::ArchiveSession& session)
      : cmd_(cmd), writer_(writer), namer_(namer), session_(session), archive_(session.archive()) {}

  bool Add(const archivers::TreeEntry& e, std::unique_ptr<archivers::RandomAccessFile> source, std::string* why) {
    why_ = why;
    if (e.isFolder && (!cmd_.folderEntries || !cmd_.storePaths)) return Name(e, nullptr);
    EntryHeader header;
    if (!Name(e, &header)) return false;
    header.unixTime = UnixTime(e.lastWriteTime);
    header.dosAttributes = static_cast<std::uint16_t>(e.attributes & archivers::kKeptAttributes);
    // The modification time in the base header is what extractors restore;
    // the 27-byte Windows timestamp header is left out to keep archives small.
    header.originalSize = e.size;

    std::string error;
    const std::string label = archivers::EnginePath(e.fullPath);
    if (e.isFolder) {
      if (!writer_.AddDirectory(header, error, label)) return Stop(FailureText(error));
    } else {
      auto input = std::make_shared<SequentialInput>(std::move(source));
      if (!writer_.AddFile(std::move(input), header, error, label, session_.entryOrder())) {
        return Stop(FailureText(error));
      }
    }
    return true;
  }

  // Writes the entries still queued; false with the cause in *why.
  bool Flush(std::string* why) {
    std::string error;
    // An empty reason: the failure was reported when it stopped the walk.
    if (writer_.Flush(error) || error.empty()) return true;
    *why = FailureText(error);
    return false;
  }

 private:
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
  std::string FailureText(const std::string& error) const {
    const std::string& path = writer_.failedLabel();
    if (error == kReadFailed) return path + ": " + writer_.inputError();
    if (error == kWriteFailed) return cmd_.archivePath + ": " + archive_.Error() + " (" + path + ")";
    return path + ": " + error;
  }

  bool Stop(std::string text) {
    *why_ = std::move(text);
    return false;
  }

  const LhaCommand& cmd_;
  ArchiveWriter& writer_;
  archivers::EntryNamer& namer_;
  const archivers::ArchiveSession& session_;
  const archivers::WinFile& archive_;
  std::string* why_ = nullptr;
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

int RunUnlha(const LhaCommand& cmd, archivers::OutputBuffer& out) {
  std::string error;
  archivers::ArchiveSession session;
  if (const auto failed = session.Open(cmd.archivePath, out, {kUnlhaBadCommand, kUnlhaArchiveError})) return *failed;
  archivers::WinFile& archive = session.archive();

  ArchiveScan scan;
  if (!session.created()) {
    ArchiveSource source(archive);
    scan = ScanArchive(source);
    if (!scan.valid) {
      out.Set(cmd.archivePath + ": not an LZH archive (" + scan.error + ")");
      return kUnlhaNotArchive;
    }
  }
  archivers::EntryNamer namer(true);
  for (const ArchiveEntryInfo& e : scan.entries) {
    namer.AddExisting(e.unicodePath.empty() ? archivers::AnsiToUtf8(e.path) : e.unicodePath, e.path);
  }

  archivers::WriteBehindFile buffered(archive);
  ArchiveOutput output(buffered);
  archivers::ParallelOptions parallel;
  parallel.threads = archivers::CompressingThreads();
  ArchiveWriter writer(output, scan.appendOffset, {}, parallel);
  CloseGuard guard(writer);
  EntryWriter entries(cmd, writer, namer, session);
  writer.OnInputSkipped([&session](const std::string& label, const std::string& why, std::uint64_t order) {
    session.LeaveOut(label, why, order);
  });
  std::string runError;
  bool ok = session.AddTargets(cmd, namer, std::bind_front(&EntryWriter::Add, &entries), &runError) ==
            archivers::WalkResult::kDone;
  // Entries queued before the walk ended are written now; one that fails
  // comes before whatever ended the walk, so its cause is the one reported.
  std::string flushError;
  if (!entries.Flush(&flushError)) {
    ok = false;
    runError = flushError;
  }
  // Only what was left out: the archive is complete without it.
  const bool leftOut = ok && !session.leftOut().empty();
  const std::string report = leftOut ? session.leftOut().Report(out.room()) : std::string();
  if ((!ok || leftOut) && session.created() && writer.entries() == 0) {
    // Nothing went into the new file: take it away again.
    guard.Close(error);
    session.DiscardCreated();
    out.Set(leftOut ? report : runError);
    return leftOut ? kUnlhaLeftOut : kUnlhaTargetError;
  }
  if (!guard.Close(error) || !buffered.Flush()) {
    const std::string closeError = cmd.archivePath + ": " + error + " (" + archive.Error() + ")";
    out.Set(ok ? closeError : runError + "\r\n" + closeError);
    return kUnlhaArchiveError;
  }
  if (!ok) {
    out.Set(runError);
    return kUnlhaTargetError;
  }
  out.Set(report);
  return leftOut ? kUnlhaLeftOut : kUnlhaOk;
}

}  // namespace zelk::lzh
