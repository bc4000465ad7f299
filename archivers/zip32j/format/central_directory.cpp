#include "zip32j/format/central_directory.h"

#include <algorithm>

#include <zlib.h>

#include "zip32j/format/zip_records.h"

namespace zelk::zip {

namespace {

constexpr std::size_t kReadChunk = 1 << 16;

bool Fail(std::string* error, const char* reason) {
  *error = reason;
  return false;
}

// Sequential reads of the central directory through a window buffer.
class WindowReader {
 public:
  WindowReader(archivers::RandomAccessFile& file, std::uint64_t begin, std::uint64_t end)
      : file_(file), pos_(begin), end_(end) {}

  std::uint64_t position() const { return pos_; }
  std::uint64_t remaining() const { return end_ - pos_; }

  // Reads n bytes into out; false when they would pass the end or fail.
  bool Read(std::size_t n, std::vector<std::uint8_t>& out) {
    if (n > remaining()) return false;
    const std::size_t old = out.size();
    out.resize(old + n);
    std::size_t done = 0;
    while (done < n) {
      if (bufPos_ >= buf_.size()) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kReadChunk, remaining()));
        buf_.resize(want);
        std::size_t got = 0;
        if (want == 0 || !file_.ReadAt(pos_, buf_.data(), want, &got) || got != want) return false;
        bufPos_ = 0;
      }
      const std::size_t take = std::min(n - done, buf_.size() - bufPos_);
      std::copy_n(buf_.begin() + static_cast<std::ptrdiff_t>(bufPos_), take,
                  out.begin() + static_cast<std::ptrdiff_t>(old + done));
      bufPos_ += take;
      pos_ += take;
      done += take;
    }
    return true;
  }

 private:
  archivers::RandomAccessFile& file_;
  std::uint64_t pos_;
  std::uint64_t end_;
  std::vector<std::uint8_t> buf_;
  std::size_t bufPos_ = 0;
};

// Fills the 64-bit values of a central record from its zip64 extra field,
// for each 32-bit field that holds the escape value.
bool ApplyZip64Extra(const std::uint8_t* extra, std::size_t size, bool needUncompressed,
                     bool needCompressed, bool needOffset, CentralEntry* entry) {
  std::size_t pos = 0;
  while (pos + 4 <= size) {
    const std::uint16_t id = Get16(extra + pos);
    const std::uint16_t len = Get16(extra + pos + 2);
    if (len > size - pos - 4) return false;
    if (id == kExtraZip64) {
      const std::uint8_t* p = extra + pos + 4;
      std::size_t left = len;
      auto take = [&](std::uint64_t* v) {
        if (left < 8) return false;
        *v = Get64(p);
        p += 8;
        left -= 8;
        return true;
      };
      if (needUncompressed && !take(&entry->uncompressedSize)) return false;
      if (needCompressed && !take(&entry->compressedSize)) return false;
      if (needOffset && !take(&entry->localHeaderOffset)) return false;
      return true;
    }
    pos += 4 + len;
  }
  return !needUncompressed && !needCompressed && !needOffset;
}

// The Unicode Path field (version 1, CRC-32 of the stored name, UTF-8 name),
// taken only while the stored name is the one it was written for.
std::string UnicodePathOf(const std::uint8_t* extra, std::size_t size, const std::string& name) {
  std::size_t pos = 0;
  while (pos + 4 <= size) {
    const std::uint16_t id = Get16(extra + pos);
    const std::uint16_t len = Get16(extra + pos + 2);
    if (len > size - pos - 4) break;
    const std::uint8_t* p = extra + pos + 4;
    if (id == kExtraUnicodePath && len >= 5 && p[0] == 1) {
      const auto crc = static_cast<std::uint32_t>(
          crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(name.data()), static_cast<uInt>(name.size())));
      if (Get32(p + 1) == crc) return std::string(reinterpret_cast<const char*>(p + 5), len - 5u);
    }
    pos += 4 + len;
  }
  return {};
}

struct EndValues {
  std::uint64_t entries = 0;
  std::uint64_t cdSize = 0;
  std::uint64_t cdOffset = 0;
  std::uint64_t cdEnd = 0;  // where the central directory must end
};

bool ReadZip64End(archivers::RandomAccessFile& file, std::uint64_t locatorPos, EndValues* v,
                  std::string* error) {
  std::uint8_t loc[kZip64LocatorSize];
  if (!file.ReadExactAt(locatorPos, loc, sizeof loc)) return Fail(error, "Cannot read the zip64 locator.");
  const std::uint64_t recordPos = Get64(loc + 8);
  if (Get32(loc + 4) != 0 || Get32(loc + 16) != 1) return Fail(error, "Multi-disk archives are not supported.");
  if (recordPos > locatorPos || locatorPos - recordPos < kZip64EndSize) {
    return Fail(error, "Bad zip64 end record offset.");
  }
  std::uint8_t rec[kZip64EndSize];
  if (!file.ReadExactAt(recordPos, rec, sizeof rec)) return Fail(error, "Cannot read the zip64 end record.");
  if (Get32(rec) != kZip64EndSignature) return Fail(error, "Bad zip64 end record.");
  const std::uint64_t recordSize = Get64(rec + 4);
  if (recordSize < kZip64EndSize - 12 || recordSize != locatorPos - recordPos - 12) {
    return Fail(error, "Bad zip64 end record size.");
  }
  if (Get32(rec + 16) != 0 || Get32(rec + 20) != 0 || Get64(rec + 24) != Get64(rec + 32)) {
    return Fail(error, "Multi-disk archives are not supported.");
  }
  v->entries = Get64(rec + 32);
  v->cdSize = Get64(rec + 40);
  v->cdOffset = Get64(rec + 48);
  v->cdEnd = recordPos;
  return true;
}

bool ReadEnd(archivers::RandomAccessFile& file, std::uint64_t fileSize, EndValues* v,
             std::string* comment, std::string* error) {
  if (fileSize < kEndSize) return Fail(error, "Not a zip archive (too short).");
  const std::size_t tailSize =
      static_cast<std::size_t>(std::min<std::uint64_t>(fileSize, kEndSize + kMaxCommentSize));
  std::vector<std::uint8_t> tail(tailSize);
  if (!file.ReadExactAt(fileSize - tailSize, tail.data(), tailSize)) {
    return Fail(error, "Cannot read the end of the archive.");
  }
  // The end record is the last signature whose comment reaches the end of
  // the file exactly.
  std::size_t found = tailSize;
  for (std::size_t i = tailSize - kEndSize + 1; i-- > 0;) {
    if (Get32(&tail[i]) == kEndSignature && i + kEndSize + Get16(&tail[i + 20]) == tailSize) {
      found = i;
      break;
    }
  }
  if (found == tailSize) return Fail(error, "Not a zip archive (no end record).");
  const std::uint8_t* e = &tail[found];
  const std::uint64_t endPos = fileSize - tailSize + found;
  comment->assign(reinterpret_cast<const char*>(e + kEndSize), Get16(e + 20));

  const std::uint16_t disk = Get16(e + 4);
  const std::uint16_t cdDisk = Get16(e + 6);
  const std::uint16_t onDisk = Get16(e + 8);
  const std::uint16_t total = Get16(e + 10);
  const std::uint32_t size = Get32(e + 12);
  const std::uint32_t offset = Get32(e + 16);

  std::uint8_t sig[4];
  const bool hasLocator = endPos >= kZip64LocatorSize &&
                          file.ReadExactAt(endPos - kZip64LocatorSize, sig, 4) &&
                          Get32(sig) == kZip64LocatorSignature;
  if (hasLocator) return ReadZip64End(file, endPos - kZip64LocatorSize, v, error);

  if (disk != 0 || cdDisk != 0 || onDisk != total) return Fail(error, "Multi-disk archives are not supported.");
  v->entries = total;
  v->cdSize = size;
  v->cdOffset = offset;
  v->cdEnd = endPos;
  return true;
}

bool ReadEntry(WindowReader& reader, std::uint64_t cdOffset, CentralEntry* entry, std::string* error) {
  std::vector<std::uint8_t>& rec = entry->record;
  if (!reader.Read(kCentralHeaderSize, rec)) return Fail(error, "Central directory cut short.");
  const std::uint8_t* h = rec.data();
  if (Get32(h) != kCentralHeaderSignature) return Fail(error, "Bad central directory record.");
  const std::uint16_t flags = Get16(h + 8);
  entry->utf8Name = (flags & 0x0800) != 0;
  entry->method = Get16(h + 10);
  entry->crc32 = Get32(h + 16);
  entry->compressedSize = Get32(h + 20);
  entry->uncompressedSize = Get32(h + 24);
  const std::uint16_t nameLen = Get16(h + 28);
  const std::uint16_t extraLen = Get16(h + 30);
  const std::uint16_t commentLen = Get16(h + 32);
  const std::uint16_t diskStart = Get16(h + 34);
  entry->externalAttributes = Get32(h + 38);
  entry->localHeaderOffset = Get32(h + 42);
  if (!reader.Read(static_cast<std::size_t>(nameLen) + extraLen + commentLen, rec)) {
    return Fail(error, "Central directory cut short.");
  }
  entry->name.assign(reinterpret_cast<const char*>(rec.data() + kCentralHeaderSize), nameLen);
  const bool needUncompressed = entry->uncompressedSize == kMax32;
  const bool needCompressed = entry->compressedSize == kMax32;
  const bool needOffset = entry->localHeaderOffset == kMax32;
  if (diskStart != 0 && diskStart != kMax16) return Fail(error, "Multi-disk archives are not supported.");
  if (!ApplyZip64Extra(rec.data() + kCentralHeaderSize + nameLen, extraLen, needUncompressed,
                       needCompressed, needOffset, entry)) {
    return Fail(error, "Bad extra field in the central directory.");
  }
  if (!entry->utf8Name) {
    entry->unicodePath = UnicodePathOf(rec.data() + kCentralHeaderSize + nameLen, extraLen, entry->name);
  }
  if (entry->localHeaderOffset > cdOffset || cdOffset - entry->localHeaderOffset < kLocalHeaderSize) {
    return Fail(error, "Entry offset outside the archive data.");
  }
  return true;
}

}  // namespace

bool ReadCentralDirectory(archivers::RandomAccessFile& file, CentralDirectory* out, std::string* error) {
  *out = CentralDirectory{};
  std::uint64_t fileSize = 0;
  if (!file.Size(&fileSize)) return Fail(error, "Cannot read the archive size.");
  EndValues v;
  if (!ReadEnd(file, fileSize, &v, &out->comment, error)) return false;
  if (v.cdOffset > v.cdEnd || v.cdEnd - v.cdOffset != v.cdSize) {
    return Fail(error, "Central directory position does not match the end record.");
  }
  if (v.entries > v.cdSize / kCentralHeaderSize) return Fail(error, "Entry count larger than the central directory.");
  WindowReader reader(file, v.cdOffset, v.cdEnd);
  out->entries.reserve(static_cast<std::size_t>(v.entries));
  for (std::uint64_t i = 0; i < v.entries; ++i) {
    CentralEntry entry;
    if (!ReadEntry(reader, v.cdOffset, &entry, error)) return false;
    out->entries.push_back(std::move(entry));
  }
  if (reader.remaining() != 0) return Fail(error, "Central directory size does not match its records.");
  out->startOffset = v.cdOffset;
  return true;
}

}  // namespace zelk::zip
