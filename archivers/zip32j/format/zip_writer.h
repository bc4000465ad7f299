// Writes zip entries to a random-access file, after the entries of an
// existing archive or into an empty file, and closes the archive with its
// central directory.
//
// File data goes through raw deflate (zlib, level 6) in chunks of 1 MiB,
// each deflated on its own with the 32 KiB before it as preset dictionary and
// ended on a byte boundary (a sync flush), the last one finishing the stream;
// the chunks joined make one deflate stream, and their CRCs are combined.
// Chunks are compressed on a pool of threads (ParallelOptions) and written
// in the order they were added, so the archive is the same whatever the
// number of threads. A file smaller than a chunk is also read on the pool. When deflate does not make an entry smaller, the writer
// seeks back to the entry's data, copies the source again as stored and
// rewrites the local header; no data descriptors are used. A file whose
// first 2 MiB do not shrink (photos, archives) is stored without waiting
// for the rest. Sizes and offsets past the 32-bit fields, and more than
// 65534 entries, get zip64 records.
//
// Memory: at most a bounded number of chunks is queued (kMaxQueuedBytes).
//
// Failure safety: an entry only counts once it is complete. Add* only queue
// the entry; a failure (of this entry or of one queued before it) shows in
// the return value of a later Add*, Flush or Finish, and names its entry
// (failedEntry). Finish() writes the central directory right after the last
// complete entry and cuts the file there, so calling it after any failure
// leaves a valid archive holding every entry completed before.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/ordered_jobs.h"
#include "common/random_access_file.h"
#include "zip32j/format/central_directory.h"
#include "zip32j/format/zip_times.h"

namespace zelk::zip {

struct EntryInfo {
  // Name with '/' separators, stored as given; a folder's name ends with '/'.
  // In the ANSI code page, or in UTF-8 when nameIsUtf8.
  std::string name;
  // The name is UTF-8: general purpose bit 11 is set (and no Unicode Path
  // field is written, the name itself being Unicode).
  bool nameIsUtf8 = false;
  // The same name in UTF-8. When name is not plain ASCII it is written to the
  // Info-ZIP Unicode Path extra field (0x7075). Empty: no such field.
  std::string utf8Name;
  DosDateTime dosTime;
  // Last write time for the extended timestamp field (0x5455), when known.
  bool hasUnixTime = false;
  std::uint32_t unixTime = 0;
  // DOS attributes in the low byte (read-only, hidden, system, folder, archive).
  std::uint32_t externalAttributes = 0;
  // The size expected before reading a file: from 4 GiB on, the local header
  // carries zip64 sizes.
  std::uint64_t expectedSize = 0;
  // Only for the caller's messages: what failures and the added entries are
  // reported by (the source's path, the listed name). Not written.
  std::string sourcePath;
  std::string listedName;
  std::uint64_t order = 0;  // the caller's place of the entry, for its left-out list
};

class ZipWriter {
 public:
  // Starts writing at existing.startOffset, keeping existing's entries.
  ZipWriter(archivers::RandomAccessFile& out, CentralDirectory existing,
            const archivers::ParallelOptions& parallel = {});
  ~ZipWriter();
  ZipWriter(const ZipWriter&) = delete;
  ZipWriter& operator=(const ZipWriter&) = delete;

  // A folder entry; info.name must end with '/'.
  bool AddFolder(const EntryInfo& info);
  // A file entry with the contents of source, read from offset 0 to its end.
  // A file expected smaller than one chunk is read (opened, when the source
  // opens on its first read) on the pool, with its compression, and closed
  // there; a larger one is read on the caller's thread, its chunks
  // compressed on the pool. The writer keeps source until the entry is
  // written.
  bool AddFile(const EntryInfo& info, std::shared_ptr<archivers::RandomAccessFile> source);
  // The same for a source that outlives the writer's next Flush or Finish.
  bool AddFile(const EntryInfo& info, archivers::RandomAccessFile& source);
  // Writes every queued entry; false at the first that fails.
  bool Flush();
  // Writes the queued entries, then the central directory and end records
  // after the last complete entry, and cuts the file there.
  bool Finish();
  // Called on the caller's thread for each entry once it is complete.
  void OnEntryAdded(std::function<void(const EntryInfo&)> added) { added_ = std::move(added); }
  // When set, a file whose source cannot be read is left out: told here (on
  // the caller's thread, with the source's reason) and the archive goes on
  // without it. Otherwise such a failure ends the run like any other.
  void OnSourceSkipped(std::function<void(const EntryInfo&, const std::string& why)> skipped) {
    skipped_ = std::move(skipped);
  }

  // What the last failure was about.
  enum class Failure { kNone, kSource, kArchive, kEntry };
  Failure failure() const { return failure_; }
  const std::string& error() const { return error_; }
  // The entry the failure is about, and for kSource the source's own reason.
  const EntryInfo& failedEntry() const { return failedEntry_; }
  const std::string& sourceError() const { return sourceError_; }
  std::uint64_t entryCount() const { return records_.size(); }
  // Bytes written to the output since the start (or the last complete entry).
  std::uint64_t endOffset() const { return end_; }

 private:
  struct FileState;
  class ChunkJob;

  bool Fail(const std::string& text, Failure failure = Failure::kEntry);
  bool FailEntry(const EntryInfo& info, const std::string& text, Failure failure);
  bool CheckName(const EntryInfo& info);
  bool WriteChunk(ChunkJob& job);
  bool WriteFolder(const EntryInfo& info);
  // Writes a whole entry (header and data) at the end and records it.
  bool AppendEntry(const EntryInfo& info, const std::vector<std::uint8_t>& entry, std::vector<std::uint8_t> record);
  bool AddSmallFile(std::shared_ptr<FileState> file);
  bool FinishSmallFile(ChunkJob& job);
  bool StoreFile(FileState& file);
  bool Complete(FileState& file);
  bool SourceFailed(const EntryInfo& info, const std::string& why);

  archivers::RandomAccessFile& out_;
  archivers::ParallelOptions parallel_;
  std::unique_ptr<archivers::OrderedJobs> jobs_;
  std::size_t entriesQueued_ = 0;
  std::function<void(const EntryInfo&)> added_;
  std::function<void(const EntryInfo&, const std::string&)> skipped_;
  EntryInfo failedEntry_;
  std::string sourceError_;
  std::vector<std::vector<std::uint8_t>> records_;
  std::string comment_;
  std::uint64_t end_ = 0;
  std::string error_;
  Failure failure_ = Failure::kNone;
};

// Size limit of one write/read buffer of the stored copy.
inline constexpr std::size_t kStreamBufferSize = 1 << 18;
// Input of one deflate chunk, and the most the queue of chunks holds.
inline constexpr std::size_t kChunkSize = 1 << 20;
inline constexpr std::size_t kMaxQueuedBytes = 24u << 20;

}  // namespace zelk::zip
