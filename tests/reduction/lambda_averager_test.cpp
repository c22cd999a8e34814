#include <gtest/gtest.h>

#include <cmath>

#include "reduction/lambda_averager.h"

namespace quillon {
namespace {

TEST(LambdaAveragerTest, WavelengthAndThresholds) {
  TLambdaAverager a;
  a.Initialise(1900, 0.4, 40);
  EXPECT_NEAR(a.Wavelength, 0.15789, 1e-5);
  EXPECT_NEAR(a.SampleSpacing, 0.06316, 1e-5);
  EXPECT_NEAR(a.BinLength, 6.3158, 1e-4);
}

TEST(LambdaAveragerTest, SamplesArePlacedEvenlyFromThePriorFix) {
  TLambdaAverager a;
  a.Initialise(1e-6, 0, 1);  // bins of one wavelength: 300 km, nothing closes
  EXPECT_FALSE(a.AddFix(0, 0));
  for (double v : {-80, -81, -82, -83}) a.AddSample(v);
  EXPECT_FALSE(a.AddFix(0, 0.0004));
  EXPECT_EQ(a.BinCount(), 4u);  // spacing 0 keeps all four
  EXPECT_DOUBLE_EQ(a.LastKept.Longitude, 0.0003);
}

TEST(LambdaAveragerTest, BinPointIsMeanAtTheMidpointOfFirstAndLast) {
  TLambdaAverager a;
  // Bins of 30 m and no spacing: 0.0002 degrees of longitude at the equator is 22.3 m.
  a.Initialise(30.0, 0, 3);
  a.AddFix(0, 0);
  a.AddSample(-80);
  a.AddSample(-90);
  EXPECT_FALSE(a.AddFix(0, 0.0004));  // samples at 0 and 0.0002
  a.AddSample(-70);
  EXPECT_TRUE(a.AddFix(0, 0.0008));  // the sample at 0.0004 lies 44.5 m away
  double lat, lon, rssi;
  ASSERT_EQ(a.TakePoint(lat, lon, rssi), 0);
  EXPECT_DOUBLE_EQ(rssi, -85.0);
  EXPECT_DOUBLE_EQ(lon, 0.0001);
  EXPECT_EQ(a.TakePoint(lat, lon, rssi), -1);
  EXPECT_EQ(rssi, -120.0);
}

TEST(LambdaAveragerTest, SampleOnTheSeedIsNotKept) {
  TLambdaAverager a;
  a.Initialise(30.0, 1, 3);  // spacing 10 m
  a.AddFix(0, 0);
  a.AddSample(-80);
  a.AddSample(-90);
  a.AddFix(0, 0.0004);
  EXPECT_EQ(a.BinCount(), 1u);
}

TEST(LambdaAveragerTest, StationaryReceiverKeepsNothing) {
  TLambdaAverager a;
  a.Initialise(1900, 0.4, 40);
  a.AddFix(51, 7);
  for (int fix = 0; fix < 100; ++fix) {
    for (int s = 0; s < 5; ++s) a.AddSample(-70);
    EXPECT_FALSE(a.AddFix(51, 7));
  }
  EXPECT_EQ(a.BinCount(), 0u);
  EXPECT_EQ(a.PendingCount(), 0u);
}

TEST(LambdaAveragerTest, UninitialisedThresholdsRepeatThePreviousSample) {
  TLambdaAverager a;  // thresholds 0, as before any Initialise
  a.AddFix(0, 0);
  a.AddSample(-80);
  a.AddSample(-90);
  EXPECT_TRUE(a.AddFix(0, 0.001));
  double lat, lon, rssi;
  ASSERT_EQ(a.TakePoint(lat, lon, rssi), 0);
  EXPECT_EQ(rssi, -80.0);
}

TEST(LambdaAveragerTest, NonNumbersNeitherCloseNorKeep) {
  TLambdaAverager a;
  a.Initialise(1900, 0.4, 40);
  a.AddFix(0, 0);
  a.AddSample(-70);
  EXPECT_FALSE(a.AddFix(std::nan(""), 1000));
  EXPECT_EQ(a.BinCount(), 0u);
}

TEST(LambdaAveragerTest, GreatCircleDistance) {
  EXPECT_NEAR(TLambdaAverager::GreatCircleDistance(0, 0, 0, 1), 111319.49, 0.01);
  EXPECT_NEAR(TLambdaAverager::GreatCircleDistance(45, 7, 45, 7), 0.0, 1e-9);
}

}  // namespace
}  // namespace quillon
