// Archives another LZH program wrote (jlha: level-1 headers, -lh5-, -lh6-
// and -lh7-) read back whole by CheckLzhArchive, and a damage in one entry's
// data named by that entry. Native build only; skipped where jlha is not
// installed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "format/archive_reader.h"
#include "format/lzh_check.h"
#include "test_data.h"

namespace zelk::lzh::testing {
namespace {

namespace fs = std::filesystem;
constexpr const char* kJlha = "/usr/bin/jlha";

void Write(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(JlhaCheck, EveryMethodReadsBackAndADamageIsNamed) {
  if (!fs::exists(kJlha)) GTEST_SKIP() << "jlha is not installed";
  const fs::path dir = fs::temp_directory_path() / ("zelk_jlha_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  // Text with matches at every distance up to 64 KiB.
  Write(dir / "a.txt", TextBytes(400000, 5));
  Write(dir / "b.txt", TextBytes(90000, 6));
  for (const char* method : {"5", "6", "7"}) {
    const fs::path archive = dir / (std::string("x") + method + ".lzh");
    const std::string command =
        "cd '" + dir.string() + "' && " + kJlha + " ao" + method + " '" + archive.string() + "' a.txt b.txt >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    const std::vector<std::uint8_t> bytes = ReadAll(archive);
    MemorySource source(bytes);
    const ArchiveScan scan = ScanArchive(source);
    ASSERT_EQ(scan.entries.size(), 2u) << method;
    EXPECT_EQ(scan.entries[0].method, std::string("-lh") + method + "-");

    MemorySource whole(bytes);
    const ArchiveCheck check = CheckLzhArchive(whole);
    EXPECT_TRUE(check.whole) << method << ": " << check.error;
    ASSERT_EQ(check.entries.size(), 2u);
    EXPECT_EQ(check.entries[1].name, "b.txt");

    std::vector<std::uint8_t> damaged = bytes;
    damaged[static_cast<std::size_t>(scan.entries[1].dataOffset + scan.entries[1].packedSize / 2)] ^= 0x20;
    MemorySource broken(damaged);
    EXPECT_EQ(CheckLzhArchive(broken).failedEntry, std::optional<std::size_t>(1)) << method;
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace zelk::lzh::testing
