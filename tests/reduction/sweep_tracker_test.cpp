#include <gtest/gtest.h>

#include "reduction/sweep_tracker.h"

namespace quillon {
namespace {

TEST(SweepTrackerTest, ClosingEntryReportsTheSweepsBest) {
  SweepTracker sweep;
  EXPECT_FALSE(sweep.Add(1, -90));  // the file's first entry opens the first sweep
  EXPECT_FALSE(sweep.Add(2, -70));
  EXPECT_FALSE(sweep.Add(3, -80));
  EXPECT_TRUE(sweep.Add(1, -95));
  EXPECT_EQ(sweep.BestChannel, 2);
  EXPECT_EQ(sweep.BestRssi, -70);
  EXPECT_FALSE(sweep.Add(2, -99));  // reopened from (1, -95)
  EXPECT_EQ(sweep.BestChannel, 1);
  EXPECT_EQ(sweep.BestRssi, -95);
}

TEST(SweepTrackerTest, TiesGoToTheLaterChannel) {
  SweepTracker sweep;
  for (int c : {1, 4, 6, 9}) sweep.Add(c, c == 4 || c == 9 ? -60 : -80);
  EXPECT_TRUE(sweep.Add(1, -100));
  EXPECT_EQ(sweep.BestChannel, 9);
}

TEST(SweepTrackerTest, ResetStartsWithNoSweepOpen) {
  SweepTracker sweep;
  sweep.Add(5, -50);
  sweep.Add(6, -40);
  sweep.Reset();
  EXPECT_FALSE(sweep.Add(3, -70));  // would close the old sweep without the reset
  EXPECT_EQ(sweep.BestChannel, 3);
}

}  // namespace
}  // namespace quillon
