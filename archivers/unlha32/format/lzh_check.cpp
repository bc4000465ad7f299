#include "format/lzh_check.h"

#include <algorithm>

#include "format/crc16.h"
#include "format/entry_header.h"
#include "format/lh5_decoder.h"

namespace zelk::lzh {
namespace {

constexpr std::size_t kPiece = 1 << 16;

// The CRC-16 of stored data, read in pieces; empty error when it matches.
std::string CheckStored(ByteSource& source, const ArchiveEntryInfo& entry) {
  if (entry.packedSize != entry.originalSize) return "stored size differs from the original size";
  std::vector<std::uint8_t> piece(static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, entry.packedSize)));
  Crc16 crc;
  for (std::uint64_t done = 0; done < entry.packedSize;) {
    const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(piece.size(), entry.packedSize - done));
    if (!source.ReadAt(entry.dataOffset + done, piece.data(), take)) return "read error";
    crc.Update(piece.data(), take);
    done += take;
  }
  return crc.Value() == entry.fileCrc ? "" : "CRC mismatch";
}

std::string CheckDecoded(ByteSource& source, const ArchiveEntryInfo& entry, int dictionaryBits) {
  Crc16 crc;
  const Lh5Decoded decoded =
      DecodeLh(source, {entry.dataOffset, entry.packedSize, entry.originalSize, dictionaryBits},
               [&crc](const std::uint8_t* data, std::size_t size) {
                 crc.Update(data, size);
                 return true;
               });
  if (!decoded.error.empty()) return decoded.error;
  return crc.Value() == entry.fileCrc ? "" : "CRC mismatch";
}

std::string CheckData(ByteSource& source, const ArchiveEntryInfo& entry) {
  if (entry.method == kMethodDirectory) return entry.originalSize == 0 ? "" : "folder entry with data";
  if (entry.method == kMethodStored) return CheckStored(source, entry);
  if (const int bits = DictionaryBits(entry.method); bits != 0) return CheckDecoded(source, entry, bits);
  return "unsupported method " + entry.method;
}

}  // namespace

ArchiveCheck CheckLzhArchive(ByteSource& source) {
  ArchiveCheck check;
  const ArchiveScan scan = ScanArchive(source);
  if (!scan.valid) {
    check.error = scan.error;
    return check;
  }
  for (const ArchiveEntryInfo& entry : scan.entries) {
    const bool utf8 = !entry.unicodePath.empty();
    check.entries.push_back({utf8 ? entry.unicodePath : entry.path, utf8, entry.method == kMethodDirectory});
  }
  for (std::size_t i = 0; i < scan.entries.size(); ++i) {
    std::string error = CheckData(source, scan.entries[i]);
    if (!error.empty()) {
      check.failedEntry = i;
      check.error = std::move(error);
      return check;
    }
  }
  check.whole = true;
  return check;
}

}  // namespace zelk::lzh
