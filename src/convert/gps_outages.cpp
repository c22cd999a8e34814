#include "convert/gps_outages.h"

#include <vector>

namespace quillon {

bool FindGpsOutages(TLogReader& reader, const std::string& input, int64_t threshold,
                    const std::function<bool()>& stopRequested) {
  if (reader.OpenInput(input) != 0) return false;
  reader.OutageList.clear();
  reader.ConvertingPass = 0;
  reader.RecordCount = 0;

  const uint8_t* record = nullptr;
  bool first = true;
  int32_t previous = 0;
  int32_t current = 0;
  int64_t n = reader.NextRecord(record);
  while (!stopRequested() && n != 0) {
    reader.ProcessRecord(record);
    if (reader.GpsSeen) {
      if (!first) previous = current;
      const int quality = reader.Fix->GpsFixQuality();
      if (quality == 6 || quality == 7) {
        current = reader.Fix->SecondsOfDay();
        if (first) {
          previous = current;
          first = false;
        } else {
          int32_t gap = current - previous;
          if (gap < 0) gap += 86400;
          if (gap >= threshold) reader.OutageList.push_back(previous);
        }
      }
      reader.GpsSeen = 0;
    }
    n = reader.NextRecord(record);
  }
  reader.CloseInput();
  return true;
}

}  // namespace quillon
