#include <gtest/gtest.h>

#include <climits>

#include "engine/interval.h"

using zelk::engine::IntervalMillis;
using zelk::engine::kMaxIntervalMillis;

TEST(Interval, EveryValueTheOptionsDialogAllowsIsExact) {
  for (int n = 1; n <= 24; ++n) EXPECT_EQ(IntervalMillis(n, 0), n * 3600000) << n;
  for (int n = 1; n <= 59; ++n) {
    EXPECT_EQ(IntervalMillis(n, 1), n * 60000) << n;
    EXPECT_EQ(IntervalMillis(n, 2), n * 1000) << n;
  }
  EXPECT_EQ(IntervalMillis(24, 0), 86400000);
  EXPECT_EQ(IntervalMillis(59, 1), 3540000);
}

TEST(Interval, HandEditedNumbersNeverGiveZeroNegativeOrOverflow) {
  EXPECT_EQ(IntervalMillis(0, 2), 1000);
  EXPECT_EQ(IntervalMillis(-7, 1), 60000);
  EXPECT_EQ(IntervalMillis(INT_MIN, 0), 3600000);
  // Numbers beyond the dialog's ranges are taken as they stand while they fit.
  EXPECT_EQ(IntervalMillis(120, 1), 7200000);
  EXPECT_EQ(IntervalMillis(596, 0), 2145600000);
  EXPECT_EQ(IntervalMillis(597, 0), kMaxIntervalMillis);
  EXPECT_EQ(IntervalMillis(INT_MAX, 0), kMaxIntervalMillis);
  EXPECT_EQ(IntervalMillis(INT_MAX, 2), kMaxIntervalMillis);
  EXPECT_EQ(IntervalMillis(2147483, 2), 2147483000);
}

TEST(Interval, UnknownUnitsCountAsHours) {
  EXPECT_EQ(IntervalMillis(2, 3), 7200000);
  EXPECT_EQ(IntervalMillis(2, -1), 7200000);
  EXPECT_EQ(IntervalMillis(1, INT_MAX), 3600000);
  EXPECT_EQ(IntervalMillis(0, 99), 3600000);
}
