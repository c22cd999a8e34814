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
double DistanceFrom::To(double lat, double lon, double& x) {
  if (Known) {
    const double north = (lat - RefLat) * NorthPerDegree;
    double dLon = lon - RefLon;
    if (dLon > 180) dLon -= 360;
    else if (dLon < -180) dLon += 360;
    const double east = dLon * EastPerDegree;
    if (north * north + east * east <= Radius * Radius) {
      const double along = north * AlongNorth + east * AlongEast, across = east * AlongNorth - north * AlongEast;
      // s0 + a + b²/2 (d²s/dt²) - a b²/(2 s0) (d²s/dt²): the plane's expansion to third
      // order with the ellipsoid's curvature across the geodesic.
      const double bend = 0.5 * Curvature * across * across;
      const double metres = RefMetres + along + bend - along * bend / RefMetres;
      // log10(d) = log10(d0) + (u - u²/2 + u³/3) / ln 10, u = (d - d0) / d0 (at most 0.02).
      const double u = (metres - RefMetres) / RefMetres;
      x = RefX + u * (1.0 - u * (0.5 - u / 3.0)) * 0.43429448190325182;
      return metres;
    }
  }
  double metres = 0, azimuth1 = 0, azimuth2 = 0, reduced = 0, scale12 = 0, scale21 = 0, area = 0;
  geod_geninverse(&Wgs84(), Lat, Lon, lat, lon, &metres, &azimuth1, &azimuth2, &reduced, &scale12, &scale21, &area);
  // Near the transmitter, or near a pole, every point is measured.
  Known = metres > 10 && std::fabs(lat) < 89 && reduced > 0;
  x = std::log10(metres / 1000.0);
  if (!Known) return metres;
  constexpr double kA = 6378137.0, kF = 1.0 / 298.257223563, kE2 = kF * (2 - kF), kDegree = 3.14159265358979323846 / 180;
  const double s = std::sin(lat * kDegree), w = std::sqrt(1 - kE2 * s * s);
  NorthPerDegree = kA * (1 - kE2) / (w * w * w) * kDegree;  // meridian radius of curvature
  EastPerDegree = kA / w * std::cos(lat * kDegree) * kDegree;
  AlongNorth = std::cos(azimuth2 * kDegree), AlongEast = std::sin(azimuth2 * kDegree);
  Curvature = scale21 / reduced;
  Radius = std::min(20.0, 0.02 * metres);
  RefLat = lat, RefLon = lon, RefMetres = metres, RefX = x;
  return metres;
}
#else
bool GeodesicAvailable() { return false; }
double DistanceFrom::To(double, double, double& x) { return x = std::numeric_limits<double>::quiet_NaN(); }
double GeodesicDistance(double, double, double, double) { return std::numeric_limits<double>::quiet_NaN(); }
#endif

}  // namespace quillon
