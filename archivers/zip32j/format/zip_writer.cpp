#include "zip32j/format/zip_writer.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <memory>
#include <new>
#include <stdexcept>
#include <utility>

#include "zip32j/format/zip_records.h"

namespace zelk::zip {

namespace {

constexpr int kDeflateLevel = 6;
constexpr std::size_t kMaxNameSize = 0x7FFF;  // leaves room for the extra fields
// Already-compressed data: when the first kProbeSize bytes of a file do not
// shrink by more than what deflate may still hold back (kProbeSlack), the
// rest is not deflated and the file is stored.
constexpr std::uint64_t kProbeSize = 2u << 20;
constexpr std::uint64_t kProbeSlack = 64u << 10;

bool IsAscii(const std::string& s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::uint32_t Crc(std::uint32_t crc, const void* data, std::size_t n) {
  const auto* p = static_cast<const Bytef*>(data);
  while (n > 0) {
    const uInt chunk = static_cast<uInt>(std::min<std::size_t>(n, 1u << 30));
    crc = static_cast<std::uint32_t>(crc32(crc, p, chunk));
    p += chunk;
    n -= chunk;
  }
  return crc;
}

// Final values of one entry, from which its records are built.
struct EntryValues {
  std::uint16_t method = kMethodStored;
  std::uint32_t crc = 0;
  std::uint64_t compressedSize = 0;
  std::uint64_t uncompressedSize = 0;
  std::uint64_t offset = 0;
  bool zip64Local = false;  // the local header carries zip64 sizes
};

// Extra fields shared by the local and central records.
void AppendCommonExtra(const EntryInfo& info, std::vector<std::uint8_t>& extra) {
  RecordBuilder b(extra);
  if (info.hasUnixTime) {
    b.U16(kExtraTimestamp).U16(5).U8(1).U32(info.unixTime);
  }
  if (!info.nameIsUtf8 && !info.utf8Name.empty() && !IsAscii(info.name)) {
    b.U16(kExtraUnicodePath)
        .U16(static_cast<std::uint16_t>(5 + info.utf8Name.size()))
        .U8(1)
        .U32(Crc(static_cast<std::uint32_t>(crc32(0, nullptr, 0)), info.name.data(), info.name.size()))
        .Bytes(info.utf8Name.data(), info.utf8Name.size());
  }
}

constexpr std::uint16_t kFlagUtf8 = 0x0800;  // general purpose bit 11

std::uint16_t GeneralFlags(const EntryInfo& info) { return info.nameIsUtf8 ? kFlagUtf8 : 0; }

std::uint16_t VersionNeeded(const EntryValues& v, bool zip64, bool folder) {
  if (zip64) return kVersionZip64;
  if (v.method == kMethodDeflated || folder) return kVersionDefault;
  return kVersionStored;
}

std::vector<std::uint8_t> LocalHeader(const EntryInfo& info, const EntryValues& v) {
  std::vector<std::uint8_t> extra;
  if (v.zip64Local) {
    RecordBuilder(extra).U16(kExtraZip64).U16(16).U64(v.uncompressedSize).U64(v.compressedSize);
  }
  AppendCommonExtra(info, extra);
  std::vector<std::uint8_t> rec;
  RecordBuilder b(rec);
  const bool folder = !info.name.empty() && info.name.back() == '/';
  b.U32(kLocalHeaderSignature)
      .U16(VersionNeeded(v, v.zip64Local, folder))
      .U16(GeneralFlags(info))
      .U16(v.method)
      .U16(info.dosTime.time)
      .U16(info.dosTime.date)
      .U32(v.crc)
      .U32(v.zip64Local ? kMax32 : static_cast<std::uint32_t>(v.compressedSize))
      .U32(v.zip64Local ? kMax32 : static_cast<std::uint32_t>(v.uncompressedSize))
      .U16(static_cast<std::uint16_t>(info.name.size()))
      .U16(static_cast<std::uint16_t>(extra.size()))
      .Bytes(info.name.data(), info.name.size())
      .Bytes(extra.data(), extra.size());
  return rec;
}

std::vector<std::uint8_t> CentralRecord(const EntryInfo& info, const EntryValues& v) {
  const bool bigUncompressed = v.uncompressedSize >= kMax32;
  const bool bigCompressed = v.compressedSize >= kMax32;
  const bool bigOffset = v.offset >= kMax32;
  const bool zip64 = bigUncompressed || bigCompressed || bigOffset || v.zip64Local;
  std::vector<std::uint8_t> extra;
  if (bigUncompressed || bigCompressed || bigOffset) {
    RecordBuilder b(extra);
    b.U16(kExtraZip64).U16(static_cast<std::uint16_t>(8 * (bigUncompressed + bigCompressed + bigOffset)));
    if (bigUncompressed) b.U64(v.uncompressedSize);
    if (bigCompressed) b.U64(v.compressedSize);
    if (bigOffset) b.U64(v.offset);
  }
  AppendCommonExtra(info, extra);
  const bool folder = !info.name.empty() && info.name.back() == '/';
  const std::uint16_t needed = VersionNeeded(v, zip64, folder);
  std::vector<std::uint8_t> rec;
  RecordBuilder b(rec);
  b.U32(kCentralHeaderSignature)
      .U16(static_cast<std::uint16_t>((kHostMsDos << 8) | std::max(needed, kVersionDefault)))
      .U16(needed)
      .U16(GeneralFlags(info))
      .U16(v.method)
      .U16(info.dosTime.time)
      .U16(info.dosTime.date)
      .U32(v.crc)
      .U32(bigCompressed ? kMax32 : static_cast<std::uint32_t>(v.compressedSize))
      .U32(bigUncompressed ? kMax32 : static_cast<std::uint32_t>(v.uncompressedSize))
      .U16(static_cast<std::uint16_t>(info.name.size()))
      .U16(static_cast<std::uint16_t>(extra.size()))
      .U16(0)   // comment
      .U16(0)   // disk
      .U16(0)   // internal attributes
      .U32(info.externalAttributes)
      .U32(bigOffset ? kMax32 : static_cast<std::uint32_t>(v.offset))
      .Bytes(info.name.data(), info.name.size())
      .Bytes(extra.data(), extra.size());
  return rec;
}

}  // namespace

namespace {

constexpr std::size_t kDictionarySize = 32u << 10;  // deflate's window

// The memory of deflate streams, kept by one thread from chunk to chunk, so
// that a stream for every small file costs no allocation. zlib sets each
// stream up as on fresh memory (it zeroes what it reads ahead of the data),
// so the output does not depend on which thread compressed what before.
class DeflateMemory : public archivers::WorkerState {
 public:
  static voidpf Alloc(voidpf opaque, uInt items, uInt size) {
    auto& self = *static_cast<DeflateMemory*>(opaque);
    const std::size_t bytes = std::size_t{items} * size;
    for (Block& b : self.blocks_) {
      if (!b.used && b.size == bytes) {
        b.used = true;
        return b.data.get();
      }
    }
    auto* data = new (std::nothrow) std::uint8_t[bytes];
    if (data == nullptr) return Z_NULL;
    self.blocks_.push_back({bytes, std::unique_ptr<std::uint8_t[]>(data), true});
    return data;
  }
  static void Free(voidpf opaque, voidpf address) {
    for (Block& b : static_cast<DeflateMemory*>(opaque)->blocks_) {
      if (b.data.get() == address) b.used = false;
    }
  }

 private:
  struct Block {
    std::size_t size;
    std::unique_ptr<std::uint8_t[]> data;
    bool used;
  };
  std::vector<Block> blocks_;
};

// The window and the hash table that deflate clears for every stream, sized
// to a whole file that is small: its matches reach back to its first byte
// as in the full window, and all its codes fit one block, but a few hundred
// bytes no longer cost a 64 KiB clear.
struct DeflateShape {
  int windowBits = MAX_WBITS;
  int memLevel = 8;
};

DeflateShape ShapeFor(std::size_t wholeFile) {
  constexpr std::size_t kLookahead = 262;  // what deflate keeps free at the window's end
  return {std::clamp(static_cast<int>(std::bit_width(wholeFile + kLookahead - 1)), 9, MAX_WBITS),
          std::clamp(static_cast<int>(std::bit_width(wholeFile + 1)) - 6, 1, 8)};
}

// One deflate stream for one chunk, in its thread's memory.
class Deflater {
 public:
  Deflater(DeflateMemory& memory, DeflateShape shape) {
    z_.zalloc = &DeflateMemory::Alloc;
    z_.zfree = &DeflateMemory::Free;
    z_.opaque = &memory;
    if (deflateInit2(&z_, kDeflateLevel, Z_DEFLATED, -shape.windowBits, shape.memLevel, Z_DEFAULT_STRATEGY) !=
        Z_OK) {
      throw std::runtime_error("cannot start deflate");
    }
  }
  ~Deflater() { deflateEnd(&z_); }
  Deflater(const Deflater&) = delete;
  Deflater& operator=(const Deflater&) = delete;

  // Deflates data after the preset dictionary; the last chunk ends the
  // stream, the others end on a byte boundary.
  void Run(const std::uint8_t* dictionary, std::size_t dictionarySize, const std::uint8_t* data, std::size_t size,
           bool last, std::vector<std::uint8_t>& out) {
    if (dictionarySize > 0 &&
        deflateSetDictionary(&z_, dictionary, static_cast<uInt>(dictionarySize)) != Z_OK) {
      throw std::runtime_error("deflate refused its dictionary");
    }
    out.resize(deflateBound(&z_, static_cast<uLong>(size)) + 16);
    z_.next_in = const_cast<Bytef*>(data);
    z_.avail_in = static_cast<uInt>(size);
    const int flush = last ? Z_FINISH : Z_SYNC_FLUSH;
    std::size_t produced = 0;
    for (;;) {
      z_.next_out = out.data() + produced;
      z_.avail_out = static_cast<uInt>(out.size() - produced);
      const int rc = deflate(&z_, flush);
      if (rc == Z_STREAM_ERROR) throw std::runtime_error("deflate failed");
      produced = out.size() - z_.avail_out;
      if (z_.avail_out > 0 && (last ? rc == Z_STREAM_END : z_.avail_in == 0)) break;
      out.resize(out.size() * 2);
    }
    out.resize(produced);
  }

 private:
  z_stream z_{};
};

}  // namespace

// What the chunks of one file share. The writer's fields are used on the
// caller's thread only; cancelled tells the pool to skip the chunks left.
struct ZipWriter::FileState {
  EntryInfo info;
  std::size_t entry = 0;
  std::shared_ptr<archivers::RandomAccessFile> source;
  std::atomic<bool> cancelled{false};
  bool done = false;  // stored or failed: chunks still queued are dropped
  bool probed = false;
  EntryValues values;
  std::vector<std::uint8_t> header;
  std::uint64_t dataStart = 0;
  std::uint64_t writePos = 0;
};

// One chunk of a file, or a folder (no file, no work).
class ZipWriter::ChunkJob : public archivers::Job {
 public:
  ChunkJob(std::shared_ptr<FileState> file, const archivers::ParallelOptions& parallel)
      : file_(std::move(file)), parallel_(parallel) {}

  void Run(std::unique_ptr<archivers::WorkerState>& state) override {
    if (!file_ || file_->cancelled) return;
    if (readsSource && !ReadWhole()) return;
    if (parallel_.beforeCompress) parallel_.beforeCompress(file_->entry);
    crc = Crc(static_cast<std::uint32_t>(crc32(0, nullptr, 0)), input.data() + dictionary, size());
    Deflater d(archivers::StateOf<DeflateMemory>(state), first && last ? ShapeFor(size()) : DeflateShape{});
    d.Run(input.data(), dictionary, input.data() + dictionary, size(), last, output);
  }
  std::size_t HeldBytes() const override { return 2 * input.capacity() + 4096; }

  FileState* file() const { return file_.get(); }
  std::size_t size() const { return input.size() - dictionary; }

  EntryInfo folder;                  // without a file: the folder entry
  // The job reads the whole file (expected smaller than input) into input,
  // then closes it. It may have failed to read (readError), or found the
  // file grown to input's size or more, which the caller's thread then
  // stores.
  bool readsSource = false;
  bool readFailed = false;
  bool grown = false;
  std::string readError;
  std::vector<std::uint8_t> input;   // the preset dictionary, then the chunk
  std::size_t dictionary = 0;
  bool first = false;
  bool last = false;
  std::uint32_t crc = 0;
  std::vector<std::uint8_t> output;

 private:
  bool ReadWhole() {
    archivers::RandomAccessFile& source = *file_->source;
    std::size_t got = 0;
    if (!source.ReadAt(0, input.data(), input.size(), &got)) {
      readFailed = true;
      readError = source.Error();
      return false;
    }
    grown = got == input.size();
    if (grown) return false;
    input.resize(got);
    file_->source.reset();  // no file stays open for the queue
    return true;
  }

  std::shared_ptr<FileState> file_;
  const archivers::ParallelOptions& parallel_;
};

ZipWriter::~ZipWriter() = default;

ZipWriter::ZipWriter(archivers::RandomAccessFile& out, CentralDirectory existing,
                     const archivers::ParallelOptions& parallel)
    : out_(out), parallel_(parallel), comment_(std::move(existing.comment)), end_(existing.startOffset) {
  records_.reserve(existing.entries.size());
  for (CentralEntry& e : existing.entries) records_.push_back(std::move(e.record));
  const int threads = std::max(parallel_.threads, 1);
  jobs_ = std::make_unique<archivers::OrderedJobs>(
      threads, 4 * static_cast<std::size_t>(threads) + 8, kMaxQueuedBytes,
      [this](archivers::Job& job) { return WriteChunk(static_cast<ChunkJob&>(job)); });
}

bool ZipWriter::Fail(const std::string& text, Failure failure) {
  error_ = text;
  failure_ = failure;
  return false;
}

bool ZipWriter::FailEntry(const EntryInfo& info, const std::string& text, Failure failure) {
  failedEntry_ = info;
  return Fail(text, failure);
}

bool ZipWriter::CheckName(const EntryInfo& info) {
  // A refused entry ends the run: the entries before it are written first.
  const bool bad = info.name.empty() || info.name.size() > kMaxNameSize || info.utf8Name.size() > kMaxNameSize;
  if (bad && !jobs_->FinishAll()) return false;
  if (info.name.empty()) return FailEntry(info, "Empty entry name.", Failure::kEntry);
  if (info.name.size() > kMaxNameSize || info.utf8Name.size() > kMaxNameSize) {
    return FailEntry(info,
                     "the name is too long for a zip entry (" +
                         std::to_string(std::max(info.name.size(), info.utf8Name.size())) + " bytes).",
                     Failure::kEntry);
  }
  return true;
}

bool ZipWriter::AddFolder(const EntryInfo& info) {
  if (!CheckName(info)) return false;
  if (info.name.back() != '/') {
    if (!jobs_->FinishAll()) return false;
    return FailEntry(info, "Folder name without a trailing '/': " + info.name, Failure::kEntry);
  }
  auto job = std::make_unique<ChunkJob>(nullptr, parallel_);
  job->folder = info;
  ++entriesQueued_;
  return jobs_->Submit(std::move(job));
}

bool ZipWriter::AddFile(const EntryInfo& info, archivers::RandomAccessFile& source) {
  return AddFile(info, std::shared_ptr<archivers::RandomAccessFile>(&source, [](archivers::RandomAccessFile*) {}));
}

bool ZipWriter::AddFile(const EntryInfo& info, std::shared_ptr<archivers::RandomAccessFile> source) {
  if (!CheckName(info)) return false;
  if (info.name.back() == '/') {
    if (!jobs_->FinishAll()) return false;
    return FailEntry(info, "File name with a trailing '/': " + info.name, Failure::kEntry);
  }
  auto file = std::make_shared<FileState>();
  file->info = info;
  file->entry = entriesQueued_++;
  file->source = std::move(source);
  if (info.expectedSize < kChunkSize) return AddSmallFile(std::move(file));
  std::uint64_t readPos = 0;
  std::vector<std::uint8_t> tail;  // the last 32 KiB before the next chunk
  for (;;) {
    // A file no larger than expected is read in one go (with one byte more
    // to see its end), without a chunk's worth of memory.
    const std::uint64_t want = readPos <= info.expectedSize
                                   ? std::min<std::uint64_t>(kChunkSize, info.expectedSize - readPos + 1)
                                   : kChunkSize;
    auto job = std::make_unique<ChunkJob>(file, parallel_);
    job->input.reserve(tail.size() + static_cast<std::size_t>(want));
    job->input.assign(tail.begin(), tail.end());
    job->dictionary = tail.size();
    job->input.resize(tail.size() + static_cast<std::size_t>(want));
    std::size_t got = 0;
    if (!file->source->ReadAt(readPos, job->input.data() + job->dictionary, static_cast<std::size_t>(want), &got)) {
      file->done = true;
      file->cancelled = true;
      const std::string why = file->source->Error();
      if (skipped_) return SourceFailed(info, why);
      // The entries before it are written first; one of them failing is
      // the failure to report.
      if (!jobs_->FinishAll()) return false;
      return SourceFailed(info, why);
    }
    job->input.resize(job->dictionary + got);
    job->first = readPos == 0;
    job->last = got < want;
    readPos += got;
    const std::size_t keep = std::min(kDictionarySize, job->input.size());
    tail.assign(job->input.end() - static_cast<std::ptrdiff_t>(keep), job->input.end());
    const bool last = job->last;
    if (!jobs_->Submit(std::move(job))) return false;
    if (last || file->done) return true;
  }
}

bool ZipWriter::AddSmallFile(std::shared_ptr<FileState> file) {
  auto job = std::make_unique<ChunkJob>(std::move(file), parallel_);
  job->readsSource = true;
  // One byte more than expected, to see the end.
  job->input.resize(static_cast<std::size_t>(job->file()->info.expectedSize) + 1);
  job->first = job->last = true;
  return jobs_->Submit(std::move(job));
}

bool ZipWriter::WriteFolder(const EntryInfo& info) {
  EntryValues v;
  v.offset = end_;
  return AppendEntry(info, LocalHeader(info, v), CentralRecord(info, v));
}

bool ZipWriter::AppendEntry(const EntryInfo& info, const std::vector<std::uint8_t>& entry,
                            std::vector<std::uint8_t> record) {
  if (!out_.WriteAt(end_, entry.data(), entry.size())) {
    return FailEntry(info, info.name + ": " + out_.Error(), Failure::kArchive);
  }
  records_.push_back(std::move(record));
  end_ += entry.size();
  if (added_) added_(info);
  return true;
}

bool ZipWriter::WriteChunk(ChunkJob& job) {
  FileState* file = job.file();
  if (file == nullptr) return WriteFolder(job.folder);
  if (file->done) return true;  // stored already; the rest of its chunks is not needed
  const EntryInfo& info = file->info;
  if (job.readFailed) {
    file->done = true;
    return SourceFailed(info, job.readError);
  }
  if (job.failed()) {
    file->done = true;
    file->cancelled = true;
    return FailEntry(info, "Compression failed: " + job.FailureText() + ".", Failure::kEntry);
  }
  if (job.readsSource && !job.grown) return FinishSmallFile(job);
  EntryValues& v = file->values;
  if (job.first) {
    v.offset = end_;
    v.method = kMethodDeflated;
    v.zip64Local = info.expectedSize >= kMax32;
    v.crc = static_cast<std::uint32_t>(crc32(0, nullptr, 0));
    file->header = LocalHeader(info, v);
    file->dataStart = end_ + file->header.size();
    file->writePos = file->dataStart;
    if (!out_.WriteAt(end_, file->header.data(), file->header.size())) {
      file->done = true;
      file->cancelled = true;
      return FailEntry(info, info.name + ": " + out_.Error(), Failure::kArchive);
    }
  }
  if (job.grown) return StoreFile(*file);
  if (!job.output.empty() && !out_.WriteAt(file->writePos, job.output.data(), job.output.size())) {
    file->done = true;
    file->cancelled = true;
    return FailEntry(info, info.name + ": " + out_.Error(), Failure::kArchive);
  }
  file->writePos += job.output.size();
  v.crc = static_cast<std::uint32_t>(crc32_combine(v.crc, job.crc, static_cast<z_off_t>(job.size())));
  v.uncompressedSize += job.size();
  v.compressedSize = file->writePos - file->dataStart;
  if (!job.last && !file->probed && v.uncompressedSize >= kProbeSize) {
    file->probed = true;
    if (v.compressedSize + kProbeSlack >= v.uncompressedSize) return StoreFile(*file);
  }
  if (!job.last) return true;
  if (v.compressedSize >= v.uncompressedSize) return StoreFile(*file);
  return Complete(*file);
}

bool ZipWriter::FinishSmallFile(ChunkJob& job) {
  // The whole entry is known: its final header and data go out in one
  // write, the bytes the header rewrite of a larger file ends with.
  FileState& file = *job.file();
  file.done = true;
  const EntryInfo& info = file.info;
  EntryValues& v = file.values;
  const bool deflated = job.output.size() < job.size();
  v.offset = end_;
  v.method = deflated ? kMethodDeflated : kMethodStored;
  v.zip64Local = info.expectedSize >= kMax32;
  v.crc = job.crc;
  v.uncompressedSize = job.size();
  v.compressedSize = deflated ? job.output.size() : job.size();
  std::vector<std::uint8_t> entry = LocalHeader(info, v);
  const std::uint8_t* data = deflated ? job.output.data() : job.input.data() + job.dictionary;
  entry.insert(entry.end(), data, data + v.compressedSize);
  return AppendEntry(info, entry, CentralRecord(info, v));
}

bool ZipWriter::StoreFile(FileState& file) {
  // Deflate did not help: copy the source again as stored. The source is
  // read again, so the stored copy gets its own CRC and size.
  file.done = true;
  file.cancelled = true;
  const EntryInfo& info = file.info;
  EntryValues& v = file.values;
  v.method = kMethodStored;
  std::vector<std::uint8_t> buffer(kStreamBufferSize);
  std::uint32_t crc = static_cast<std::uint32_t>(crc32(0, nullptr, 0));
  std::uint64_t readPos = 0;
  std::uint64_t writePos = file.dataStart;
  for (;;) {
    std::size_t got = 0;
    if (!file.source->ReadAt(readPos, buffer.data(), buffer.size(), &got)) {
      return SourceFailed(info, file.source->Error());
    }
    if (got > 0 && !out_.WriteAt(writePos, buffer.data(), got)) {
      return FailEntry(info, info.name + ": " + out_.Error(), Failure::kArchive);
    }
    crc = Crc(crc, buffer.data(), got);
    readPos += got;
    writePos += got;
    if (got < buffer.size()) break;
  }
  v.crc = crc;
  v.uncompressedSize = readPos;
  v.compressedSize = readPos;
  file.writePos = writePos;
  return Complete(file);
}

bool ZipWriter::Complete(FileState& file) {
  file.done = true;
  const EntryInfo& info = file.info;
  const EntryValues& v = file.values;
  if (!v.zip64Local && (v.uncompressedSize >= kMax32 || v.compressedSize >= kMax32)) {
    return FailEntry(info, info.name + ": the file grew past 4 GiB while it was read.", Failure::kEntry);
  }
  const std::vector<std::uint8_t> header = LocalHeader(info, v);
  if (!out_.WriteAt(v.offset, header.data(), header.size())) {
    return FailEntry(info, info.name + ": " + out_.Error(), Failure::kArchive);
  }
  records_.push_back(CentralRecord(info, v));
  end_ = file.writePos;
  file.source.reset();
  if (added_) added_(info);
  return true;
}

bool ZipWriter::SourceFailed(const EntryInfo& info, const std::string& why) {
  // What was written of the entry lies past end_: the next entry or the
  // central directory goes over it.
  if (skipped_) {
    skipped_(info, why);
    return true;
  }
  sourceError_ = why;
  return FailEntry(info, info.name + ": " + why, Failure::kSource);
}

bool ZipWriter::Flush() { return jobs_->FinishAll(); }

bool ZipWriter::Finish() {
  // Entries queued after a failure are dropped; the archive ends after the
  // last complete one.
  if (failure_ == Failure::kNone) Flush();
  const std::uint64_t cdStart = end_;
  std::vector<std::uint8_t> buffer;
  std::uint64_t pos = cdStart;
  auto flush = [&]() {
    if (buffer.empty()) return true;
    if (!out_.WriteAt(pos, buffer.data(), buffer.size())) return false;
    pos += buffer.size();
    buffer.clear();
    return true;
  };
  for (const auto& rec : records_) {
    buffer.insert(buffer.end(), rec.begin(), rec.end());
    if (buffer.size() >= kStreamBufferSize && !flush()) return Fail("Central directory: " + out_.Error(), Failure::kArchive);
  }
  if (!flush()) return Fail("Central directory: " + out_.Error(), Failure::kArchive);
  const std::uint64_t cdSize = pos - cdStart;
  const std::uint64_t count = records_.size();
  const bool zip64 = count >= kMax16 || cdSize >= kMax32 || cdStart >= kMax32;

  RecordBuilder b(buffer);
  if (zip64) {
    const std::uint64_t recordPos = pos;
    b.U32(kZip64EndSignature)
        .U64(kZip64EndSize - 12)
        .U16(static_cast<std::uint16_t>((kHostMsDos << 8) | kVersionZip64))
        .U16(kVersionZip64)
        .U32(0)
        .U32(0)
        .U64(count)
        .U64(count)
        .U64(cdSize)
        .U64(cdStart);
    b.U32(kZip64LocatorSignature).U32(0).U64(recordPos).U32(1);
  }
  const std::uint16_t count16 = count >= kMax16 ? kMax16 : static_cast<std::uint16_t>(count);
  b.U32(kEndSignature)
      .U16(0)
      .U16(0)
      .U16(count16)
      .U16(count16)
      .U32(cdSize >= kMax32 ? kMax32 : static_cast<std::uint32_t>(cdSize))
      .U32(cdStart >= kMax32 ? kMax32 : static_cast<std::uint32_t>(cdStart))
      .U16(static_cast<std::uint16_t>(comment_.size()))
      .Bytes(comment_.data(), comment_.size());
  if (!flush() || !out_.Truncate(pos)) return Fail("End of archive: " + out_.Error(), Failure::kArchive);
  return true;
}

}  // namespace zelk::zip
