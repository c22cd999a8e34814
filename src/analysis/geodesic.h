// Geodesic: distances on the WGS 84 ellipsoid by PROJ's geodesic routines (Karney's
// algorithm, accurate to millimetres at any distance, near the poles too), which the
// GIS module holds: a build without it, or a process that cannot load it, has none.
#pragma once
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quillon {

// False without the GIS module (which this loads).
bool GeodesicAvailable();
// The distance in metres between two points (degrees); NaN without the GIS module.
double GeodesicDistance(double lat1, double lon1, double lat2, double lon2);

// Distances from one point (a transmitter) to the points of a drive, which come one
// close to the last. Each is PROJ's geodesic distance, or, within a small radius of
// the last point PROJ measured (10 % of its distance, at most 500 m), that distance
// carried to the new point: the point is placed in the geodesic coordinates about the
// measured one (to second order in latitude and longitude), and its distance is the
// plane's, along the geodesic's azimuth there, with the curvature across it that the
// geodesic's reduced length and scale give. The error of that step is below a
// millimetre (the tests measure it against PROJ on drives near and far, at every
// latitude), and it costs a few multiplications and a square root instead of a
// geodesic.
class DistanceFrom {
 public:
  DistanceFrom(double lat, double lon) : Lat(lat), Lon(lon) {}
  double To(double lat, double lon) {
    double x = 0;
    return To(lat, lon, x);
  }
  // The same, with x = log10(metres / 1000) (near a measured point from the series of
  // the logarithm about its distance, to 1e-8 of a decade).
  [[gnu::always_inline]] inline double To(double lat, double lon, double& x);

 private:
  // PROJ's distance, which becomes the reference.
  double Measure(double lat, double lon, double& x);

  double Lat, Lon;
  bool Known = false;
  double RefLat = 0, RefLon = 0, RefMetres = 0, RefX = 0, PerRefMetre = 0;
  double NorthPerDegree = 0, EastPerDegree = 0;  // metres per degree at the reference
  double AlongNorth = 0, AlongEast = 0;          // the unit vector away from the transmitter
  double TanOverN = 0;                           // tan(latitude) / prime vertical radius
  double Curvature = 0;                          // d2s / dt2 across the geodesic, times its length
  double Radius = 0;                             // within which the reference serves
  static constexpr double kFarthestCarry = 500.0, kCarryShare = 0.1;
};

// The square root of a number known not to be negative, as one instruction where
// there is one (std::sqrt also checks for a domain error).
inline double SquareRoot(double value) {
#if defined(__SSE2__)
  return _mm_cvtsd_f64(_mm_sqrt_sd(_mm_setzero_pd(), _mm_set_sd(value)));
#else
  return std::sqrt(value);
#endif
}

double DistanceFrom::To(double lat, double lon, double& x) {
  if (Known) {
    const double dLat = lat - RefLat;
    double dLon = lon - RefLon;
    if (dLon > 180) dLon -= 360;
    else if (dLon < -180) dLon += 360;
    double north = dLat * NorthPerDegree, east = dLon * EastPerDegree;
    if (north * north + east * east <= Radius * Radius) {
      // The point in geodesic coordinates about the reference, to second order: a
      // parallel bends poleward of the geodesic leaving east, and a degree of longitude
      // shortens poleward.
      const double bend = TanOverN * east;
      const double shifted = north + 0.5 * bend * east;
      east -= bend * north;
      north = shifted;
      const double along = RefMetres + north * AlongNorth + east * AlongEast;
      const double across = east * AlongNorth - north * AlongEast;
      // The plane's distance, with the ellipsoid's curvature across the geodesic.
      const double metres = SquareRoot(along * along + Curvature * across * across);
      // log10(d) = log10(d0) + log(1 + u) / ln 10, u = (d - d0) / d0 (at most 0.1):
      // the series to u^6, within 1e-8 of a decade.
      const double u = (metres - RefMetres) * PerRefMetre;
      x = RefX + u * (1.0 - u * (0.5 - u * (1.0 / 3 - u * (0.25 - u * (0.2 - u * (1.0 / 6)))))) * 0.43429448190325182;
      return metres;
    }
  }
  return Measure(lat, lon, x);
}

}  // namespace quillon
