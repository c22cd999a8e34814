// DecodedState: what the decoding of a log knows at a moment of the pass: the last
// GPS fix, the bands, the clock and TP records, the scan in progress with its
// frequencies and latest samples, and the single-channel rows buffered between two
// GPS fixes. The reader writes it; rows are read from it through RowView. The
// generations tell a renderer when texts it keeps have gone stale: they only grow.
#pragma once
#include <atomic>
#include <cstdint>
#include <vector>

#include "reader/band_info.h"
#include "reader/gps_fix.h"
#include "reduction/sweep_tracker.h"

namespace quillon {

constexpr int kRecordBufferSize = 4096;
constexpr int kListSlots = 10;
constexpr int kFrequencySlots = 32;
constexpr int kTableSlots = 32;

// What the current measurement records are (0 until the first record of a selected scan).
enum class ScanMode : int16_t { None = 0, SingleChannel = 1, List = 2, Table = 3 };
// How single-channel records become rows: between two GPS fixes, or one per record
// once a clock record has been read.
enum class Pacing : int32_t { None = 0, Gps = 1, Rtc = 2 };
// The reduction of a conversion, as SetReductionMode takes it.
enum class Reduction : int16_t { None = 0, Lambda = 1, BestServer = 3 };

// The body of the last RTC record.
struct RtcTime {
  uint8_t Second = 0, Minute = 0, Hour = 0, Day = 0, Month = 0, Year = 0, Marker = 0;
};

// The last TP records.
struct TpAngle {
  char Hemisphere = '\0';  // 'N'/'S' or 'E'/'W'; none before the first record
  uint16_t Degrees = 0;
  uint32_t Millionths = 0;
};
struct TpPosition {
  uint8_t Second = 0, Minute = 0, Hour = 0, Day = 0, Month = 0 /* 0..11 */, YearsSince1900 = 0;
  TpAngle Latitude, Longitude;
};
struct TpMotion {
  int16_t SpeedKmh = 0;
  uint16_t Direction = 0;  // degrees from north
};

// One single-channel row buffered between two GPS fixes.
struct BufferedRow {
  int32_t Receiver = 0;  // 0 receiver 1, 1 receiver 2
  int32_t LastSample = 0;
  uint32_t SampleOffset = 0;  // into RowSampleData
  double Latitude = 0.0;
  double Longitude = 0.0;
  int32_t Hour = 0, Minute = 0, Second = 0;
};

struct DecodedState {
  DecodedState() : Serial(NextSerial()) {}
  DecodedState(const DecodedState&) = delete;
  DecodedState& operator=(const DecodedState&) = delete;

  // Tells the states of two readers apart, also at one address one after the other.
  const uint64_t Serial;

  GpsFix Fix;
  bool FixSeen = false;  // a GPS record has been decoded since the file was opened
  BandInfo Bands[2];
  RtcTime Clock;
  bool ClockSeen = false;  // a clock record has been decoded since the file was opened
  TpPosition Tp;
  TpMotion Motion;

  ScanMode Mode = ScanMode::None;
  Pacing PacingMode = Pacing::None;
  Reduction ReductionMode = Reduction::None;
  int16_t SelectedReceiver = 0;  // 0 receiver 1, 1 receiver 2

  uint32_t ListFrequencies[2][kFrequencySlots] = {};  // band steps of each receiver's scan
  uint16_t TableChannels[kTableSlots] = {};           // channels of the table record's entries
  int8_t RssiSamples[kRecordBufferSize] = {};         // dBm of the current record
  int32_t LastSampleIndex = 0;
  int32_t LastTableIndex = -1;
  SweepTracker Sweep;  // the best server of table scans

  // Never empty: rows 0 .. PendingRecords - 1 are those of the interval.
  std::vector<BufferedRow> Rows = std::vector<BufferedRow>(1);
  std::vector<int8_t> RowSampleData = std::vector<int8_t>(1);  // the buffered rows' samples

  // Raised whenever decoding changes what a field or a data-block location shows,
  // except that a GPS fix raises StateGeneration only when its date differs from the
  // last fix's: every fix raises FixGeneration instead. A kept text of fields that
  // show the fix beyond its date is valid while StateGeneration + FixGeneration stays
  // the same, any other while StateGeneration does; location texts follow
  // BandGeneration.
  uint64_t StateGeneration = 1;
  uint64_t FixGeneration = 0;
  uint64_t BandGeneration = 1;

  bool Buffered() const { return Mode == ScanMode::SingleChannel && PacingMode == Pacing::Gps; }

  static uint64_t NextSerial() {
    static std::atomic<uint64_t> next{1};
    return next.fetch_add(1);
  }
  uint64_t TextGeneration(bool showsFix) const { return StateGeneration + (showsFix ? FixGeneration : 0); }
  void Changed() {
    ++StateGeneration;
    ++BandGeneration;
  }
};

}  // namespace quillon
