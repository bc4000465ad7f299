#include "format/archive_writer.h"

#include <vector>

#include "format/crc16.h"

namespace zelk::lzh {
namespace {

constexpr std::size_t kChunk = 1 << 16;
// Past this much input, data that has not shrunk yet is stored as it is.
constexpr std::uint64_t kGiveUpAfter = 1 << 20;

// Collects output into large writes; remembers a failed write.
class BufferedOutput : public ByteSink {
 public:
  explicit BufferedOutput(OutputFile& out) : out_(out) { buf_.reserve(kChunk); }
  void Put(const std::uint8_t* data, std::size_t size) override {
    written_ += size;
    while (size > 0) {
      const std::size_t n = std::min(size, kChunk - buf_.size());
      buf_.insert(buf_.end(), data, data + n);
      data += n;
      size -= n;
      if (buf_.size() == kChunk) Flush();
    }
  }
  bool Flush() {
    if (!buf_.empty() && ok_) ok_ = out_.Write(buf_.data(), buf_.size());
    buf_.clear();
    return ok_;
  }
  bool ok() const { return ok_; }
  std::uint64_t written() const { return written_; }

 private:
  OutputFile& out_;
  std::vector<std::uint8_t> buf_;
  bool ok_ = true;
  std::uint64_t written_ = 0;
};

}  // namespace

ArchiveWriter::ArchiveWriter(OutputFile& out, std::uint64_t appendOffset, const Lh5Tuning& tuning)
    : out_(out), committed_(appendOffset), tuning_(tuning) {}

bool ArchiveWriter::Fail(std::string& error, const char* why) {
  if (error.empty()) error = why;
  return false;
}

bool ArchiveWriter::AddDirectory(EntryHeader header, std::string& error) {
  header.method = kMethodDirectory;
  header.isDirectory = true;
  header.packedSize = header.originalSize = 0;
  header.fileCrc = 0;
  const auto bytes = BuildLevel2Header(header);
  if (!bytes) return Fail(error, "path too long for an entry header");
  if (!out_.Seek(committed_) || !out_.Write(bytes->data(), bytes->size())) return Fail(error, kWriteFailed);
  committed_ += bytes->size();
  return true;
}

bool ArchiveWriter::AddFile(InputStream& input, EntryHeader header, std::string& error) {
  if (header.originalSize > kMaxEntrySize) return Fail(error, "file too large for an LZH entry (4 GiB or more)");
  header.isDirectory = false;
  header.method = kMethodLh5;
  header.packedSize = 0;
  const auto provisional = BuildLevel2Header(header);
  if (!provisional) return Fail(error, "path too long for an entry header");
  const std::uint64_t dataStart = committed_ + provisional->size();
  if (!out_.Seek(committed_) || !out_.Write(provisional->data(), provisional->size()))
    return Fail(error, kWriteFailed);

  bool compressed = false;
  if (header.originalSize > 0) {
    BufferedOutput sink(out_);
    Lh5Encoder encoder(sink, tuning_);
    Crc16 crc;
    std::vector<std::uint8_t> chunk(kChunk);
    bool gaveUp = false;
    while (true) {
      std::size_t got = 0;
      if (!input.Read(chunk.data(), chunk.size(), got)) return Fail(error, kReadFailed);
      if (got == 0) break;
      if (encoder.BytesIn() + got > kMaxEntrySize) return Fail(error, "file too large for an LZH entry (4 GiB or more)");
      crc.Update(chunk.data(), got);
      encoder.Write(chunk.data(), got);
      if (!sink.ok()) return Fail(error, kWriteFailed);
      const std::uint64_t in = encoder.BytesIn();
      const std::uint64_t out = encoder.BytesOut();
      if (out >= header.originalSize || (in >= kGiveUpAfter && out >= in)) {
        gaveUp = true;
        break;
      }
    }
    if (!gaveUp) {
      encoder.Finish();
      if (!sink.Flush()) return Fail(error, kWriteFailed);
      if (encoder.BytesOut() < encoder.BytesIn()) {
        compressed = true;
        header.packedSize = encoder.BytesOut();
        header.originalSize = encoder.BytesIn();
        header.fileCrc = crc.Value();
      }
    }
  }
  if (!compressed && !Store(input, dataStart, header, error)) return false;

  const auto final = BuildLevel2Header(header);
  if (!final || final->size() != provisional->size()) return Fail(error, "entry header changed size");
  if (!out_.Seek(committed_) || !out_.Write(final->data(), final->size())) return Fail(error, kWriteFailed);
  committed_ = dataStart + header.packedSize;
  return true;
}

bool ArchiveWriter::Store(InputStream& input, std::uint64_t dataStart, EntryHeader& header, std::string& error) {
  header.method = kMethodStored;
  if (!input.Rewind()) return Fail(error, kReadFailed);
  if (!out_.Seek(dataStart)) return Fail(error, kWriteFailed);
  BufferedOutput sink(out_);
  Crc16 crc;
  std::vector<std::uint8_t> chunk(kChunk);
  std::uint64_t total = 0;
  while (true) {
    std::size_t got = 0;
    if (!input.Read(chunk.data(), chunk.size(), got)) return Fail(error, kReadFailed);
    if (got == 0) break;
    total += got;
    if (total > kMaxEntrySize) return Fail(error, "file too large for an LZH entry (4 GiB or more)");
    crc.Update(chunk.data(), got);
    sink.Put(chunk.data(), got);
    if (!sink.ok()) return Fail(error, kWriteFailed);
  }
  if (!sink.Flush()) return Fail(error, kWriteFailed);
  header.packedSize = header.originalSize = total;
  header.fileCrc = crc.Value();
  return true;
}

bool ArchiveWriter::Close(std::string& error) {
  const std::uint8_t end = 0;
  if (!out_.Seek(committed_) || !out_.Write(&end, 1) || !out_.Truncate())
    return Fail(error, "cannot finish the archive");
  return true;
}

}  // namespace zelk::lzh
