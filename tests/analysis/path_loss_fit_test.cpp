// Path-loss fits worked by hand: a few points whose k1, k2 and errors are known, fitted
// and evaluated against given models, the cases with nothing to fit, and sums that
// would cancel if they were not centred.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <vector>

#include "analysis/path_loss_fit.h"

namespace quillon {
namespace {

struct Point {
  double Metres, Loss;
};

TEST(PathLossFitTest, HandWorkedFits) {
  // x = log10(d / 1 km) is -1, 0, 0, 1 for the four points below; mean L = 130,
  // Sxx = 2, Sxy = 68, SLL = 2314.
  const std::vector<Point> four = {{100, 96}, {1000, 129}, {1000, 131}, {10000, 164}};
  const struct {
    const char* name;
    std::vector<Point> points;
    std::optional<PathLossModel> model;
    double k1, k2, mean, stdDev, rms, r2;
  } cases[] = {
      {"on the line", {{100, 95}, {1000, 130}, {10000, 165}}, std::nullopt, 130, 35, 0, 0, 0, 1},
      {"fitted", four, std::nullopt, 130, 34, 0, std::sqrt(0.5), std::sqrt(0.5), 1 - 2.0 / 2314},
      // errors 1, -1, 1, -1
      {"the model of the line", four, PathLossModel{130, 35}, 130, 35, 0, 1, 1, 1 - 4.0 / 2314},
      // errors 2, 1, 3, 2
      {"a model 2 dB low", four, PathLossModel{128, 34}, 128, 34, 2, std::sqrt(0.5), std::sqrt(4.5), 1 - 18.0 / 2314},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PathLossFit fit;
    for (const Point& p : c.points) fit.Add(p.Metres, p.Loss);
    const FitResult r = fit.Result(c.model);
    ASSERT_TRUE(r.Fitted);
    EXPECT_EQ(r.Points, static_cast<int64_t>(c.points.size()));
    EXPECT_NEAR(r.Model.K1, c.k1, 1e-9);
    EXPECT_NEAR(r.Model.K2, c.k2, 1e-9);
    EXPECT_NEAR(r.Exponent, c.k2 / 10, 1e-9);
    EXPECT_NEAR(r.MeanError, c.mean, 1e-9);
    EXPECT_NEAR(r.StdDev, c.stdDev, 1e-9);
    EXPECT_NEAR(r.Rms, c.rms, 1e-9);
    ASSERT_TRUE(r.HasR2);
    EXPECT_NEAR(r.R2, c.r2, 1e-9);
    EXPECT_EQ(r.MinDistance, c.points.front().Metres);
    EXPECT_EQ(r.MaxDistance, c.points.back().Metres);
  }
}

TEST(PathLossFitTest, NothingToFit) {
  PathLossFit none, one, oneDistance;
  one.Add(500, 120);
  oneDistance.Add(500, 120);
  oneDistance.Add(500, 124);
  EXPECT_FALSE(none.Result().Fitted);
  EXPECT_FALSE(one.Result().Fitted);
  EXPECT_FALSE(oneDistance.Result().Fitted);  // no slope from one distance
  // A model can still be judged on them.
  const FitResult judged = oneDistance.Result(PathLossModel{120, 35});
  ASSERT_TRUE(judged.Fitted);
  const double predicted = 120 + 35 * std::log10(0.5);
  EXPECT_NEAR(judged.MeanError, 122 - predicted, 1e-9);
  EXPECT_NEAR(judged.StdDev, 2, 1e-9);
  EXPECT_FALSE(PathLossFit().Result(PathLossModel{1, 2}).Fitted);
}

// The fit of a site over its frequencies merges theirs: as if every point were added to one.
TEST(PathLossFitTest, MergedFitsAreTheWhole) {
  PathLossFit whole, near, far, empty;
  for (int i = 1; i <= 400; ++i) {
    const double metres = 50.0 * i, loss = 120 + 33 * std::log10(metres / 1000) + (i % 7) - 3;
    whole.Add(metres, loss);
    (i <= 150 ? near : far).Add(metres, loss);
  }
  PathLossFit merged = empty;
  merged.Merge(near);
  merged.Merge(empty);
  merged.Merge(far);
  const FitResult a = whole.Result(), b = merged.Result();
  EXPECT_EQ(a.Points, b.Points);
  EXPECT_NEAR(a.Model.K1, b.Model.K1, 1e-9);
  EXPECT_NEAR(a.Model.K2, b.Model.K2, 1e-9);
  EXPECT_NEAR(a.StdDev, b.StdDev, 1e-9);
  EXPECT_NEAR(a.R2, b.R2, 1e-12);
  EXPECT_EQ(a.MinDistance, b.MinDistance);
  EXPECT_EQ(a.MaxDistance, b.MaxDistance);
}

// A million points far from the origin with a tiny spread: raw sums of squares lose
// every digit of the spread, centred ones keep it.
TEST(PathLossFitTest, LargeSumsStayExact) {
  PathLossFit fit;
  const int n = 1000000;
  for (int i = 0; i < n; ++i) {
    const double metres = 14000 + (i % 2 ? 1.0 : -1.0);
    fit.Add(metres, 1e6 + 30 * std::log10(metres / 1000) + (i % 4 < 2 ? 0.01 : -0.01));
  }
  const FitResult r = fit.Result();
  ASSERT_TRUE(r.Fitted);
  EXPECT_NEAR(r.Model.K2, 30, 1e-3);
  EXPECT_NEAR(r.StdDev, 0.01, 1e-6);
}

}  // namespace
}  // namespace quillon
