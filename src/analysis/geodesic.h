// Geodesic: distances on the WGS 84 ellipsoid by PROJ's geodesic routines (Karney's
// algorithm, accurate to millimetres at any distance, near the poles too). A build
// without PROJ has none.
#pragma once

namespace quillon {

// False in a build without PROJ.
bool GeodesicAvailable();
// The distance in metres between two points (degrees); NaN without PROJ.
double GeodesicDistance(double lat1, double lon1, double lat2, double lon2);

// Distances from one point (a transmitter) to the points of a drive, which come one
// close to the last. Each is PROJ's geodesic distance, or, within a small radius of
// the last point PROJ measured (2 % of its distance, at most 20 m), that distance
// carried to the new point by its derivatives (the geodesic's azimuth there, and its
// reduced length and geodesic scale for the curvature across it): the error of that
// step is below a millimetre (the tests measure it against PROJ on drives near and
// far, at every latitude), and it costs a few multiplications instead of a geodesic.
class DistanceFrom {
 public:
  DistanceFrom(double lat, double lon) : Lat(lat), Lon(lon) {}
  double To(double lat, double lon) {
    double x = 0;
    return To(lat, lon, x);
  }
  // The same, with x = log10(metres / 1000) (near a measured point from the series of
  // the logarithm about its distance, to 1e-6 of a decade).
  double To(double lat, double lon, double& x);

 private:
  double Lat, Lon;
  bool Known = false;
  double RefLat = 0, RefLon = 0, RefMetres = 0, RefX = 0;
  double NorthPerDegree = 0, EastPerDegree = 0;  // metres per degree at the reference
  double AlongNorth = 0, AlongEast = 0;          // the unit vector away from the transmitter
  double Curvature = 0;                          // d2s / dt2 across the geodesic
  double Radius = 0;                             // within which the reference serves
};

}  // namespace quillon
