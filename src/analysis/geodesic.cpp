#include "analysis/geodesic.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "gis/gis_module.h"

namespace quillon {

bool GeodesicAvailable() { return Gis() != nullptr; }

double GeodesicDistance(double lat1, double lon1, double lat2, double lon2) {
  const GisFunctions* gis = Gis();
  return gis ? gis->Inverse(lat1, lon1, lat2, lon2).Metres : std::numeric_limits<double>::quiet_NaN();
}

double DistanceFrom::Measure(double lat, double lon, double& x) {
  const GisFunctions* gis = Gis();
  if (!gis) return x = std::numeric_limits<double>::quiet_NaN();
  const GeodesicLine line = gis->Inverse(Lat, Lon, lat, lon);
  const double metres = line.Metres;
  // Near the transmitter, or near a pole, every point is measured.
  Known = metres > 10 && std::fabs(lat) < 89 && line.Reduced > 0;
  x = std::log10(metres / 1000.0);
  if (!Known) return metres;
  constexpr double kA = 6378137.0, kF = 1.0 / 298.257223563, kE2 = kF * (2 - kF), kDegree = 3.14159265358979323846 / 180;
  const double s = std::sin(lat * kDegree), c = std::cos(lat * kDegree), w = std::sqrt(1 - kE2 * s * s);
  NorthPerDegree = kA * (1 - kE2) / (w * w * w) * kDegree;  // meridian radius of curvature
  EastPerDegree = kA / w * c * kDegree;                      // the prime vertical's, on the parallel
  TanOverN = s / c / (kA / w);
  AlongNorth = std::cos(line.Azimuth2 * kDegree), AlongEast = std::sin(line.Azimuth2 * kDegree);
  Curvature = line.Scale21 / line.Reduced * metres;
  Radius = std::min(kFarthestCarry, kCarryShare * metres);
  RefLat = lat, RefLon = lon, RefMetres = metres, RefX = x, PerRefMetre = 1.0 / metres;
  return metres;
}

}  // namespace quillon
