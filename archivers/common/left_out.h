// What one archiver call left out of the archive and why: sources that could
// not be read, folders that could not be listed, files the format cannot
// hold. The call's report of them is the text of zelk_extensions.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace zelk::archivers {

class LeftOutList {
 public:
  // path as the caller named it (no "\\?\" prefix, ANSI); the reason is
  // kept on one line, without a closing full stop. Entries are listed by
  // order (the place in the walk where the source was met), those of equal
  // order as added, so the list is the same whichever thread met a failure
  // first.
  void Add(std::string path, std::string reason,
           std::uint64_t order = std::numeric_limits<std::uint64_t>::max());
  bool empty() const { return entries_.empty(); }
  std::size_t size() const { return entries_.size(); }

  // "Left out: <N>\r\n" and one "<path>\t<reason>\r\n" line per entry, as
  // many whole lines as room bytes hold. Empty when not even the header fits.
  std::string Report(std::size_t room) const;

 private:
  struct Entry {
    std::string path;
    std::string reason;
    std::uint64_t order;
  };
  std::vector<Entry> entries_;
};

}  // namespace zelk::archivers
