// The archive's write-behind: the file underneath ends up with exactly the
// bytes of the writes made directly, in few large writes, and a write that
// fails late is reported by Flush with the file's reason.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "common/memory_file.h"
#include "common/write_behind_file.h"

namespace zelk::archivers {
namespace {

class CountingFile : public MemoryFile {
 public:
  bool WriteAt(std::uint64_t offset, const void* data, std::size_t n) override {
    ++writes;
    return MemoryFile::WriteAt(offset, data, n);
  }
  int writes = 0;
};

struct Step {
  enum Kind { kWrite, kRead, kTruncate } kind;
  std::uint64_t offset;
  std::size_t size;
};

TEST(WriteBehindFile, LeavesTheBytesOfDirectWrites) {
  // With room for 64 bytes: appends, an overwrite inside what is held, a
  // header rewritten before it, a write past the end, one larger than the
  // room, reads and a cut in between.
  const std::vector<Step> steps = {
      {Step::kWrite, 0, 30},   {Step::kWrite, 30, 20},  {Step::kWrite, 10, 5},   {Step::kWrite, 50, 14},
      {Step::kWrite, 64, 10},  {Step::kWrite, 5, 8},    {Step::kWrite, 80, 3},   {Step::kRead, 0, 100},
      {Step::kWrite, 83, 200}, {Step::kWrite, 283, 40}, {Step::kTruncate, 300, 0}, {Step::kWrite, 300, 9},
      {Step::kRead, 290, 20},  {Step::kWrite, 0, 4}};
  MemoryFile direct;
  MemoryFile underneath;
  WriteBehindFile behind(underneath, 64);
  std::uint8_t fill = 1;
  for (const Step& s : steps) {
    SCOPED_TRACE(s.offset);
    if (s.kind == Step::kWrite) {
      const std::vector<std::uint8_t> bytes(s.size, fill++);
      ASSERT_TRUE(direct.WriteAt(s.offset, bytes.data(), bytes.size()));
      ASSERT_TRUE(behind.WriteAt(s.offset, bytes.data(), bytes.size()));
    } else if (s.kind == Step::kRead) {
      std::vector<std::uint8_t> want(s.size), got(s.size);
      std::size_t wantCount = 0, gotCount = 0;
      ASSERT_TRUE(direct.ReadAt(s.offset, want.data(), s.size, &wantCount));
      ASSERT_TRUE(behind.ReadAt(s.offset, got.data(), s.size, &gotCount));
      EXPECT_EQ(got, want);
      EXPECT_EQ(gotCount, wantCount);
    } else {
      ASSERT_TRUE(direct.Truncate(s.offset));
      ASSERT_TRUE(behind.Truncate(s.offset));
    }
  }
  ASSERT_TRUE(behind.Flush());
  EXPECT_EQ(underneath.bytes(), direct.bytes());
}

TEST(WriteBehindFile, GathersSmallAppendsAndReportsALateFailureOnFlush) {
  CountingFile file;
  {
    WriteBehindFile behind(file, 256);
    const std::vector<std::uint8_t> entry(10, 0x5C);
    for (std::uint64_t at = 0; at < 1000; at += entry.size()) ASSERT_TRUE(behind.WriteAt(at, entry.data(), 10));
    ASSERT_TRUE(behind.Flush());
    EXPECT_EQ(file.bytes().size(), 1000u);
    EXPECT_LE(file.writes, 4);
  }
  MemoryFile full;
  full.FailWritesPast(100);
  WriteBehindFile behind(full, 256);
  const std::vector<std::uint8_t> entry(60, 1);
  EXPECT_TRUE(behind.WriteAt(0, entry.data(), entry.size()));
  EXPECT_TRUE(behind.WriteAt(60, entry.data(), entry.size()));  // held: the disk is not asked yet
  EXPECT_FALSE(behind.Flush());
  EXPECT_EQ(behind.Error(), "Write failed: no space left.");
  EXPECT_TRUE(full.bytes().empty());
}

}  // namespace
}  // namespace zelk::archivers
