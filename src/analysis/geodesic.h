// Geodesic: distances on the WGS 84 ellipsoid by PROJ's geodesic routines (Karney's
// algorithm, accurate to millimetres at any distance, near the poles too). A build
// without PROJ has none.
#pragma once

namespace quillon {

// False in a build without PROJ.
bool GeodesicAvailable();
// The distance in metres between two points (degrees); NaN without PROJ.
double GeodesicDistance(double lat1, double lon1, double lat2, double lon2);

}  // namespace quillon
