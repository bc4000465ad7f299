#include "format/archive_writer.h"

#include <algorithm>
#include <atomic>
#include <vector>

#include "format/byte_sink.h"
#include "format/crc16.h"

namespace zelk::lzh {
namespace {

constexpr std::size_t kChunk = 1 << 16;
// Past this much input, data that has not shrunk yet is stored as it is.
constexpr std::uint64_t kGiveUpAfter = 1 << 20;
constexpr const char* kTooLarge = "file too large for an LZH entry (4 GiB or more)";

class VectorSink : public ByteSink {
 public:
  explicit VectorSink(std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
  void Put(const std::uint8_t* data, std::size_t size) override { bytes_.insert(bytes_.end(), data, data + size); }

 private:
  std::vector<std::uint8_t>& bytes_;
};

// Joins bit streams (most significant bit first) without padding between
// them: whole bytes go out, the bits of a last partial byte wait.
class BitJoiner {
 public:
  // Appends the first `bits` bits of data to out.
  void Append(const std::uint8_t* data, std::uint64_t bits, std::vector<std::uint8_t>& out) {
    const std::size_t whole = static_cast<std::size_t>(bits / 8);
    if (carryBits_ == 0) {
      out.insert(out.end(), data, data + whole);
    } else {
      out.reserve(out.size() + whole);
      for (std::size_t i = 0; i < whole; ++i) {
        out.push_back(static_cast<std::uint8_t>(carry_ | (data[i] >> carryBits_)));
        carry_ = static_cast<std::uint8_t>(data[i] << (8 - carryBits_));
      }
    }
    const int rest = static_cast<int>(bits % 8);
    if (rest > 0) {
      const auto top = static_cast<std::uint8_t>(data[whole] & (0xFF00u >> rest));
      carry_ = static_cast<std::uint8_t>(carry_ | (top >> carryBits_));
      carryBits_ += rest;
      if (carryBits_ >= 8) {
        out.push_back(carry_);
        carryBits_ -= 8;
        carry_ = static_cast<std::uint8_t>(top << (rest - carryBits_));
      }
    }
    bits_ += bits;
  }
  // Pads the last partial byte with zero bits into out.
  void Finish(std::vector<std::uint8_t>& out) {
    if (carryBits_ > 0) out.push_back(carry_);
    carry_ = 0;
    carryBits_ = 0;
  }
  std::uint64_t Bytes() const { return (bits_ + 7) / 8; }

 private:
  std::uint8_t carry_ = 0;  // the high carryBits_ bits are pending
  int carryBits_ = 0;
  std::uint64_t bits_ = 0;
};

// What one pool thread lends to each segment it codes: the encoder's
// tables, and room for the codes, copied out at their exact size. (Wine's
// heap walks a free list for every odd-sized block; a block reserved by a
// guess for every file kept it walking for a tenth of the run.)
struct EncoderTables : archivers::WorkerState {
  Lh5Tables tables;
  std::vector<std::uint8_t> coded;
};

}  // namespace

// What the segments of one file share. The writer's fields are used on the
// caller's thread only; cancelled tells the pool to skip the segments left.
struct ArchiveWriter::FileState {
  EntryHeader header;
  std::string label;
  std::uint64_t order = 0;
  std::size_t entry = 0;
  std::shared_ptr<InputStream> input;
  std::atomic<bool> cancelled{false};
  bool done = false;  // complete, stored or failed: segments still queued are dropped
  Crc16 crc;          // of what was read so far
  std::vector<std::uint8_t> provisional;
  std::uint64_t dataStart = 0;
  std::uint64_t in = 0;
  std::uint64_t written = 0;  // bytes of the stream written after dataStart
  BitJoiner joiner;
};

// One segment of a file, or a directory (no file, no work).
class ArchiveWriter::SegmentJob : public archivers::Job {
 public:
  SegmentJob(std::shared_ptr<FileState> file, const Lh5Tuning& tuning, const archivers::ParallelOptions& parallel)
      : file_(std::move(file)), tuning_(tuning), parallel_(parallel) {}

  void Run(std::unique_ptr<archivers::WorkerState>& state) override {
    if (!file_ || file_->cancelled) return;
    if (readsInput && !ReadWhole()) return;
    if (parallel_.beforeCompress) parallel_.beforeCompress(file_->entry);
    EncoderTables& lent = archivers::StateOf<EncoderTables>(state);
    lent.coded.clear();
    VectorSink sink(lent.coded);
    Lh5Encoder encoder(sink, tuning_, &lent.tables);
    if (dictionary > 0) encoder.Preset(input.data(), dictionary);
    encoder.Write(input.data() + dictionary, size());
    bits = encoder.FinishSegment();
    output.assign(lent.coded.begin(), lent.coded.end());
  }
  std::size_t HeldBytes() const override { return 2 * input.capacity() + 4096; }

  FileState* file() const { return file_.get(); }
  std::size_t size() const { return input.size() - dictionary; }

  EntryHeader directory;             // without a file: the directory entry
  std::string label;
  // The job reads the whole file (expected smaller than input) into input,
  // then closes it. It may have failed to read (readError), or found the
  // file grown to input's size or more, which the caller's thread then
  // stores.
  bool readsInput = false;
  bool readFailed = false;
  bool grown = false;
  std::string readError;
  std::vector<std::uint8_t> input;   // the window before the segment, then the segment
  std::size_t dictionary = 0;
  bool first = false;
  bool last = false;
  std::vector<std::uint8_t> output;
  std::uint64_t bits = 0;

 private:
  bool ReadWhole() {
    InputStream& in = *file_->input;
    std::size_t filled = 0;
    while (filled < input.size()) {
      std::size_t got = 0;
      if (!in.Read(input.data() + filled, input.size() - filled, got)) {
        readFailed = true;
        readError = in.Error();
        return false;
      }
      if (got == 0) break;
      filled += got;
    }
    grown = filled == input.size();
    if (grown) return false;
    input.resize(filled);
    file_->input.reset();  // no file stays open for the queue
    return filled > 0;     // nothing to code in an empty file
  }

  std::shared_ptr<FileState> file_;
  const Lh5Tuning& tuning_;
  const archivers::ParallelOptions& parallel_;
};

ArchiveWriter::ArchiveWriter(OutputFile& out, std::uint64_t appendOffset, const Lh5Tuning& tuning,
                             const archivers::ParallelOptions& parallel)
    : out_(out), committed_(appendOffset), tuning_(tuning), parallel_(parallel) {
  const int threads = std::max(parallel_.threads, 1);
  jobs_ = std::make_unique<archivers::OrderedJobs>(
      threads, 4 * static_cast<std::size_t>(threads) + 8, kMaxQueuedBytes,
      [this](archivers::Job& job) { return Finish(static_cast<SegmentJob&>(job)); });
}

ArchiveWriter::~ArchiveWriter() = default;

bool ArchiveWriter::Fail(std::string& error, const char* why) {
  if (error.empty()) error = why;
  return false;
}

bool ArchiveWriter::FailBeforeQueueing(const std::string& label, const std::string& why, std::string& error) {
  // The entries before it are written first; one of them failing is the
  // failure to report.
  jobs_->FinishAll();
  if (!unreported_) FailEntry(label, why);
  return Report(error);
}

bool ArchiveWriter::FailEntry(const std::string& label, const std::string& why) {
  failedLabel_ = label;
  failure_ = why;
  unreported_ = true;
  return false;
}

bool ArchiveWriter::Report(std::string& error) {
  if (error.empty()) error = failure_;
  unreported_ = false;
  return false;
}

bool ArchiveWriter::AddDirectory(EntryHeader header, std::string& error, const std::string& label) {
  auto job = std::make_unique<SegmentJob>(nullptr, tuning_, parallel_);
  job->directory = std::move(header);
  job->label = label;
  ++queued_;
  return jobs_->Submit(std::move(job)) || Report(error);
}

bool ArchiveWriter::AddFile(InputStream& input, EntryHeader header, std::string& error, const std::string& label,
                            std::uint64_t order) {
  return AddFile(std::shared_ptr<InputStream>(&input, [](InputStream*) {}), std::move(header), error, label, order);
}

bool ArchiveWriter::AddFile(std::shared_ptr<InputStream> input, EntryHeader header, std::string& error,
                            const std::string& label, std::uint64_t order) {
  if (header.originalSize > kMaxEntrySize) {
    return Skip(label, kTooLarge, order) || FailBeforeQueueing(label, kTooLarge, error);
  }
  header.isDirectory = false;
  header.method = kMethodLh5;
  header.packedSize = 0;
  auto file = std::make_shared<FileState>();
  const auto provisional = BuildLevel2Header(header);
  if (!provisional) return FailBeforeQueueing(label, "path too long for an entry header", error);
  file->provisional = *provisional;
  file->header = std::move(header);
  file->label = label;
  file->order = order;
  file->entry = queued_++;
  file->input = std::move(input);
  const std::uint64_t expected = file->header.originalSize;
  if (expected < kSegmentSize) return AddSmallFile(std::move(file), error);

  std::uint64_t readPos = 0;
  std::vector<std::uint8_t> window;  // the last 8 KiB before the next segment
  for (;;) {
    // A file no larger than expected is read in one go (with one byte more
    // to see its end), without a segment's worth of memory.
    const std::size_t want = static_cast<std::size_t>(
        readPos <= expected ? std::min<std::uint64_t>(kSegmentSize, expected - readPos + 1) : kSegmentSize);
    auto job = std::make_unique<SegmentJob>(file, tuning_, parallel_);
    job->input.reserve(window.size() + want);
    job->input.assign(window.begin(), window.end());
    job->dictionary = window.size();
    job->input.resize(window.size() + want);
    std::size_t filled = 0;
    while (filled < want) {
      std::size_t got = 0;
      if (!file->input->Read(job->input.data() + job->dictionary + filled, want - filled, got)) {
        file->done = true;
        file->cancelled = true;
        const std::string why = file->input->Error();
        if (Skip(label, why, order)) return true;
        jobs_->FinishAll();
        if (!unreported_) inputError_ = why;
        return FailBeforeQueueing(label, kReadFailed, error);
      }
      if (got == 0) break;
      filled += got;
    }
    job->input.resize(job->dictionary + filled);
    readPos += filled;
    if (readPos > kMaxEntrySize) {
      file->done = true;
      file->cancelled = true;
      return Skip(label, kTooLarge, order) || FailBeforeQueueing(label, kTooLarge, error);
    }
    file->crc.Update(job->input.data() + job->dictionary, filled);
    job->first = readPos == filled;
    job->last = filled < want;
    const std::size_t keep = std::min<std::size_t>(lh5::kDictionarySize, job->input.size());
    window.assign(job->input.end() - static_cast<std::ptrdiff_t>(keep), job->input.end());
    const bool last = job->last;
    if (!jobs_->Submit(std::move(job))) return Report(error);
    if (last || file->done) return true;
  }
}

bool ArchiveWriter::AddSmallFile(std::shared_ptr<FileState> file, std::string& error) {
  auto job = std::make_unique<SegmentJob>(std::move(file), tuning_, parallel_);
  job->readsInput = job->first = job->last = true;
  // One byte more than expected, to see the end.
  job->input.resize(static_cast<std::size_t>(job->file()->header.originalSize) + 1);
  return jobs_->Submit(std::move(job)) || Report(error);
}

bool ArchiveWriter::Finish(SegmentJob& job) {
  FileState* file = job.file();
  if (file == nullptr) return WriteDirectory(job);
  if (file->done) return true;
  if (job.readFailed) {
    file->done = true;
    if (Skip(file->label, job.readError, file->order)) return true;
    inputError_ = job.readError;
    return FailEntry(file->label, kReadFailed);
  }
  if (job.failed()) {
    file->done = true;
    file->cancelled = true;
    return FailEntry(file->label, "compression failed: " + job.FailureText());
  }
  if (job.readsInput) return FinishSmallFile(*file, job);
  if (job.first) {
    file->dataStart = committed_ + file->provisional.size();
    if (!out_.Seek(committed_) || !out_.Write(file->provisional.data(), file->provisional.size())) {
      file->done = true;
      file->cancelled = true;
      return FailEntry(file->label, kWriteFailed);
    }
  }
  return AppendSegment(*file, job);
}

bool ArchiveWriter::FinishSmallFile(FileState& file, SegmentJob& job) {
  file.dataStart = committed_ + file.provisional.size();
  if (job.grown) {
    // Read again here, from its start, and stored.
    if (!out_.Seek(committed_) || !out_.Write(file.provisional.data(), file.provisional.size())) {
      file.done = true;
      return FailEntry(file.label, kWriteFailed);
    }
    return Store(file);
  }
  // The whole entry is known: its final header and data go out in one
  // write, the bytes the header rewrite of a larger file ends with.
  file.done = true;
  file.crc.Update(job.input.data(), job.size());
  std::vector<std::uint8_t> coded;
  if (job.size() > 0) {
    BitJoiner joiner;
    joiner.Append(job.output.data(), job.bits, coded);
    joiner.Finish(coded);
  }
  const bool packs = job.size() > 0 && coded.size() < job.size();
  EntryHeader& header = file.header;
  if (!packs) header.method = kMethodStored;
  header.packedSize = packs ? coded.size() : job.size();
  header.originalSize = job.size();
  header.fileCrc = file.crc.Value();
  const auto final = BuildLevel2Header(header);
  if (!final || final->size() != file.provisional.size()) return FailEntry(file.label, "entry header changed size");
  std::vector<std::uint8_t> entry = *final;
  const std::uint8_t* data = packs ? coded.data() : job.input.data();
  entry.insert(entry.end(), data, data + header.packedSize);
  if (!out_.Seek(committed_) || !out_.Write(entry.data(), entry.size())) return FailEntry(file.label, kWriteFailed);
  committed_ += entry.size();
  ++entries_;
  return true;
}

bool ArchiveWriter::WriteDirectory(SegmentJob& job) {
  EntryHeader& header = job.directory;
  header.method = kMethodDirectory;
  header.isDirectory = true;
  header.packedSize = header.originalSize = 0;
  header.fileCrc = 0;
  const auto bytes = BuildLevel2Header(header);
  if (!bytes) return FailEntry(job.label, "path too long for an entry header");
  if (!out_.Seek(committed_) || !out_.Write(bytes->data(), bytes->size())) return FailEntry(job.label, kWriteFailed);
  committed_ += bytes->size();
  ++entries_;
  return true;
}

bool ArchiveWriter::AppendSegment(FileState& file, SegmentJob& job) {
  std::vector<std::uint8_t> bytes;
  file.joiner.Append(job.output.data(), job.bits, bytes);
  if (job.last) file.joiner.Finish(bytes);
  file.in += job.size();
  if (!bytes.empty()) {
    if (!out_.Seek(file.dataStart + file.written) || !out_.Write(bytes.data(), bytes.size())) {
      file.done = true;
      file.cancelled = true;
      return FailEntry(file.label, kWriteFailed);
    }
    file.written += bytes.size();
  }
  const std::uint64_t packed = file.joiner.Bytes();
  const std::uint64_t expected = file.header.originalSize;
  if (!job.last) {
    if (packed >= expected || (file.in >= kGiveUpAfter && packed >= file.in)) return Store(file);
    return true;
  }
  if (packed >= file.in) return Store(file);
  file.header.packedSize = packed;
  file.header.originalSize = file.in;
  file.header.fileCrc = file.crc.Value();
  return Complete(file);
}

bool ArchiveWriter::Store(FileState& file) {
  file.done = true;
  file.cancelled = true;
  EntryHeader& header = file.header;
  header.method = kMethodStored;
  if (!file.input->Rewind()) {
    if (Skip(file.label, file.input->Error(), file.order)) return true;
    inputError_ = file.input->Error();
    return FailEntry(file.label, kReadFailed);
  }
  if (!out_.Seek(file.dataStart)) return FailEntry(file.label, kWriteFailed);
  Crc16 crc;
  std::vector<std::uint8_t> chunk(kChunk);
  std::uint64_t total = 0;
  for (;;) {
    std::size_t got = 0;
    if (!file.input->Read(chunk.data(), chunk.size(), got)) {
      if (Skip(file.label, file.input->Error(), file.order)) return true;
      inputError_ = file.input->Error();
      return FailEntry(file.label, kReadFailed);
    }
    if (got == 0) break;
    total += got;
    if (total > kMaxEntrySize) return Skip(file.label, kTooLarge, file.order) || FailEntry(file.label, kTooLarge);
    crc.Update(chunk.data(), got);
    if (!out_.Write(chunk.data(), got)) return FailEntry(file.label, kWriteFailed);
  }
  header.packedSize = header.originalSize = total;
  header.fileCrc = crc.Value();
  return Complete(file);
}

bool ArchiveWriter::Complete(FileState& file) {
  file.done = true;
  const auto final = BuildLevel2Header(file.header);
  if (!final || final->size() != file.provisional.size()) return FailEntry(file.label, "entry header changed size");
  if (!out_.Seek(committed_) || !out_.Write(final->data(), final->size())) return FailEntry(file.label, kWriteFailed);
  committed_ = file.dataStart + file.header.packedSize;
  file.input.reset();
  ++entries_;
  return true;
}

bool ArchiveWriter::Skip(const std::string& label, const std::string& why, std::uint64_t order) {
  // What was written of the entry lies past committed_: the next entry or
  // the end mark goes over it.
  if (!skipped_) return false;
  skipped_(label, why, order);
  return true;
}

bool ArchiveWriter::Flush(std::string& error) {
  const bool ok = jobs_->FinishAll();
  if (unreported_) return Report(error);
  return ok;
}

bool ArchiveWriter::Close(std::string& error) {
  jobs_->FinishAll();
  const bool unreported = unreported_;
  if (unreported) Report(error);
  const std::uint8_t end = 0;
  if (!out_.Seek(committed_) || !out_.Write(&end, 1) || !out_.Truncate())
    return Fail(error, "cannot finish the archive");
  return !unreported;
}

}  // namespace zelk::lzh
