// One file copied by the program's own loop: read from the source, written
// to a new target, its times and attributes set through the target's handle
// before it closes. Which side failed is known exactly (a source that cannot
// be read is skipped by the run; a target that cannot be written fails it),
// and the bytes read can be fed to a checksum on the way.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "checksum/sha256.h"

namespace zelk::engine {

// Times (FILETIME ticks) and attributes a copy takes over.
struct FileStamp {
  std::uint64_t created = 0;
  std::uint64_t accessed = 0;
  std::uint64_t written = 0;
  std::uint32_t attributes = 0;
};

struct CopyOutcome {
  enum class Failed { None, Source, Target };
  Failed failed = Failed::None;
  unsigned long code = 0;   // the system's error code of the failure
  std::uint64_t bytes = 0;  // bytes copied
};

// Copies source to target, which must not exist yet (extended-length
// paths). buffer is the caller's, reused between copies. A copy that fails
// part-way leaves no target behind.
CopyOutcome CopyFileData(const std::wstring& source, const std::wstring& target, const FileStamp& stamp,
                         std::vector<char>& buffer, checksum::Sha256* sha = nullptr);

// The checksum of a file as the disk holds it, read past the system's cache
// where the volume allows (unbuffered); nullopt when it cannot be read.
std::optional<checksum::Digest> ReadBackDigest(const std::wstring& path);

// Gives an existing file or folder the stamp's times and attributes. Best
// effort: a file system that keeps no such data does not fail the copy.
void ApplyStamp(const std::wstring& path, const FileStamp& stamp, bool folder);

// True for the failures of a source that may pass in a moment: another
// program holds the file with no sharing, or has a range of it locked.
bool IsPassingLock(unsigned long code);

}  // namespace zelk::engine
