// BinGrid: the square grid of coverage bins. Squares of a whole number of metres in
// a projected system (the UTM zone of the first position the grid is given, or a
// system named by its EPSG code), aligned to whole multiples of the size: square
// (column, row) spans [column * size, (column + 1) * size) of easting and the same
// of northing, so that the bins of several logs and of several runs with the same
// size and system coincide. Positions are WGS 84 longitude and latitude.
//
// Locating a position projects the corners of its small cell of latitude and
// longitude (1/256 degree, some 400 m) through PROJ, once for the cells around, and
// interpolates inside the cell, which is exact to a few millimetres (checked once in
// each block of 32 by 32 cells); a position closer than five centimetres to a
// square's edge, or in a block where the interpolation is not that exact, is
// projected by PROJ itself. A grid is used by one thread at a time.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace quillon {

class MetricProjection;

struct LonLat {
  double Lon = 0.0, Lat = 0.0;
};

// floor(x) for |x| < 2^62, without a call into the maths library.
inline double FloorOf(double x) {
  const double t = static_cast<double>(static_cast<int64_t>(x));
  return t > x ? t - 1.0 : t;
}

class BinGrid {
 public:
  static constexpr int kSmallestMetres = 10;
  static constexpr int kLargestMetres = 1000;

  // crs: "EPSG:NNNN" of a projected system in metres, or empty for the UTM zone of
  // the first position located.
  BinGrid(int metres, const std::string& crs);
  ~BinGrid();
  BinGrid(const BinGrid&) = delete;
  BinGrid& operator=(const BinGrid&) = delete;

  // Empty when grids can be made (the GIS module, which holds PROJ, is loaded: this
  // loads it), else why not.
  static std::string Unavailable();
  // Empty when `crs` names a projected system in metres that PROJ knows, else why not.
  static std::string CheckCrs(const std::string& crs);
  // The UTM zone (EPSG code, WGS 84 north 326zz or south 327zz) of a position.
  static int UtmZoneCode(double lon, double lat);

  // The square of a position; false where it cannot be projected (or the system
  // cannot be set up, see Problem()).
  bool Locate(double lon, double lat, int64_t& column, int64_t& row);
  // The square's corners in WGS 84, counter-clockwise from its south-west corner,
  // the first repeated last.
  std::array<LonLat, 5> Corners(int64_t column, int64_t row) const;
  LonLat Centre(int64_t column, int64_t row) const;

  int Metres() const { return Size; }
  // "EPSG:NNNN" once the system is known (after the first position for UTM).
  const std::string& Crs() const { return CrsName; }
  const std::string& Problem() const { return Error; }

 private:
  struct Vertex {  // a corner of the cells, in cells from 0 degrees, and where it projects
    int64_t Lon = INT64_MIN, Lat = INT64_MIN;
    bool Valid = false;
    double E = 0.0, N = 0.0;
  };
  struct Block {  // 32 by 32 cells: whether interpolation is exact enough there
    int64_t Lon = INT64_MIN, Lat = INT64_MIN;
    bool Exact = false;
  };

  bool SetUp(double lon, double lat);
  bool Project(double lon, double lat, double& e, double& n) const;
  const Vertex& VertexAt(int64_t lon, int64_t lat);
  bool Interpolates(int64_t lon, int64_t lat);  // the cell's block can be interpolated

  const int Size;
  std::string CrsName;
  std::string Error;
  std::unique_ptr<MetricProjection> P;  // from the GIS module
  std::array<Vertex, 4096> Vertices;  // a window of 64 by 64 corners
  std::array<Block, 64> Blocks;
};

}  // namespace quillon
