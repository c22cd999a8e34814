#include "indexing/route_track.h"

#include "layers/layer_feature.h"
#include "reader/log_reader.h"

namespace quillon {

void RouteTrack::Clear() {
  PointList.clear();
  SampleLevels[0] = SampleLevels[1] = LevelCounts();
  FixStride = 1;
  FixesSincePoint = 0;
}

void RouteTrack::AddFix(double latitude, double longitude, int32_t secondsOfDay, int32_t scan, int64_t time) {
  if (!PointList.empty() && ++FixesSincePoint < FixStride) return;  // merged into the latest point
  FixesSincePoint = 0;
  RoutePoint p;
  p.Latitude = latitude;
  p.Longitude = longitude;
  p.SecondsOfDay = secondsOfDay;
  p.Scan = scan;
  p.Time = time;
  PointList.push_back(p);
  if (PointList.size() > MaxPoints) Decimate();
}

void RouteTrack::Decimate() {
  size_t kept = 0;
  for (size_t i = 0; i < PointList.size(); i += 2, ++kept) {
    RoutePoint merged = PointList[i];
    if (i + 1 < PointList.size()) {
      for (int rx = 0; rx < 2; ++rx) {
        merged.RssiSum[rx] += PointList[i + 1].RssiSum[rx];
        merged.Samples[rx] += PointList[i + 1].Samples[rx];
      }
    }
    PointList[kept] = merged;
  }
  PointList.resize(kept);
  FixStride *= 2;
}

void RouteTrack::AddRecord(const uint8_t* rec, const TLogReader& reader) {
  using namespace log_format;
  const size_t length = reader.RecordLength() > 0 ? static_cast<size_t>(reader.RecordLength()) : 0;
  if (length == 0 || length < MinimumLength(rec[0])) return;
  switch (static_cast<RecordKind>(rec[0])) {
    case RecordKind::Gps: {
      const GpsFix& fix = reader.State().Fix;
      const int quality = fix.GpsFixQuality();
      if (quality == GpsFix::k2DFix || quality == GpsFix::k3DFix)
        AddFix(fix.Latitude.DecimalDegrees, fix.Longitude.DecimalDegrees, fix.SecondsOfDay(), reader.ScanNumber,
               FixTime(fix));
      break;
    }
    case RecordKind::Rx1Single:
    case RecordKind::Rx2Single:
      for (size_t u = SingleChannelRecord::kFirstSample; u + SingleChannelRecord::kTrailer < length; ++u)
        AddRssi(rec[0] == static_cast<uint8_t>(RecordKind::Rx1Single) ? 0 : 1, static_cast<int8_t>(rec[u]));
      break;
    case RecordKind::ListData:
      for (size_t k = 0; k < ListDataRecord::kEntries; ++k) {
        const uint8_t* entry = rec + ListDataRecord::kFirstEntry + ListDataRecord::kEntrySize * k;
        if (entry[ListDataRecord::kPosition] < kListSlots)
          AddRssi(entry[ListDataRecord::kReceiver], static_cast<int8_t>(entry[ListDataRecord::kRssi]));
      }
      break;
    case RecordKind::TableData:
      for (size_t k = 0; k < TableDataRecord::kEntries; ++k) {
        const uint8_t* entry = rec + TableDataRecord::kFirstEntry + TableDataRecord::kEntrySize * k;
        AddRssi(entry[TableDataRecord::kReceiver], static_cast<int8_t>(entry[TableDataRecord::kRssi]));
      }
      break;
    default:
      break;
  }
}

}  // namespace quillon
