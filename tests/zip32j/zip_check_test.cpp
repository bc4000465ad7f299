// An archive read back whole: every entry's data checked against its size
// and CRC, and a damage anywhere named by the entry it lies in (or, in the
// central directory, by the archive itself).
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <random>

#include "common/memory_file.h"
#include "zip32j/format/central_directory.h"
#include "zip32j/format/zip_check.h"
#include "zip32j/format/zip_records.h"
#include "zip_test_util.h"

namespace zelk::zip {
namespace {

std::string Noise(std::size_t n) {
  std::mt19937 rng(7);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(rng());
  return s;
}

// A folder, a deflated text, a stored random file, an empty file.
std::vector<std::uint8_t> Archive() {
  std::string text;
  for (int i = 0; i < 20000; ++i) text += "line " + std::to_string(i) + "\r\n";
  return testing::MakeArchive(
      {{"Data/", ""}, {"Data/a.txt", text}, {"Data/noise.bin", Noise(300000)}, {"Data/empty", ""}});
}

ArchiveCheck Check(std::vector<std::uint8_t> bytes) {
  archivers::MemoryFile file(std::move(bytes));
  return CheckZipArchive(file);
}

TEST(ZipCheck, AWholeArchiveListsItsEntries) {
  const ArchiveCheck check = Check(Archive());
  EXPECT_TRUE(check.whole) << check.error;
  ASSERT_EQ(check.entries.size(), 4u);
  EXPECT_EQ(check.entries[0].name, "Data/");
  EXPECT_TRUE(check.entries[0].folder);
  EXPECT_EQ(check.entries[1].name, "Data/a.txt");
  EXPECT_FALSE(check.entries[1].folder);
}

TEST(ZipCheck, ADamageIsNamedByItsEntry) {
  const std::vector<std::uint8_t> good = Archive();
  archivers::MemoryFile file(good);
  CentralDirectory dir;
  std::string error;
  ASSERT_TRUE(ReadCentralDirectory(file, &dir, &error)) << error;
  ASSERT_EQ(dir.entries[1].method, kMethodDeflated);
  ASSERT_EQ(dir.entries[2].method, kMethodStored);
  const auto header = [&](std::size_t entry) { return static_cast<std::size_t>(dir.entries[entry].localHeaderOffset); };
  const auto data = [&](std::size_t entry, std::uint64_t past) {
    const std::uint8_t* h = good.data() + header(entry);
    return header(entry) + kLocalHeaderSize + Get16(h + 26) + Get16(h + 28) + static_cast<std::size_t>(past);
  };
  struct Case {
    const char* what;
    std::function<void(std::vector<std::uint8_t>&)> damage;
    std::optional<std::size_t> failed;  // none: the archive itself
  };
  const Case cases[] = {
      {"deflated data", [&](auto& b) { b[data(1, 100)] ^= 0x10; }, 1},
      {"the end of the deflate stream", [&](auto& b) { b[data(1, dir.entries[1].compressedSize - 1)] ^= 0x01; }, 1},
      {"stored data", [&](auto& b) { b[data(2, 299999)] ^= 0x80; }, 2},
      {"a local name", [&](auto& b) { b[header(3) + kLocalHeaderSize + 5] = 'X'; }, 3},
      {"the local signature", [&](auto& b) { b[header(0)] = 0; }, 0},
      {"the end record", [&](auto& b) { b.pop_back(); }, std::nullopt},
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
}  // namespace zelk::zip
