#include <gtest/gtest.h>

#include <cmath>

#include "reader/band_info.h"
#include "reader/gps_fix.h"

namespace quillon {
namespace {

TEST(GpsFixTest, AnglesDecomposeTowardZero) {
  struct Case {
    int32_t mas;
    double decimal;
    int degrees, minutes;
    double decimalMinutes;
    int seconds;
    char hemisphere;
  };
  const Case cases[] = {
      {-1800000, -0.5, 0, 30, 30.0, 0, 'S'},
      {0, 0.0, 0, 0, 0.0, 0, 'S'},
      {163845678, 45.512688333333, 45, 30, 30.7613, 45, 'N'},
      {-264849999, -73.569444166389, 73, 34, 34.16665, 9, 'S'},
  };
  for (const Case& c : cases) {
    const Angle a = DecodeAngle(c.mas, 'N', 'S');
    EXPECT_NEAR(a.DecimalDegrees, c.decimal, 1e-9) << c.mas;
    EXPECT_EQ(a.WholeDegrees, c.degrees) << c.mas;
    EXPECT_EQ(a.WholeMinutes, c.minutes) << c.mas;
    EXPECT_NEAR(a.DecimalMinutes, c.decimalMinutes, 1e-6) << c.mas;
    EXPECT_EQ(a.WholeSeconds, c.seconds) << c.mas;
    EXPECT_EQ(a.Hemisphere, c.hemisphere) << c.mas;
  }
  EXPECT_EQ(DecodeAngle(0, 'E', 'W').Hemisphere, 'W');
}

TEST(GpsFixTest, DecodesBigEndianBodyAndTexts) {
  uint8_t record[153] = {};
  record[5] = 3;
  record[6] = 7;
  record[7] = 0x07;
  record[8] = 0xD3;  // 2003
  record[9] = 23;
  record[10] = 59;
  record[11] = 58;
  record[24] = 0;
  record[25] = 0;
  record[26] = 0x30;
  record[27] = 0x39;  // 12345 cm
  record[48] = 0x11;
  record[49] = 0x76;  // 4470 cm/s
  record[130] = 0xE4;
  GpsFix fix;
  fix.Decode(record + 1);
  char text[32];
  fix.DateText(text, sizeof text);
  EXPECT_STREQ(text, "03/07/2003");
  fix.TimeText(text, sizeof text);
  EXPECT_STREQ(text, "23:59:58");
  EXPECT_EQ(fix.Height, 12345);
  EXPECT_EQ(fix.Speed, 4470);
  EXPECT_EQ(fix.GpsFixQuality(), 7);
  EXPECT_STREQ(fix.StatusText(), "3D Fix");
  record[130] = 0xC0;
  fix.Decode(record + 1);
  EXPECT_STREQ(fix.StatusText(), "2D Fix");
}

BandInfo Band(uint32_t lowest, uint16_t stepField, bool wrapped) {
  BandInfo b;
  b.Lowest = lowest;
  b.Highest = lowest + 100;
  b.StepField = stepField;
  b.Flags = wrapped ? 1 : 0;
  b.Step = stepField * 0.00390625;
  return b;
}

TEST(BandInfoTest, MegahertzAndSteps) {
  const BandInfo b = Band(0, 6400, false);
  EXPECT_EQ(b.MHzToSteps(870.03), 34801u);
  EXPECT_NEAR(b.StepsToMHz(34801), 870.025, 1e-9);
  // No step size, NaN or negative: no step number, never undefined behaviour.
  EXPECT_EQ(Band(0, 0, false).MHzToSteps(870.0), 0u);
  EXPECT_EQ(b.MHzToSteps(std::nan("")), 0u);
  EXPECT_EQ(b.MHzToSteps(-5.0), 0u);
}

TEST(BandInfoTest, ChannelNumbering) {
  const BandInfo wrapped = Band(1000, 6400, true);
  const std::pair<int64_t, int64_t> stepsToChannel[] = {{1000, 991}, {1033, 1024}, {1034, 1}};
  for (auto [steps, channel] : stepsToChannel) {
    EXPECT_EQ(wrapped.StepsToChannel(steps), channel);
    EXPECT_EQ(wrapped.ChannelToSteps(channel), steps);
  }
  const BandInfo plain = Band(1000, 6400, false);
  EXPECT_EQ(plain.StepsToChannel(999), 0);
  EXPECT_EQ(plain.StepsToChannel(1000), 1);
  EXPECT_EQ(plain.StepsToChannel(0xFFFFFFFFll), 0xFFFFFFFFll - 999);  // 64-bit arithmetic
}

}  // namespace
}  // namespace quillon
