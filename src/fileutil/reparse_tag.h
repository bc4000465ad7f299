// Which reparse points a walk treats as links. A link (a junction, a
// symbolic link, a mount point: any tag Windows marks as a name surrogate)
// is never entered inside a tree, which keeps loops and other drives out.
// Every other reparse point (cloud placeholders, deduplicated or compressed
// files, app links) is an ordinary file or folder and is read through.
// Portable: the copy, the archivers' tree walker and the deletions share it.
#pragma once

#include <cstdint>

namespace zelk::fileutil {

// The name-surrogate bit of a reparse tag.
inline constexpr std::uint32_t kNameSurrogateBit = 0x20000000u;

// True when an entry with the reparse-point attribute and this tag is a link.
// Tag 0 is no tag at all (the system did not say which, as Wine does): such
// an entry is taken for a link, so that a loop is never entered.
constexpr bool IsLinkReparseTag(std::uint32_t tag) { return tag == 0 || (tag & kNameSurrogateBit) != 0; }

// The reparse-point attribute (FILE_ATTRIBUTE_REPARSE_POINT).
inline constexpr std::uint32_t kReparsePointAttribute = 0x400u;

// True when an entry with these attributes and this tag (as a folder listing
// or FileAttributeTagInfo gives them) is a link: a deletion removes it as
// itself and never enters it. Without the reparse-point attribute the tag
// means nothing.
constexpr bool IsLinkEntry(std::uint32_t attributes, std::uint32_t tag) {
  return (attributes & kReparsePointAttribute) != 0 && IsLinkReparseTag(tag);
}

}  // namespace zelk::fileutil
