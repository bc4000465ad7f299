// Archives from ArchiveWriter read back by lhasa, an independent LZH
// reader: every entry listed, its CRC tested and its bytes extracted
// unchanged. Native build only; skipped where lhasa is not installed.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include "format/archive_writer.h"
#include "memory_files.h"
#include "test_data.h"

namespace zelk::lzh::testing {
namespace {

namespace fs = std::filesystem;
constexpr const char* kLhasa = "/usr/bin/lhasa";

std::string RunCommand(const std::string& command, int& status) {
  std::string out;
  FILE* p = popen((command + " 2>&1").c_str(), "r");
  if (!p) {
    status = -1;
    return out;
  }
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  status = pclose(p);
  return out;
}

std::vector<std::uint8_t> ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class LhasaCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(kLhasa)) GTEST_SKIP() << "lhasa not installed";
    std::random_device rd;
    dir_ = fs::temp_directory_path() / ("zelk-lzh-" + std::to_string(rd()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    if (!dir_.empty()) fs::remove_all(dir_, ec);
  }
  fs::path dir_;
};

TEST_F(LhasaCheck, ListsTestsAndExtractsEveryEntry) {
  struct Item {
    std::string path;
    std::vector<std::uint8_t> data;
  };
  std::vector<Item> items = {
      {"text.txt", TextBytes(300000, 1)},
      {"random.bin", RandomBytes(100000, 2)},
      {"empty.dat", {}},
      {"one", {'x'}},
      {"run.bin", std::vector<std::uint8_t>(70000, 0)},
      {"sub\\deeper\\mixed.bin", MixedBytes((1u << 20) + 1, 3)},
      {"sub\\blocks.bin", MixedBytes(65536 * 4 + 7, 4)},
  };
  // A name whose header is exactly 256 bytes before padding.
  std::string padded = "p";
  while (BuildLevel2Header(EntryHeader{.path = padded + "n"})->size() < 256) padded += 'n';
  items.push_back({padded, TextBytes(1000, 5)});

  MemoryOutput out;
  ArchiveWriter writer(out, 0);
  std::string error;
  EntryHeader dirHeader;
  dirHeader.path = "sub";
  dirHeader.unixTime = 1057000000;
  ASSERT_TRUE(writer.AddDirectory(dirHeader, error));
  dirHeader.path = "sub\\deeper";
  ASSERT_TRUE(writer.AddDirectory(dirHeader, error));
  for (const auto& item : items) {
    EntryHeader h;
    h.path = item.path;
    h.originalSize = item.data.size();
    h.unixTime = 1057000000;  // 2003-06-30 19:06:40 UTC
    MemoryInput in(item.data);
    ASSERT_TRUE(writer.AddFile(in, h, error)) << error;
  }
  ASSERT_TRUE(writer.Close(error));
  const fs::path archive = dir_ / "test.lzh";
  std::ofstream(archive, std::ios::binary).write(reinterpret_cast<const char*>(out.bytes.data()),
                                                  static_cast<std::streamsize>(out.bytes.size()));

  int status = 0;
  const std::string list = RunCommand(std::string(kLhasa) + " v " + archive.string(), status);
  EXPECT_EQ(status, 0) << list;
  for (const auto& item : items) {
    std::string slashed = item.path;
    for (auto& c : slashed)
      if (c == '\\') c = '/';
    EXPECT_NE(list.find(slashed), std::string::npos) << slashed << "\n" << list;
  }
  EXPECT_NE(list.find("sub/deeper/"), std::string::npos) << list;
  EXPECT_NE(list.find("-lh5-"), std::string::npos) << list;
  EXPECT_NE(list.find("-lh0-"), std::string::npos) << list;
  EXPECT_NE(list.find("-lhd-"), std::string::npos) << list;
  EXPECT_NE(list.find(" 10 files"), std::string::npos) << list;

  const std::string test = RunCommand(std::string(kLhasa) + " t " + archive.string(), status);
  EXPECT_EQ(status, 0) << test;
  EXPECT_EQ(test.find("CRC error"), std::string::npos) << test;

  const fs::path dest = dir_ / "out";
  fs::create_directories(dest);
  const std::string extract = RunCommand(std::string(kLhasa) + " xfw=" + dest.string() + " " + archive.string(), status);
  EXPECT_EQ(status, 0) << extract;
  for (const auto& item : items) {
    std::string rel = item.path;
    for (auto& c : rel)
      if (c == '\\') c = '/';
    EXPECT_TRUE(ReadAll(dest / rel) == item.data) << rel;
  }
  EXPECT_EQ(fs::last_write_time(dest / "text.txt").time_since_epoch(),
            fs::last_write_time(dest / "one").time_since_epoch());
}

}  // namespace
}  // namespace zelk::lzh::testing
