#include "convert/frequency_check.h"

#include <cstdio>

namespace quillon {

FrequencyNeed CheckFrequencyNeed(TLogReader& reader, const std::string& input) {
  reader.ManualFrequencies = 0;  // the file's own records decide
  reader.ConvertingPass = 0;
  if (reader.OpenInput(input) != 0) return FrequencyNeed::Unreadable;
  const uint8_t* record = nullptr;
  for (int64_t n = reader.NextRecord(record); n != 0 && !reader.SingleDefSeen; n = reader.NextRecord(record)) {
    if (reader.LastRecordLength <= 0) continue;
    const uint8_t kind = record[0];
    if (kind == 1 || kind == 2 || kind == 3 || kind == 5) reader.ProcessRecord(record);
  }
  const bool needed = reader.FrequenciesMissing();
  reader.CloseInput();
  return needed ? FrequencyNeed::Needed : FrequencyNeed::NotNeeded;
}

std::string BandRangeText(const BandInfo& band) {
  char text[96];
  std::snprintf(text, sizeof text, "(%.5f - %.5f MHz)", band.LowestMHz(), band.HighestMHz());
  return text;
}

}  // namespace quillon
