// TLogReader: construction, file handling and record framing.
#include "reader/log_reader.h"

#include <cstring>

#include "reader/byte_order.h"
#include "reduction/lambda_averager.h"

namespace quillon {

TLogReader Reader;
TProductReader* const ProductReader = &Reader;

namespace {
constexpr char kNoTimestamp[] = "<Timestamp Not Available>";
}

TLogReader::TLogReader() {
  std::memset(ListFrequencies, 0, sizeof ListFrequencies);
  ResetDecodingState();
  std::strcpy(ScanLabel, kNoTimestamp);
}

void TLogReader::ResetDecodingState() {
  ScanMode = 0;
  PacingMode = 0;
  FirstFixPending = 1;
  TimeSeen = BandSeen = ListDefSeen = ScanPending = 0;
  if (!ManualFrequencies) {
    SingleDefSeen = 0;
    std::memset(ListFrequencies, 0, sizeof ListFrequencies);
  }
  BandValid[0] = BandValid[1] = 0;
  Rx1SingleSeen = Rx2SingleSeen = 0;
  std::memset(TableChannels, 0, sizeof TableChannels);
  std::memset(RssiSamples, -120, sizeof RssiSamples);
  LastSampleIndex = 0;
  LastTableIndex = -1;
  std::memset(RtcClock, 0, sizeof RtcClock);
  std::memset(TpPosition, 0, sizeof TpPosition);
  std::memset(TpMotion, 0, sizeof TpMotion);
  PendingRecords = 0;
  Rows.assign(1, BufferedRow());
  RowSampleData.assign(1, 0);
  PreviousFix = CurrentFix = FixTime();
  RxRowWritten[0] = RxRowWritten[1] = 0;
  Sweep.Reset();
  NewTableScan = 0;
  NewScan = 0;
  SkipScan = 0;
  RowsPerRecord = 0;
  RowsRemaining = 1;
}

int16_t TLogReader::OpenInput(const std::string& name) {
  TProductReader::OpenInput(name);
  ScanKindCode = -1;
  ScanNumber = 0;
  if (!File.Open(name)) return -1;
  FileSize = File.Size();

  // File header: flash-card layout (10 bytes) or standard layout (6 bytes).
  uint8_t header[10] = {};
  const bool flash = InputFormat == kFormatFlashCard;
  const size_t headerSize = flash ? 10 : 6;
  File.Read(header, headerSize);
  const int64_t remainder = flash ? LoadLE16(header + 4) : LoadLE16(header + 2);
  const int64_t blocks = flash ? LoadLE32(header + 6) : LoadLE16(header + 4);
  DataLength = blocks * 512 + remainder;
  if (DataLength == 0) DataLength = FileSize;
  ReadPosition = static_cast<int64_t>(headerSize);
  LastRecordLength = 0;

  Fix = std::make_unique<GpsFix>();
  Bands[0] = BandInfo();
  Bands[1] = BandInfo();
  ResetDecodingState();
  std::strcpy(ScanLabel, kNoTimestamp);
  GpsTotalCount = Gps3DCount = Gps2DCount = 0;
  Rx1SingleCount = Rx2SingleCount = ListModeCount = TableModeCount = 0;
  OutageIndex = 0;
  InOutage = 0;
  GpsSeen = 0;
  Averager.Initialised = 0;
  StateChanged();
  return 0;
}

int16_t TLogReader::CloseInput() {
  File.Close();
  Fix.reset();
  StateChanged();
  return 0;
}

// Records that do not lie whole in the input buffer, or that reach the end of the
// data, or that do not fit the record buffer.
int64_t TLogReader::ReadRecordSlowly(uint8_t* buffer) {
  uint8_t word[2];
  const bool gotLength = File.Read(word, 2) == 2;
  ReadPosition += 2;
  if (!gotLength || ReadPosition > DataLength) return 0;
  const int32_t length = LoadLE16(word);
  if (length > kRecordBufferSize) {
    // Passed over: the decoder sees an empty record, never the previous one again.
    LastRecordLength = 0;
    return 4;
  }
  const bool gotBody = File.Read(buffer, static_cast<size_t>(length)) == static_cast<size_t>(length);
  ReadPosition += length;
  if (!gotBody || ReadPosition > DataLength) return 0;
  LastRecordLength = length;
  return length + 2;
}

bool TLogReader::SelectReceiver(int receiverNumber) {
  SelectedReceiver = static_cast<int16_t>(receiverNumber == 2 ? 1 : 0);
  StateChanged();
  const int rx = SelectedReceiver;
  const bool checked = rx == 0 ? Selectors.Receiver1 : Selectors.Receiver2;
  return checked && BandValid[rx] && (ScanMode != 1 || RxRowWritten[rx]);
}

void TLogReader::SetManualFrequencies(double receiver1MHz, double receiver2MHz) {
  ManualFrequencies = 1;
  SingleDefSeen = 1;
  const uint32_t rx1 = Bands[0].MHzToSteps(receiver1MHz);
  const uint32_t rx2 = Bands[1].MHzToSteps(receiver2MHz);
  for (int j = 0; j < kFrequencySlots; ++j) {
    ListFrequencies[0][j] = rx1;
    ListFrequencies[1][j] = rx2;
  }
}

}  // namespace quillon
