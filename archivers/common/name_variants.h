// Names already present in an archive, and the free variant of a new name
// against them, so that no target is lost when two share a name:
// "x.txt" -> "x(2).txt" -> "x(3).txt", folder "Data" -> "Data(2)".
//
// Names are ANSI (Shift-JIS) or UTF-8 paths with '/' or '\\' separators, one
// encoding per set. They compare as Windows compares file names: separators
// alike and ASCII letters without case (trail bytes of double-byte
// characters are left alone).
#pragma once

#include <set>
#include <string>
#include <string_view>

namespace zelk::archivers {

enum class NameEncoding { kAnsi, kUtf8 };

class NameSet {
 public:
  explicit NameSet(NameEncoding encoding = NameEncoding::kAnsi) : encoding_(encoding) {}
  NameEncoding encoding() const { return encoding_; }
  // Adds an entry name ("Data/sub/x.txt", "Data/"); a trailing separator
  // marks a folder and is not part of the name.
  void Add(std::string_view name);
  // True when name is present itself or as a folder that holds entries:
  // "Data" is taken by "Data", "Data/" and "Data/sub/x.txt".
  bool IsTaken(std::string_view name) const;
  std::size_t size() const { return names_.size(); }

 private:
  NameEncoding encoding_;
  std::set<std::string> names_;
};

// Comparison key: '\\' -> '/', ASCII letters lower-cased, no trailing '/'.
std::string NameKey(std::string_view name, NameEncoding encoding = NameEncoding::kAnsi);

// name itself when it is free, otherwise the first free variant with "(n)",
// n = 2, 3, ..., put before the extension of a file's last component (the
// part from its last '.', unless that dot starts the component) or at the
// end of a folder's name.
std::string FreeVariantName(std::string_view name, bool isFolder, const NameSet& present);

}  // namespace zelk::archivers
