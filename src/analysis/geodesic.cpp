#include "analysis/geodesic.h"

#include <algorithm>
#include <cmath>
#include <limits>

#ifndef QUILLON_WITHOUT_PROJ
#include <geodesic.h>
#endif

namespace quillon {

#ifndef QUILLON_WITHOUT_PROJ
namespace {
const geod_geodesic& Wgs84() {
  static const geod_geodesic ellipsoid = [] {
    geod_geodesic g;
    geod_init(&g, 6378137.0, 1.0 / 298.257223563);
    return g;
  }();
  return ellipsoid;
}
}  // namespace

bool GeodesicAvailable() { return true; }

double GeodesicDistance(double lat1, double lon1, double lat2, double lon2) {
  double metres = 0.0, azimuth1 = 0.0, azimuth2 = 0.0;
  geod_inverse(&Wgs84(), lat1, lon1, lat2, lon2, &metres, &azimuth1, &azimuth2);
  return metres;
}
double DistanceFrom::Measure(double lat, double lon, double& x) {
  double metres = 0, azimuth1 = 0, azimuth2 = 0, reduced = 0, scale12 = 0, scale21 = 0, area = 0;
  geod_geninverse(&Wgs84(), Lat, Lon, lat, lon, &metres, &azimuth1, &azimuth2, &reduced, &scale12, &scale21, &area);
  // Near the transmitter, or near a pole, every point is measured.
  Known = metres > 10 && std::fabs(lat) < 89 && reduced > 0;
  x = std::log10(metres / 1000.0);
  if (!Known) return metres;
  constexpr double kA = 6378137.0, kF = 1.0 / 298.257223563, kE2 = kF * (2 - kF), kDegree = 3.14159265358979323846 / 180;
  const double s = std::sin(lat * kDegree), c = std::cos(lat * kDegree), w = std::sqrt(1 - kE2 * s * s);
  NorthPerDegree = kA * (1 - kE2) / (w * w * w) * kDegree;  // meridian radius of curvature
  EastPerDegree = kA / w * c * kDegree;                      // the prime vertical's, on the parallel
  TanOverN = s / c / (kA / w);
  AlongNorth = std::cos(azimuth2 * kDegree), AlongEast = std::sin(azimuth2 * kDegree);
  Curvature = scale21 / reduced * metres;
  Radius = std::min(kFarthestCarry, kCarryShare * metres);
  RefLat = lat, RefLon = lon, RefMetres = metres, RefX = x, PerRefMetre = 1.0 / metres;
  return metres;
}
#else
bool GeodesicAvailable() { return false; }
double DistanceFrom::Measure(double, double, double& x) { return x = std::numeric_limits<double>::quiet_NaN(); }
double GeodesicDistance(double, double, double, double) { return std::numeric_limits<double>::quiet_NaN(); }
#endif

}  // namespace quillon
