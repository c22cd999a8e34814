// The sums of a row's samples, by sixteen at a time and by the packed shares of short
// runs, against the plain count of each sample.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "analysis/sample_sums.h"

namespace quillon {
namespace {

void ExpectSame(const SampleSums& a, const SampleSums& b) {
  EXPECT_EQ(a.Measured, b.Measured);
  EXPECT_EQ(a.InRange, b.InRange);
  EXPECT_EQ(a.Sum, b.Sum);
  EXPECT_EQ(a.SumOfSquares, b.SumOfSquares);
}

TEST(SampleSumsTest, EveryWayGivesThePlainCounts) {
  const struct {
    int lowest, highest;
  } ranges[] = {{-110, -40}, {-128, 127}, {-1000, 1000}, {-120, -120}, {0, -5}, {127, 127}, {-128, -128}};
  std::mt19937 random(7);
  for (const auto& range : ranges) {
    const SampleTally tally(range.lowest, range.highest);
    for (int32_t count : {0, 1, 10, 15, 16, 17, 31, 32, 33, 70, 1500, 20000}) {
      SCOPED_TRACE(std::to_string(count) + " samples in " + std::to_string(range.lowest) + ".." +
                   std::to_string(range.highest));
      std::vector<int8_t> samples(static_cast<size_t>(count) + 16, static_cast<int8_t>(kNoMeasurementDbm));
      for (int32_t j = 0; j < count; ++j)
        samples[static_cast<size_t>(j)] = static_cast<int8_t>(j % 7 == 0 ? kNoMeasurementDbm : random() % 256 - 128);
      if (count > 2) samples[1] = -128, samples[2] = 127;  // the extremes, squared
      const SampleSums expected = SumSamplesOneByOne(samples.data(), count, range.lowest, range.highest);
      ExpectSame(SumSamples(samples.data(), count, range.lowest, range.highest), expected);
      ExpectSame(tally.Sum(samples.data(), count), expected);
    }
  }
}

}  // namespace
}  // namespace quillon
