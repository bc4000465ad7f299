// Appends entries to an LZH archive through abstract files, so that the
// whole write path (compression or storing, header rewrite, the end mark,
// cutting back after a failure) is the same natively and in the DLL.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "format/entry_header.h"
#include "format/lh5_encoder.h"

namespace zelk::lzh {

class OutputFile {
 public:
  virtual ~OutputFile() = default;
  virtual bool Write(const std::uint8_t* data, std::size_t size) = 0;
  virtual bool Seek(std::uint64_t offset) = 0;
  // Makes the current position the end of the file.
  virtual bool Truncate() = 0;
};

class InputStream {
 public:
  virtual ~InputStream() = default;
  // Reads up to size bytes; got = 0 at the end. False on a read error.
  virtual bool Read(std::uint8_t* data, std::size_t size, std::size_t& got) = 0;
  virtual bool Rewind() = 0;
};

// The failure texts of reading the input and of writing the archive, which
// callers complete with the system's reason.
inline constexpr const char* kReadFailed = "cannot read the file";
inline constexpr const char* kWriteFailed = "cannot write the archive";

class ArchiveWriter {
 public:
  // Entries go at appendOffset (an end-of-archive mark or the end of the
  // last entry of an existing archive; 0 for a new one).
  ArchiveWriter(OutputFile& out, std::uint64_t appendOffset, const Lh5Tuning& tuning = {});

  // Adds a file; header supplies path, times and attributes, and
  // originalSize as the size seen before reading (the size read counts).
  // On failure error says why and the archive keeps the entries before.
  bool AddFile(InputStream& input, EntryHeader header, std::string& error);
  bool AddDirectory(EntryHeader header, std::string& error);

  // Writes the end-of-archive mark after the last complete entry and cuts
  // the file there. Also the way back after a failed entry.
  bool Close(std::string& error);

 private:
  bool Fail(std::string& error, const char* why);
  bool Store(InputStream& input, std::uint64_t dataStart, EntryHeader& header, std::string& error);

  OutputFile& out_;
  std::uint64_t committed_;
  Lh5Tuning tuning_;
};

}  // namespace zelk::lzh
