#include "bins/bin_grid.h"

#include "gis/gis_module.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

namespace quillon {

namespace {

constexpr double kCellsPerDegree = 256.0;
constexpr double kEdgeMargin = 0.05;          // metres: closer to an edge, PROJ decides
constexpr double kInterpolationError = 5e-3;  // metres: a block interpolated worse is projected point by point

// The EPSG code of "EPSG:NNNN" (letter case ignored), or 0.
int EpsgCode(const std::string& crs) {
  if (crs.size() < 6 || crs.size() > 11) return 0;
  for (size_t i = 0; i < 5; ++i)
    if (std::toupper(static_cast<unsigned char>(crs[i])) != "EPSG:"[i]) return 0;
  for (size_t i = 5; i < crs.size(); ++i)
    if (!std::isdigit(static_cast<unsigned char>(crs[i]))) return 0;
  return std::atoi(crs.c_str() + 5);
}

}  // namespace

BinGrid::BinGrid(int metres, const std::string& crs) : Size(metres) {
  if (!crs.empty()) CrsName = "EPSG:" + std::to_string(EpsgCode(crs));
}

BinGrid::~BinGrid() = default;

std::string BinGrid::Unavailable() {
#ifdef QUILLON_WITHOUT_GIS
  return "Coverage bins are not part of this build of the program: it has no PROJ.";
#else
  return GisNeeded("Coverage bins (--bins)");
#endif
}

std::string BinGrid::CheckCrs(const std::string& crs) {
  const int code = EpsgCode(crs);
  if (code <= 0) return "\"" + crs + "\" is not an EPSG code: give it as EPSG:NNNN.";
  if (std::string why = Unavailable(); !why.empty()) return why;
  return Gis()->CheckCrs(code);
}

int BinGrid::UtmZoneCode(double lon, double lat) {
  int zone = static_cast<int>(std::floor((lon + 180.0) / 6.0)) + 1;
  zone = zone < 1 ? 1 : zone > 60 ? 60 : zone;
  return (lat < 0 ? 32700 : 32600) + zone;
}

bool BinGrid::SetUp(double lon, double lat) {
  if (!Error.empty()) return false;
  if (CrsName.empty()) CrsName = "EPSG:" + std::to_string(UtmZoneCode(lon, lat));
  const GisFunctions* gis = Gis();
  std::string why = GisUnavailable();
  if (gis) P = gis->MakeProjection(EpsgCode(CrsName), why);
  if (P) return true;
  Error = "The bins' coordinate system " + CrsName + " cannot be used: " + why;
  return false;
}

bool BinGrid::Project(double lon, double lat, double& e, double& n) const {
  // Columns and rows fit 32 bits.
  return P->Forward(lon, lat, e, n) && std::fabs(e) < 1e9 && std::fabs(n) < 1e9;
}

const BinGrid::Vertex& BinGrid::VertexAt(int64_t lon, int64_t lat) {
  Vertex& v = Vertices[static_cast<size_t>(((lon & 63) << 6) | (lat & 63))];
  if (v.Lon != lon || v.Lat != lat) {
    v.Lon = lon, v.Lat = lat;
    v.Valid = Project(static_cast<double>(lon) / kCellsPerDegree, static_cast<double>(lat) / kCellsPerDegree, v.E, v.N);
  }
  return v;
}

// The interpolation error of a cell is greatest at its centre and changes little
// from one cell to the next: the first cell of a block reached stands for it.
bool BinGrid::Interpolates(int64_t lon, int64_t lat) {
  Block& b = Blocks[static_cast<size_t>((((lon >> 5) & 7) << 3) | ((lat >> 5) & 7))];
  if (b.Lon == (lon >> 5) && b.Lat == (lat >> 5)) return !b.Exact;
  b.Lon = lon >> 5, b.Lat = lat >> 5;
  b.Exact = true;
  double e, n, ie = 0.0, in = 0.0;
  for (int k = 0; k < 4; ++k) {
    const Vertex& v = VertexAt(lon + (k & 1), lat + (k >> 1));
    if (!v.Valid) return false;
    ie += v.E / 4, in += v.N / 4;
  }
  if (!Project((static_cast<double>(lon) + 0.5) / kCellsPerDegree, (static_cast<double>(lat) + 0.5) / kCellsPerDegree,
               e, n))
    return false;
  b.Exact = std::hypot(ie - e, in - n) > kInterpolationError;
  return !b.Exact;
}

bool BinGrid::Locate(double lon, double lat, int64_t& column, int64_t& row) {
  if (!std::isfinite(lon) || !std::isfinite(lat) || std::fabs(lon) > 180.0 || std::fabs(lat) > 90.0) return false;
  if (!P && !SetUp(lon, lat)) return false;
  const double fl = lon * kCellsPerDegree, fa = lat * kCellsPerDegree;
  const auto il = static_cast<int64_t>(FloorOf(fl)), ia = static_cast<int64_t>(FloorOf(fa));
  double e, n;
  const double size = Size;
  bool exact = !Interpolates(il, ia);
  if (!exact) {
    const Vertex &sw = VertexAt(il, ia), &se = VertexAt(il + 1, ia), &nw = VertexAt(il, ia + 1),
                 &ne = VertexAt(il + 1, ia + 1);
    if (!(sw.Valid && se.Valid && nw.Valid && ne.Valid)) {
      exact = true;
    } else {
      const double u = fl - static_cast<double>(il), v = fa - static_cast<double>(ia);
      e = (1 - v) * ((1 - u) * sw.E + u * se.E) + v * ((1 - u) * nw.E + u * ne.E);
      n = (1 - v) * ((1 - u) * sw.N + u * se.N) + v * ((1 - u) * nw.N + u * ne.N);
      const double fe = e - FloorOf(e / size) * size, fn = n - FloorOf(n / size) * size;
      exact = fe < kEdgeMargin || size - fe < kEdgeMargin || fn < kEdgeMargin || size - fn < kEdgeMargin;
    }
  }
  if (exact && !Project(lon, lat, e, n)) return false;
  column = static_cast<int64_t>(FloorOf(e / size));
  row = static_cast<int64_t>(FloorOf(n / size));
  return true;
}

std::array<LonLat, 5> BinGrid::Corners(int64_t column, int64_t row) const {
  std::array<LonLat, 5> ring;
  static constexpr int kCorner[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  for (int k = 0; k < 4; ++k) {
    LonLat& corner = ring[static_cast<size_t>(k)];
    P->Inverse(static_cast<double>(column + kCorner[k][0]) * Size, static_cast<double>(row + kCorner[k][1]) * Size,
               corner.Lon, corner.Lat);
  }
  ring[4] = ring[0];
  return ring;
}

LonLat BinGrid::Centre(int64_t column, int64_t row) const {
  LonLat centre;
  P->Inverse((static_cast<double>(column) + 0.5) * Size, (static_cast<double>(row) + 0.5) * Size, centre.Lon,
             centre.Lat);
  return centre;
}

}  // namespace quillon
