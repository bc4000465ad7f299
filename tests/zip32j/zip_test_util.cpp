#include "zip_test_util.h"

#include <zlib.h>

#include <cstring>
#include <stdexcept>

#include "zip32j/format/zip_records.h"

namespace zelk::zip::testing {

std::vector<std::uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

std::string Inflate(const std::uint8_t* data, std::size_t size) {
  z_stream z{};
  if (inflateInit2(&z, -MAX_WBITS) != Z_OK) throw std::runtime_error("inflateInit2");
  std::string out;
  z.next_in = const_cast<Bytef*>(data);
  z.avail_in = static_cast<uInt>(size);
  char buf[65536];
  int rc = Z_OK;
  while (rc == Z_OK) {
    z.next_out = reinterpret_cast<Bytef*>(buf);
    z.avail_out = sizeof buf;
    rc = inflate(&z, Z_NO_FLUSH);
    out.append(buf, sizeof buf - z.avail_out);
  }
  inflateEnd(&z);
  if (rc != Z_STREAM_END) throw std::runtime_error("inflate failed");
  return out;
}

std::uint32_t Crc(const std::string& s) {
  return static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(s.data()), static_cast<uInt>(s.size())));
}

EntryInfo Info(const std::string& name, std::uint64_t expectedSize) {
  EntryInfo info;
  info.name = name;
  info.dosTime = PackDosDateTime(2003, 7, 15, 14, 5, 9);
  info.hasUnixTime = true;
  info.unixTime = 1058277909;
  info.externalAttributes = name.back() == '/' ? 0x10 : 0x20;
  info.expectedSize = expectedSize;
  return info;
}

std::map<std::uint16_t, std::vector<std::uint8_t>> ExtraFields(const std::uint8_t* p, std::size_t n) {
  std::map<std::uint16_t, std::vector<std::uint8_t>> fields;
  std::size_t pos = 0;
  while (pos + 4 <= n) {
    const std::uint16_t id = Get16(p + pos);
    const std::uint16_t len = Get16(p + pos + 2);
    if (pos + 4 + len > n) throw std::runtime_error("extra field overruns");
    fields[id] = std::vector<std::uint8_t>(p + pos + 4, p + pos + 4 + len);
    pos += 4 + len;
  }
  return fields;
}

std::map<std::uint16_t, std::vector<std::uint8_t>> CentralExtra(const CentralEntry& entry) {
  const std::uint8_t* r = entry.record.data();
  return ExtraFields(r + kCentralHeaderSize + Get16(r + 28), Get16(r + 30));
}

LocalEntry ReadLocal(const std::vector<std::uint8_t>& archive, const CentralEntry& entry) {
  const std::size_t at = static_cast<std::size_t>(entry.localHeaderOffset);
  if (at + kLocalHeaderSize > archive.size()) throw std::runtime_error("local header outside");
  const std::uint8_t* h = archive.data() + at;
  if (Get32(h) != kLocalHeaderSignature) throw std::runtime_error("bad local signature");
  LocalEntry e;
  e.method = Get16(h + 8);
  e.crc = Get32(h + 14);
  e.compressedSize = Get32(h + 18);
  e.uncompressedSize = Get32(h + 22);
  const std::uint16_t nameLen = Get16(h + 26);
  const std::uint16_t extraLen = Get16(h + 28);
  e.name.assign(reinterpret_cast<const char*>(h + kLocalHeaderSize), nameLen);
  e.extra = ExtraFields(h + kLocalHeaderSize + nameLen, extraLen);
  const std::size_t data = at + kLocalHeaderSize + nameLen + extraLen;
  if (data + entry.compressedSize > archive.size()) throw std::runtime_error("data outside");
  const std::uint8_t* d = archive.data() + data;
  const std::size_t n = static_cast<std::size_t>(entry.compressedSize);
  e.contents = entry.method == kMethodDeflated ? Inflate(d, n) : std::string(reinterpret_cast<const char*>(d), n);
  return e;
}

std::vector<std::uint8_t> MakeArchive(const std::vector<std::pair<std::string, std::string>>& files) {
  archivers::MemoryFile out;
  ZipWriter writer(out, CentralDirectory{});
  for (const auto& [name, contents] : files) {
    if (name.back() == '/') {
      if (!writer.AddFolder(Info(name))) throw std::runtime_error(writer.error());
    } else {
      archivers::MemoryFile source(Bytes(contents));
      if (!writer.AddFile(Info(name, contents.size()), source)) throw std::runtime_error(writer.error());
    }
  }
  if (!writer.Finish()) throw std::runtime_error(writer.error());
  return out.bytes();
}

bool HighOffsetFile::ReadAt(std::uint64_t offset, void* data, std::size_t n, std::size_t* got) {
  std::uint64_t size = 0;
  Size(&size);
  *got = 0;
  auto* out = static_cast<std::uint8_t*>(data);
  while (*got < n && offset + *got < size) {
    const std::uint64_t at = offset + *got;
    if (at < base_) {
      out[(*got)++] = 0;
    } else {
      std::size_t part = 0;
      if (!mem_.ReadAt(at - base_, out + *got, n - *got, &part)) return false;
      *got += part;
      break;
    }
  }
  return true;
}

bool HighOffsetFile::WriteAt(std::uint64_t offset, const void* data, std::size_t n) {
  if (offset < base_) return false;
  return mem_.WriteAt(offset - base_, data, n);
}

bool HighOffsetFile::Size(std::uint64_t* size) {
  *size = base_ + mem_.bytes().size();
  return true;
}

bool HighOffsetFile::Truncate(std::uint64_t size) {
  if (size < base_) return false;
  return mem_.Truncate(size - base_);
}

}  // namespace zelk::zip::testing
