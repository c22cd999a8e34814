// RouteTrack: the drive route of an indexed file for the route map. One point per
// valid GPS fix (2D or 3D), with its time, and the mean RSSI of each receiver's measurements that
// followed it (-120 dBm, no measurement, left out) and the scan they belong to,
// and each receiver's measured levels. Memory stays bounded: past MaxPoints,
// neighbouring points are merged pairwise and later fixes are taken every
// Stride-th, so a file of any size keeps at most MaxPoints points.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "indexing/level_counts.h"

namespace quillon {

class TLogReader;

struct RoutePoint {
  double Latitude = 0.0;
  double Longitude = 0.0;
  int32_t SecondsOfDay = 0;
  int32_t Scan = 0;
  int64_t Time = INT64_MIN;  // seconds since 1970 (UTC); INT64_MIN: the fix is undated
  double RssiSum[2] = {0.0, 0.0};
  uint32_t Samples[2] = {0, 0};

  bool HasRssi(int receiver) const { return Samples[receiver] > 0; }
  double MeanRssi(int receiver) const { return Samples[receiver] ? RssiSum[receiver] / Samples[receiver] : -120.0; }
};

class RouteTrack {
 public:
  explicit RouteTrack(size_t maxPoints = 200000) : MaxPoints(maxPoints < 2 ? 2 : maxPoints) {}

  void Clear();
  // Folds the record that the reader has just decoded into the track.
  void AddRecord(const uint8_t* record, const TLogReader& reader);
  void AddFix(double latitude, double longitude, int32_t secondsOfDay, int32_t scan, int64_t time = INT64_MIN);
  inline void AddRssi(int receiver, int rssi);
  // Measured levels (no -120) of a receiver (0 or 1) added to the latest point at once.
  void AddLevels(int receiver, int64_t sum, int64_t count) {
    if (PointList.empty() || count <= 0) return;
    PointList.back().RssiSum[receiver == 1 ? 1 : 0] += static_cast<double>(sum);
    PointList.back().Samples[receiver == 1 ? 1 : 0] += static_cast<uint32_t>(count);
  }

  const std::vector<RoutePoint>& Points() const { return PointList; }
  // Every sample of a receiver (0 or 1), also those before the first fix.
  const LevelCounts& Levels(int receiver) const { return SampleLevels[receiver == 1 ? 1 : 0]; }
  size_t Stride() const { return FixStride; }

 private:
  void Decimate();

  size_t MaxPoints;
  std::vector<RoutePoint> PointList;
  size_t FixStride = 1;
  size_t FixesSincePoint = 0;
  LevelCounts SampleLevels[2];
};

inline void RouteTrack::AddRssi(int receiver, int rssi) {
  if (receiver < 0 || receiver > 1) return;
  LevelCounts& levels = SampleLevels[receiver];
  if (rssi == -120) {  // the receiver measured nothing
    ++levels.NoMeasurement;
    return;
  }
  ++levels.Counts[static_cast<size_t>((rssi < -128 ? -128 : rssi > 127 ? 127 : rssi) - LevelCounts::kLowest)];
  if (PointList.empty()) return;
  PointList.back().RssiSum[receiver] += rssi;
  ++PointList.back().Samples[receiver];
}

}  // namespace quillon
