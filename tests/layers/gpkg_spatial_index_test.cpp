// The packed spatial index of GeoPackage layers: for layers of every size around
// the node boundaries (empty, one leaf, one leaf and one point, two levels, three),
// SQLite's own check passes, the index holds every point and no null geometry, a
// spatial filter through it finds exactly the features a full scan finds, and the
// index stays whole when GDAL adds and deletes features afterwards.
#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogrsf_frmts.h>

#include <memory>
#include <random>

#include "layers/layer_writer.h"
#include "support/temp_dir.h"

namespace quillon {
namespace {

struct Point {
  double X, Y;
};

// A drive: a random walk, coming back over itself, with points off the route.
std::vector<Point> Drive(int count, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> step(-1e-4, 1e-4), anywhere(0.0, 1.0);
  std::vector<Point> points;
  double x = -73.55, y = 45.5;
  for (int i = 0; i < count; ++i) {
    if (i % 97 == 13) {
      points.push_back({-73.6 + 0.1 * anywhere(random), 45.45 + 0.1 * anywhere(random)});
      continue;
    }
    x += step(random), y += step(random);
    points.push_back({x, y});
  }
  return points;
}

std::string Scalar(GDALDataset& ds, const std::string& sql) {
  OGRLayer* result = ds.ExecuteSQL(sql.c_str(), nullptr, nullptr);
  std::string value;
  if (result) {
    if (OGRFeature* f = result->GetNextFeature()) {
      value = f->GetFieldAsString(0);
      OGRFeature::DestroyFeature(f);
    }
    ds.ReleaseResultSet(result);
  }
  return value;
}

int64_t Filtered(OGRLayer& layer, double minX, double minY, double maxX, double maxY) {
  layer.SetSpatialFilterRect(minX, minY, maxX, maxY);
  int64_t n = 0;
  for (auto& f : layer) n += f != nullptr;
  layer.SetSpatialFilter(nullptr);
  return n;
}

TEST(GeoPackageIndexTest, PackedIndexIsWholeAtEverySize) {
  GDALAllRegister();
  // Nodes of 51 cells: 51 points fill a leaf, 52 need a parent, 2602 a third level.
  const struct {
    int Points;
    int Depth;
  } cases[] = {{0, 0}, {1, 0}, {51, 0}, {52, 1}, {2601, 1}, {2602, 2}, {30000, 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Points);
    testing::TempDir dir;
    const std::string path = dir.File("points.gpkg");
    const std::vector<Point> points = Drive(c.Points, static_cast<unsigned>(c.Points));
    {
      auto writer = MakeLayerWriter(OutputFormat::GeoPackage);
      std::string error;
      ASSERT_TRUE(writer->Open(path, kMeasurementLayer, {}, LayerGeometry::Point, error)) << error;
      ASSERT_TRUE(writer->BeginLog(error)) << error;
      LayerFeature feature;
      feature.HasPoint = false;  // a row before the first fix: no point, not indexed
      ASSERT_TRUE(writer->Write(feature, error)) << error;
      for (const Point& p : points) {
        feature.HasPoint = true, feature.Longitude = p.X, feature.Latitude = p.Y;
        ASSERT_TRUE(writer->Write(feature, error)) << error;
      }
      ASSERT_TRUE(writer->EndLog(true, error)) << error;
      ASSERT_TRUE(writer->Close(true, error)) << error;
    }
    std::unique_ptr<GDALDataset> ds(GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_UPDATE));
    ASSERT_TRUE(ds);
    EXPECT_EQ(Scalar(*ds, "SELECT rtreecheck('rtree_measurements_geom')"), "ok");
    EXPECT_EQ(Scalar(*ds, "SELECT count(*) FROM rtree_measurements_geom"), std::to_string(c.Points));
    EXPECT_EQ(Scalar(*ds, "SELECT count(*) FROM rtree_measurements_geom r JOIN measurements m ON m.fid = r.id "
                          "WHERE ST_X(m.geom) BETWEEN r.minx AND r.maxx AND ST_Y(m.geom) BETWEEN r.miny AND r.maxy"),
              std::to_string(c.Points));
    EXPECT_EQ(Scalar(*ds, "SELECT hex(substr(data, 1, 2)) FROM rtree_measurements_geom_node WHERE nodeno = 1"),
              c.Depth == 0 ? "0000" : c.Depth == 1 ? "0001" : "0002");
    EXPECT_EQ(Scalar(*ds, "SELECT count(*) FROM gpkg_extensions WHERE extension_name = 'gpkg_rtree_index' "
                          "AND table_name = 'measurements' AND column_name = 'geom'"),
              "1");
    EXPECT_EQ(Scalar(*ds, "SELECT count(*) FROM sqlite_master WHERE type = 'trigger' AND name LIKE 'rtree_%'"), "6");

    OGRLayer* layer = ds->GetLayerByName(kMeasurementLayer);
    ASSERT_TRUE(layer);
    std::mt19937 random(7);
    std::uniform_real_distribution<double> corner(0.0, 1.0);
    for (int r = 0; r < 12; ++r) {
      const double minX = -73.6 + 0.1 * corner(random), minY = 45.45 + 0.1 * corner(random);
      const double maxX = minX + 0.05 * corner(random), maxY = minY + 0.05 * corner(random);
      int64_t scanned = 0;
      for (const Point& p : points) scanned += p.X >= minX && p.X <= maxX && p.Y >= minY && p.Y <= maxY;
      EXPECT_EQ(Filtered(*layer, minX, minY, maxX, maxY), scanned) << minX << " " << minY;
    }

    // SQLite keeps the packed tree up to date: full nodes split, emptied ones go.
    OGRFeature added(layer->GetLayerDefn());
    for (int i = 0; i < 120; ++i) {
      added.SetFID(OGRNullFID);
      added.SetGeometryDirectly(new OGRPoint(-73.55 + i * 1e-5, 45.5));
      ASSERT_EQ(layer->CreateFeature(&added), OGRERR_NONE);
    }
    for (int fid = 2; fid < std::min(c.Points, 200); fid += 2) ASSERT_EQ(layer->DeleteFeature(fid), OGRERR_NONE);
    EXPECT_EQ(Scalar(*ds, "SELECT rtreecheck('rtree_measurements_geom')"), "ok");
    EXPECT_EQ(Scalar(*ds, "SELECT count(*) FROM rtree_measurements_geom"),
              Scalar(*ds, "SELECT count(*) FROM measurements WHERE geom IS NOT NULL"));
  }
}

}  // namespace
}  // namespace quillon
