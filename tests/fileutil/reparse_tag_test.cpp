#include "fileutil/reparse_tag.h"

#include <gtest/gtest.h>

namespace zelk::fileutil {
namespace {

TEST(ReparseTag, NameSurrogatesAreLinksAndEverythingElseIsRead) {
  struct Tag {
    std::uint32_t value;
    const char* name;
    bool link;
  };
  const Tag tags[] = {
      {0xA0000003, "MOUNT_POINT (junctions, mounted volumes)", true},
      {0xA000000C, "SYMLINK", true},
      {0xA0000010, "IIS_CACHE", true},
      {0xA0000019, "GLOBAL_REPARSE", true},
      {0xA000001D, "LX_SYMLINK", true},
      {0xA0001027, "WCI_LINK_1", true},
      {0xA0000027, "WCI_LINK", true},
      {0xA0000028, "DATALESS_CIM", true},
      {0, "no tag given", true},
      {0x9000001A, "CLOUD", false},
      {0x9000101A, "CLOUD_1", false},
      {0x9000F01A, "CLOUD_F", false},
      {0x80000013, "DEDUP", false},
      {0x80000017, "WOF", false},
      {0x80000018, "WCI", false},
      {0x90001018, "WCI_1", false},
      {0x8000001B, "APPEXECLINK", false},
      {0x9000001C, "PROJFS", false},
      {0x8000001E, "STORAGE_SYNC", false},
      {0x80000021, "ONEDRIVE", false},
      {0x80000023, "AF_UNIX", false},
      {0x80000014, "NFS", false},
      {0xC0000004, "HSM", false},
      {0x80000006, "HSM2", false},
      {0x80000007, "SIS", false},
      {0x8000000A, "DFS", false},
      {0x8000000B, "FILTER_MANAGER", false},
      {0x80000012, "DFSR", false},
      {0x80000024, "LX_FIFO", false},
  };
  for (const Tag& t : tags) EXPECT_EQ(IsLinkReparseTag(t.value), t.link) << t.name;
}

}  // namespace
}  // namespace zelk::fileutil

namespace zelk::fileutil {
namespace {

TEST(ReparseTag, ADeletionEntersEveryFolderButALink) {
  constexpr std::uint32_t kFolder = 0x10;
  constexpr std::uint32_t kReparseFolder = kFolder | 0x400;
  struct Case {
    std::uint32_t attributes;
    std::uint32_t tag;
    bool link;
  };
  const Case cases[] = {
      {kReparseFolder, 0xA0000003, true},   // junction
      {kReparseFolder, 0xA000000C, true},   // symbolic link
      {kReparseFolder, 0, true},            // tag not given
      {0x400, 0xA000000C, true},            // file symbolic link
      {kReparseFolder, 0x9000001A, false},  // cloud placeholder folder
      {kReparseFolder, 0x80000013, false},  // deduplicated
      {0x400 | 0x20, 0x80000017, false},    // compressed (WOF) file
      {kFolder, 0xA000000C, false},         // a stale tag without the attribute
      {kFolder, 0, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsLinkEntry(c.attributes, c.tag), c.link) << std::hex << c.attributes << " " << c.tag;
  }
}

}  // namespace
}  // namespace zelk::fileutil
