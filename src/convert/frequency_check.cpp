#include "convert/frequency_check.h"

#include <cstdio>

#include "reader/messages.h"
#include "reader/record_pass.h"

namespace quillon {

FrequencyNeed CheckFrequencyNeed(TLogReader& reader, const std::string& input) {
  using log_format::RecordKind;
  reader.ManualFrequencies = 0;  // the file's own records decide
  reader.ConvertingPass = 0;
  const auto onRecord = [&reader](const uint8_t* record) {
    if (reader.RecordLength() <= 0) return true;
    switch (static_cast<RecordKind>(record[0])) {
      case RecordKind::Band:
      case RecordKind::Rx1Single:
      case RecordKind::Rx2Single:
      case RecordKind::SingleDefinition: reader.ProcessRecord(record); break;
      default: break;
    }
    return !reader.SingleFrequencyKnown();  // a definition settles it
  };
  const PassEnd end = RunPass(
      reader, input, [] { return false; }, [] { return true; }, onRecord, [](int) { return true; });
  if (end == PassEnd::NotOpened) return FrequencyNeed::Unreadable;
  return reader.FrequenciesMissing() ? FrequencyNeed::Needed : FrequencyNeed::NotNeeded;
}

std::string BandRangeText(const BandInfo& band) {
  char text[96];
  std::snprintf(text, sizeof text, messages::kBandRange, band.LowestMHz(), band.HighestMHz());
  return text;
}

}  // namespace quillon
