#include "zip32j/format/zip_check.h"

#include <algorithm>

#include <zlib.h>

#include "zip32j/format/central_directory.h"
#include "zip32j/format/zip_records.h"

namespace zelk::zip {
namespace {

constexpr std::size_t kPiece = 1 << 16;

// Where the entry's data starts, after a local header that names the entry
// as its central record does; empty error when it does.
std::string DataStart(archivers::RandomAccessFile& file, const CentralEntry& entry, std::uint64_t& start) {
  std::uint8_t h[kLocalHeaderSize];
  if (!file.ReadExactAt(entry.localHeaderOffset, h, sizeof h)) return "cannot read the local header";
  if (Get32(h) != kLocalHeaderSignature) return "bad local header";
  if (Get16(h + 6) & 1) return "encrypted entry";
  if (Get16(h + 8) != entry.method) return "local header method differs";
  const std::uint16_t nameLen = Get16(h + 26);
  std::string name(nameLen, '\0');
  if (nameLen != entry.name.size() || !file.ReadExactAt(entry.localHeaderOffset + kLocalHeaderSize, name.data(), nameLen) ||
      name != entry.name) {
    return "local header name differs";
  }
  start = entry.localHeaderOffset + kLocalHeaderSize + nameLen + Get16(h + 28);
  return "";
}

// Reads size bytes at offset in pieces, handing each to take.
template <typename Take>
bool ReadPieces(archivers::RandomAccessFile& file, std::uint64_t offset, std::uint64_t size, Take take) {
  std::vector<std::uint8_t> piece(static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, size)));
  for (std::uint64_t done = 0; done < size;) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(piece.size(), size - done));
    if (!file.ReadExactAt(offset + done, piece.data(), n) || !take(piece.data(), n)) return false;
    done += n;
  }
  return true;
}

std::uint32_t Crc(std::uint32_t crc, const std::uint8_t* data, std::size_t size) {
  return static_cast<std::uint32_t>(crc32(crc, data, static_cast<uInt>(size)));
}

std::string CheckStored(archivers::RandomAccessFile& file, const CentralEntry& entry, std::uint64_t start) {
  if (entry.compressedSize != entry.uncompressedSize) return "stored size differs from the original size";
  std::uint32_t crc = Crc(0, nullptr, 0);
  if (!ReadPieces(file, start, entry.compressedSize, [&](const std::uint8_t* data, std::size_t n) {
        crc = Crc(crc, data, n);
        return true;
      })) {
    return "read error";
  }
  return crc == entry.crc32 ? "" : "CRC mismatch";
}

struct Inflater {
  z_stream z{};
  bool ready = inflateInit2(&z, -MAX_WBITS) == Z_OK;
  ~Inflater() {
    if (ready) inflateEnd(&z);
  }
};

std::string CheckDeflated(archivers::RandomAccessFile& file, const CentralEntry& entry, std::uint64_t start) {
  Inflater inflater;
  if (!inflater.ready) return "inflate cannot start";
  z_stream& z = inflater.z;
  std::vector<std::uint8_t> out(kPiece);
  std::uint32_t crc = Crc(0, nullptr, 0);
  std::uint64_t total = 0;
  int status = Z_OK;
  const bool read = ReadPieces(file, start, entry.compressedSize, [&](const std::uint8_t* data, std::size_t n) {
    z.next_in = const_cast<Bytef*>(data);
    z.avail_in = static_cast<uInt>(n);
    while (z.avail_in > 0 && status != Z_STREAM_END) {
      z.next_out = out.data();
      z.avail_out = static_cast<uInt>(out.size());
      status = inflate(&z, Z_NO_FLUSH);
      if (status != Z_OK && status != Z_STREAM_END) return false;
      const std::size_t made = out.size() - z.avail_out;
      crc = Crc(crc, out.data(), made);
      total += made;
    }
    return z.avail_in == 0;
  });
  if (!read) return status == Z_OK || status == Z_STREAM_END ? "read error or data past the stream's end" : "bad deflate data";
  if (status != Z_STREAM_END) return "deflate stream cut short";
  if (total != entry.uncompressedSize) return "size differs";
  return crc == entry.crc32 ? "" : "CRC mismatch";
}

std::string CheckEntry(archivers::RandomAccessFile& file, const CentralEntry& entry, std::uint64_t dataEnd) {
  std::uint64_t start = 0;
  if (std::string error = DataStart(file, entry, start); !error.empty()) return error;
  if (start > dataEnd || entry.compressedSize > dataEnd - start) return "entry data past the central directory";
  if (entry.method == kMethodStored) return CheckStored(file, entry, start);
  if (entry.method == kMethodDeflated) return CheckDeflated(file, entry, start);
  return "unsupported method " + std::to_string(entry.method);
}

}  // namespace

ArchiveCheck CheckZipArchive(archivers::RandomAccessFile& file) {
  ArchiveCheck check;
  CentralDirectory directory;
  if (!ReadCentralDirectory(file, &directory, &check.error)) return check;
  for (const CentralEntry& entry : directory.entries) {
    const bool unicode = !entry.utf8Name && !entry.unicodePath.empty();
    const std::string& name = unicode ? entry.unicodePath : entry.name;
    check.entries.push_back({name, entry.utf8Name || unicode, !name.empty() && name.back() == '/'});
  }
  for (std::size_t i = 0; i < directory.entries.size(); ++i) {
    std::string error = CheckEntry(file, directory.entries[i], directory.startOffset);
    if (!error.empty()) {
      check.failedEntry = i;
      check.error = std::move(error);
      return check;
    }
  }
  check.whole = true;
  return check;
}

}  // namespace zelk::zip
