// TLogReader::ProcessRecord: folds one record into the decoded state and says what
// the conversion must write. Records shorter than their kind's layout decode
// nothing.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "reader/byte_order.h"
#include "reader/log_reader.h"

namespace quillon {

using namespace log_format;

int16_t TLogReader::ProcessRecord(const uint8_t* rec) {
  if (LastRecordLength <= 0) return kNothingToWrite;
  const uint8_t kind = rec[0];
  if (static_cast<size_t>(LastRecordLength) < MinimumLength(kind)) return kNothingToWrite;
  switch (static_cast<RecordKind>(kind)) {
    case RecordKind::Gps: return DecodeGps(rec);
    case RecordKind::Band: return DecodeBand(rec);
    case RecordKind::Rx1Single: return DecodeSingleChannel(rec, 0);
    case RecordKind::Rx2Single: return DecodeSingleChannel(rec, 1);
    case RecordKind::Rtc: return DecodeRtc(rec);
    case RecordKind::SingleDefinition: return DecodeSingleDefinition(rec);
    case RecordKind::ListDefinition: return DecodeListDefinition(rec);
    case RecordKind::ListData: return DecodeListData(rec);
    case RecordKind::TableData: return DecodeTableData(rec);
    case RecordKind::TpPosition: DecodeTpPosition(rec); return kNothingToWrite;
    case RecordKind::TpMotion: DecodeTpMotion(rec); return kNothingToWrite;
    default: return kNothingToWrite;
  }
}

bool TLogReader::RowComplete() const {
  if (!TimeSeen || !BandSeen) return false;
  if (Decoded.Mode == ScanMode::SingleChannel) return SingleDefSeen;
  if (Decoded.Mode == ScanMode::List) return ListDefSeen;
  return true;
}

void TLogReader::StartScan() {
  if (TimeSeen) {
    NewScan = 1;
    ++ScanNumber;
  } else {
    ScanPending = 1;
  }
}

void TLogReader::ApplyScanSelection() {
  if (!ConvertingPass) return;
  if (MultiFileRun) {
    SkipScan = 0;
    return;
  }
  if (ScanPending) return;
  SkipScan = std::binary_search(SkippedScans.begin(), SkippedScans.end(), ScanNumber);
}

void TLogReader::NumberPendingScan() {
  if (!ScanPending) return;
  NewScan = 1;
  ScanPending = 0;
  ++ScanNumber;
  ApplyScanSelection();
}

void TLogReader::StartInterval() {
  const GpsFix& fix = Decoded.Fix;
  PendingRecords = 0;
  PreviousFix = {fix.Latitude.DecimalDegrees, fix.Longitude.DecimalDegrees, fix.Hour, fix.Minute, fix.Second};
}

BufferedRow* TLogReader::NextBufferedRow(size_t samples) {
  std::vector<int8_t>& data = Decoded.RowSampleData;
  // The rows of the previous interval have been written by now; their samples go.
  if (PendingRecords == 0) data.clear();
  if (PendingRecords >= kMaxBufferedRows || data.size() + samples > kMaxBufferedSampleBytes) {
    ++RowsLeftOut;
    return nullptr;
  }
  std::vector<BufferedRow>& rows = Decoded.Rows;
  if (static_cast<size_t>(PendingRecords) >= rows.size()) rows.resize(static_cast<size_t>(PendingRecords) + 1);
  return &rows[static_cast<size_t>(PendingRecords)];
}

void TLogReader::Interpolate() {
  const GpsFix& fix = Decoded.Fix;
  CurrentFix = {fix.Latitude.DecimalDegrees, fix.Longitude.DecimalDegrees, fix.Hour, fix.Minute, fix.Second};
  const int32_t previous = PreviousFix.Hour * 3600 + PreviousFix.Minute * 60 + PreviousFix.Second;
  const int32_t current = CurrentFix.Hour * 3600 + CurrentFix.Minute * 60 + CurrentFix.Second;
  // A fix earlier in the day than the one before: the interval spans midnight when
  // that is the shorter way round; a clock that stepped back a little, or times
  // outside a day (a corrupt fix), are taken as the distance stepped.
  int32_t d = current - previous;
  if (d < 0) d = d + 86400 > 0 ? std::min(-d, d + 86400) : -d;
  for (int32_t i = 0; i < PendingRecords; ++i) {
    BufferedRow& row = Decoded.Rows[static_cast<size_t>(i)];
    const double f = static_cast<double>(i) / PendingRecords;
    row.Latitude = PreviousFix.Latitude + f * (CurrentFix.Latitude - PreviousFix.Latitude);
    row.Longitude = PreviousFix.Longitude + f * (CurrentFix.Longitude - PreviousFix.Longitude);
    const int32_t m = static_cast<int32_t>(std::trunc(f * d));
    const int32_t seconds = PreviousFix.Second + m;
    row.Second = seconds % 60;
    const int32_t c = seconds / 60;
    row.Minute = c > 0 ? (PreviousFix.Minute + c) % 60 : PreviousFix.Minute;
    const int32_t c2 = (PreviousFix.Minute + c) / 60;
    row.Hour = c2 > 0 ? (PreviousFix.Hour + c2) % 24 : PreviousFix.Hour;
  }
}

// The averager works only with a frequency known for this file: from a
// single-frequency definition or entered by hand, with the band known. It keeps one
// sample per 0.4 wavelengths of travel and averages over 40 wavelengths.
bool TLogReader::AveragerReady() {
  constexpr double kSampleSpacingWavelengths = 0.4;
  constexpr double kBinWavelengths = 40;
  if (Averaging.Initialised) return true;
  if (BandSeen && SingleDefSeen) {
    const int source = Selectors.Receiver1 ? 0 : 1;
    const double mhz = Decoded.Bands[Decoded.SelectedReceiver].StepsToMHz(Decoded.ListFrequencies[source][0]);
    if (mhz > 0 && std::isfinite(mhz)) {
      Averaging.Initialise(mhz, kSampleSpacingWavelengths, kBinWavelengths);
      return true;
    }
  }
  return false;
}

int16_t TLogReader::DrainAveragedPoints() {
  if (!AveragerReady()) {
    LambdaLackedFrequency = true;
    return kNothingToWrite;
  }
  const GpsFix& fix = Decoded.Fix;
  if (!Averaging.AddFix(fix.Latitude.DecimalDegrees, fix.Longitude.DecimalDegrees)) return kNothingToWrite;
  PendingRecords = 0;
  double latitude, longitude, rssi;
  while (Averaging.TakePoint(latitude, longitude, rssi) == 0) {
    BufferedRow* row = NextBufferedRow(1);
    if (!row) continue;
    row->Hour = fix.Hour;
    row->Minute = fix.Minute;
    row->Second = fix.Second;
    row->Latitude = latitude;
    row->Longitude = longitude;
    row->Receiver = Decoded.SelectedReceiver;
    row->LastSample = 0;
    row->SampleOffset = static_cast<uint32_t>(Decoded.RowSampleData.size());
    // The mean of signed-byte samples: always within their range.
    Decoded.RowSampleData.push_back(static_cast<int8_t>(std::clamp(static_cast<int32_t>(std::trunc(rssi)), -128, 127)));
    ++PendingRecords;
  }
  RowsPerRecord = PendingRecords;
  return kWriteRows;
}

int16_t TLogReader::DecodeGps(const uint8_t* rec) {
  GpsFix& fix = Decoded.Fix;
  GpsSeen = 1;
  if (Decoded.Mode == ScanMode::SingleChannel) Decoded.PacingMode = Pacing::Gps;
  TimeSeen = 1;
  const int month = fix.Month, day = fix.Day, year = fix.Year;
  fix.Decode(rec + 1);
  Decoded.FixSeen = true;
  ++Decoded.FixGeneration;
  if (fix.Month != month || fix.Day != day || fix.Year != year) ++Decoded.StateGeneration;

  if (ConvertingPass && DropOutages) {
    const int32_t s = fix.SecondsOfDay();
    if (static_cast<size_t>(OutageIndex) < OutageList.size() && s == OutageList[static_cast<size_t>(OutageIndex)]) {
      InOutage = 1;
      ++OutageIndex;
    } else {
      InOutage = 0;
    }
  }

  ++GpsTotalCount;
  const int quality = fix.GpsFixQuality();
  if (quality == GpsFix::k3DFix) ++Gps3DCount;
  else if (quality == GpsFix::k2DFix) ++Gps2DCount;

  NumberPendingScan();
  std::memcpy(ScanLabel, "GPS ", 4);
  fix.TimeText(ScanLabel + 4, sizeof ScanLabel - 4);

  int16_t result = kNothingToWrite;
  if (ConvertingPass) {
    if (!FirstFixPending && Decoded.Mode == ScanMode::SingleChannel) {
      if (Decoded.ReductionMode == Reduction::Lambda) {
        result = DrainAveragedPoints();
      } else {
        Interpolate();
        if (RowComplete()) {
          RowsPerRecord = PendingRecords;
          result = kWriteRows;
        }
      }
    } else {
      FirstFixPending = 0;
    }
  }
  StartInterval();
  return result;
}

int16_t TLogReader::DecodeBand(const uint8_t* rec) {
  BandSeen = 1;
  StateChanged();
  Decoded.Bands[0].Load(rec + BandRecord::kReceiver1);
  BandValid[0] = rec[BandRecord::kValidBits] & 1;
  Decoded.Bands[1].Load(rec + BandRecord::kReceiver2);
  BandValid[1] = (rec[BandRecord::kValidBits] >> 1) & 1;
  return kNothingToWrite;
}

int16_t TLogReader::DecodeSingleChannel(const uint8_t* rec, int rx) {
  if (InOutage) return kNothingToWrite;
  if (rx == 0) {
    Rx1SingleSeen = 1;
    ++Rx1SingleCount;
  } else {
    Rx2SingleSeen = 1;
    ++Rx2SingleCount;
  }
  const bool selected = rx == 0 ? Selectors.Receiver1 : Selectors.Receiver2;
  if (!selected || SkipScan) return kNothingToWrite;

  Decoded.Mode = ScanMode::SingleChannel;
  const uint8_t* first = rec + SingleChannelRecord::kFirstSample;
  const int32_t samples = LastRecordLength - static_cast<int32_t>(SingleChannelRecord::kFirstSample + SingleChannelRecord::kTrailer);
  std::memcpy(Decoded.RssiSamples, first, static_cast<size_t>(samples));
  Decoded.LastSampleIndex = samples - 1;

  if (Decoded.PacingMode == Pacing::Rtc) {
    RowsPerRecord = 1;
    if (!RowComplete()) return kNothingToWrite;
    if (ConvertingPass) RxRowWritten[rx] = 1;
    return kWriteRows;
  }

  if (ConvertingPass) RxRowWritten[rx] = 1;
  // Rows before the first fix of a file are discarded by it; other passes write none.
  if (!ConvertingPass || FirstFixPending) return kNothingToWrite;
  if (Decoded.ReductionMode == Reduction::Lambda && Decoded.PacingMode == Pacing::Gps) {
    if (!AveragerReady()) {
      LambdaLackedFrequency = true;
      return kNothingToWrite;
    }
    for (int32_t u = 0; u < samples; ++u) Averaging.AddSample(static_cast<int8_t>(first[u]));
    return kNothingToWrite;
  }
  BufferedRow* row = NextBufferedRow(static_cast<size_t>(samples));
  if (!row) return kNothingToWrite;
  row->Receiver = rx;
  row->LastSample = Decoded.LastSampleIndex;
  std::vector<int8_t>& data = Decoded.RowSampleData;
  row->SampleOffset = static_cast<uint32_t>(data.size());
  const int8_t* values = reinterpret_cast<const int8_t*>(first);
  data.insert(data.end(), values, values + samples);
  ++PendingRecords;
  return kNothingToWrite;
}

int16_t TLogReader::DecodeRtc(const uint8_t* rec) {
  RtcTime& clock = Decoded.Clock;
  Decoded.PacingMode = Pacing::Rtc;
  Decoded.ClockSeen = true;
  TimeSeen = 1;
  clock.Second = rec[RtcRecord::kSecond];
  clock.Minute = rec[RtcRecord::kMinute];
  clock.Hour = rec[RtcRecord::kHour];
  clock.Day = rec[RtcRecord::kDay];
  clock.Month = rec[RtcRecord::kMonth];
  clock.Year = rec[RtcRecord::kYear];
  clock.Marker = rec[RtcRecord::kMarker];
  ++Decoded.StateGeneration;
  NumberPendingScan();
  std::memcpy(ScanLabel, "RTC ", 4);
  ClockText(ScanLabel + 4, sizeof ScanLabel - 4, clock.Hour, clock.Minute, clock.Second);
  return kNothingToWrite;
}

int16_t TLogReader::DecodeSingleDefinition(const uint8_t* rec) {
  SingleDefSeen = 1;
  StartScan();
  ScanKindCode = kScanKindSingle;
  ApplyScanSelection();
  if (SkipScan || !ConvertingPass) return kNothingToWrite;
  const uint32_t rx1 = LoadLE32(rec + SingleDefinitionRecord::kReceiver1);
  const uint32_t rx2 = LoadLE32(rec + SingleDefinitionRecord::kReceiver2);
  for (int j = 0; j < kFrequencySlots; ++j) {
    Decoded.ListFrequencies[0][j] = rx1;
    Decoded.ListFrequencies[1][j] = rx2;
  }
  Decoded.Mode = ScanMode::SingleChannel;
  if (Decoded.ReductionMode == Reduction::Lambda) {
    Averaging.Initialised = 0;  // a definition met mid-file starts the averaging afresh
    if (BandSeen) AveragerReady();
  }
  return kHeaderDue;
}

int16_t TLogReader::DecodeListDefinition(const uint8_t* rec) {
  ListDefSeen = 1;
  StartScan();
  ScanKindCode = kScanKindList;
  ApplyScanSelection();
  if (SkipScan || !ConvertingPass) return kNothingToWrite;
  for (size_t j = 0; j < ListDefinitionRecord::kSlots; ++j) {
    Decoded.ListFrequencies[0][j] = LoadLE32(rec + ListDefinitionRecord::kReceiver1 + 4 * j);
    Decoded.ListFrequencies[1][j] = LoadLE32(rec + ListDefinitionRecord::kReceiver2 + 4 * j);
  }
  Decoded.Mode = ScanMode::List;
  return kHeaderDue;
}

int16_t TLogReader::DecodeListData(const uint8_t* rec) {
  if (InOutage) return kNothingToWrite;
  ++ListModeCount;
  if (SkipScan) return kNothingToWrite;
  Decoded.Mode = ScanMode::List;
  for (size_t k = 0; k < ListDataRecord::kEntries; ++k) {
    const uint8_t* entry = rec + ListDataRecord::kFirstEntry + ListDataRecord::kEntrySize * k;
    if (entry[ListDataRecord::kReceiver] != Decoded.SelectedReceiver || entry[ListDataRecord::kPosition] >= kListSlots)
      continue;
    Decoded.RssiSamples[entry[ListDataRecord::kPosition]] = static_cast<int8_t>(entry[ListDataRecord::kRssi]);
  }
  RowsPerRecord = 1;
  return RowComplete() ? kWriteRows : kNothingToWrite;
}

int16_t TLogReader::DecodeTableData(const uint8_t* rec) {
  // The run of table records opens its scan even inside a GPS outage, so scan
  // numbers never depend on the outage drop.
  if (ScanKindCode != kScanKindTable) {
    StartScan();
    NewTableScan = 1;
  }
  ScanKindCode = kScanKindTable;
  ApplyScanSelection();
  if (InOutage) return kNothingToWrite;
  ++TableModeCount;
  if (SkipScan || !ConvertingPass) return kNothingToWrite;

  Decoded.Mode = ScanMode::Table;
  std::memset(Decoded.TableChannels, 0, sizeof Decoded.TableChannels);
  int32_t n = 0;
  for (size_t k = 0; k < TableDataRecord::kEntries; ++k) {
    const uint8_t* entry = rec + TableDataRecord::kFirstEntry + TableDataRecord::kEntrySize * k;
    if (entry[TableDataRecord::kReceiver] != Decoded.SelectedReceiver) continue;
    const uint16_t channel = static_cast<uint16_t>(entry[TableDataRecord::kChannelLow] +
                                                   256 * static_cast<int8_t>(entry[TableDataRecord::kChannelHigh]) + 1);
    const int8_t rssi = static_cast<int8_t>(entry[TableDataRecord::kRssi]);
    Decoded.TableChannels[n] = channel;
    Decoded.RssiSamples[n] = rssi;
    ++n;
    Decoded.Sweep.Add(channel, rssi);
  }
  Decoded.LastTableIndex = n - 1;
  // Best server writes one row per sweep, when an entry of this record closed it.
  if (Decoded.ReductionMode == Reduction::BestServer && !(n > 0 && Decoded.Sweep.SweepDone)) {
    RowsPerRecord = 0;
    return kNothingToWrite;
  }
  RowsPerRecord = 1;
  if (!RowComplete()) return kNothingToWrite;
  if (NewTableScan) {
    NewTableScan = 0;
    return kHeaderThenRows;
  }
  return kWriteRows;
}

namespace {
TpAngle LoadTpAngle(const uint8_t* at) {
  return {static_cast<char>(at[log_format::TpAngleField::kHemisphere]), LoadLE16(at + log_format::TpAngleField::kDegrees),
          LoadLE32(at + log_format::TpAngleField::kMillionths)};
}
}  // namespace

void TLogReader::DecodeTpPosition(const uint8_t* rec) {
  TpPosition& tp = Decoded.Tp;
  tp.Second = rec[TpPositionRecord::kSecond];
  tp.Minute = rec[TpPositionRecord::kMinute];
  tp.Hour = rec[TpPositionRecord::kHour];
  tp.Day = rec[TpPositionRecord::kDay];
  tp.Month = rec[TpPositionRecord::kMonth];
  tp.YearsSince1900 = rec[TpPositionRecord::kYear];
  tp.Latitude = LoadTpAngle(rec + TpPositionRecord::kLatitude);
  tp.Longitude = LoadTpAngle(rec + TpPositionRecord::kLongitude);
  ++Decoded.StateGeneration;
}

void TLogReader::DecodeTpMotion(const uint8_t* rec) {
  Decoded.Motion.SpeedKmh = static_cast<int16_t>(LoadLE16(rec + TpMotionRecord::kSpeed));
  Decoded.Motion.Direction = LoadLE16(rec + TpMotionRecord::kDirection);
  ++Decoded.StateGeneration;
}

}  // namespace quillon
