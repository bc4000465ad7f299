// Appends entries to an LZH archive through abstract files, so that the
// whole write path (compression or storing, header rewrite, the end mark,
// cutting back after a failure) is the same natively and in the DLL.
//
// A file smaller than a segment is read (opened, when its input opens on its
// first read), coded and closed on a pool of threads; a larger one is read
// on the caller's thread in segments of 1 MiB; each segment is coded by its
// own -lh5- encoder, with the 8 KiB before it as the window
// its matches may reach into, on a pool of threads (ParallelOptions). The
// segments' codes are joined bit by bit into the entry's one stream, and
// entries are written in the order they were added, so the archive is the
// same whatever the number of threads.
//
// Add* only queue an entry: a failure (of this entry or of one queued
// before it) shows in the return value of a later Add*, Flush or Close and
// names its entry (failedLabel). The archive always ends after the last
// complete entry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "common/ordered_jobs.h"
#include "format/entry_header.h"
#include "format/lh5_encoder.h"

namespace zelk::lzh {

class OutputFile {
 public:
  virtual ~OutputFile() = default;
  virtual bool Write(const std::uint8_t* data, std::size_t size) = 0;
  virtual bool Seek(std::uint64_t offset) = 0;
  // Makes the current position the end of the file.
  virtual bool Truncate() = 0;
};

class InputStream {
 public:
  virtual ~InputStream() = default;
  // Reads up to size bytes; got = 0 at the end. False on a read error.
  virtual bool Read(std::uint8_t* data, std::size_t size, std::size_t& got) = 0;
  virtual bool Rewind() = 0;
  // The reason of the last failed Read, when the stream knows one.
  virtual std::string Error() const { return {}; }
};

// The failure texts of reading the input and of writing the archive, which
// callers complete with the system's reason.
inline constexpr const char* kReadFailed = "cannot read the file";
inline constexpr const char* kWriteFailed = "cannot write the archive";

// Input of one segment, and the most the queue of segments holds.
inline constexpr std::size_t kSegmentSize = 1 << 20;
inline constexpr std::size_t kMaxQueuedBytes = 24u << 20;

class ArchiveWriter {
 public:
  // Entries go at appendOffset (an end-of-archive mark or the end of the
  // last entry of an existing archive; 0 for a new one).
  ArchiveWriter(OutputFile& out, std::uint64_t appendOffset, const Lh5Tuning& tuning = {},
                const archivers::ParallelOptions& parallel = {});
  ~ArchiveWriter();
  ArchiveWriter(const ArchiveWriter&) = delete;
  ArchiveWriter& operator=(const ArchiveWriter&) = delete;

  // Adds a file; header supplies path, times and attributes, and
  // originalSize as the size seen before reading (the size read counts).
  // The writer keeps input until the entry is written. label names the
  // entry in failedLabel(), order is the caller's place of it, told with a
  // skipped input. On failure error says why and the archive keeps the
  // entries before.
  bool AddFile(std::shared_ptr<InputStream> input, EntryHeader header, std::string& error,
               const std::string& label = {}, std::uint64_t order = 0);
  // The same for an input that outlives the writer's next Flush or Close.
  bool AddFile(InputStream& input, EntryHeader header, std::string& error, const std::string& label = {},
               std::uint64_t order = 0);
  bool AddDirectory(EntryHeader header, std::string& error, const std::string& label = {});
  // Writes every queued entry; false at the first that fails.
  bool Flush(std::string& error);

  // Writes the queued entries, then the end-of-archive mark after the last
  // complete entry, and cuts the file there. Also the way back after a
  // failed entry. False when the mark cannot be written, or when a queued
  // entry failed that no earlier call reported.
  bool Close(std::string& error);

  // When set, a file whose input cannot be read, or that is too large for
  // an entry (4 GiB or more), is left out: told here (on the caller's
  // thread, with its label, the reason and its order) and the archive goes
  // on without it. Otherwise such a file fails like any other entry.
  using SkipHandler = std::function<void(const std::string& label, const std::string& why, std::uint64_t order)>;
  void OnInputSkipped(SkipHandler skipped) {
    skipped_ = std::move(skipped);
  }

  // Entries this writer has completed.
  std::size_t entries() const { return entries_; }
  // The label of the entry that failed last, and for kReadFailed the
  // input's own reason.
  const std::string& failedLabel() const { return failedLabel_; }
  const std::string& inputError() const { return inputError_; }

 private:
  struct FileState;
  class SegmentJob;

  bool Fail(std::string& error, const char* why);
  bool FailEntry(const std::string& label, const std::string& why);
  bool FailBeforeQueueing(const std::string& label, const std::string& why, std::string& error);
  bool Report(std::string& error);
  bool Finish(SegmentJob& job);
  bool WriteDirectory(SegmentJob& job);
  bool AppendSegment(FileState& file, SegmentJob& job);
  bool AddSmallFile(std::shared_ptr<FileState> file, std::string& error);
  bool FinishSmallFile(FileState& file, SegmentJob& job);
  bool Store(FileState& file);
  bool Complete(FileState& file);
  bool Skip(const std::string& label, const std::string& why, std::uint64_t order);

  OutputFile& out_;
  std::uint64_t committed_;
  Lh5Tuning tuning_;
  archivers::ParallelOptions parallel_;
  std::unique_ptr<archivers::OrderedJobs> jobs_;
  std::size_t queued_ = 0;
  std::size_t entries_ = 0;
  std::string failure_;       // the failure the pool met, until it is reported
  bool unreported_ = false;
  std::string failedLabel_;
  std::string inputError_;
  SkipHandler skipped_;
};

}  // namespace zelk::lzh
