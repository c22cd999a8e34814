// TLogReader::ProcessRecord: folds one record into the decoding state and says
// what the conversion must write. Records shorter than their kind's layout decode
// nothing.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "reader/byte_order.h"
#include "reader/log_reader.h"
#include "reduction/lambda_averager.h"

namespace quillon {

namespace {

// Smallest record length, kind byte included, of each kind that carries data.
int MinimumLength(uint8_t kind) {
  switch (kind) {
    case 0: return 1 + GpsFix::kBodySize;
    case 1: return 26;
    case 2:
    case 3: return 3;
    case 4: return 8;
    case 5: return 9;
    case 6: return 81;
    case 7: return 16;
    case 9: return 17;
    case 0xC0: return 21;
    case 0xC1: return 7;
    default: return 1;
  }
}

}  // namespace

int16_t TLogReader::ProcessRecord(const uint8_t* rec) {
  if (LastRecordLength <= 0) return kNothingToWrite;
  const uint8_t kind = rec[0];
  if (LastRecordLength < MinimumLength(kind)) return kNothingToWrite;
  switch (kind) {
    case 0: return DecodeGps(rec);
    case 1: return DecodeBand(rec);
    case 2: return DecodeSingleChannel(rec, 0);
    case 3: return DecodeSingleChannel(rec, 1);
    case 4: return DecodeRtc(rec);
    case 5: return DecodeSingleDefinition(rec);
    case 6: return DecodeListDefinition(rec);
    case 7: return DecodeListData(rec);
    case 9: return DecodeTableData(rec);
    case 0xC0:
      std::memcpy(TpPosition, rec, sizeof TpPosition);
      ++StateGeneration;
      return kNothingToWrite;
    case 0xC1:
      std::memcpy(TpMotion, rec, sizeof TpMotion);
      ++StateGeneration;
      return kNothingToWrite;
    default: return kNothingToWrite;
  }
}

bool TLogReader::RowComplete() const {
  if (!TimeSeen || !BandSeen) return false;
  if (ScanMode == 1) return SingleDefSeen;
  if (ScanMode == 2) return ListDefSeen;
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
  PendingRecords = 0;
  PreviousFix = {Fix->Latitude.DecimalDegrees, Fix->Longitude.DecimalDegrees, Fix->Hour, Fix->Minute, Fix->Second};
}

BufferedRow* TLogReader::NextBufferedRow(size_t samples) {
  // The rows of the previous interval have been written by now; their samples go.
  if (PendingRecords == 0) RowSampleData.clear();
  if (PendingRecords >= kMaxBufferedRows || RowSampleData.size() + samples > kMaxBufferedSampleBytes) {
    ++RowsLeftOut;
    return nullptr;
  }
  if (static_cast<size_t>(PendingRecords) >= Rows.size()) Rows.resize(static_cast<size_t>(PendingRecords) + 1);
  return &Rows[static_cast<size_t>(PendingRecords)];
}

void TLogReader::Interpolate() {
  CurrentFix = {Fix->Latitude.DecimalDegrees, Fix->Longitude.DecimalDegrees, Fix->Hour, Fix->Minute, Fix->Second};
  const int32_t previous = PreviousFix.Hour * 3600 + PreviousFix.Minute * 60 + PreviousFix.Second;
  const int32_t current = CurrentFix.Hour * 3600 + CurrentFix.Minute * 60 + CurrentFix.Second;
  // A fix earlier in the day than the one before: the interval spans midnight when
  // that is the shorter way round; a clock that stepped back a little, or times
  // outside a day (a corrupt fix), are taken as the distance stepped.
  int32_t d = current - previous;
  if (d < 0) d = d + 86400 > 0 ? std::min(-d, d + 86400) : -d;
  for (int32_t i = 0; i < PendingRecords; ++i) {
    BufferedRow& row = Rows[static_cast<size_t>(i)];
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
// single-frequency definition or entered by hand, with the band known.
bool TLogReader::AveragerReady() {
  if (Averager.Initialised) return true;
  if (BandSeen && SingleDefSeen) {
    const int source = Selectors.Receiver1 ? 0 : 1;
    const double mhz = Bands[SelectedReceiver].StepsToMHz(ListFrequencies[source][0]);
    if (mhz > 0 && std::isfinite(mhz)) {
      Averager.Initialise(mhz, 0.4, 40);
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
  if (!Averager.AddFix(Fix->Latitude.DecimalDegrees, Fix->Longitude.DecimalDegrees)) return kNothingToWrite;
  PendingRecords = 0;
  double latitude, longitude, rssi;
  while (Averager.TakePoint(latitude, longitude, rssi) == 0) {
    BufferedRow* row = NextBufferedRow(1);
    if (!row) continue;
    row->Hour = Fix->Hour;
    row->Minute = Fix->Minute;
    row->Second = Fix->Second;
    row->Latitude = latitude;
    row->Longitude = longitude;
    row->Receiver = SelectedReceiver;
    row->LastSample = 0;
    row->SampleOffset = static_cast<uint32_t>(RowSampleData.size());
    // The mean of signed-byte samples: always within their range.
    RowSampleData.push_back(static_cast<int8_t>(std::clamp(static_cast<int32_t>(std::trunc(rssi)), -128, 127)));
    ++PendingRecords;
  }
  RowsPerRecord = PendingRecords;
  return kWriteRows;
}

int16_t TLogReader::DecodeGps(const uint8_t* rec) {
  GpsSeen = 1;
  if (ScanMode == 1) PacingMode = 1;
  TimeSeen = 1;
  const int month = Fix->Month, day = Fix->Day, year = Fix->Year;
  Fix->Decode(rec + 1);
  ++FixGeneration;
  if (Fix->Month != month || Fix->Day != day || Fix->Year != year) ++StateGeneration;

  if (ConvertingPass && DropOutages) {
    const int32_t s = Fix->SecondsOfDay();
    if (static_cast<size_t>(OutageIndex) < OutageList.size() && s == OutageList[static_cast<size_t>(OutageIndex)]) {
      InOutage = 1;
      ++OutageIndex;
    } else {
      InOutage = 0;
    }
  }

  ++GpsTotalCount;
  const int quality = Fix->GpsFixQuality();
  if (quality == 7) ++Gps3DCount;
  else if (quality == 6) ++Gps2DCount;

  NumberPendingScan();
  std::memcpy(ScanLabel, "GPS ", 4);
  Fix->TimeText(ScanLabel + 4, sizeof ScanLabel - 4);

  int16_t result = kNothingToWrite;
  if (ConvertingPass) {
    if (!FirstFixPending && ScanMode == 1) {
      if (ReductionMode == 1) {
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
  Bands[0].Load(rec + 2);
  BandValid[0] = rec[1] & 1;
  Bands[1].Load(rec + 14);
  BandValid[1] = (rec[1] >> 1) & 1;
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

  ScanMode = 1;
  const int32_t samples = LastRecordLength - 2;
  std::memcpy(RssiSamples, rec + 1, static_cast<size_t>(samples));
  LastSampleIndex = LastRecordLength - 3;

  if (PacingMode == 2) {
    RowsPerRecord = 1;
    if (!RowComplete()) return kNothingToWrite;
    if (ConvertingPass) RxRowWritten[rx] = 1;
    return kWriteRows;
  }

  if (ConvertingPass) RxRowWritten[rx] = 1;
  // Rows before the first fix of a file are discarded by it; other passes write none.
  if (!ConvertingPass || FirstFixPending) return kNothingToWrite;
  if (ReductionMode == 1 && PacingMode == 1) {
    if (!AveragerReady()) {
      LambdaLackedFrequency = true;
      return kNothingToWrite;
    }
    for (int32_t u = 0; u < samples; ++u) Averager.AddSample(static_cast<int8_t>(rec[1 + u]));
    return kNothingToWrite;
  }
  BufferedRow* row = NextBufferedRow(static_cast<size_t>(samples));
  if (!row) return kNothingToWrite;
  row->Receiver = rx;
  row->LastSample = LastSampleIndex;
  const size_t offset = RowSampleData.size();
  row->SampleOffset = static_cast<uint32_t>(offset);
  const int8_t* first = reinterpret_cast<const int8_t*>(rec + 1);
  RowSampleData.insert(RowSampleData.end(), first, first + samples);
  ++PendingRecords;
  return kNothingToWrite;
}

int16_t TLogReader::DecodeRtc(const uint8_t* rec) {
  PacingMode = 2;
  TimeSeen = 1;
  std::memcpy(RtcClock, rec + 1, sizeof RtcClock);
  ++StateGeneration;
  NumberPendingScan();
  std::memcpy(ScanLabel, "RTC ", 4);
  ClockText(ScanLabel + 4, sizeof ScanLabel - 4, RtcClock[2], RtcClock[1], RtcClock[0]);
  return kNothingToWrite;
}

int16_t TLogReader::DecodeSingleDefinition(const uint8_t* rec) {
  SingleDefSeen = 1;
  StartScan();
  ScanKindCode = kScanKindSingle;
  ApplyScanSelection();
  if (SkipScan || !ConvertingPass) return kNothingToWrite;
  const uint32_t rx1 = LoadLE32(rec + 1);
  const uint32_t rx2 = LoadLE32(rec + 5);
  for (int j = 0; j < kFrequencySlots; ++j) {
    ListFrequencies[0][j] = rx1;
    ListFrequencies[1][j] = rx2;
  }
  ScanMode = 1;
  if (ReductionMode == 1) {
    Averager.Initialised = 0;  // a definition met mid-file starts the averaging afresh
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
  for (int j = 0; j < kListSlots; ++j) {
    ListFrequencies[0][j] = LoadLE32(rec + 1 + 4 * j);
    ListFrequencies[1][j] = LoadLE32(rec + 41 + 4 * j);
  }
  ScanMode = 2;
  return kHeaderDue;
}

int16_t TLogReader::DecodeListData(const uint8_t* rec) {
  if (InOutage) return kNothingToWrite;
  ++ListModeCount;
  if (SkipScan) return kNothingToWrite;
  ScanMode = 2;
  for (int k = 0; k < 5; ++k) {
    const uint8_t* entry = rec + 1 + 3 * k;
    if (entry[0] != SelectedReceiver || entry[1] >= kListSlots) continue;
    RssiSamples[entry[1]] = static_cast<int8_t>(entry[2]);
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

  ScanMode = 3;
  std::memset(TableChannels, 0, sizeof TableChannels);
  int32_t n = 0;
  for (int k = 0; k < 4; ++k) {
    const uint8_t* entry = rec + 1 + 4 * k;
    if (entry[0] != SelectedReceiver) continue;
    const uint16_t channel = static_cast<uint16_t>(entry[1] + 256 * static_cast<int8_t>(entry[2]) + 1);
    const int8_t rssi = static_cast<int8_t>(entry[3]);
    TableChannels[n] = channel;
    RssiSamples[n] = rssi;
    ++n;
    Sweep.Add(channel, rssi);
  }
  LastTableIndex = n - 1;
  // Best server writes one row per sweep, when an entry of this record closed it.
  if (ReductionMode == 3 && !(n > 0 && Sweep.SweepDone)) {
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

}  // namespace quillon
