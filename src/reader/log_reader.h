// TLogReader: the reader of the receiver's log files (.klf, .kez).
// One pass over a file: set ConvertingPass (and SetReductionMode for a conversion),
// OpenInput, then ReadNextRecord / ProcessRecord until ReadNextRecord returns 0,
// then CloseInput. ProcessRecord folds each record into the decoding state and tells
// the conversion what to write; the Write* operations render header titles and row
// values into caller text, and AppendRow a whole row (columns set by SetRowColumns).
// The reader holds the state of exactly one pass and has no lock: passes must not
// overlap.
//
// Everything a conversion writes depends only on the file and the settings:
// OpenInput resets all decoding state except the frequencies entered by hand.
#pragma once
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "reader/band_info.h"
#include "reader/byte_order.h"
#include "reader/file_type.h"
#include "reader/gps_fix.h"
#include "reader/input_file.h"
#include "reader/number_text.h"
#include "reader/product_reader.h"
#include "reduction/sweep_tracker.h"

namespace quillon {

constexpr int kRecordBufferSize = 4096;
constexpr int kListSlots = 10;
constexpr int kFrequencySlots = 32;
constexpr int kTableSlots = 32;
constexpr int kMaxScanNodes = 1024;
// Single-channel rows, and bytes of their samples, buffered within one GPS interval;
// records beyond either bound are counted as left out and reported at the end of
// the run. Real intervals hold a few records of at most ten samples; the bounds only
// keep a broken or crafted log from taking the machine's memory.
constexpr int32_t kMaxBufferedRows = 1 << 20;
constexpr size_t kMaxBufferedSampleBytes = size_t{64} << 20;

constexpr int16_t kScanKindSingle = 19;
constexpr int16_t kScanKindList = 20;
constexpr int16_t kScanKindTable = 1;

// Scan-node states: a scan is converted while its node's state is kScanChecked.
constexpr uint8_t kScanUnchecked = 1;
constexpr uint8_t kScanChecked = 2;

// The data-block check boxes "Freq (MHz)", "Channel" and "RSSI".
struct DataBlockFields {
  bool Frequency = true;
  bool Channel = false;
  bool Rssi = true;
};

// One single-channel row buffered between two GPS fixes.
struct BufferedRow {
  int32_t Receiver = 0;
  int32_t LastSample = 0;
  uint32_t SampleOffset = 0;  // into RowSampleData
  double Latitude = 0.0;
  double Longitude = 0.0;
  int32_t Hour = 0, Minute = 0, Second = 0;
};

// A data-block frequency and channel text, valid while the band and the rendering
// style it was made with stay the same.
struct LocationText {
  uint64_t Generation = 0;  // 0: empty
  uint32_t Value = 0;       // channel of a table entry, else band steps
  uint32_t Style = 0;       // table flag, delimiter, check boxes and receiver
  uint32_t Length = 0;
  char Short[32] = {};      // the text when it fits, else Long
  std::string Long;
};

// The text of a catalogue field, valid while the decoded state it shows is unchanged.
struct FieldText {
  uint64_t Generation = 0;
  std::string Text;
};

// A stretch of an output row's columns that is rendered in one piece. Runs of
// columns that show only the decoded state keep their joined text (with its
// delimiters) until that state changes; the rest are rendered for every row.
struct RowSegment {
  enum class Kind : uint8_t { Kept, PerRow, DataBlock, LineBreak };
  Kind What = Kind::Kept;
  bool LeadingDelimiter = false;  // the segment does not start the row
  std::vector<int16_t> Fields;    // Kept: the run's fields; otherwise the one field
  uint64_t Generation = 0;        // Kept: the state its text shows, 0 for none yet
  bool ShowsFix = false;          // Kept: some field of the run shows the fix beyond its date
  bool HasText = false;           // Kept: some field of the run has text
  TextBuffer Text;                // Kept: the joined text
};

struct FixTime {
  double Latitude = 0.0;
  double Longitude = 0.0;
  int32_t Hour = 0, Minute = 0, Second = 0;
};

class TLogReader final : public TProductReader {
 public:
  TLogReader();

  int16_t OpenInput(const std::string& name) override;
  int16_t CloseInput() override;
  int16_t WriteDataHeader(TextBuffer& text, char delimiter) override;
  int16_t WriteDataValues(TextBuffer& text, char delimiter) override;
  void WriteFieldValue(int16_t catalogueIndex, TextBuffer& text) override;
  // The next record without a copy: record points at the record's bytes, in the
  // input buffer when it lies there whole, else in a buffer of the reader. They
  // stay valid until the next read. Returns what ReadNextRecord returns.
  int64_t NextRecord(const uint8_t*& record) {
    if (File.Buffered() >= 2) {
      const uint8_t* at = File.Peek();
      const size_t length = LoadLE16(at);
      if (File.Buffered() >= 2 + length && length <= kRecordBufferSize && WholeInData(length)) {
        record = at + 2;
        return TakeRecord(length);
      }
    }
    record = SlowRecord.get();
    return ReadRecordSlowly(SlowRecord.get());
  }
  int64_t ReadNextRecord(uint8_t* buffer) override {
    const uint8_t* record = nullptr;
    const int64_t n = NextRecord(record);
    if (n != 0 && LastRecordLength > 0) std::memcpy(buffer, record, static_cast<size_t>(LastRecordLength));
    return n;
  }
  int16_t ProcessRecord(const uint8_t* buffer) override;
  void EndRecordRows() override { RxRowWritten[0] = RxRowWritten[1] = 0; }

  // The columns of the rows AppendRow writes (catalogue indexes, kNoField for an
  // empty column) and their delimiter.
  void SetRowColumns(const std::vector<int16_t>& columns, char delimiter);
  // Appends the row being written in full: the same text as WriteFieldValue and
  // WriteDataValues give column by column, each column but the first preceded by
  // the delimiter (the data block brings its own), "CR / LF" as CR LF, and CR LF at
  // the end when any column has text.
  void AppendRow(TextBuffer& out);

  // Position (decimal degrees) of the row being written: the buffered row's, else the fix's.
  void RowPosition(double& latitude, double& longitude) const;

  // The renderers keep the texts of fields and data-block locations until the
  // decoded state changes; code that sets that state directly calls this.
  void StateChanged() {
    ++StateGeneration;
    ++BandGeneration;
  }

  // Single-channel data came without a single-frequency definition: the
  // frequencies must be given by hand before the file is converted.
  bool FrequenciesMissing() const { return (Rx1SingleSeen || Rx2SingleSeen) && !SingleDefSeen; }

  // receiverNumber 1 or 2.
  bool SelectReceiver(int receiverNumber);
  void SetManualFrequencies(double receiver1MHz, double receiver2MHz);

  // --- Settings the passes consult (copied from the main window or command line).
  int16_t InputFormat = kFormatStandard;
  DataBlockFields DataFields;
  bool DropOutages = false;
  // Scans of the file being converted that are left out (ascending); empty
  // converts every scan.
  std::vector<int32_t> SkippedScans;

  // --- Pass state.
  uint8_t ConvertingPass = 0;
  uint8_t MultiFileRun = 0;
  char ScanLabel[64];
  uint8_t NewScan = 0;
  int32_t ScanNumber = 0;
  int16_t ScanKindCode = -1;
  uint8_t SkipScan = 0;
  int16_t SelectedReceiver = 0;
  uint8_t ManualFrequencies = 0;
  uint8_t GpsSeen = 0;
  std::vector<int32_t> OutageList;  // outage start times, seconds of day
  int32_t OutageIndex = 0;
  uint8_t InOutage = 0;

  int32_t GpsTotalCount = 0, Gps3DCount = 0, Gps2DCount = 0;
  int32_t Rx1SingleCount = 0, Rx2SingleCount = 0, ListModeCount = 0, TableModeCount = 0;

  // Single-channel records left out because an interval exceeded a buffer bound.
  int64_t RowsLeftOut = 0;
  // Set when "40 Lambda" met single-channel data with no known frequency.
  bool LambdaLackedFrequency = false;

  // --- File.
  int64_t FileSize = 0;
  int64_t DataLength = 0;
  int64_t ReadPosition = 0;
  int32_t LastRecordLength = 0;
  std::unique_ptr<GpsFix> Fix;
  BandInfo Bands[2];

  // --- Decoding state.
  int16_t ScanMode = 0;
  int32_t PacingMode = 0;
  uint8_t FirstFixPending = 1;
  uint8_t TimeSeen = 0, BandSeen = 0, SingleDefSeen = 0, ListDefSeen = 0, ScanPending = 0;
  uint8_t BandValid[2] = {0, 0};
  uint8_t Rx1SingleSeen = 0, Rx2SingleSeen = 0;
  uint32_t ListFrequencies[2][kFrequencySlots];
  uint16_t TableChannels[kTableSlots];
  int8_t RssiSamples[kRecordBufferSize];
  int32_t LastSampleIndex = 0;
  int32_t LastTableIndex = -1;
  uint8_t RtcClock[7];
  uint8_t TpPosition[21];
  uint8_t TpMotion[7];
  int32_t PendingRecords = 0;
  std::vector<BufferedRow> Rows;
  // The samples of the buffered rows, as the signed bytes of the records.
  std::vector<int8_t> RowSampleData;
  FixTime PreviousFix, CurrentFix;
  uint8_t RxRowWritten[2] = {0, 0};
  SweepTracker Sweep;
  uint8_t NewTableScan = 0;

 private:
  void ResetDecodingState();
  int64_t ReadRecordSlowly(uint8_t* buffer);
  bool WholeInData(size_t length) const { return ReadPosition + 2 + static_cast<int64_t>(length) <= DataLength; }
  // Passes over a record of the given length that lies whole in the input buffer.
  int64_t TakeRecord(size_t length) {
    File.Skip(2 + length);
    ReadPosition += 2 + static_cast<int64_t>(length);
    LastRecordLength = static_cast<int32_t>(length);
    return static_cast<int64_t>(length) + 2;
  }
  bool RowComplete() const;
  bool Buffered() const { return ScanMode == 1 && PacingMode == 1; }
  // The buffered row being written (Rows is never empty).
  int32_t RowIndex() const {
    const int32_t r = RowsPerRecord - RowsRemaining;
    const int32_t last = static_cast<int32_t>(Rows.size()) - 1;
    return r < 0 ? 0 : r > last ? last : r;
  }
  void StartScan();
  void ApplyScanSelection();
  void NumberPendingScan();
  void StartInterval();
  void Interpolate();
  bool AveragerReady();
  int16_t DrainAveragedPoints();
  // The row to fill for a record of this many samples; null when it is left out.
  BufferedRow* NextBufferedRow(size_t samples);
  void RenderField(int16_t index, TextBuffer& text, bool buffered, const BufferedRow& row);
  const BufferedRow& CurrentRow() const { return Rows[static_cast<size_t>(RowIndex())]; }
  void AppendDataValues(TextBuffer& text, char delimiter);
  void AppendBufferedSamples(TextBuffer& out, const BufferedRow& row, char delimiter);
  void RenderKeptText(RowSegment& segment, bool buffered, const BufferedRow& row);
  // Room a data-block entry may take beyond its location text, and the location
  // text itself written at p with room for Length + sizeof Short.
  static constexpr size_t kEntryRoom = sizeof(LocationText::Short) + 1 + kMaxIntText;
  static char* WriteLocationText(char* p, const LocationText& location) {
    if (location.Length <= sizeof location.Short) std::memcpy(p, location.Short, sizeof location.Short);
    else std::memcpy(p, location.Long.data(), location.Length);
    return p + location.Length;
  }
  // Whether a field's text can differ between the rows of one decoded state.
  static bool VariesPerRow(int16_t index, bool buffered);
  // Whether a field shows the GPS fix beyond its date (position, time, status, height, speed).
  static bool ShowsFixBeyondDate(int16_t index) { return (index >= 5 && index <= 21) || index == 26 || index == 27; }
  // The text of a data-block entry's location, formatted only when not kept yet.
  uint32_t LocationStyle(char delimiter, bool table) const {
    return (table ? 1u : 0u) | static_cast<uint32_t>(static_cast<uint8_t>(delimiter)) << 1 |
           (DataFields.Frequency ? 1u << 9 : 0u) | (DataFields.Channel ? 1u << 10 : 0u) |
           static_cast<uint32_t>(SelectedReceiver & 1) << 11;
  }
  const LocationText& Location(char delimiter, uint32_t style, uint32_t value) {
    LocationText& slot = LocationCache[(value * 2654435761u) >> 24];
    if (slot.Generation == BandGeneration && slot.Value == value && slot.Style == style) return slot;
    return FormatLocation(slot, delimiter, style, value);
  }
  const LocationText& FormatLocation(LocationText& slot, char delimiter, uint32_t style, uint32_t value);
  // A delimiter followed by an RSSI value (room for 1 + kMaxIntText);
  // PrepareDelimitedInts(delimiter) first.
  void PrepareDelimitedInts(char delimiter);
  char* WriteDelimitedInt(char* p, char delimiter, int value) const {
    if (value >= -128 && value <= 255) {
      std::memcpy(p, DelimitedInts[value + 128], sizeof DelimitedInts[0]);
      return p + DelimitedIntLengths[value + 128];
    }
    *p++ = delimiter;
    return WriteInt(p, value);
  }

  int16_t DecodeGps(const uint8_t* rec);
  int16_t DecodeBand(const uint8_t* rec);
  int16_t DecodeSingleChannel(const uint8_t* rec, int rx);
  int16_t DecodeRtc(const uint8_t* rec);
  int16_t DecodeSingleDefinition(const uint8_t* rec);
  int16_t DecodeListDefinition(const uint8_t* rec);
  int16_t DecodeListData(const uint8_t* rec);
  int16_t DecodeTableData(const uint8_t* rec);

  InputFile File;
  std::unique_ptr<uint8_t[]> SlowRecord{new uint8_t[kRecordBufferSize]()};
  LocationText LocationCache[256];
  FieldText FieldTexts[kCatalogueSlots];
  TextBuffer MemoScratch;
  // Row layouts for rows that are not buffered (0) and buffered (1).
  std::vector<RowSegment> RowLayout[2];
  char RowDelimiter = ',';
  // Texts of -128..255, each behind the delimiter DelimitedIntsFor.
  char DelimitedInts[384][8] = {};
  uint8_t DelimitedIntLengths[384] = {};
  int DelimitedIntsFor = -1;
  // Raised whenever decoding changes what a field or a data-block location shows,
  // except that a GPS fix raises it only when its date differs from the last fix's:
  // every fix raises FixGeneration instead. A kept text of fields that show the fix
  // beyond its date is valid while StateGeneration + FixGeneration stays the same
  // (both only grow), any other while StateGeneration does.
  uint64_t StateGeneration = 1;
  uint64_t FixGeneration = 0;
  uint64_t BandGeneration = 1;
  uint64_t TextGeneration(bool showsFix) const { return StateGeneration + (showsFix ? FixGeneration : 0); }
};

// The one reader of the program, and the base-class pointer every pass uses.
extern TLogReader Reader;
extern TProductReader* const ProductReader;

}  // namespace quillon
