// LevelCounts: measured RSSI levels counted in whole dBm (one receiver, and one
// frequency or all), with the shares and percentiles the route map's colour scale
// and the survey report's tables are made of. -120 dBm is where the receiver
// measured nothing: it is counted apart and is no level.
#pragma once
#include <array>
#include <cstdint>

namespace quillon {

struct LevelCounts {
  static constexpr int kLowest = -128;  // an RSSI byte's range
  int32_t Receiver = 1;
  int64_t Frequency = -1;  // 1/100000 MHz; -1: entries without a frequency
  std::array<uint64_t, 256> Counts{};  // [dBm - kLowest]; -120 is never counted here
  uint64_t NoMeasurement = 0;

  // Adds another's counts to these.
  void Take(const LevelCounts& other);
  uint64_t Measured() const;
  uint64_t AtOrAbove(int dbm) const;
  // The least level at or below which at least `share` (0..1) of the measured lie;
  // kLowest - 1 when nothing was measured.
  int Percentile(double share) const;
};

}  // namespace quillon
