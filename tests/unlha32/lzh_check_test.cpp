// An archive read back whole: every entry's data checked against its CRC,
// and a damage anywhere named by the entry it lies in (or, in the headers'
// chain, by the archive itself).
#include <gtest/gtest.h>

#include <functional>

#include "format/archive_writer.h"
#include "format/lzh_check.h"
#include "memory_files.h"
#include "test_data.h"

namespace zelk::lzh::testing {
namespace {

EntryHeader Header(const std::string& path, std::size_t size) {
  EntryHeader h;
  h.path = path;
  h.originalSize = size;
  return h;
}

// A folder, a -lh5- text, a -lh0- random file, an empty file.
std::vector<std::uint8_t> Archive() {
  MemoryOutput out;
  ArchiveWriter writer(out, 0);
  std::string error;
  MemoryInput text(TextBytes(200000, 1));
  MemoryInput random(RandomBytes(70000, 2));
  MemoryInput empty({});
  EntryHeader folder = Header("Data", 0);
  folder.isDirectory = true;
  folder.unicodePath = u"Dätä";
  EXPECT_TRUE(writer.AddDirectory(folder, error)) << error;
  EXPECT_TRUE(writer.AddFile(text, Header("Data\\report.txt", 200000), error)) << error;
  EXPECT_TRUE(writer.AddFile(random, Header("Data\\photo.jpg", 70000), error)) << error;
  EXPECT_TRUE(writer.AddFile(empty, Header("Data\\empty", 0), error)) << error;
  EXPECT_TRUE(writer.Close(error)) << error;
  return out.bytes;
}

ArchiveCheck Check(std::vector<std::uint8_t> bytes) {
  MemorySource source(std::move(bytes));
  return CheckLzhArchive(source);
}

TEST(LzhCheck, AWholeArchiveListsItsEntries) {
  const ArchiveCheck check = Check(Archive());
  EXPECT_TRUE(check.whole) << check.error;
  ASSERT_EQ(check.entries.size(), 4u);
  EXPECT_EQ(check.entries[0].name, "D\xC3\xA4t\xC3\xA4");
  EXPECT_TRUE(check.entries[0].utf8);
  EXPECT_TRUE(check.entries[0].folder);
  EXPECT_EQ(check.entries[1].name, "Data\\report.txt");
  EXPECT_FALSE(check.entries[1].utf8);
  EXPECT_FALSE(check.entries[1].folder);
}

TEST(LzhCheck, ADamageIsNamedByItsEntry) {
  const std::vector<std::uint8_t> good = Archive();
  MemorySource source(good);
  const ArchiveScan scan = ScanArchive(source);
  ASSERT_EQ(scan.entries.size(), 4u);
  ASSERT_EQ(scan.entries[1].method, "-lh5-");
  ASSERT_EQ(scan.entries[2].method, "-lh0-");
  const auto at = [&](std::size_t entry, std::uint64_t past) {
    return static_cast<std::size_t>(scan.entries[entry].dataOffset + past);
  };
  struct Case {
    const char* what;
    std::function<void(std::vector<std::uint8_t>&)> damage;
    std::optional<std::size_t> failed;  // none: the archive itself
  };
  const Case cases[] = {
      {"a bit of compressed data", [&](auto& b) { b[at(1, 5000)] ^= 0x10; }, 1},
      {"the last compressed byte", [&](auto& b) { b[at(1, scan.entries[1].packedSize - 1)] ^= 0x80; }, 1},
      {"stored data", [&](auto& b) { b[at(2, 69999)] ^= 0x80; }, 2},
      {"the stored CRC", [&](auto& b) { b[static_cast<std::size_t>(scan.entries[2].headerOffset) + 21] ^= 1; },
       std::nullopt},
      {"the archive cut short", [&](auto& b) { b.resize(at(2, 100)); }, std::nullopt},
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> bytes = good;
    c.damage(bytes);
    const ArchiveCheck check = Check(bytes);
    EXPECT_FALSE(check.whole) << c.what;
    EXPECT_EQ(check.failedEntry, c.failed) << c.what << ": " << check.error;
    EXPECT_FALSE(check.error.empty()) << c.what;
  }
}

}  // namespace
}  // namespace zelk::lzh::testing
