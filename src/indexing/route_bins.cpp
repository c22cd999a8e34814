#include "indexing/route_bins.h"

#include <map>
#include <utility>

namespace quillon {

std::vector<RouteBin> RouteBins(const RouteTrack& route, int receiver, int metres) {
  BinGrid grid(metres, "");
  struct Sums {
    double Rssi = 0.0;
    uint64_t Samples = 0;
  };
  std::map<std::pair<int64_t, int64_t>, Sums> squares;  // by row, then column
  for (const RoutePoint& p : route.Points()) {
    int64_t column, row;
    if (!p.HasRssi(receiver) || !grid.Locate(p.Longitude, p.Latitude, column, row)) continue;
    Sums& s = squares[{row, column}];
    s.Rssi += p.RssiSum[receiver];
    s.Samples += p.Samples[receiver];
  }
  std::vector<RouteBin> bins;
  bins.reserve(squares.size());
  for (const auto& [at, s] : squares)
    bins.push_back({grid.Corners(at.second, at.first), s.Rssi / static_cast<double>(s.Samples), s.Samples});
  return bins;
}

}  // namespace quillon
