#include "indexing/route_track.h"

#include "reader/log_reader.h"

namespace quillon {

void RouteTrack::Clear() {
  PointList.clear();
  FixStride = 1;
  FixesSincePoint = 0;
}

void RouteTrack::AddFix(double latitude, double longitude, int32_t secondsOfDay, int32_t scan) {
  if (!PointList.empty() && ++FixesSincePoint < FixStride) return;  // merged into the latest point
  FixesSincePoint = 0;
  RoutePoint p;
  p.Latitude = latitude;
  p.Longitude = longitude;
  p.SecondsOfDay = secondsOfDay;
  p.Scan = scan;
  PointList.push_back(p);
  if (PointList.size() > MaxPoints) Decimate();
}

void RouteTrack::AddRssi(int receiver, int rssi) {
  if (PointList.empty() || receiver < 0 || receiver > 1) return;
  PointList.back().RssiSum[receiver] += rssi;
  ++PointList.back().Samples[receiver];
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
  const int32_t length = reader.LastRecordLength;
  if (length <= 0) return;
  switch (rec[0]) {
    case 0:
      if (length >= 1 + GpsFix::kBodySize && reader.Fix) {
        const int quality = reader.Fix->GpsFixQuality();
        if (quality == 6 || quality == 7)
          AddFix(reader.Fix->Latitude.DecimalDegrees, reader.Fix->Longitude.DecimalDegrees,
                 reader.Fix->SecondsOfDay(), reader.ScanNumber);
      }
      break;
    case 2:
    case 3:
      for (int32_t u = 1; u + 1 < length; ++u) AddRssi(rec[0] - 2, static_cast<int8_t>(rec[u]));
      break;
    case 7:
      if (length >= 16)
        for (int k = 0; k < 5; ++k)
          if (rec[2 + 3 * k] < kListSlots) AddRssi(rec[1 + 3 * k], static_cast<int8_t>(rec[3 + 3 * k]));
      break;
    case 9:
      if (length >= 17)
        for (int k = 0; k < 4; ++k) AddRssi(rec[1 + 4 * k], static_cast<int8_t>(rec[4 + 4 * k]));
      break;
    default:
      break;
  }
}

}  // namespace quillon
