#include "format/entry_header.h"

#include "format/crc16.h"
#include "text/mbcs.h"

namespace zelk::lzh {
namespace {

void PutU16(std::vector<std::uint8_t>& out, unsigned v) {
  out.push_back(static_cast<std::uint8_t>(v & 0xFFu));
  out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFFu));
}

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  PutU16(out, v & 0xFFFFu);
  PutU16(out, v >> 16);
}

void PutU64(std::vector<std::uint8_t>& out, std::uint64_t v) {
  PutU32(out, static_cast<std::uint32_t>(v));
  PutU32(out, static_cast<std::uint32_t>(v >> 32));
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Directory components each followed by 0xFF.
std::string DirectoryField(std::string_view dir) {
  std::string out;
  std::size_t i = 0;
  while (i < dir.size()) {
    const std::size_t len = text::CharLength(dir, i);
    if (len == 1 && IsSeparator(dir[i])) {
      if (!out.empty() && static_cast<std::uint8_t>(out.back()) != kDirectorySeparator)
        out.push_back(static_cast<char>(kDirectorySeparator));
    } else {
      out.append(dir.substr(i, len));
    }
    i += len;
  }
  if (!out.empty() && static_cast<std::uint8_t>(out.back()) != kDirectorySeparator)
    out.push_back(static_cast<char>(kDirectorySeparator));
  return out;
}

}  // namespace

void SplitArchivePath(std::string_view path, std::string& directory, std::string& name) {
  // Trailing separators name nothing.
  while (!path.empty() && (text::EndsWithChar(path, '\\') || text::EndsWithChar(path, '/'))) path.remove_suffix(1);
  std::size_t cut = text::FindLastChar(path, '\\');
  const std::size_t slash = text::FindLastChar(path, '/');
  if (slash != std::string_view::npos && (cut == std::string_view::npos || slash > cut)) cut = slash;
  if (cut == std::string_view::npos) {
    directory.clear();
    name.assign(path);
  } else {
    directory.assign(path.substr(0, cut));
    name.assign(path.substr(cut + 1));
  }
}

std::optional<std::vector<std::uint8_t>> BuildLevel2Header(const EntryHeader& entry) {
  if (entry.method.size() != 5 || entry.method.front() != '-' || entry.method.back() != '-') return std::nullopt;
  if (entry.packedSize > kMaxEntrySize || entry.originalSize > kMaxEntrySize) return std::nullopt;

  std::string dir;
  std::string name;
  if (entry.isDirectory) {
    dir = DirectoryField(entry.path);
  } else {
    std::string parent;
    SplitArchivePath(entry.path, parent, name);
    dir = DirectoryField(parent);
  }

  std::vector<std::uint8_t> h;
  h.reserve(64 + dir.size() + name.size());
  PutU16(h, 0);  // total size, filled in below
  h.insert(h.end(), entry.method.begin(), entry.method.end());
  PutU32(h, static_cast<std::uint32_t>(entry.packedSize));
  PutU32(h, static_cast<std::uint32_t>(entry.originalSize));
  PutU32(h, entry.unixTime);
  h.push_back(0x20);  // reserved
  h.push_back(2);     // level
  PutU16(h, entry.fileCrc);
  h.push_back(static_cast<std::uint8_t>(entry.osId));

  // Each extended header: its size (type, data and the next size field)
  // stands in the field before it.
  std::size_t crcOffset = 0;
  auto extended = [&h](std::uint8_t type, std::size_t dataSize) {
    PutU16(h, static_cast<unsigned>((1 + dataSize + 2) & 0xFFFFu));
    h.push_back(type);
  };
  extended(kExtCommon, 2);
  crcOffset = h.size();
  PutU16(h, 0);
  if (!name.empty()) {
    if (name.size() > 0xFFF0) return std::nullopt;
    extended(kExtFileName, name.size());
    h.insert(h.end(), name.begin(), name.end());
  }
  if (!dir.empty()) {
    if (dir.size() > 0xFFF0) return std::nullopt;
    extended(kExtDirectory, dir.size());
    h.insert(h.end(), dir.begin(), dir.end());
  }
  extended(kExtDosAttributes, 2);
  PutU16(h, entry.dosAttributes);
  if (entry.hasWindowsTimes) {
    extended(kExtWindowsTimes, 24);
    PutU64(h, entry.creationTime);
    PutU64(h, entry.modificationTime);
    PutU64(h, entry.accessTime);
  }
  PutU16(h, 0);  // no further extended header

  // A header length with a zero low byte would read as the end-of-archive
  // mark: one padding byte avoids it.
  if ((h.size() & 0xFFu) == 0) h.push_back(0);
  if (h.size() > 0xFFFF) return std::nullopt;
  h[0] = static_cast<std::uint8_t>(h.size() & 0xFFu);
  h[1] = static_cast<std::uint8_t>(h.size() >> 8);
  const std::uint16_t crc = ComputeCrc16(h.data(), h.size());
  h[crcOffset] = static_cast<std::uint8_t>(crc & 0xFFu);
  h[crcOffset + 1] = static_cast<std::uint8_t>(crc >> 8);
  return h;
}

}  // namespace zelk::lzh
