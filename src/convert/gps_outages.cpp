#include "convert/gps_outages.h"

#include "reader/record_pass.h"

namespace quillon {

bool FindGpsOutages(TLogReader& reader, const std::string& input, int64_t threshold,
                    const std::function<bool()>& stopRequested) {
  bool first = true;
  int32_t previous = 0;
  int32_t current = 0;
  const auto opened = [&reader] {
    reader.OutageList.clear();
    reader.ConvertingPass = 0;
    return true;
  };
  const auto onRecord = [&](const uint8_t* record) {
    reader.ProcessRecord(record);
    if (!reader.GpsSeen) return true;
    if (!first) previous = current;
    const GpsFix& fix = reader.State().Fix;
    const int quality = fix.GpsFixQuality();
    if (quality == GpsFix::k2DFix || quality == GpsFix::k3DFix) {
      current = fix.SecondsOfDay();
      if (first) {
        previous = current;
        first = false;
      } else {
        int32_t gap = current - previous;
        if (gap < 0) gap += 86400;  // over midnight
        if (gap >= threshold) reader.OutageList.push_back(previous);
      }
    }
    reader.GpsSeen = 0;
    return true;
  };
  return RunPass(reader, input, stopRequested, opened, onRecord, [](int) { return true; }) != PassEnd::NotOpened;
}

}  // namespace quillon
