// TLogReader's renderers: one catalogue field, the data-block titles and the
// data-block values of the row being written. Formats are those of the output
// files and must not change.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "reader/byte_order.h"
#include "reader/log_reader.h"
#include "reader/number_text.h"

namespace quillon {

namespace {

template <typename... Args>
void Append(TextBuffer& text, const char* format, Args... args) {
  char buf[128];
  const int n = std::snprintf(buf, sizeof buf, format, args...);
  if (n > 0) text.append(buf, static_cast<size_t>(n < static_cast<int>(sizeof buf) ? n : static_cast<int>(sizeof buf) - 1));
}

// Degrees, minutes and seconds of a buffered decimal-degree value.
struct DmsParts {
  int Degrees;
  int Minutes;
  double DecimalMinutes;
  int Seconds;
};

DmsParts SplitDegrees(double x) {
  const double w = std::trunc(x);
  const double mf = (x - w) * 60;
  const double wm = std::trunc(mf);
  return {static_cast<int>(std::fabs(w)), static_cast<int>(std::fabs(wm)), std::fabs(mf),
          static_cast<int>(std::fabs(std::trunc((mf - wm) * 60)))};
}

// "TP Latitude/Longitude (Dec Deg)": unsigned whole degrees and millionths, negative
// unless the hemisphere byte is the positive one; 0 degrees keeps its sign only for
// the negative hemisphere letter (no TP record yet renders 0.000000).
void AppendTpAngle(TextBuffer& text, const uint8_t* at, char positive, char negative) {
  const char hemisphere = static_cast<char>(at[0]);
  const unsigned degrees = LoadLE16(at + 1);
  const unsigned millionths = LoadLE32(at + 3);
  const bool minus = hemisphere != positive && (degrees != 0 || hemisphere == negative);
  if (minus) text.push_back('-');
  AppendInt(text, degrees);
  text.push_back('.');
  char digits[12];
  const auto r = std::to_chars(digits, digits + sizeof digits, millionths);
  for (auto n = r.ptr - digits; n < 6; ++n) text.push_back('0');  // "%06u"
  text.append(digits, static_cast<size_t>(r.ptr - digits));
}

// One of the renderings of a latitude or longitude beside its decimal degrees
// (part 1 whole degrees, 2 whole minutes, 3 decimal minutes, 4 whole seconds),
// from the buffered row or from the fix.
void AppendAngleField(TextBuffer& text, int part, bool buffered, double rowValue, const Angle& angle) {
  if (buffered) {
    const DmsParts d = SplitDegrees(rowValue);
    if (part == 3) AppendFixed(text, d.DecimalMinutes, 6);
    else AppendInt(text, part == 1 ? d.Degrees : part == 2 ? d.Minutes : d.Seconds);
    return;
  }
  if (part == 3) AppendFixed(text, angle.DecimalMinutes, 6);
  else AppendInt(text, part == 1 ? angle.WholeDegrees : part == 2 ? angle.WholeMinutes : angle.WholeSeconds);
}

const GpsFix kNoFix;  // what the fields of a pass with no fix show

}  // namespace

void TLogReader::RowPosition(double& latitude, double& longitude) const {
  if (Buffered()) {
    const BufferedRow& row = Rows[static_cast<size_t>(RowIndex())];
    latitude = row.Latitude;
    longitude = row.Longitude;
    return;
  }
  latitude = Fix ? Fix->Latitude.DecimalDegrees : 0.0;
  longitude = Fix ? Fix->Longitude.DecimalDegrees : 0.0;
}

bool TLogReader::VariesPerRow(int16_t index, bool buffered) {
  if (index == 32) return true;  // the record number
  const bool followsRow = (index >= 5 && index <= 9) || (index >= 11 && index <= 15) ||
                          (index >= 18 && index <= 21) || index == 49;
  return buffered && followsRow;
}

// Every field but "CR / LF" and those that vary per row shows only the decoded fix,
// clock, band, TP records and receiver: its text is kept until that state changes.
void TLogReader::WriteFieldValue(int16_t index, TextBuffer& text) {
  text.clear();
  const bool buffered = Buffered();
  if (index >= 5 && index < kCatalogueSlots && !VariesPerRow(index, buffered)) {
    FieldText& memo = FieldTexts[index];
    const uint64_t generation = TextGeneration(ShowsFixBeyondDate(index));
    if (memo.Generation != generation) {
      MemoScratch.clear();
      RenderField(index, MemoScratch, buffered, CurrentRow());
      memo.Text.assign(MemoScratch.data(), MemoScratch.size());
      memo.Generation = generation;
    }
    text.append(memo.Text);
    return;
  }
  RenderField(index, text, buffered, CurrentRow());
}

void TLogReader::RenderField(int16_t index, TextBuffer& text, bool buffered, const BufferedRow& row) {
  const GpsFix& fix = Fix ? *Fix : kNoFix;
  const BandInfo& band = Bands[SelectedReceiver];
  switch (index) {
    case 4: text.push_back('\n'); break;
    case 5: AppendFixed(text, buffered ? row.Latitude : fix.Latitude.DecimalDegrees, 6); break;
    case 6: case 7: case 8: case 9:
      AppendAngleField(text, index - 5, buffered, row.Latitude, fix.Latitude);
      break;
    case 10: text.push_back(fix.Latitude.Hemisphere); break;
    case 11: AppendFixed(text, buffered ? row.Longitude : fix.Longitude.DecimalDegrees, 6); break;
    case 12: case 13: case 14: case 15:
      AppendAngleField(text, index - 11, buffered, row.Longitude, fix.Longitude);
      break;
    case 16: text.push_back(fix.Longitude.Hemisphere); break;
    case 17: text.append(fix.StatusText()); break;
    case 18:
      AppendTwoDigitTriple(text, buffered ? row.Hour : fix.Hour, buffered ? row.Minute : fix.Minute,
                 buffered ? row.Second : fix.Second, ':');
      break;
    case 19: AppendTwoDigits(text, buffered ? row.Hour : fix.Hour); break;
    case 20: AppendTwoDigits(text, buffered ? row.Minute : fix.Minute); break;
    case 21: AppendTwoDigits(text, buffered ? row.Second : fix.Second); break;
    case 22:  // "%02d/%02d/%04d"
      AppendTwoDigits(text, fix.Month);
      text.push_back('/');
      AppendTwoDigits(text, fix.Day);
      text.push_back('/');
      if (fix.Year >= 1000 && fix.Year <= 9999) {
        char* out = text.Tail(4);
        for (int i = 3, y = fix.Year; i >= 0; --i, y /= 10) out[i] = static_cast<char>('0' + y % 10);
        text.Commit(4);
      } else {
        Append(text, "%04d", fix.Year);
      }
      break;
    case 23: AppendTwoDigits(text, fix.Month); break;
    case 24: AppendTwoDigits(text, fix.Day); break;
    case 25: AppendTwoDigits(text, fix.Year); break;
    case 26: AppendFixed(text, fix.Height * 0.01, 0); break;
    case 27: AppendFixed(text, fix.Speed * 0.02237, 0); break;
    case 29: AppendTwoDigits(text, RtcClock[6] % 100); break;
    case 32: AppendInt(text, RecordCount); break;
    case 33: AppendTwoDigitTriple(text, RtcClock[4], RtcClock[3], RtcClock[5], '/'); break;
    case 34: AppendTwoDigits(text, RtcClock[4]); break;
    case 35: AppendTwoDigits(text, RtcClock[3]); break;
    case 36: AppendTwoDigits(text, RtcClock[5]); break;
    case 37: AppendTwoDigitTriple(text, RtcClock[2], RtcClock[1], RtcClock[0], ':'); break;
    case 38: AppendTwoDigits(text, RtcClock[2]); break;
    case 39: AppendTwoDigits(text, RtcClock[1]); break;
    case 40: AppendTwoDigits(text, RtcClock[0]); break;
    case 46: AppendFixed(text, band.LowestMHz(), 5); break;
    case 47: AppendFixed(text, band.HighestMHz(), 5); break;
    case 48: AppendFixed(text, band.Step, 2); break;
    case 49: AppendInt(text, (buffered ? row.Receiver : SelectedReceiver) + 1); break;
    case 50: AppendTpAngle(text, TpPosition + 7, 'N', 'S'); break;
    case 51: AppendTpAngle(text, TpPosition + 14, 'E', 'W'); break;
    case 52: AppendTwoDigitTriple(text, TpPosition[5] + 1, TpPosition[4], TpPosition[6] + 1900, '/'); break;
    case 53: AppendTwoDigitTriple(text, TpPosition[3], TpPosition[2], TpPosition[1], ':'); break;
    case 54: AppendInt(text, static_cast<int16_t>(LoadLE16(TpMotion + 3))); break;
    case 55: AppendInt(text, LoadLE16(TpMotion + 5)); break;
    default: break;  // fields with no rendering, and indexes outside the catalogue
  }
}

int16_t TLogReader::WriteDataHeader(TextBuffer& text, char delimiter) {
  text.clear();
  int groups = 0;
  switch (ScanMode) {
    case 1: groups = 1; break;
    case 2: groups = ReductionMode == 3 ? 1 : 10; break;
    case 3: groups = ReductionMode == 3 ? 1 : 4; break;
    default: break;
  }
  for (int g = 0; g < groups; ++g) {
    for (int box = 0; box < 3; ++box) {
      const bool checked = box == 0 ? DataFields.Frequency : box == 1 ? DataFields.Channel : DataFields.Rssi;
      if (!checked) continue;
      if (!text.empty()) text += delimiter;
      text += box == 0 ? "\"Frequency\"" : box == 1 ? "\"Channel\"" : "\"RSSI\"";
    }
  }
  return 0;
}

// The frequency and channel texts of an entry, each with its leading delimiter.
// A scan repeats the same few frequencies row after row, so the text of each is
// kept and formatted again only when the entry, band or check boxes change.
const LocationText& TLogReader::FormatLocation(LocationText& slot, char delimiter, uint32_t style, uint32_t value) {
  const bool table = (style & 1) != 0;
  const BandInfo& band = Bands[SelectedReceiver];
  slot.Generation = BandGeneration;
  slot.Value = value;
  slot.Style = style;
  MemoScratch.clear();
  if (DataFields.Frequency) {
    MemoScratch += delimiter;
    AppendFixed(MemoScratch, table ? band.ChannelToMHz(value) : band.StepsToMHz(value), 5);
  }
  if (DataFields.Channel) {
    MemoScratch += delimiter;
    AppendInt(MemoScratch, table ? static_cast<long long>(value) : band.StepsToChannel(value));
  }
  slot.Length = static_cast<uint32_t>(MemoScratch.size());
  if (slot.Length <= sizeof slot.Short) std::memcpy(slot.Short, MemoScratch.data(), slot.Length);
  else slot.Long = MemoScratch.str();
  return slot;
}

void TLogReader::PrepareDelimitedInts(char delimiter) {
  if (DelimitedIntsFor == static_cast<uint8_t>(delimiter)) return;
  for (int i = 0; i < 384; ++i) {
    DelimitedInts[i][0] = delimiter;
    std::memcpy(DelimitedInts[i] + 1, kSmallInts.Text[i], 4);
    DelimitedIntLengths[i] = static_cast<uint8_t>(1 + kSmallInts.Length[i]);
  }
  DelimitedIntsFor = static_cast<uint8_t>(delimiter);
}

int16_t TLogReader::WriteDataValues(TextBuffer& text, char delimiter) {
  text.clear();
  AppendDataValues(text, delimiter);
  return 0;
}

void TLogReader::AppendDataValues(TextBuffer& text, char delimiter) {
  const int rx = SelectedReceiver;
  const int32_t r = RowIndex();
  const bool buffered = Buffered();
  int32_t a = 0, b = -1;
  switch (ScanMode) {
    case 1:
      b = buffered ? Rows[static_cast<size_t>(r)].LastSample : LastSampleIndex;
      break;
    case 2:
      if (ReductionMode == 3) {
        int best = -150;
        int32_t chosen = 0;
        for (int32_t j = 0; j < kListSlots; ++j) {
          if (ListFrequencies[rx][j] != 0 && RssiSamples[j] > best) {
            best = RssiSamples[j];
            chosen = j;
          }
        }
        a = b = chosen;
      } else {
        b = kListSlots - 1;
      }
      break;
    case 3:
      if (ReductionMode == 3) {
        PrepareDelimitedInts(delimiter);
        const LocationText* location =
            DataFields.Frequency || DataFields.Channel
                ? &Location(delimiter, LocationStyle(delimiter, true), static_cast<uint32_t>(Sweep.BestChannel))
                : nullptr;
        TextBuffer::Span w = text.Writing((location ? location->Length : 0) + kEntryRoom);
        if (location) w.At = WriteLocationText(w.At, *location);
        if (DataFields.Rssi) w.At = WriteDelimitedInt(w.At, delimiter, Sweep.BestRssi);
        text.CommitTo(w.At);
        return;
      }
      b = LastTableIndex;
      break;
    default:
      break;
  }

  if (buffered) {
    AppendBufferedSamples(text, Rows[static_cast<size_t>(r)], delimiter);
    return;
  }
  // A row that is not buffered shows an entry only with its location: a list or
  // single-channel frequency, or a table channel.
  const bool table = ScanMode == 3;
  const bool locations = DataFields.Frequency || DataFields.Channel;
  const bool rssi = DataFields.Rssi;
  const uint32_t style = LocationStyle(delimiter, table);
  const uint32_t* frequencies = ListFrequencies[rx];
  PrepareDelimitedInts(delimiter);
  // Neighbouring entries mostly share their frequency: the text found for one
  // serves the next.
  const LocationText* location = nullptr;
  uint32_t locationValue = 0;
  TextBuffer::Span w = text.Writing(kEntryRoom);
  for (int32_t j = a; j <= b; ++j) {
    uint32_t value;
    if (table) value = j < kTableSlots ? TableChannels[j] : 0;
    else if ((value = frequencies[j < kFrequencySlots ? j : kFrequencySlots - 1]) == 0) continue;
    size_t need = kEntryRoom;
    if (locations) {
      if (!location || value != locationValue) {
        location = &Location(delimiter, style, value);
        locationValue = value;
      }
      need += location->Length;
    }
    if (w.Left() < need) w = text.MoreRoom(w.At, need);
    if (locations) w.At = WriteLocationText(w.At, *location);
    if (rssi) w.At = WriteDelimitedInt(w.At, delimiter, RssiSamples[j]);
  }
  text.CommitTo(w.At);
}

}  // namespace quillon
