// One run of an archiver that adds targets to an archive: opens the archive
// or creates it, walks the targets in order with the source of each file
// open, and takes a newly created archive away again when nothing went in.
// What goes into the archive, and how, is the format's.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "common/command_line.h"
#include "common/entry_namer.h"
#include "common/file_identity.h"
#include "common/left_out.h"
#include "common/output_buffer.h"
#include "fileutil/retry_budget.h"
#include "common/tree_walker.h"
#include "common/win_file.h"

namespace zelk::archivers {

// The attribute bits both formats keep of an entry.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_ARCHIVE;

// A FILETIME as one number of 100-nanosecond ticks.
inline std::uint64_t Ticks(const FILETIME& ft) {
  return (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

// Called for every entry to archive, with the source for a file (null for a
// folder), which the adder may keep. The source opens where it is first
// read, so that a pool thread waits for the open rather than the walk; a
// failed open shows as a failed read with the open's reason (a file that
// may be the archive itself is opened before). Returns false to stop the
// run, with the cause in *why.
using EntryAdder =
    std::function<bool(const TreeEntry& e, std::unique_ptr<RandomAccessFile> source, std::string* why)>;

// The number of compressing threads a call may use: the logical processors
// this process may run on.
int CompressingThreads();

class ArchiveSession {
 public:
  // The format's result codes for the failures of Open.
  struct OpenCodes {
    int badPath;     // the path cannot name a file
    int openFailed;  // the archive could neither be opened nor created
  };

  // Opens the archive at ansiPath, or creates it. On failure out holds the
  // text and the code is returned.
  std::optional<int> Open(const std::string& ansiPath, OutputBuffer& out, const OpenCodes& codes);

  WinFile& archive() { return *archive_; }
  const WinFile& archive() const { return *archive_; }
  bool created() const { return created_; }

  // Walks the targets of cmd in order, less what its patterns exclude; the
  // first that does not end kDone ends the run (kStopped: add returned
  // false, with its cause in *error). The archive itself, met in a target,
  // is left out. So is a source that cannot be read: a target or a file that
  // cannot be opened (after the retries of a held one), a folder that cannot
  // be listed; each is added to leftOut(), in walk order, and the walk goes
  // on.
  WalkResult AddTargets(const AddCommand& cmd, EntryNamer& namer, const EntryAdder& add, std::string* error);

  // The place in the walk of the entry just handed to the adder; a source
  // the format leaves out later is listed there (LeaveOut).
  std::uint64_t entryOrder() const { return 2 * visited_ - 1; }
  // A source the format could not take after all (a read error, too large),
  // listed at the entry's place in the walk (entryOrder() when it was added).
  void LeaveOut(std::string path, std::string reason, std::uint64_t order) {
    leftOut_.Add(std::move(path), std::move(reason), order);
  }
  const LeftOutList& leftOut() const { return leftOut_; }

  // Closes the newly created archive and deletes it: nothing went in.
  void DiscardCreated();

 private:
  std::wstring path_;
  fileutil::RetryBudget retries_{[](unsigned ms) { Sleep(ms); }};
  LeftOutList leftOut_;
  std::uint64_t visited_ = 0;  // entries met by the walk so far
  std::unique_ptr<WinFile> archive_;
  bool created_ = false;
  FileIdentity archiveId_;
};

}  // namespace zelk::archivers
