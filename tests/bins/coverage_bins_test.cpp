// Coverage bins: levels of a synthetic drive worked out by hand, every measurement
// counted once, the grid shared by the logs of a run and kept in the first fix's
// UTM zone, squares of the size asked for on the ground, and the grid's fast
// location agreeing with PROJ everywhere, edges included.
#include <gdal_priv.h>
#include <geodesic.h>
#include <gtest/gtest.h>
#include <ogrsf_frmts.h>
#include <proj.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <random>
#include <sstream>

#include "bins/bin_grid.h"
#include "support/log_builders.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"

namespace quillon {
namespace {

using namespace quillon::testing;

// Samples of receiver 1 at 810 MHz, standing still at one place between two fixes.
struct Stop {
  double Lat, Lon;
  std::vector<int8_t> Samples;
  int Second;
};

klf::LogWriter StopsLog(const std::vector<Stop>& stops) {
  klf::LogWriter log;
  AddBand(log);
  log.SingleDefinition(32400, 32400);
  for (const Stop& s : stops) {
    AddFix(log, s.Second, s.Lat, s.Lon);
    for (int8_t dbm : s.Samples) log.Single(1, {dbm});
    AddFix(log, s.Second + 1, s.Lat, s.Lon);
  }
  return log;
}

using Row = std::map<std::string, std::string>;

std::vector<Row> ReadBins(const std::string& text) {
  std::vector<Row> rows;
  std::istringstream lines(text);
  std::string line;
  std::vector<std::string> names;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> cells;
    std::stringstream split(line);
    for (std::string c; std::getline(split, c, ',');) cells.push_back(c);
    if (line.back() == ',') cells.emplace_back();
    if (names.empty()) {
      for (std::string& c : cells) names.push_back(c.substr(1, c.size() - 2));
      continue;
    }
    Row row;
    for (size_t i = 0; i < names.size() && i < cells.size(); ++i) row[names[i]] = cells[i];
    rows.push_back(row);
  }
  return rows;
}

Settings BinSettings(int metres) {
  Settings s = ColumnsSettings({22, 18, 5, 11, 0});
  s.BinMetres = metres;
  return s;
}

class CoverageBinsTest : public ::testing::Test {
 protected:
  void SetUp() override { Reader.ManualFrequencies = 0; }
  TempDir dir;
};

TEST_F(CoverageBinsTest, LevelsOfEachSquareAsWorkedOutByHand) {
  // Stops some 400 m apart: each in a square of its own.
  const std::vector<Stop> stops = {
      {45.50, -73.60, {-60, -70, -80}, 100},
      {45.50, -73.595, {-75}, 200},
      {45.504, -73.60, {-50, -50, -90, -90}, 300},
      // -120 dBm is no measurement: counted apart, left out of every level.
      {45.508, -73.60, {-84, -120, -120}, 400},
      {45.512, -73.60, {-120}, 500},
  };
  const struct {
    int Count;
    const char *Mean, *PowerMean, *Min, *Max, *Std, *First;
    int NoMeasurement = 0;
  } expected[] = {
      // 10·log10((10^-6 + 10^-7 + 10^-8) / 3) = -64.3180; population deviation sqrt(200/3)
      {3, "-70.00", "-64.32", "-80", "-60", "8.16", "2026-01-01T00:01:40Z"},
      {1, "-75.00", "-75.00", "-75", "-75", "0.00", "2026-01-01T00:03:20Z"},
      // 10·log10((2·10^-5 + 2·10^-9) / 4) = -53.0099
      {4, "-70.00", "-53.01", "-90", "-50", "20.00", "2026-01-01T00:05:00Z"},
      {1, "-84.00", "-84.00", "-84", "-84", "0.00", "2026-01-01T00:06:40Z", 2},
      {0, "", "", "", "", "", "2026-01-01T00:08:20Z", 1},  // a square where nothing was measured
  };
  RecordingHost host;
  ASSERT_EQ(ConvertOne(WriteLog(dir, "stops.klf", StopsLog(stops)), dir.File("stops.out"), BinSettings(50), host),
            RunOutcome::Completed)
      << host.Last();
  const std::vector<Row> bins = ReadBins(ReadFile(dir.File("stops-bins.out")));
  ASSERT_EQ(bins.size(), 5u);
  for (size_t i = 0; i < bins.size(); ++i) {
    SCOPED_TRACE(i);
    const Row& b = bins[i];
    // In the order the drive reached them, centred within half a diagonal of the stop.
    EXPECT_LT(std::hypot((std::stod(b.at("Latitude")) - stops[i].Lat) * 111e3,
                         (std::stod(b.at("Longitude")) - stops[i].Lon) * 78e3),
              36.0);
    EXPECT_EQ(b.at("receiver"), "1");
    EXPECT_EQ(b.at("freq_mhz"), "810.00000");
    EXPECT_EQ(std::stoi(b.at("count")), expected[i].Count);
    EXPECT_EQ(b.at("rssi_mean"), expected[i].Mean);
    EXPECT_EQ(b.at("rssi_power_mean"), expected[i].PowerMean);
    EXPECT_EQ(b.at("rssi_min"), expected[i].Min);
    EXPECT_EQ(b.at("rssi_max"), expected[i].Max);
    EXPECT_EQ(b.at("rssi_std"), expected[i].Std);
    EXPECT_EQ(b.at("first_time"), expected[i].First);
    EXPECT_EQ(b.at("logs"), "1");
    EXPECT_EQ(b.at("no_measurement"), std::to_string(expected[i].NoMeasurement));
  }
}

// The sum of the counts is every measurement the delimited output prints, less
// those without a position, which the notice counts.
TEST_F(CoverageBinsTest, EveryMeasurementIsCountedOnce) {
  const struct {
    const char* Name;
    bool Best, Lambda, Receiver2;
  } cases[] = {{"all", false, false, false}, {"best", true, false, false}, {"lambda", false, true, false},
               {"rx2", false, false, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Settings s = BinSettings(50);
    s.FieldTitles = false;
    s.BSAvg = c.Best, s.NoAvg = !c.Best, s.Lambda = c.Lambda;
    s.Receiver1 = !c.Receiver2, s.Receiver2 = c.Receiver2;
    RecordingHost host;
    const std::string out = dir.File(std::string(c.Name) + ".out");
    ASSERT_EQ(ConvertOne(KLF_SAMPLE, out, s, host), RunOutcome::Completed) << host.Last();
    int64_t printed = 0;
    std::istringstream lines(ReadFile(out));
    for (std::string line; std::getline(lines, line);) {
      const auto commas = std::count(line.begin(), line.end(), ',');
      printed += (commas - 3) / 2;  // four columns, then frequency and RSSI per entry
    }
    int64_t counted = 0;
    std::istringstream binLines(ReadFile(dir.File(std::string(c.Name) + "-bins.out")));
    for (std::string line; std::getline(binLines, line);) {
      std::vector<std::string> cells;
      std::stringstream split(line);
      for (std::string cell; std::getline(split, cell, ',');) cells.push_back(cell);
      ASSERT_EQ(cells.size(), 16u) << line;
      counted += std::stoll(cells[6]) + std::stoll(cells[15]);  // measured, and at -120 dBm
    }
    int64_t unplaced = 0;
    for (const auto& [kind, text] : host.Messages)
      if (text.find("without a position were not binned") != std::string::npos) unplaced = std::stoll(text);
    EXPECT_GT(counted, 1000);
    EXPECT_EQ(counted + unplaced, printed);
  }
}

// Two logs of one folder run share their squares: gathered into one dataset their
// bins carry both logs' measurements; written apart, the same columns and rows.
TEST_F(CoverageBinsTest, OverlappingDrivesShareTheirBins) {
  std::filesystem::create_directory(dir.File("in"));
  WriteLog(dir, "in/a.klf", StopsLog({{45.50, -73.60, {-60, -62}, 100}, {45.51, -73.60, {-70}, 200}}));
  WriteLog(dir, "in/b.klf", StopsLog({{45.50, -73.60, {-80}, 400}, {45.52, -73.60, {-90}, 500}}));
  const std::string cli = std::string(QUILLON_CONVERT) + " --quiet --bins 100 --folder " + dir.File("in");
  ASSERT_EQ(std::system((cli + " --into " + dir.File("all.geojson")).c_str()), 0);
  ASSERT_EQ(std::system((cli + " --out-folder " + dir.File("in")).c_str()), 0);
  const std::string all = ReadFile(dir.File("all-bins.geojson"));
  EXPECT_NE(all.find("\"count\": 3"), std::string::npos) << all;
  EXPECT_NE(all.find("\"logs\": 2"), std::string::npos);
  const std::vector<Row> a = ReadBins(ReadFile(dir.File("in/a-bins.out")));
  const std::vector<Row> b = ReadBins(ReadFile(dir.File("in/b-bins.out")));
  ASSERT_EQ(a.size(), 2u);
  ASSERT_EQ(b.size(), 2u);
  EXPECT_EQ(a[0].at("col") + "," + a[0].at("row"), b[0].at("col") + "," + b[0].at("row"));
  EXPECT_EQ(a[0].at("Latitude") + a[0].at("Longitude"), b[0].at("Latitude") + b[0].at("Longitude"));
  EXPECT_NE(a[1].at("row"), b[1].at("row"));
}

// PROJ's own projection of a position, in a system.
struct Exact {
  PJ_CONTEXT* Ctx = proj_context_create();
  PJ* P = nullptr;
  explicit Exact(const std::string& crs) {
    PJ* raw = proj_create_crs_to_crs(Ctx, "EPSG:4326", crs.c_str(), nullptr);
    P = proj_normalize_for_visualization(Ctx, raw);
    proj_destroy(raw);
  }
  ~Exact() {
    proj_destroy(P);
    proj_context_destroy(Ctx);
  }
  PJ_XY At(double lon, double lat) const { return proj_trans(P, PJ_FWD, proj_coord(lon, lat, 0, 0)).xy; }
};

// A drive from zone 18 into zone 19 stays in zone 18, the zone of its first fix.
TEST_F(CoverageBinsTest, ADriveAcrossAZoneBoundaryStaysInTheFirstFixesZone) {
  std::vector<Stop> stops;
  for (int i = 0; i < 6; ++i) stops.push_back({45.5, -72.003 + i * 0.0015, {-70}, 100 + 10 * i});
  RecordingHost host;
  ASSERT_EQ(ConvertOne(WriteLog(dir, "across.klf", StopsLog(stops)), dir.File("across.out"), BinSettings(50), host),
            RunOutcome::Completed);
  const std::vector<Row> bins = ReadBins(ReadFile(dir.File("across-bins.out")));
  ASSERT_EQ(bins.size(), stops.size());
  const Exact zone18("EPSG:32618");
  for (size_t i = 0; i < stops.size(); ++i) {
    const PJ_XY xy = zone18.At(stops[i].Lon, stops[i].Lat);
    EXPECT_EQ(std::stoll(bins[i].at("col")), static_cast<long long>(std::floor(xy.x / 50))) << i;
    EXPECT_EQ(std::stoll(bins[i].at("row")), static_cast<long long>(std::floor(xy.y / 50))) << i;
  }
}

// A square's area on the ellipsoid is the size asked for, within half a percent,
// across a zone (its central meridian and its edge) and at several latitudes.
TEST(BinGridTest, SquaresHaveTheirSizeOnTheGround) {
  geod_geodesic wgs84;
  geod_init(&wgs84, 6378137, 1 / 298.257223563);
  for (int metres : {10, 50, 1000}) {
    for (const auto& [lon, lat] : {std::pair{-75.0, 45.5}, {-72.2, 45.5}, {-77.8, 10.0}, {15.0, 69.0}, {-43.2, -22.9}}) {
      BinGrid grid(metres, "");
      int64_t column, row;
      ASSERT_TRUE(grid.Locate(lon, lat, column, row));
      const auto ring = grid.Corners(column, row);
      double lats[4], lons[4], area, perimeter;
      for (int k = 0; k < 4; ++k) lats[k] = ring[static_cast<size_t>(k)].Lat, lons[k] = ring[static_cast<size_t>(k)].Lon;
      geod_polygonarea(&wgs84, lats, lons, 4, &area, &perimeter);
      EXPECT_NEAR(std::fabs(area) / (metres * metres), 1.0, 0.005) << metres << " m at " << lon << ", " << lat;
      EXPECT_GT(area, 0) << "counter-clockwise";
    }
  }
}

// The fast location agrees with PROJ for every position: random ones, and ones a
// hair either side of the squares' edges.
TEST(BinGridTest, LocationAgreesWithProjEverywhere) {
  std::mt19937 random(11);
  std::uniform_real_distribution<double> spread(-0.05, 0.05), offset(-0.003, 0.003);
  for (const auto& [lon, lat] : {std::pair{-73.6, 45.5}, {-77.9, 45.5}, {-75.0, 0.3}, {25.0, 70.5}, {151.2, -33.9}}) {
    for (int metres : {10, 50, 1000}) {
      BinGrid grid(metres, "");
      const Exact exact("EPSG:" + std::to_string(BinGrid::UtmZoneCode(lon, lat)));
      int64_t column, row;
      ASSERT_TRUE(grid.Locate(lon, lat, column, row));
      int mismatches = 0;
      for (int i = 0; i < 20000; ++i) {
        double x = lon + spread(random), y = lat + spread(random);
        if (i % 2) {  // within a few millimetres of an edge
          const PJ_XY xy = exact.At(x, y);
          const double edge = std::round(xy.x / metres) * metres;
          x += (edge - xy.x + offset(random)) / (111320.0 * std::cos(y * M_PI / 180));
        }
        const PJ_XY xy = exact.At(x, y);
        ASSERT_TRUE(grid.Locate(x, y, column, row));
        mismatches += column != static_cast<int64_t>(std::floor(xy.x / metres)) ||
                      row != static_cast<int64_t>(std::floor(xy.y / metres));
      }
      EXPECT_EQ(mismatches, 0) << metres << " m at " << lon << ", " << lat;
    }
  }
}

// The bins layer of every file format reads back, through GDAL, as the delimited
// bins of the same log: squares, in the same order, with the same values.
TEST(CoverageBinsLayerTest, EveryFormatReadsBackAsTheDelimitedBins) {
  GDALAllRegister();
  TempDir dir;
  const std::string cli = std::string(QUILLON_CONVERT) + " " + KLF_SAMPLE + " --quiet --bins 100 -o ";
  ASSERT_EQ(std::system((cli + dir.File("s.out")).c_str()), 0);
  const std::vector<Row> expected = ReadBins(ReadFile(dir.File("s-bins.out")));
  ASSERT_GT(expected.size(), 100u);
  for (const char* ext : {"gpkg", "tab", "mif", "shp", "fgb", "geojson", "kml"}) {
    SCOPED_TRACE(ext);
    ASSERT_EQ(std::system((cli + dir.File(std::string("s.") + ext)).c_str()), 0);
    std::unique_ptr<GDALDataset> ds(
        GDALDataset::Open(dir.File(std::string("s-bins.") + ext).c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY));
    ASSERT_TRUE(ds);
    OGRLayer* layer = ds->GetLayer(0);
    ASSERT_TRUE(layer);
    ASSERT_EQ(layer->GetFeatureCount(), static_cast<GIntBig>(expected.size()));
    const bool shp = std::string(ext) == "shp";
    const bool mapInfo = std::string(ext) == "tab" || std::string(ext) == "mif";  // no nulls: 0 instead
    size_t i = 0;
    for (auto& f : *layer) {
      const Row& e = expected[i++];
      const OGRGeometry* g = f->GetGeometryRef();
      ASSERT_TRUE(g);
      ASSERT_EQ(wkbFlatten(g->getGeometryType()), wkbPolygon);
      EXPECT_EQ(g->toPolygon()->getExteriorRing()->getNumPoints(), 5);
      auto text = [&](const char* name, int digits) {
        if (!f->IsFieldSetAndNotNull(f->GetFieldIndex(name)) || (mapInfo && e.at("count") == "0" &&
                                                                   std::string(name).rfind("rssi_", 0) == 0))
          return std::string();
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.*f", digits, f->GetFieldAsDouble(name));
        return std::string(buffer);
      };
      EXPECT_EQ(text("count", 0), e.at("count"));
      EXPECT_EQ(text("col", 0), e.at("col"));
      EXPECT_EQ(text("row", 0), e.at("row"));
      EXPECT_EQ(text("freq_mhz", 5), e.at("freq_mhz"));
      EXPECT_EQ(text("rssi_mean", 2), e.at("rssi_mean"));
      EXPECT_EQ(text(shp ? "rssi_pmean" : "rssi_power_mean", 2), e.at("rssi_power_mean"));
      EXPECT_EQ(text("rssi_std", 2), e.at("rssi_std"));
      EXPECT_EQ(text("logs", 0), e.at("logs"));
      EXPECT_EQ(text(shp ? "no_meas" : "no_measurement", 0), e.at("no_measurement"));
      if (::testing::Test::HasFailure()) return;
    }
    EXPECT_EQ(i, expected.size());
  }
}

// Sizes and systems the command line refuses, as usage errors.
TEST(CoverageBinsUsageTest, SizesAndSystemsOutsideTheirRange) {
  const char* const refused[] = {"--bins 9",  "--bins 1001", "--bins 0", "--bins -50", "--bins 50.5",
                                 "--bins 50 --bin-crs EPSG:999999", "--bins 50 --bin-crs EPSG:4326",
                                 "--bins 50 --bin-crs 32618", "--bins 50 --bin-crs EPSG:2263",
                                 "--bin-crs EPSG:32618"};
  TempDir dir;
  for (const char* options : refused) {
    const std::string command = std::string(QUILLON_CONVERT) + " " + KLF_SAMPLE + " -o " + dir.File("x.out") +
                                " --quiet " + options + " 2>/dev/null";
    const int status = std::system(command.c_str());
    EXPECT_EQ(WEXITSTATUS(status), 2) << options;
  }
  for (const char* options : {"--bins 10", "--bins 1000 --bin-crs EPSG:3857", "--bins 50 --bin-crs epsg:32618"}) {
    const std::string command = std::string(QUILLON_CONVERT) + " " + KLF_SAMPLE + " -o " + dir.File("y.out") +
                                " --quiet " + options;
    EXPECT_EQ(WEXITSTATUS(std::system(command.c_str())), 0) << options;
  }
}

}  // namespace
}  // namespace quillon
