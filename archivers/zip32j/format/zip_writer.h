// Writes zip entries to a random-access file, after the entries of an
// existing archive or into an empty file, and closes the archive with its
// central directory.
//
// File data is streamed through raw deflate (zlib, level 6) with fixed
// buffers. When deflate does not make an entry smaller, the writer seeks back
// to the entry's data, copies the source again as stored and rewrites the
// local header; no data descriptors are used. A file whose first 2 MiB do not
// shrink (photos, archives) is not deflated further but stored at once. Sizes and offsets past the
// 32-bit fields, and more than 65534 entries, get zip64 records.
//
// Failure safety: an entry only counts once it is complete. Finish() writes
// the central directory right after the last complete entry and cuts the
// file there, so calling it after a failed Add leaves a valid archive holding
// every entry completed before.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/random_access_file.h"
#include "zip32j/format/central_directory.h"
#include "zip32j/format/zip_times.h"

namespace zelk::zip {

struct EntryInfo {
  // Name with '/' separators, stored as given; a folder's name ends with '/'.
  // In the ANSI code page, or in UTF-8 when nameIsUtf8.
  std::string name;
  // The name is UTF-8: general purpose bit 11 is set (and no Unicode Path
  // field is written, the name itself being Unicode).
  bool nameIsUtf8 = false;
  // The same name in UTF-8. When name is not plain ASCII it is written to the
  // Info-ZIP Unicode Path extra field (0x7075). Empty: no such field.
  std::string utf8Name;
  DosDateTime dosTime;
  // Last write time for the extended timestamp field (0x5455), when known.
  bool hasUnixTime = false;
  std::uint32_t unixTime = 0;
  // DOS attributes in the low byte (read-only, hidden, system, folder, archive).
  std::uint32_t externalAttributes = 0;
  // The size expected before reading a file: from 4 GiB on, the local header
  // carries zip64 sizes.
  std::uint64_t expectedSize = 0;
};

class ZipWriter {
 public:
  // Starts writing at existing.startOffset, keeping existing's entries.
  ZipWriter(archivers::RandomAccessFile& out, CentralDirectory existing);
  ~ZipWriter();
  ZipWriter(const ZipWriter&) = delete;
  ZipWriter& operator=(const ZipWriter&) = delete;

  // A folder entry; info.name must end with '/'.
  bool AddFolder(const EntryInfo& info);
  // A file entry with the contents of source (read from offset 0 to its end).
  bool AddFile(const EntryInfo& info, archivers::RandomAccessFile& source);
  // Writes the central directory and end records after the last complete
  // entry and cuts the file there.
  bool Finish();

  // What the last failure was about.
  enum class Failure { kNone, kSource, kArchive, kEntry };
  Failure failure() const { return failure_; }
  const std::string& error() const { return error_; }
  std::uint64_t entryCount() const { return records_.size(); }
  // Bytes written to the output since the start (or the last complete entry).
  std::uint64_t endOffset() const { return end_; }

 private:
  bool Fail(const std::string& text, Failure failure = Failure::kEntry);
  bool CheckName(const EntryInfo& info);

  struct Buffers;  // stream buffers and the deflate state, reused by every entry

  archivers::RandomAccessFile& out_;
  std::unique_ptr<Buffers> buffers_;
  std::vector<std::vector<std::uint8_t>> records_;
  std::string comment_;
  std::uint64_t end_ = 0;
  std::string error_;
  Failure failure_ = Failure::kNone;
};

// Size limit of one write/read buffer of the streaming loop.
inline constexpr std::size_t kStreamBufferSize = 1 << 18;

}  // namespace zelk::zip
