// TLambdaAverager: 40-lambda averaging of single-channel RSSI samples.
// Samples queue up between GPS fixes; each fix spreads the queued samples evenly
// from the previous fix towards itself, keeps at most one sample per
// SampleSpacing metres of travel, and closes a bin (one averaged point: mean dBm at
// the midpoint of the bin's first and last kept sample) whenever a sample lies
// BinLength metres or more from the bin's first sample. Distances are haversine
// great-circle distances on a sphere of radius 6378137.0 m.
// A bin is held as a running sum with its first and last sample, so memory stays
// flat however long a bin grows.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>

namespace quillon {

struct PositionedSample {
  double Latitude = 0.0;
  double Longitude = 0.0;
  double Rssi = 0.0;
};

struct GeoPoint {
  double Latitude = 0.0;
  double Longitude = 0.0;
};

class TLambdaAverager {
 public:
  // Frequency in MHz; the reader always passes the factors 0.4 and 40.
  void Initialise(double frequencyMHz, double spacingFactor, double binFactor);
  // Queues a sample (truncated to whole dBm); returns the number of queued samples.
  size_t AddSample(double rssi);
  // True when at least one bin was closed while this fix was processed.
  bool AddFix(double latitude, double longitude);
  // 0 and the oldest point; -1 (and 0, 0, -120.0) when no point is left.
  int TakePoint(double& latitude, double& longitude, double& rssi);

  static double GreatCircleDistance(double lat1, double lon1, double lat2, double lon2);

  uint8_t Initialised = 0;
  uint8_t FirstFix = 1;
  double Wavelength = 0.0;
  double SampleSpacing = 0.0;
  double BinLength = 0.0;
  GeoPoint PriorFix, LatestFix, BinStart, LastKept;

  // What the windows closed so far held, for the survey's quality (Lee's criterion):
  // WindowSizes[n] windows of n kept samples (the last place: that many or more),
  // and the samples that arrived between two fixes, over that many fix intervals.
  // They add up over every log until cleared.
  static constexpr size_t kLargestWindowCounted = 127;
  std::array<uint64_t, kLargestWindowCounted + 1> WindowSizes{};
  uint64_t SamplesBetweenFixes = 0, FixIntervals = 0;
  void ClearWindowStatistics() {
    WindowSizes.fill(0);
    SamplesBetweenFixes = FixIntervals = 0;
  }

  size_t PendingCount() const { return PendingSamples.size(); }
  size_t BinCount() const { return BinSize; }
  size_t PointCount() const { return Points.size(); }

 private:
  void AppendToBin(const PositionedSample& p);
  void CloseBin();

  std::deque<int32_t> PendingSamples;
  std::deque<PositionedSample> PlacedSamples;
  // The current bin: sample count, rssi sum in arrival order, first and last sample.
  size_t BinSize = 0;
  double BinSum = 0.0;
  PositionedSample BinFirst, BinLast;
  std::deque<PositionedSample> Points;
};

// The one averager of the program, fed by the reader.
// The window's averager: the one its reader owns (defined with that reader).
extern TLambdaAverager& Averager;

}  // namespace quillon
