#include "report/level_tally.h"

#include <algorithm>

#include "reader/number_text.h"

namespace quillon {

LevelCounts& LevelTally::Of(int receiver, int64_t frequency) {
  if (Last && receiver == LastReceiver && frequency == LastFrequency) return *Last;
  LevelCounts& counts = Table[{receiver, frequency}];
  counts.Receiver = receiver;
  counts.Frequency = frequency;
  Last = &counts;
  LastReceiver = receiver;
  LastFrequency = frequency;
  return counts;
}

int64_t LevelTally::KeyOf(const RowView& row, uint32_t value, bool table) {
  const double mhz = row.FrequencyMHz(DataEntry{value, table, true, 0});
  if (mhz != LastMHz) {
    LastMHz = mhz;
    LastKey = PrintedKey(mhz, 5);
  }
  return LastKey;
}

void LevelTally::Add(int receiver, int64_t frequency, int rssi) {
  LevelCounts& counts = Of(receiver, frequency);
  if (rssi == kNoMeasurementDbm)
    ++counts.NoMeasurement;
  else
    ++counts.Counts[static_cast<size_t>(std::clamp(rssi, LevelCounts::kLowest, 127) - LevelCounts::kLowest)];
}

void LevelTally::AddRow(const RowView& row) {
  const int receiver = row.Receiver();
  const int8_t* samples = nullptr;
  int32_t count = 0, stored = 0;
  uint32_t frequency = 0;
  if (row.SampleRun(samples, count, stored, frequency)) {  // one frequency: the samples counted at once
    LevelCounts& counts = Of(receiver, KeyOf(row, frequency, false));
    for (int32_t j = 0; j < stored; ++j) ++counts.Counts[static_cast<size_t>(samples[j] - LevelCounts::kLowest)];
    const uint64_t none = counts.Counts[static_cast<size_t>(kNoMeasurementDbm - LevelCounts::kLowest)];
    counts.Counts[static_cast<size_t>(kNoMeasurementDbm - LevelCounts::kLowest)] = 0;
    counts.NoMeasurement += none + static_cast<uint64_t>(count - stored);
    return;
  }
  row.ForEachEntry([&](const DataEntry& e) { Add(receiver, e.Located ? KeyOf(row, e.Value, e.Table) : -1, e.Rssi); });
}

void LevelTally::Merge(const LevelTally& other) {
  for (const auto& [key, counts] : other.Table) {
    LevelCounts& mine = Of(key.first, key.second);
    for (size_t i = 0; i < mine.Counts.size(); ++i) mine.Counts[i] += counts.Counts[i];
    mine.NoMeasurement += counts.NoMeasurement;
  }
}

std::vector<const LevelCounts*> LevelTally::Levels() const {
  std::vector<const LevelCounts*> list;
  for (const auto& entry : Table) list.push_back(&entry.second);
  return list;
}

LevelCounts LevelTally::All() const {
  LevelCounts all;
  for (const auto& entry : Table) {
    for (size_t i = 0; i < all.Counts.size(); ++i) all.Counts[i] += entry.second.Counts[i];
    all.NoMeasurement += entry.second.NoMeasurement;
  }
  return all;
}

}  // namespace quillon
