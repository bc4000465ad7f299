#include "zip32j/format/zip_writer.h"

#include <zlib.h>

#include <algorithm>
#include <memory>

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

struct ZipWriter::Buffers {
  z_stream z{};
  bool ready = false;
  std::unique_ptr<std::uint8_t[]> in{new std::uint8_t[kStreamBufferSize]};
  std::unique_ptr<std::uint8_t[]> packed{new std::uint8_t[kStreamBufferSize]};
  Buffers() { ready = deflateInit2(&z, kDeflateLevel, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK; }
  ~Buffers() {
    if (ready) deflateEnd(&z);
  }
  Buffers(const Buffers&) = delete;
  Buffers& operator=(const Buffers&) = delete;
};

ZipWriter::~ZipWriter() = default;

ZipWriter::ZipWriter(archivers::RandomAccessFile& out, CentralDirectory existing)
    : out_(out), comment_(std::move(existing.comment)), end_(existing.startOffset) {
  records_.reserve(existing.entries.size());
  for (CentralEntry& e : existing.entries) records_.push_back(std::move(e.record));
}

bool ZipWriter::Fail(const std::string& text, Failure failure) {
  error_ = text;
  failure_ = failure;
  return false;
}

bool ZipWriter::CheckName(const EntryInfo& info) {
  if (info.name.empty()) return Fail("Empty entry name.");
  if (info.name.size() > kMaxNameSize || info.utf8Name.size() > kMaxNameSize) {
    return Fail("the name is too long for a zip entry (" +
                std::to_string(std::max(info.name.size(), info.utf8Name.size())) + " bytes).");
  }
  return true;
}

bool ZipWriter::AddFolder(const EntryInfo& info) {
  if (!CheckName(info)) return false;
  if (info.name.back() != '/') return Fail("Folder name without a trailing '/': " + info.name);
  EntryValues v;
  v.offset = end_;
  const std::vector<std::uint8_t> header = LocalHeader(info, v);
  if (!out_.WriteAt(end_, header.data(), header.size())) return Fail(info.name + ": " + out_.Error(), Failure::kArchive);
  records_.push_back(CentralRecord(info, v));
  end_ += header.size();
  return true;
}

bool ZipWriter::AddFile(const EntryInfo& info, archivers::RandomAccessFile& source) {
  if (!CheckName(info)) return false;
  if (info.name.back() == '/') return Fail("File name with a trailing '/': " + info.name);
  EntryValues v;
  v.offset = end_;
  v.method = kMethodDeflated;
  v.zip64Local = info.expectedSize >= kMax32;
  std::vector<std::uint8_t> header = LocalHeader(info, v);
  const std::uint64_t dataStart = end_ + header.size();
  if (!out_.WriteAt(end_, header.data(), header.size())) return Fail(info.name + ": " + out_.Error(), Failure::kArchive);

  if (!buffers_) buffers_ = std::make_unique<Buffers>();
  Buffers& deflate = *buffers_;
  if (!deflate.ready || deflateReset(&deflate.z) != Z_OK) return Fail("Cannot start deflate.");
  std::uint8_t* const in = deflate.in.get();
  std::uint8_t* const packed = deflate.packed.get();
  std::uint32_t crc = static_cast<std::uint32_t>(crc32(0, nullptr, 0));
  std::uint64_t readPos = 0;
  std::uint64_t writePos = dataStart;
  bool atEnd = false;
  bool incompressible = false;
  while (!atEnd && !incompressible) {
    std::size_t got = 0;
    if (!source.ReadAt(readPos, in, kStreamBufferSize, &got)) {
      return Fail(info.name + ": " + source.Error(), Failure::kSource);
    }
    atEnd = got < kStreamBufferSize;
    crc = Crc(crc, in, got);
    readPos += got;
    deflate.z.next_in = in;
    deflate.z.avail_in = static_cast<uInt>(got);
    const int flush = atEnd ? Z_FINISH : Z_NO_FLUSH;
    int rc = Z_OK;
    do {
      deflate.z.next_out = packed;
      deflate.z.avail_out = static_cast<uInt>(kStreamBufferSize);
      rc = ::deflate(&deflate.z, flush);
      if (rc == Z_STREAM_ERROR) return Fail("Deflate failed.");
      const std::size_t produced = kStreamBufferSize - deflate.z.avail_out;
      if (produced > 0 && !out_.WriteAt(writePos, packed, produced)) {
        return Fail(info.name + ": " + out_.Error(), Failure::kArchive);
      }
      writePos += produced;
    } while (deflate.z.avail_out == 0 || (flush == Z_FINISH && rc != Z_STREAM_END));
    if (!atEnd && readPos >= kProbeSize && readPos < kProbeSize + kStreamBufferSize &&
        deflate.z.total_out + kProbeSlack >= readPos) {
      incompressible = true;
    }
  }
  v.crc = crc;
  v.uncompressedSize = readPos;
  v.compressedSize = writePos - dataStart;

  if (incompressible || v.compressedSize >= v.uncompressedSize) {
    // Deflate did not help: copy the source again as stored. The source is
    // read again, so the stored copy gets its own CRC and size.
    v.method = kMethodStored;
    crc = static_cast<std::uint32_t>(crc32(0, nullptr, 0));
    readPos = 0;
    writePos = dataStart;
    for (;;) {
      std::size_t got = 0;
      if (!source.ReadAt(readPos, in, kStreamBufferSize, &got)) {
        return Fail(info.name + ": " + source.Error(), Failure::kSource);
      }
      if (got > 0 && !out_.WriteAt(writePos, in, got)) return Fail(info.name + ": " + out_.Error(), Failure::kArchive);
      crc = Crc(crc, in, got);
      readPos += got;
      writePos += got;
      if (got < kStreamBufferSize) break;
    }
    v.crc = crc;
    v.uncompressedSize = readPos;
    v.compressedSize = readPos;
  }
  if (!v.zip64Local && (v.uncompressedSize >= kMax32 || v.compressedSize >= kMax32)) {
    return Fail(info.name + ": the file grew past 4 GiB while it was read.");
  }
  header = LocalHeader(info, v);
  if (!out_.WriteAt(end_, header.data(), header.size())) return Fail(info.name + ": " + out_.Error(), Failure::kArchive);
  records_.push_back(CentralRecord(info, v));
  end_ = writePos;
  return true;
}

bool ZipWriter::Finish() {
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
