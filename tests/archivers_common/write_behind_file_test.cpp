// The archive's write-behind leaves exactly the bytes of the writes made
// directly, and a write that fails late is reported by Flush with the
// file's reason.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "common/memory_file.h"
#include "common/write_behind_file.h"

namespace zelk::archivers {
namespace {

TEST(WriteBehindFile, LeavesTheBytesOfDirectWrites) {
  // With room for 64 bytes: appends, an overwrite inside what is held, a
  // header rewritten before it, a write past the end, one larger than the
  // room, reads and a cut in between.
  struct Step {
    std::uint64_t offset;
    std::size_t size;
    char kind;  // 'w'rite, 'r'ead, 't'runcate
  };
  const std::vector<Step> steps = {{0, 30, 'w'},  {30, 20, 'w'},  {10, 5, 'w'},   {50, 14, 'w'}, {64, 10, 'w'},
                                   {5, 8, 'w'},   {80, 3, 'w'},   {0, 100, 'r'},  {83, 200, 'w'}, {283, 40, 'w'},
                                   {300, 0, 't'}, {300, 9, 'w'},  {290, 20, 'r'}, {0, 4, 'w'}};
  MemoryFile direct;
  MemoryFile underneath;
  WriteBehindFile behind(underneath, 64);
  std::uint8_t fill = 1;
  for (const Step& s : steps) {
    SCOPED_TRACE(s.offset);
    std::vector<std::uint8_t> want(s.size, s.kind == 'w' ? fill++ : 0), got(s.size);
    std::size_t wantCount = 0, gotCount = 0;
    if (s.kind == 'w') {
      ASSERT_TRUE(direct.WriteAt(s.offset, want.data(), s.size) && behind.WriteAt(s.offset, want.data(), s.size));
    } else if (s.kind == 'r') {
      ASSERT_TRUE(direct.ReadAt(s.offset, want.data(), s.size, &wantCount));
      ASSERT_TRUE(behind.ReadAt(s.offset, got.data(), s.size, &gotCount));
      EXPECT_EQ(got, want);
      EXPECT_EQ(gotCount, wantCount);
    } else {
      ASSERT_TRUE(direct.Truncate(s.offset) && behind.Truncate(s.offset));
    }
  }
  ASSERT_TRUE(behind.Flush());
  EXPECT_EQ(underneath.bytes(), direct.bytes());
}

TEST(WriteBehindFile, ReportsALateFailureOnFlush) {
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
