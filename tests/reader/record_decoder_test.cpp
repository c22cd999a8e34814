// Record decoding observed through conversions of small logs.
#include <gtest/gtest.h>

#include "support/log_builders.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"

namespace quillon {
namespace {

using namespace quillon::testing;

class DecoderTest : public ::testing::Test {
 protected:
  void SetUp() override { Reader.ManualFrequencies = 0; }

  std::string Convert(const klf::LogWriter& log, Settings s, ScanSelection selection = {}) {
    const std::string in = WriteLog(dir, "in.klf", log);
    RecordingHost host;
    if (!selection.Skipped.empty()) selection.File = in;
    EXPECT_EQ(ConvertOne(in, dir.File("out.out"), s, host, selection), RunOutcome::Completed) << host.Last();
    return ReadFile(dir.File("out.out"));
  }

  TempDir dir;
};

TEST_F(DecoderTest, GpsPacedRowsAreInterpolatedBetweenFixes) {
  klf::LogWriter log;
  AddBand(log);
  log.SingleDefinition(32400, 32800);  // 810 MHz, 820 MHz
  log.Single(1, {-70});
  AddFix(log, 36000, 0.0, 0.0);  // first fix: the record before it is discarded
  for (int8_t v : {-71, -72, -73, -74}) log.Single(1, {v});
  AddFix(log, 36010, 0.0, 0.0004);
  Settings s = ColumnsSettings({18, 11, 0, 49});
  s.FieldTitles = false;
  EXPECT_EQ(Convert(log, s),
            "10:00:00,0.000000,810.00000,-71,1\r\n"
            "10:00:02,0.000100,810.00000,-72,1\r\n"
            "10:00:05,0.000200,810.00000,-73,1\r\n"
            "10:00:07,0.000300,810.00000,-74,1\r\n");
}

// Across midnight the rows step on from the earlier fix to the new day; a clock
// that steps back a few seconds spreads the rows over those seconds, and so does
// a corrupt time outside the day (never a negative time).
TEST_F(DecoderTest, InterpolationAcrossMidnightAndBackSteps) {
  struct Case {
    int first, second;
    const char* rows;
  };
  const Case cases[] = {
      {86398, 2, "23:59:58\r\n23:59:59\r\n00:00:00\r\n00:00:01\r\n"},
      {86399, 0, "23:59:59\r\n23:59:59\r\n23:59:59\r\n23:59:59\r\n"},
      {36010, 36006, "10:00:10\r\n10:00:11\r\n10:00:12\r\n10:00:13\r\n"},
      {90 * 3600, 3600, "90:00:00\r\n16:15:00\r\n14:30:00\r\n12:45:00\r\n"},  // hour 90: a corrupt fix
  };
  for (const Case& c : cases) {
    klf::LogWriter log;
    AddBand(log);
    log.SingleDefinition(32400, 32800);
    AddFix(log, c.first);
    for (int8_t v : {-71, -72, -73, -74}) log.Single(1, {v});
    AddFix(log, c.second);
    Settings s = ColumnsSettings({18});
    s.FieldTitles = false;
    EXPECT_EQ(Convert(log, s), c.rows) << c.first << " to " << c.second;
  }
}

TEST_F(DecoderTest, RtcPacedRowsAreWrittenAtOnce) {
  klf::LogWriter log;
  AddBand(log);
  log.Rtc(5, 4, 3, 7, 3, 3, 142);
  log.SingleDefinition(32400, 32800);
  log.Single(2, {-60, -61});
  Settings s = ColumnsSettings({37, 33, 29, 0});
  s.Receiver1 = false;
  s.Receiver2 = true;
  s.ChannelField = true;
  EXPECT_EQ(Convert(log, s),
            "\"RTC Time (HH:MM:SS)\",\"RTC Date (MM-DD-YY)\",\"Marker Value\",\"Frequency\",\"Channel\",\"RSSI\"\r\n"
            "03:04:05,03/07/03,42,820.00000,801,-60,820.00000,801,-61\r\n");
}

TEST_F(DecoderTest, RowsNeedTimeBandAndDefinition) {
  klf::LogWriter log;
  log.Rtc(0, 0, 1, 1, 1, 1, 0);
  log.ListDefinition({32400, 0, 32800}, {});
  log.ListData({{0, 0, -50}});  // no band yet: no row
  AddBand(log);
  log.ListData({{0, 2, -55}, {1, 0, -99}, {0, 12, -40}});  // other receiver and slot 12 ignored
  Settings s = ColumnsSettings({0});
  EXPECT_EQ(Convert(log, s),
            "\"Frequency\",\"RSSI\",\"Frequency\",\"RSSI\",\"Frequency\",\"RSSI\",\"Frequency\",\"RSSI\","
            "\"Frequency\",\"RSSI\",\"Frequency\",\"RSSI\",\"Frequency\",\"RSSI\",\"Frequency\",\"RSSI\","
            "\"Frequency\",\"RSSI\",\"Frequency\",\"RSSI\"\r\n"
            ",810.00000,-50,820.00000,-55\r\n");
}

TEST_F(DecoderTest, ShortRecordsAndOversizedLengthsDecodeNothing) {
  klf::LogWriter log;
  AddBand(log);
  log.Rtc(0, 0, 1, 1, 1, 1, 0);
  log.TableData({{0, 5, -60}});
  log.LengthWord(5000);               // passed over: the table record is not decoded again
  log.Raw({9, 0, 4, 0, 0xC4});        // table record shorter than its layout
  log.Raw({});                        // zero-length record
  log.Raw({4, 1, 2});                 // short clock record
  Settings s = ColumnsSettings({37, 0});
  s.FieldTitles = false;
  EXPECT_EQ(Convert(log, s), "01:00:00,800.10000,-60\r\n");
}

TEST_F(DecoderTest, UncheckedScansStayOutWhicheverTimeRecordNumbersThem) {
  klf::LogWriter log;
  AddBand(log);
  log.ListDefinition({32400}, {});  // pending: numbered by the GPS record below
  AddFix(log, 100);
  log.ListData({{0, 0, -50}});
  log.ListDefinition({32800}, {});  // scan 2
  log.ListData({{0, 0, -51}});
  Settings s = ColumnsSettings({0});
  s.FieldTitles = false;
  EXPECT_EQ(Convert(log, s, {"", {1}}), ",820.00000,-51\r\n");
  EXPECT_EQ(Convert(log, s, {"", {2}}), ",810.00000,-50\r\n");
}

TEST_F(DecoderTest, SelectionOfAnotherFileIsIgnored) {
  klf::LogWriter log;
  AddBand(log);
  AddFix(log, 100);
  log.ListDefinition({32400}, {});
  log.ListData({{0, 0, -50}});
  const std::string in = WriteLog(dir, "in.klf", log);
  Settings s = ColumnsSettings({0});
  s.FieldTitles = false;
  RecordingHost host;
  ConvertOne(in, dir.File("o.out"), s, host, {dir.File("other.klf"), {1}});
  EXPECT_EQ(ReadFile(dir.File("o.out")), ",810.00000,-50\r\n");
}

TEST_F(DecoderTest, HeaderDescribesTheScanItOpens) {
  klf::LogWriter log;
  AddBand(log);
  log.Rtc(0, 0, 1, 1, 1, 1, 0);
  log.SingleDefinition(32400, 32400);  // the first header falls due before any measurement
  log.Single(1, {-44});
  log.ListDefinition({32400}, {});  // a header already written is not written again
  log.ListData({{0, 0, -50}});
  EXPECT_EQ(Convert(log, ColumnsSettings({0})), "\"Frequency\",\"RSSI\"\r\n,810.00000,-44\r\n,810.00000,-50\r\n");
}

TEST_F(DecoderTest, ConversionDoesNotDependOnAnEarlierFile) {
  klf::LogWriter first;
  AddBand(first);
  first.Rtc(9, 9, 9, 9, 9, 9, 9);
  first.TpPosition({1, 2, 3, 4, 5, 6, 'S', 1, 2, 'W', 3, 4});
  first.SingleDefinition(32400, 32400);
  first.Single(1, {-44});
  klf::LogWriter second;
  AddBand(second);
  AddFix(second, 100);
  second.ListDefinition({32400}, {});
  second.ListData({{0, 0, -50}});
  Settings s = ColumnsSettings({37, 50, 0});
  s.FieldTitles = false;
  const std::string alone = Convert(second, s);
  Convert(first, s);
  EXPECT_EQ(Convert(second, s), alone);
  EXPECT_EQ(alone, "00:00:00,0.000000,810.00000,-50\r\n");
}

TEST_F(DecoderTest, MoreThan4096RowsInOneIntervalAreAllWritten) {
  klf::LogWriter log;
  AddBand(log);
  log.SingleDefinition(32400, 32400);
  AddFix(log, 100);
  for (int i = 0; i < 5000; ++i) log.Single(1, {static_cast<int8_t>(-30 - i % 90)});
  AddFix(log, 110);
  Settings s = ColumnsSettings({32, 0});
  s.FieldTitles = false;
  const std::string out = Convert(log, s);
  EXPECT_NE(out.find("\r\n5000,810.00000,-79\r\n"), std::string::npos);
}

TEST_F(DecoderTest, RecordsWithMoreThanTenSamples) {
  klf::LogWriter log;
  AddBand(log);
  log.Rtc(0, 0, 1, 1, 1, 1, 0);
  log.SingleDefinition(32400, 32400);
  std::vector<int8_t> samples(40, -77);
  samples[39] = -33;
  log.Single(1, samples);
  Settings s = ColumnsSettings({0});
  s.FieldTitles = false;
  s.FrequencyField = false;
  const std::string out = Convert(log, s);
  EXPECT_EQ(std::count(out.begin(), out.end(), ','), 40);
  EXPECT_NE(out.find(",-33\r\n"), std::string::npos);
}

}  // namespace
}  // namespace quillon
