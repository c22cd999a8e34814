// TLogReader: construction, file handling and record framing.
#include "reader/log_reader.h"

#include <algorithm>

#include <cstring>

#include "reader/byte_order.h"
#include "reduction/lambda_averager.h"

namespace quillon {

TLogReader Reader;
TProductReader* const ProductReader = &Reader;
TLambdaAverager& Averager = Reader.Averaging;

namespace {
constexpr char kNoTimestamp[] = "<Timestamp Not Available>";
}

TLogReader::TLogReader() {
  ResetDecodingState();
  std::strcpy(ScanLabel, kNoTimestamp);
}

void TLogReader::ResetDecodingState() {
  DecodedState& s = Decoded;
  s.Mode = ScanMode::None;
  s.PacingMode = Pacing::None;
  FirstFixPending = 1;
  TimeSeen = BandSeen = ListDefSeen = ScanPending = 0;
  if (!ManualFrequencies) {
    SingleDefSeen = 0;
    std::memset(s.ListFrequencies, 0, sizeof s.ListFrequencies);
  }
  BandValid[0] = BandValid[1] = 0;
  Rx1SingleSeen = Rx2SingleSeen = 0;
  std::memset(s.TableChannels, 0, sizeof s.TableChannels);
  std::memset(s.RssiSamples, -120, sizeof s.RssiSamples);
  s.LastSampleIndex = 0;
  s.LastTableIndex = -1;
  s.Clock = RtcTime();
  s.Tp = TpPosition();
  s.Motion = TpMotion();
  PendingRecords = 0;
  s.Rows.assign(1, BufferedRow());
  s.RowSampleData.assign(1, 0);
  PreviousFix = CurrentFix = FixTime();
  RxRowWritten[0] = RxRowWritten[1] = 0;
  s.Sweep.Reset();
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

  // The file header of the layout the input format names.
  using namespace log_format;
  uint8_t header[FlashCardHeader::kSize] = {};
  const bool flash = InputFormat == kFormatFlashCard;
  const size_t headerSize = flash ? FlashCardHeader::kSize : StandardHeader::kSize;
  File.Read(header, headerSize);
  const int64_t remainder = flash ? LoadLE16(header + FlashCardHeader::kRemainder) : LoadLE16(header + StandardHeader::kRemainder);
  const int64_t blocks = flash ? LoadLE32(header + FlashCardHeader::kBlocks) : LoadLE16(header + StandardHeader::kBlocks);
  DataLength = blocks * static_cast<int64_t>(kBlockSize) + remainder;
  if (DataLength == 0) DataLength = FileSize;
  ReadPosition = static_cast<int64_t>(headerSize);
  LastRecordLength = 0;
  BytesCut = 0;

  Decoded.Fix = GpsFix();
  Decoded.FixSeen = false;
  Decoded.ClockSeen = false;
  Decoded.Bands[0] = BandInfo();
  Decoded.Bands[1] = BandInfo();
  ResetDecodingState();
  std::strcpy(ScanLabel, kNoTimestamp);
  GpsTotalCount = Gps3DCount = Gps2DCount = 0;
  Rx1SingleCount = Rx2SingleCount = ListModeCount = TableModeCount = 0;
  OutageIndex = 0;
  InOutage = 0;
  GpsSeen = 0;
  Averaging.Initialised = 0;
  StateChanged();
  return 0;
}

// The fix goes with the file: after closing, fields show the no-fix defaults.
int16_t TLogReader::CloseInput() {
  File.Close();
  Decoded.Fix = GpsFix();
  StateChanged();
  return 0;
}

int16_t TLogReader::WriteDataHeader(TextBuffer& text, char delimiter) {
  SlotRenderer.WriteDataHeader(text, delimiter, Row());
  return 0;
}

int16_t TLogReader::WriteDataValues(TextBuffer& text, char delimiter) {
  SlotRenderer.WriteDataValues(text, delimiter, Row());
  return 0;
}

void TLogReader::WriteFieldValue(int16_t index, TextBuffer& text) { SlotRenderer.WriteField(index, text, Row()); }

// Records that do not lie whole in the input buffer, or that reach the end of the
// data, or that do not fit the record buffer.
int64_t TLogReader::ReadRecordSlowly(uint8_t* buffer) {
  uint8_t word[2];
  const size_t gotLength = File.Read(word, 2);
  ReadPosition += 2;
  if (gotLength != 2 || ReadPosition > DataLength) {
    // The file ended in a length word, or before the data its header counts.
    if (gotLength == 1 || (gotLength == 0 && ReadPosition - 2 < DataLength)) NoteCut(ReadPosition - 2 + 2 * gotLength);
    return 0;
  }
  const int32_t length = LoadLE16(word);
  if (length > static_cast<int32_t>(log_format::kMaxRecordLength)) {
    // Passed over: the decoder sees an empty record, never the previous one again.
    LastRecordLength = 0;
    return 4;
  }
  const bool gotBody = File.Read(buffer, static_cast<size_t>(length)) == static_cast<size_t>(length);
  ReadPosition += length;
  if (!gotBody || ReadPosition > DataLength) {
    if (!gotBody) NoteCut(ReadPosition);  // the file ended inside the record
    return 0;
  }
  LastRecordLength = length;
  return length + 2;
}

// A record that ends past the data the file holds: the bytes it lacks, or those the
// header's data length counts past the file's end, whichever is more.
void TLogReader::NoteCut(int64_t recordEnd) {
  const int64_t held = std::min(DataLength, FileSize);
  BytesCut = std::max({BytesCut, recordEnd - held, DataLength - FileSize, int64_t{0}});
}

bool TLogReader::SelectReceiver(int receiverNumber) {
  Decoded.SelectedReceiver = static_cast<int16_t>(receiverNumber == 2 ? 1 : 0);
  StateChanged();
  const int rx = Decoded.SelectedReceiver;
  const bool checked = rx == 0 ? Selectors.Receiver1 : Selectors.Receiver2;
  return checked && BandValid[rx] && (Decoded.Mode != ScanMode::SingleChannel || RxRowWritten[rx]);
}

void TLogReader::SetManualFrequencies(double receiver1MHz, double receiver2MHz) {
  ManualFrequencies = 1;
  SingleDefSeen = 1;
  const uint32_t rx1 = Decoded.Bands[0].MHzToSteps(receiver1MHz);
  const uint32_t rx2 = Decoded.Bands[1].MHzToSteps(receiver2MHz);
  for (int j = 0; j < kFrequencySlots; ++j) {
    Decoded.ListFrequencies[0][j] = rx1;
    Decoded.ListFrequencies[1][j] = rx2;
  }
}

}  // namespace quillon
