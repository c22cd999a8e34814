#include "analysis/geodesic.h"

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
#else
bool GeodesicAvailable() { return false; }
double GeodesicDistance(double, double, double, double) { return std::numeric_limits<double>::quiet_NaN(); }
#endif

}  // namespace quillon
