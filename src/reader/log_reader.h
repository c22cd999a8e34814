// TLogReader: the reader of the receiver's log files (.klf, .kez).
// One pass over a file: set ConvertingPass (and SetReductionMode for a conversion),
// OpenInput, then NextRecord (or ReadNextRecord) / ProcessRecord until it returns 0,
// then CloseInput. ProcessRecord folds each record into the decoded state and tells
// the conversion what to write; Row() is the row being written as values, which a
// RowRenderer writes as text. The Write* slots render with the reader's own
// renderer. The decoded state is private: it changes only by the records fed in.
// A reader holds the state of exactly one pass and has no lock: passes on one reader
// must not overlap, while independent readers may run on separate threads.
//
// Everything a conversion writes depends only on the file and the settings:
// OpenInput resets all decoding state except the frequencies entered by hand.
#pragma once
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "reader/byte_order.h"
#include "reader/decoded_state.h"
#include "reader/file_type.h"
#include "reader/input_file.h"
#include "reader/log_format.h"
#include "reader/product_reader.h"
#include "reader/row_renderer.h"
#include "reader/row_view.h"
#include "reduction/lambda_averager.h"

namespace quillon {

constexpr int kMaxScanNodes = 1024;
// Single-channel rows, and bytes of their samples, buffered within one GPS interval;
// records beyond either bound are counted as left out and reported at the end of
// the run. Real intervals hold a few records of at most ten samples; the bounds only
// keep a broken or crafted log from taking the machine's memory.
constexpr int32_t kMaxBufferedRows = 1 << 20;
constexpr size_t kMaxBufferedSampleBytes = size_t{64} << 20;

// Scan kind codes: the slots of the scan tree's roots.
constexpr int16_t kScanKindSingle = 19;
constexpr int16_t kScanKindList = 20;
constexpr int16_t kScanKindTable = 1;

// Scan-node states: a scan is converted while its node's state is kScanChecked.
constexpr uint8_t kScanUnchecked = 1;
constexpr uint8_t kScanChecked = 2;

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
  // A record given whole (kind byte first), as if NextRecord had delivered it.
  int16_t DecodeRecord(const uint8_t* record, size_t length) {
    LastRecordLength = static_cast<int32_t>(length);
    return ProcessRecord(record);
  }
  void SetReductionMode(int16_t mode) override {
    TProductReader::SetReductionMode(mode);
    Decoded.ReductionMode = static_cast<Reduction>(mode);
  }
  void EndRecordRows() override { RxRowWritten[0] = RxRowWritten[1] = 0; }

  // The row being written: row RowsPerRecord - RowsRemaining of the record's rows.
  RowView Row() const { return RowView(Decoded, RowIndex(), RecordCount, ScanNumber, ScanKindCode); }
  const DecodedState& State() const { return Decoded; }
  // Length of the record last delivered (0 after an oversized length word).
  int32_t RecordLength() const { return LastRecordLength; }
  int64_t DataLengthOfInput() const { return DataLength; }
  // The bytes missing from a file that ends inside a record (an interrupted copy), or
  // whose header counts data past its end; 0 for a whole file. Set once the pass
  // reaches the end.
  int64_t BytesCutOff() const { return BytesCut; }

  // The boxes of the data block that the Write* slots render.
  void SetDataFields(const DataBlockFields& fields) { SlotRenderer.SetDataFields(fields); }
  // Single-channel data came without a single-frequency definition: the
  // frequencies must be given by hand before the file is converted.
  bool FrequenciesMissing() const { return (Rx1SingleSeen || Rx2SingleSeen) && !SingleDefSeen; }
  // A single-frequency definition has been read since the file was opened (or
  // frequencies were entered by hand).
  bool SingleFrequencyKnown() const { return SingleDefSeen != 0; }
  // receiverNumber 1 or 2.
  bool SelectReceiver(int receiverNumber);
  void SetManualFrequencies(double receiver1MHz, double receiver2MHz);

  // --- Settings the passes consult (copied from the main window or command line).
  int16_t InputFormat = kFormatStandard;
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
  uint8_t ManualFrequencies = 0;
  uint8_t GpsSeen = 0;
  std::vector<int32_t> OutageList;  // outage start times, seconds of day

  int32_t GpsTotalCount = 0, Gps3DCount = 0, Gps2DCount = 0;
  int32_t Rx1SingleCount = 0, Rx2SingleCount = 0, ListModeCount = 0, TableModeCount = 0;

  // Single-channel records left out because an interval exceeded a buffer bound.
  int64_t RowsLeftOut = 0;
  // Set when "40 Lambda" met single-channel data with no known frequency.
  bool LambdaLackedFrequency = false;
  int64_t FileSize = 0;

  // The 40-lambda averaging of this reader's passes.
  TLambdaAverager Averaging;

 private:
  void ResetDecodingState();
  void StateChanged() { Decoded.Changed(); }
  int64_t ReadRecordSlowly(uint8_t* buffer);
  void NoteCut(int64_t recordEnd);
  bool WholeInData(size_t length) const { return ReadPosition + 2 + static_cast<int64_t>(length) <= DataLength; }
  // Passes over a record of the given length that lies whole in the input buffer.
  int64_t TakeRecord(size_t length) {
    File.Skip(2 + length);
    ReadPosition += 2 + static_cast<int64_t>(length);
    LastRecordLength = static_cast<int32_t>(length);
    return static_cast<int64_t>(length) + 2;
  }
  bool RowComplete() const;
  int32_t RowIndex() const {
    const int32_t r = RowsPerRecord - RowsRemaining;
    const int32_t last = static_cast<int32_t>(Decoded.Rows.size()) - 1;
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

  int16_t DecodeGps(const uint8_t* rec);
  int16_t DecodeBand(const uint8_t* rec);
  int16_t DecodeSingleChannel(const uint8_t* rec, int rx);
  int16_t DecodeRtc(const uint8_t* rec);
  int16_t DecodeSingleDefinition(const uint8_t* rec);
  int16_t DecodeListDefinition(const uint8_t* rec);
  int16_t DecodeListData(const uint8_t* rec);
  int16_t DecodeTableData(const uint8_t* rec);
  void DecodeTpPosition(const uint8_t* rec);
  void DecodeTpMotion(const uint8_t* rec);

  struct FixTime {
    double Latitude = 0.0;
    double Longitude = 0.0;
    int32_t Hour = 0, Minute = 0, Second = 0;
  };

  DecodedState Decoded;
  RowRenderer SlotRenderer;

  // --- File.
  InputFile File;
  std::unique_ptr<uint8_t[]> SlowRecord{new uint8_t[kRecordBufferSize]()};
  int64_t DataLength = 0;
  int64_t BytesCut = 0;
  int64_t ReadPosition = 0;
  int32_t LastRecordLength = 0;

  // --- Decoding flags and the GPS interval.
  uint8_t SkipScan = 0;
  int32_t OutageIndex = 0;
  uint8_t InOutage = 0;
  uint8_t FirstFixPending = 1;
  uint8_t TimeSeen = 0, BandSeen = 0, SingleDefSeen = 0, ListDefSeen = 0, ScanPending = 0;
  uint8_t BandValid[2] = {0, 0};
  uint8_t Rx1SingleSeen = 0, Rx2SingleSeen = 0;
  int32_t PendingRecords = 0;
  FixTime PreviousFix, CurrentFix;
  uint8_t RxRowWritten[2] = {0, 0};
  uint8_t NewTableScan = 0;
};

// The one reader of the window, and the base-class pointer every pass uses.
extern TLogReader Reader;
extern TProductReader* const ProductReader;

}  // namespace quillon
