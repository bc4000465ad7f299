// The names under which one archiver call stores its entries, shared by both
// archivers. Every entry has its exact name: the target's free variant
// ("x(2).txt" when "x.txt" is taken) followed by the real UTF-16 path below
// the target. Its ANSI form exists when the code page holds every character.
// For formats whose readers only know ANSI names, the namer also gives every
// entry an ANSI name that no other entry of the archive has, standing in '_'
// for characters the code page lacks and taking a free variant on a clash.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/name_variants.h"
#include "common/tree_walker.h"

namespace zelk::archivers {

struct EntryName {
  std::wstring exact;               // '\\' separators, no trailing one
  std::string utf8;                 // exact in UTF-8, '/' separators
  std::optional<std::string> ansi;  // exact in the ANSI code page, '\\' separators
  std::string uniqueAnsi;           // with uniqueAnsi: the entry's ANSI name in the archive
};

class EntryNamer {
 public:
  // uniqueAnsi: also hand out an ANSI name unique in the archive.
  explicit EntryNamer(bool uniqueAnsi) : uniqueAnsi_(uniqueAnsi) {}

  // An entry already in the archive: its exact name in UTF-8 and, with
  // uniqueAnsi, the ANSI name it is stored under.
  void AddExisting(std::string_view utf8, std::string_view ansi);

  // Names e. The walk of one target hands its entries in order, the target
  // first. False with *error when the name cannot be stored: it is not valid
  // UTF-16 (an unpaired surrogate).
  bool Name(const TreeEntry& e, EntryName* out, std::string* error);

  // The names of the target walked last become taken for the next target.
  void FinishTarget();

 private:
  bool uniqueAnsi_;
  NameSet exactNames_{NameEncoding::kUtf8};
  NameSet ansiNames_{NameEncoding::kAnsi};
  std::vector<std::string> pending_;  // exact names of the current target
  std::wstring topWide_;              // the current target's relative name
  std::wstring variantWide_;          // the name it is stored under
  std::unordered_map<std::wstring, std::string> folderAnsi_;  // exact folder name -> its unique ANSI name
};

}  // namespace zelk::archivers
