#include "indexing/level_counts.h"

#include <algorithm>

namespace quillon {

void LevelCounts::Take(const LevelCounts& other) {
  for (size_t i = 0; i < Counts.size(); ++i) Counts[i] += other.Counts[i];
  NoMeasurement += other.NoMeasurement;
}

uint64_t LevelCounts::Measured() const {
  uint64_t n = 0;
  for (uint64_t c : Counts) n += c;
  return n;
}

uint64_t LevelCounts::AtOrAbove(int dbm) const {
  uint64_t n = 0;
  for (int level = std::max(dbm, kLowest); level <= 127; ++level) n += Counts[static_cast<size_t>(level - kLowest)];
  return n;
}

int LevelCounts::Percentile(double share) const {
  const uint64_t total = Measured();
  if (total == 0) return kLowest - 1;
  const double wanted = share * static_cast<double>(total);
  uint64_t below = 0;
  for (size_t i = 0; i < Counts.size(); ++i) {
    below += Counts[i];
    if (below > 0 && static_cast<double>(below) >= wanted) return static_cast<int>(i) + kLowest;
  }
  return 127;
}

}  // namespace quillon
