#include "format/archive_reader.h"

#include <cstring>

#include "format/crc16.h"
#include "format/entry_header.h"
#include "text/mbcs.h"

namespace zelk::lzh {
namespace {

unsigned U16(const std::uint8_t* p) { return p[0] | (unsigned{p[1]} << 8); }
std::uint32_t U32(const std::uint8_t* p) { return U16(p) | (std::uint32_t{U16(p + 2)} << 16); }

bool IsMethod(const std::uint8_t* p) {
  if (p[0] != '-' || p[4] != '-') return false;
  for (int i = 1; i < 4; ++i)
    if (p[i] < 0x21 || p[i] > 0x7E) return false;
  return true;
}

// Path bytes with 0xFF or '/' between components become '\'-separated,
// without a trailing separator.
std::string NormalizePath(const std::uint8_t* data, std::size_t size) {
  std::string out(reinterpret_cast<const char*>(data), size);
  for (std::size_t i = 0; i < out.size(); i += text::CharLength(out, i)) {
    const auto c = static_cast<std::uint8_t>(out[i]);
    if (c == kDirectorySeparator || c == '/') out[i] = '\\';
  }
  while (!out.empty() && text::EndsWithChar(out, '\\')) out.pop_back();
  return out;
}

std::string JoinPath(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  if (name.empty()) return dir;
  return dir + '\\' + name;
}

struct Names {
  std::string name;
  std::string dir;
  bool hasUnicode = false;
  std::u16string unicodeName;
  std::u16string unicodeDir;
};

// UTF-16LE with '\', '/' or U+FFFF between components, without a trailing
// separator.
std::u16string NormalizeUnicodePath(const std::uint8_t* data, std::size_t size) {
  std::u16string out;
  out.reserve(size / 2);
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    char16_t c = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    if (c == 0xFFFF || c == u'/') c = u'\\';
    out.push_back(c);
  }
  while (!out.empty() && out.back() == u'\\') out.pop_back();
  return out;
}

void TakeExtendedHeader(const std::uint8_t* ext, std::size_t size, Names& names) {
  // ext[0] is the type, then the data; size excludes the next-size field.
  if (size < 1) return;
  if (ext[0] == kExtFileName) names.name = NormalizePath(ext + 1, size - 1);
  if (ext[0] == kExtDirectory) names.dir = NormalizePath(ext + 1, size - 1);
  if (ext[0] == kExtUnicodeFileName) {
    names.unicodeName = NormalizeUnicodePath(ext + 1, size - 1);
    names.hasUnicode = true;
  }
  if (ext[0] == kExtUnicodeDirectory) {
    names.unicodeDir = NormalizeUnicodePath(ext + 1, size - 1);
    names.hasUnicode = true;
  }
}

std::string UnicodePathOf(const Names& names) {
  if (!names.hasUnicode) return {};
  if (names.unicodeDir.empty()) return Utf16ToUtf8(names.unicodeName);
  if (names.unicodeName.empty()) return Utf16ToUtf8(names.unicodeDir);
  return Utf16ToUtf8(names.unicodeDir + u'\\' + names.unicodeName);
}

class Scanner {
 public:
  explicit Scanner(ByteSource& source) : source_(source), size_(source.Size()) {}

  ArchiveScan Run() {
    ArchiveScan scan;
    std::uint64_t offset = 0;
    while (offset < size_) {
      std::uint8_t first = 0;
      if (!source_.ReadAt(offset, &first, 1)) return Fail(scan, "read error");
      if (first == 0) break;  // end-of-archive mark
      ArchiveEntryInfo info;
      info.headerOffset = offset;
      std::uint64_t next = 0;
      if (!ReadEntry(offset, info, next)) return Fail(scan, error_);
      scan.entries.push_back(std::move(info));
      offset = next;
    }
    scan.valid = true;
    scan.appendOffset = offset;
    return scan;
  }

 private:
  ArchiveScan Fail(ArchiveScan& scan, const std::string& why) {
    scan.valid = false;
    scan.error = why;
    scan.entries.clear();
    return scan;
  }

  bool Error(const char* why) {
    error_ = why;
    return false;
  }

  bool Read(std::uint64_t offset, std::size_t size, std::vector<std::uint8_t>& out) {
    if (offset > size_ || size > size_ - offset) return Error("truncated header");
    out.resize(size);
    return size == 0 || source_.ReadAt(offset, out.data(), size) || Error("read error");
  }

  bool ReadEntry(std::uint64_t offset, ArchiveEntryInfo& info, std::uint64_t& next) {
    std::vector<std::uint8_t> base;
    if (!Read(offset, 22, base)) return false;
    info.level = base[20];
    if (info.level == 2) return ReadLevel2(offset, info, next);
    if (info.level == 0 || info.level == 1) return ReadLevel01(offset, info, next);
    return Error("unsupported header level");
  }

  bool ReadLevel2(std::uint64_t offset, ArchiveEntryInfo& info, std::uint64_t& next) {
    std::vector<std::uint8_t> h;
    if (!Read(offset, 2, h)) return false;
    const std::size_t total = U16(h.data());
    if (total < 26) return Error("bad header size");
    if (!Read(offset, total, h)) return false;
    if (!IsMethod(h.data() + 2)) return Error("bad method");
    info.method.assign(reinterpret_cast<const char*>(h.data() + 2), 5);
    info.packedSize = U32(h.data() + 7);
    info.originalSize = U32(h.data() + 11);
    Names names;
    std::size_t pos = 26;
    std::size_t extSize = U16(h.data() + 24);
    std::size_t crcPos = 0;
    while (extSize != 0) {
      if (extSize < 3 || extSize > total - pos) return Error("bad extended header");
      if (h[pos] == kExtCommon && extSize >= 5 && crcPos == 0) crcPos = pos + 1;
      TakeExtendedHeader(h.data() + pos, extSize - 2, names);
      const std::size_t following = U16(h.data() + pos + extSize - 2);
      pos += extSize;
      extSize = following;
    }
    if (crcPos != 0) {
      const std::uint16_t stored = static_cast<std::uint16_t>(U16(h.data() + crcPos));
      h[crcPos] = 0;
      h[crcPos + 1] = 0;
      if (ComputeCrc16(h.data(), h.size()) != stored) return Error("header CRC mismatch");
    }
    info.path = JoinPath(names.dir, names.name);
    info.unicodePath = UnicodePathOf(names);
    info.fileCrc = static_cast<std::uint16_t>(U16(h.data() + 21));
    return DataEnd(offset + total, info.packedSize, info, next);
  }

  bool ReadLevel01(std::uint64_t offset, ArchiveEntryInfo& info, std::uint64_t& next) {
    std::vector<std::uint8_t> h;
    if (!Read(offset, 1, h)) return false;
    const std::size_t total = std::size_t{h[0]} + 2;
    if (total < 24) return Error("bad header size");
    if (!Read(offset, total, h)) return false;
    unsigned sum = 0;
    for (std::size_t i = 2; i < total; ++i) sum += h[i];
    if ((sum & 0xFFu) != h[1]) return Error("header checksum mismatch");
    if (!IsMethod(h.data() + 2)) return Error("bad method");
    info.method.assign(reinterpret_cast<const char*>(h.data() + 2), 5);
    info.packedSize = U32(h.data() + 7);
    info.originalSize = U32(h.data() + 11);
    const std::size_t nameLen = h[21];
    const std::size_t fixed = info.level == 0 ? 22 + nameLen + 2 : 22 + nameLen + 5;
    if (fixed > total) return Error("bad header size");
    Names names;
    names.name = NormalizePath(h.data() + 22, nameLen);
    std::uint64_t dataStart = offset + total;
    std::uint64_t dataSize = info.packedSize;
    if (info.level == 1) {
      // Extended headers follow the base header; the packed size counts them.
      std::size_t extSize = U16(h.data() + total - 2);
      std::vector<std::uint8_t> ext;
      while (extSize != 0) {
        if (extSize < 3 || extSize > dataSize) return Error("bad extended header");
        if (!Read(dataStart, extSize, ext)) return false;
        TakeExtendedHeader(ext.data(), extSize - 2, names);
        dataStart += extSize;
        dataSize -= extSize;
        extSize = U16(ext.data() + extSize - 2);
      }
    }
    info.path = JoinPath(names.dir, names.name);
    info.unicodePath = UnicodePathOf(names);
    info.fileCrc = static_cast<std::uint16_t>(U16(h.data() + 22 + nameLen));
    info.packedSize = dataSize;
    return DataEnd(dataStart, dataSize, info, next);
  }

  bool DataEnd(std::uint64_t dataStart, std::uint64_t dataSize, ArchiveEntryInfo& info, std::uint64_t& next) {
    if (dataStart > size_ || dataSize > size_ - dataStart) return Error("entry data past the end of the file");
    info.dataOffset = dataStart;
    next = dataStart + dataSize;
    return true;
  }

  ByteSource& source_;
  std::uint64_t size_;
  std::string error_;
};

}  // namespace

bool MemorySource::ReadAt(std::uint64_t offset, std::uint8_t* data, std::size_t size) {
  if (offset > bytes_.size() || size > bytes_.size() - offset) return false;
  if (size > 0) std::memcpy(data, bytes_.data() + offset, size);
  return true;
}

ArchiveScan ScanArchive(ByteSource& source) { return Scanner(source).Run(); }

}  // namespace zelk::lzh
