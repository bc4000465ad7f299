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

// The Unicode directory field: components each followed by '\'.
std::u16string UnicodeDirectoryField(std::u16string_view dir) {
  std::u16string out;
  for (char16_t c : dir) {
    if (c == u'\\' || c == u'/') {
      if (!out.empty() && out.back() != u'\\') out.push_back(u'\\');
    } else {
      out.push_back(c);
    }
  }
  if (!out.empty() && out.back() != u'\\') out.push_back(u'\\');
  return out;
}

void PutUtf16(std::vector<std::uint8_t>& out, std::u16string_view text) {
  for (char16_t c : text) PutU16(out, c);
}

}  // namespace

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::uint32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const auto b = static_cast<std::uint8_t>(text[i]);
    std::size_t len = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
    std::uint32_t c = 0xFFFD;
    if (len == 0 || i + len > text.size()) {
      len = 1;
    } else {
      c = len == 1 ? b : len == 2 ? (b & 0x1Fu) : len == 3 ? (b & 0x0Fu) : (b & 0x07u);
      for (std::size_t k = 1; k < len; ++k) {
        const auto cont = static_cast<std::uint8_t>(text[i + k]);
        if ((cont & 0xC0) != 0x80) {
          c = 0xFFFD;
          len = k;
          break;
        }
        c = (c << 6) | (cont & 0x3Fu);
      }
    }
    if (c >= 0x10000 && c <= 0x10FFFF) {
      c -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(c > 0x10FFFF ? u'\xFFFD' : static_cast<char16_t>(c));
    }
    i += len;
  }
  return out;
}

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
  if (!entry.unicodePath.empty()) {
    std::u16string_view path = entry.unicodePath;
    while (!path.empty() && (path.back() == u'\\' || path.back() == u'/')) path.remove_suffix(1);
    std::u16string_view parent;
    std::u16string_view leaf = path;
    if (!entry.isDirectory) {
      const std::size_t cut = path.find_last_of(u"\\/");
      if (cut != std::u16string_view::npos) {
        parent = path.substr(0, cut);
        leaf = path.substr(cut + 1);
      }
    } else {
      parent = path;
      leaf = {};
    }
    if (!leaf.empty()) {
      if (leaf.size() > 0x7FF0) return std::nullopt;
      extended(kExtUnicodeFileName, leaf.size() * 2);
      PutUtf16(h, leaf);
    }
    const std::u16string wideDir = UnicodeDirectoryField(parent);
    if (!wideDir.empty()) {
      if (wideDir.size() > 0x7FF0) return std::nullopt;
      extended(kExtUnicodeDirectory, wideDir.size() * 2);
      PutUtf16(h, wideDir);
    }
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
