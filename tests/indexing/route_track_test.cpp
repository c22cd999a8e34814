#include <gtest/gtest.h>

#include "indexing/index_run.h"
#include "indexing/route_track.h"
#include "support/log_builders.h"
#include "support/temp_dir.h"

namespace quillon {
namespace {

using namespace quillon::testing;

TEST(RouteTrackTest, MemoryStaysBoundedAndSamplesAreKept) {
  RouteTrack track(100);
  for (int i = 0; i < 10000; ++i) {
    track.AddFix(45 + i * 1e-5, 7, i, 1);
    track.AddRssi(0, -80);
    track.AddRssi(1, -60);
  }
  EXPECT_LE(track.Points().size(), 100u);
  EXPECT_GE(track.Points().size(), 50u);
  uint64_t samples = 0;
  for (const RoutePoint& p : track.Points()) {
    samples += p.Samples[0];
    EXPECT_DOUBLE_EQ(p.MeanRssi(0), -80.0);
    EXPECT_DOUBLE_EQ(p.MeanRssi(1), -60.0);
  }
  EXPECT_EQ(samples, 10000u);  // merged, never dropped
  EXPECT_DOUBLE_EQ(track.Points().front().Latitude, 45.0);
}

TEST(RouteTrackTest, IndexingCollectsValidFixesAndTheirRssi) {
  TempDir dir;
  klf::LogWriter log;
  AddBand(log);
  log.Single(1, {-70});            // before any fix: no point to hold it
  AddFix(log, 10, 45.0, 7.0);
  log.Single(1, {-60, -80});
  log.ListData({{1, 0, -50}, {0, 11, -10}});  // slot 11 is not a list slot
  AddFix(log, 11, 45.1, 7.0, 0x60);  // no valid fix: not a point
  log.TableData({{1, 3, -40}});
  class RouteHost : public SilentIndexHost {
   public:
    void ShowRoute(const RouteTrack& route) override { Route = route; }
    RouteTrack Route;
  } host;
  ASSERT_TRUE(IndexRun(Reader, host, WriteLog(dir, "a.klf", log), kFormatStandard).Execute());
  ASSERT_EQ(host.Route.Points().size(), 1u);
  const RoutePoint& p = host.Route.Points()[0];
  EXPECT_EQ(p.SecondsOfDay, 10);
  EXPECT_DOUBLE_EQ(p.MeanRssi(0), -70.0);
  EXPECT_DOUBLE_EQ(p.MeanRssi(1), -45.0);
}

}  // namespace
}  // namespace quillon
