#include "reduction/lambda_averager.h"

#include <algorithm>
#include <cmath>

namespace quillon {

namespace {
constexpr double kEarthRadius = 6378137.0;  // metres, the WGS 84 equatorial radius
constexpr double kPi = 3.14159265358979323846;
}  // namespace

void TLambdaAverager::Initialise(double frequencyMHz, double spacingFactor, double binFactor) {
  Wavelength = 300000000 / (frequencyMHz * 1000000);  // metres: the speed of light (3e8 m/s) over the frequency
  SampleSpacing = spacingFactor * Wavelength;
  BinLength = binFactor * Wavelength;
  FirstFix = 1;
  Initialised = 1;
  PendingSamples.clear();
  PlacedSamples.clear();
  BinSize = 0;
  BinSum = 0.0;
  Points.clear();
}

size_t TLambdaAverager::AddSample(double rssi) {
  // Truncation toward zero; values outside the 32-bit range (never whole dBm) clamp.
  double t = std::trunc(rssi);
  if (!(t >= -2147483648.0)) t = -2147483648.0;
  if (t > 2147483647.0) t = 2147483647.0;
  PendingSamples.push_back(static_cast<int32_t>(t));
  return PendingSamples.size();
}

double TLambdaAverager::GreatCircleDistance(double lat1, double lon1, double lat2, double lon2) {
  const double phi1 = lat1 * kPi / 180;
  const double phi2 = lat2 * kPi / 180;
  const double lam1 = lon1 * kPi / 180;
  const double lam2 = lon2 * kPi / 180;
  const double a = std::pow(std::sin((phi2 - phi1) / 2), 2) +
                   std::cos(phi1) * std::cos(phi2) * std::pow(std::sin((lam2 - lam1) / 2), 2);
  return kEarthRadius * 2 * std::atan2(std::pow(a, 0.5), std::pow(1 - a, 0.5));
}

void TLambdaAverager::AppendToBin(const PositionedSample& p) {
  if (BinSize == 0) BinFirst = p;
  BinLast = p;
  BinSum += p.Rssi;
  ++BinSize;
}

void TLambdaAverager::CloseBin() {
  if (BinSize == 0) return;
  PositionedSample point;
  point.Rssi = BinSum / static_cast<double>(BinSize);
  point.Latitude = (BinFirst.Latitude + BinLast.Latitude) * 0.5;
  point.Longitude = (BinFirst.Longitude + BinLast.Longitude) * 0.5;
  Points.push_back(point);
  ++WindowSizes[std::min(BinSize, kLargestWindowCounted)];
  BinSize = 0;
  BinSum = 0.0;
}

bool TLambdaAverager::AddFix(double latitude, double longitude) {
  const GeoPoint fix{latitude, longitude};
  const size_t n = PendingSamples.size();
  if (FirstFix) {
    PriorFix = BinStart = LastKept = fix;
    FirstFix = 0;
  } else {
    PriorFix = LatestFix;
    SamplesBetweenFixes += n;
    ++FixIntervals;
  }
  LatestFix = fix;

  if (n > 0) {
    const double dLat = (LatestFix.Latitude - PriorFix.Latitude) / static_cast<double>(n);
    const double dLon = (LatestFix.Longitude - PriorFix.Longitude) / static_cast<double>(n);
    for (size_t i = 0; i < n; ++i) {
      const int32_t r = PendingSamples.front();
      PendingSamples.pop_front();
      const double di = static_cast<double>(i);
      PlacedSamples.push_back({PriorFix.Latitude + di * dLat, PriorFix.Longitude + di * dLon, static_cast<double>(r)});
    }
  }

  bool closed = false;
  const size_t m = PlacedSamples.size();
  for (size_t i = 0; i < m; ++i) {
    const PositionedSample p = PlacedSamples.front();
    PlacedSamples.pop_front();
    if (GreatCircleDistance(BinStart.Latitude, BinStart.Longitude, p.Latitude, p.Longitude) >= BinLength) {
      CloseBin();
      BinStart = LastKept = {p.Latitude, p.Longitude};
      AppendToBin(p);
      closed = true;
    }
    if (GreatCircleDistance(LastKept.Latitude, LastKept.Longitude, p.Latitude, p.Longitude) >= SampleSpacing) {
      AppendToBin(p);
      LastKept = {p.Latitude, p.Longitude};
    }
  }
  return closed;
}

int TLambdaAverager::TakePoint(double& latitude, double& longitude, double& rssi) {
  if (Points.empty()) {
    latitude = 0;
    longitude = 0;
    rssi = -120.0;
    return -1;
  }
  const PositionedSample p = Points.front();
  Points.pop_front();
  latitude = p.Latitude;
  longitude = p.Longitude;
  rssi = p.Rssi;
  return 0;
}

}  // namespace quillon
