// One archive entry's header as this library writes it: level 2, with the
// header CRC, the file and directory names, MS-DOS attributes and Windows
// timestamps in extended headers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelk::lzh {

inline constexpr std::string_view kMethodStored = "-lh0-";
inline constexpr std::string_view kMethodLh5 = "-lh5-";
inline constexpr std::string_view kMethodDirectory = "-lhd-";

// Extended header types.
inline constexpr std::uint8_t kExtCommon = 0x00;
inline constexpr std::uint8_t kExtFileName = 0x01;
inline constexpr std::uint8_t kExtDirectory = 0x02;
inline constexpr std::uint8_t kExtDosAttributes = 0x40;
inline constexpr std::uint8_t kExtWindowsTimes = 0x41;
// The name and the directory in UTF-16LE, for names the ANSI code page
// cannot hold; directory components are separated (and ended) by '\'.
inline constexpr std::uint8_t kExtUnicodeFileName = 0x44;
inline constexpr std::uint8_t kExtUnicodeDirectory = 0x45;
inline constexpr std::uint8_t kDirectorySeparator = 0xFF;

// Level-2 size fields are 32 bits wide.
inline constexpr std::uint64_t kMaxEntrySize = 0xFFFFFFFFu;

struct EntryHeader {
  std::string method{kMethodStored};  // five characters "-xxx-"
  std::uint64_t packedSize = 0;
  std::uint64_t originalSize = 0;
  std::uint32_t unixTime = 0;  // modification time, seconds since 1970 UTC
  std::uint16_t fileCrc = 0;
  char osId = 'W';
  // Path inside the archive in the ANSI code page, components separated by
  // '\' (or '/'). A directory entry names the directory itself.
  std::string path;
  // The exact path in UTF-16, '\' between components, when path is only a
  // stand-in for it; empty otherwise. Written to the Unicode name headers.
  std::u16string unicodePath{};
  bool isDirectory = false;
  std::uint16_t dosAttributes = 0x20;
  // FILETIME values (100 ns since 1601); written when hasWindowsTimes.
  bool hasWindowsTimes = false;
  std::uint64_t creationTime = 0;
  std::uint64_t modificationTime = 0;
  std::uint64_t accessTime = 0;
};

// The header bytes, or nothing when the entry cannot be described: sizes
// above kMaxEntrySize, a header longer than 65535 bytes, a bad method.
// The header's length does not depend on sizes, CRC or times, so an entry
// can be written with a provisional header and rewritten in place.
std::optional<std::vector<std::uint8_t>> BuildLevel2Header(const EntryHeader& entry);

// Splits an archive path into its directory part (with '\' separators, no
// trailing one) and its last component. Double-byte aware.
void SplitArchivePath(std::string_view path, std::string& directory, std::string& name);

// UTF-16 <-> UTF-8 for the Unicode name headers. Unpaired surrogates
// become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);

}  // namespace zelk::lzh
