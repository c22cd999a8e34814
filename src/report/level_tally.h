// LevelTally: the RSSI of the entries a conversion's rows carry, counted in whole
// dBm per receiver and frequency (keyed as the output prints it, five decimals),
// for the survey report's histograms, distributions and coverage shares. -120 dBm
// is where the receiver measured nothing: counted apart and left out of every level
// and share. Memory is one small table per receiver and frequency.
#pragma once
#include <cstdint>
#include <map>
#include <vector>

#include "indexing/level_counts.h"
#include "reader/row_view.h"

namespace quillon {

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
