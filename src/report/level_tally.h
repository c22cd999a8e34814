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

#include "indexing/level_counts.h"
#include "reader/row_view.h"

namespace quillon {

class LevelTally {
 public:
  // Counts the entries the row carries; adds their measured levels to `sum` and
  // their number to `count`.
  void AddRow(const RowView& row, int64_t& sum, int64_t& count);
  // By receiver, then frequency.
  std::vector<const LevelCounts*> Levels() const;
  // Every receiver's and frequency's measured levels together.
  LevelCounts All() const;

 private:
  LevelCounts& Of(int receiver, int64_t frequency);
  static void Count(LevelCounts& counts, int rssi) {
    if (rssi == kNoMeasurementDbm)
      ++counts.NoMeasurement;
    else
      ++counts.Counts[static_cast<size_t>((rssi < -128 ? -128 : rssi > 127 ? 127 : rssi) - LevelCounts::kLowest)];
  }
  // The counts of a located entry, found through a small direct-mapped table of
  // the entry's band steps or channel, valid while the reader's bands stay the same.
  LevelCounts& Located(const RowView& row, int receiver, uint32_t value, bool table);

  struct Slot {
    uint64_t Key = UINT64_MAX, Generation = 0, Serial = 0;
    LevelCounts* Counts = nullptr;
  };
  std::map<std::pair<int32_t, int64_t>, LevelCounts> Table;
  std::array<Slot, 1024> Slots;
};

}  // namespace quillon
