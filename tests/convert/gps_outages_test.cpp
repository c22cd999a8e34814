#include <gtest/gtest.h>

#include <filesystem>

#include "convert/gps_outages.h"
#include "support/log_builders.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"

namespace quillon {
namespace {

using namespace quillon::testing;

std::vector<int32_t> Outages(const klf::LogWriter& log, int64_t threshold) {
  TempDir dir;
  Reader.InputFormat = kFormatStandard;
  EXPECT_TRUE(FindGpsOutages(Reader, WriteLog(dir, "a.klf", log), threshold, [] { return false; }));
  return Reader.OutageList;
}

TEST(GpsOutagesTest, GapsOfAtLeastTheThreshold) {
  klf::LogWriter log;
  AddFix(log, 36000);
  AddFix(log, 36001);
  AddFix(log, 36020, 0, 0, 0x60);  // no valid fix: does not end the gap
  AddFix(log, 36040);
  AddFix(log, 36069);
  AddFix(log, 86390);
  AddFix(log, 20);  // over midnight: a 30 s gap
  EXPECT_EQ(Outages(log, 30), (std::vector<int32_t>{36001, 36069, 86390}));
  EXPECT_EQ(Outages(log, 40), (std::vector<int32_t>{36069}));
}

TEST(GpsOutagesTest, ManyOutagesAreAllKept) {
  klf::LogWriter log;
  for (int i = 0; i < 1500; ++i) AddFix(log, i * 40 % 86400);
  EXPECT_EQ(Outages(log, 30).size(), 1499u);
}

TEST(GpsOutagesTest, DropRemovesMeasurementsAfterTheOutageStart) {
  TempDir dir;
  klf::LogWriter log;
  AddBand(log);
  log.ListDefinition({32400}, {});
  AddFix(log, 36000);
  log.ListData({{0, 0, -50}});
  AddFix(log, 36001);
  log.ListData({{0, 0, -51}});  // dropped: after the last fix before the gap
  AddFix(log, 36040);
  log.ListData({{0, 0, -52}});
  Settings s = ColumnsSettings({18, 0});
  s.FieldTitles = false;
  s.DropOutages = true;
  s.OutageSeconds = " 30 ";
  RecordingHost host;
  const std::string in = WriteLog(dir, "in.klf", log);
  ASSERT_EQ(ConvertOne(in, dir.File("o.out"), s, host), RunOutcome::Completed);
  EXPECT_EQ(ReadFile(dir.File("o.out")), "10:00:00,810.00000,-50\r\n10:00:40,810.00000,-52\r\n");

  s.OutageSeconds = "30s";
  RecordingHost refused;
  EXPECT_EQ(ConvertOne(in, dir.File("p.out"), s, refused), RunOutcome::Failed);
  EXPECT_EQ(refused.Last(), "\"30s\" is not a whole number of seconds for the GPS outage drop.");
  EXPECT_FALSE(std::filesystem::exists(dir.File("p.out")));
}

}  // namespace
}  // namespace quillon
