// Digests that tell whether anything changed without reading file contents:
// of a run's plan (what it would back up: places, kinds, sizes, last-write
// times, attributes) and of a generation's tree on disk.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "checksum/sha256.h"
#include "plan/run_plan.h"

namespace zelk::plan {

// The attribute bits that count as a change.
inline constexpr std::uint32_t kComparedAttributes = 0x01 | 0x02 | 0x04 | 0x10 | 0x20 | 0x2000;
// readonly, hidden, system, directory, archive, not content indexed

// Entries fed one by one, in a fixed order.
class TreeDigest {
 public:
  void Add(std::wstring_view relative, EntryKind kind, std::uint32_t attributes, std::uint64_t size,
           std::uint64_t written);
  void AddText(std::string_view text);
  void Number(std::uint64_t value);
  std::string Hex() { return checksum::ToHex(sha_.Finish()); }

 private:
  checksum::Sha256 sha_;
};

// The plan's digest: its targets (path and place), then every entry.
std::string SourceDigest(const RunPlan& plan);

}  // namespace zelk::plan
