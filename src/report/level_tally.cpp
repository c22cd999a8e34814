#include "report/level_tally.h"

#include <algorithm>

#include "reader/number_text.h"

namespace quillon {

LevelCounts& LevelTally::Of(int receiver, int64_t frequency) {
  LevelCounts& counts = Table[{receiver, frequency}];
  counts.Receiver = receiver;
  counts.Frequency = frequency;
  return counts;
}

inline LevelCounts& LevelTally::Located(const RowView& row, int receiver, uint32_t value, bool table) {
  const uint64_t key = (static_cast<uint64_t>(value) << 2) | (table ? 2u : 0u) | static_cast<uint64_t>(receiver == 2);
  Slot& slot = Slots[((key * 0x9E3779B97F4A7C15ull) >> 54) & (Slots.size() - 1)];
  const DecodedState& state = row.State();
  if (slot.Key == key && slot.Generation == state.BandGeneration && slot.Serial == state.Serial) return *slot.Counts;
  slot.Key = key;
  slot.Generation = state.BandGeneration;
  slot.Serial = state.Serial;
  slot.Counts = &Of(receiver, PrintedKey(row.FrequencyMHz(DataEntry{value, table, true, 0}), 5));
  return *slot.Counts;
}

void LevelTally::AddRow(const RowView& row, int64_t& sum, int64_t& count) {
  const int receiver = row.Receiver();
  const int8_t* samples = nullptr;
  int32_t entries = 0, stored = 0;
  uint32_t frequency = 0;
  if (row.SampleRun(samples, entries, stored, frequency)) {  // one frequency: the samples counted at once
    LevelCounts& counts = Located(row, receiver, frequency, false);
    int64_t total = 0;
    for (int32_t j = 0; j < stored; ++j) {
      ++counts.Counts[static_cast<size_t>(samples[j] - LevelCounts::kLowest)];
      total += samples[j];
    }
    uint64_t& none = counts.Counts[static_cast<size_t>(kNoMeasurementDbm - LevelCounts::kLowest)];
    sum += total - static_cast<int64_t>(none) * kNoMeasurementDbm;
    count += stored - static_cast<int64_t>(none);
    counts.NoMeasurement += none + static_cast<uint64_t>(entries - stored);
    none = 0;
    return;
  }
  row.ForEachEntry([&](const DataEntry& e) {
    Count(e.Located ? Located(row, receiver, e.Value, e.Table) : Of(receiver, -1), e.Rssi);
    if (e.Rssi != kNoMeasurementDbm) sum += e.Rssi, ++count;
  });
}

std::vector<const LevelCounts*> LevelTally::Levels() const {
  std::vector<const LevelCounts*> list;
  for (const auto& entry : Table) list.push_back(&entry.second);
  return list;
}

LevelCounts LevelTally::All() const {
  LevelCounts all;
  for (const auto& entry : Table) all.Take(entry.second);
  return all;
}

}  // namespace quillon
