// RouteBins: the coverage bins of an indexed file's route, for the route map: the
// route's points gathered into the squares of a BinGrid (the UTM zone of the first
// point), each square with the mean RSSI of the selected receiver's measurements
// that followed the fixes in it (all frequencies together, as the route's points
// are coloured), and its corners in WGS 84. Squares where the receiver measured
// nothing are left out.
#pragma once
#include <array>
#include <vector>

#include "bins/bin_grid.h"
#include "indexing/route_track.h"

namespace quillon {

struct RouteBin {
  std::array<LonLat, 5> Corners;
  double MeanRssi = 0.0;
  uint64_t Samples = 0;
};

// receiver: 0 or 1; metres: 10 to 1000.
std::vector<RouteBin> RouteBins(const RouteTrack& route, int receiver, int metres);

}  // namespace quillon
