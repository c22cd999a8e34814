// LevelTally: the RSSI of the entries a conversion's rows carry, counted in whole
// dBm per receiver and frequency (keyed as the output prints it, five decimals),
// for the survey report's histograms, distributions and coverage shares. -120 dBm
// is where the receiver measured nothing: counted apart and left out of every level
// and share. Memory is one small table per receiver and frequency.
#pragma once
#include <array>
#include <cstdint>
#include <map>
#include <vector>

#include "reader/row_view.h"

namespace quillon {

struct LevelCounts {
  static constexpr int kLowest = -128;  // an RSSI byte's range
  int32_t Receiver = 1;
  int64_t Frequency = -1;  // 1/100000 MHz; -1: entries without a frequency
  std::array<uint64_t, 256> Counts{};  // [dBm - kLowest]; -120 is never counted here
  uint64_t NoMeasurement = 0;

  uint64_t Measured() const;
  uint64_t AtOrAbove(int dbm) const;
  // The least level at or below which at least `share` (0..1) of the measured lie;
  // kLowest - 1 when nothing was measured.
  int Percentile(double share) const;
};

class LevelTally {
 public:
  // Counts the entries the row carries.
  void AddRow(const RowView& row);
  void Add(int receiver, int64_t frequency, int rssi);
  void Merge(const LevelTally& other);
  // By receiver, then frequency.
  std::vector<const LevelCounts*> Levels() const;
  // Every receiver's and frequency's measured levels together.
  LevelCounts All() const;

 private:
  LevelCounts& Of(int receiver, int64_t frequency);
  int64_t KeyOf(const RowView& row, uint32_t value, bool table);

  std::map<std::pair<int32_t, int64_t>, LevelCounts> Table;
  LevelCounts* Last = nullptr;
  int32_t LastReceiver = 0;
  int64_t LastFrequency = -2;
  double LastMHz = -3.0;
  int64_t LastKey = -1;
};

}  // namespace quillon
