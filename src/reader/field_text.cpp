// RowRenderer's column texts: one catalogue field, the data-block titles and the
// data-block values of a row. Formats are those of the output files and must not
// change.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "reader/row_renderer.h"

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
// unless the hemisphere letter is the positive one; 0 degrees keeps its sign only for
// the negative hemisphere letter (no TP record yet renders 0.000000).
void AppendTpAngle(TextBuffer& text, const TpAngle& angle, char positive, char negative) {
  const bool minus = angle.Hemisphere != positive && (angle.Degrees != 0 || angle.Hemisphere == negative);
  if (minus) text.push_back('-');
  AppendInt(text, angle.Degrees);
  text.push_back('.');
  char digits[12];
  const auto r = std::to_chars(digits, digits + sizeof digits, angle.Millionths);
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

// Height in centimetres to metres; speed in centimetres per second to miles per hour
// (1 cm/s = 0.02237 mph as the receiver's tools print it).
constexpr double kMetresPerCentimetre = 0.01;
constexpr double kMphPerCentimetrePerSecond = 0.02237;

}  // namespace

void RowRenderer::RenderField(int16_t index, TextBuffer& text, const RowView& row) {
  const GpsFix& fix = row.Fix();
  const RtcTime& clock = row.Clock();
  const TpPosition& tp = row.Tp();
  const bool buffered = row.Buffered();
  const double latitude = row.Latitude(), longitude = row.Longitude();
  if (index < 0 || index >= kCatalogueFields) return;  // indexes outside the catalogue render nothing
  switch (static_cast<Field>(index)) {
    case Field::LineBreak: text.push_back('\n'); break;
    case Field::LatitudeDecimalDegrees: AppendFixed(text, latitude, 6); break;
    case Field::LatitudeDegrees:
    case Field::LatitudeMinutes:
    case Field::LatitudeDecimalMinutes:
    case Field::LatitudeSeconds:
      AppendAngleField(text, index - Index(Field::LatitudeDecimalDegrees), buffered, latitude, fix.Latitude);
      break;
    case Field::LatitudeHemisphere: text.push_back(fix.Latitude.Hemisphere); break;
    case Field::LongitudeDecimalDegrees: AppendFixed(text, longitude, 6); break;
    case Field::LongitudeDegrees:
    case Field::LongitudeMinutes:
    case Field::LongitudeDecimalMinutes:
    case Field::LongitudeSeconds:
      AppendAngleField(text, index - Index(Field::LongitudeDecimalDegrees), buffered, longitude, fix.Longitude);
      break;
    case Field::LongitudeHemisphere: text.push_back(fix.Longitude.Hemisphere); break;
    case Field::GpsStatus: text.append(fix.StatusText()); break;
    case Field::GpsTime: AppendTwoDigitTriple(text, row.Hour(), row.Minute(), row.Second(), ':'); break;
    case Field::GpsHour: AppendTwoDigits(text, row.Hour()); break;
    case Field::GpsMinute: AppendTwoDigits(text, row.Minute()); break;
    case Field::GpsSecond: AppendTwoDigits(text, row.Second()); break;
    case Field::GpsDate:  // "%02d/%02d/%04d"
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
    case Field::GpsMonth: AppendTwoDigits(text, fix.Month); break;
    case Field::GpsDay: AppendTwoDigits(text, fix.Day); break;
    case Field::GpsYear: AppendTwoDigits(text, fix.Year); break;
    case Field::GpsAltitude: AppendFixed(text, fix.Height * kMetresPerCentimetre, 0); break;
    case Field::GpsVelocity: AppendFixed(text, fix.Speed * kMphPerCentimetrePerSecond, 0); break;
    case Field::MarkerValue: AppendTwoDigits(text, clock.Marker % 100); break;
    case Field::RecordNumber: AppendInt(text, row.RecordNumber()); break;
    case Field::RtcDate: AppendTwoDigitTriple(text, clock.Month, clock.Day, clock.Year, '/'); break;
    case Field::RtcMonth: AppendTwoDigits(text, clock.Month); break;
    case Field::RtcDay: AppendTwoDigits(text, clock.Day); break;
    case Field::RtcYear: AppendTwoDigits(text, clock.Year); break;
    case Field::RtcTime: AppendTwoDigitTriple(text, clock.Hour, clock.Minute, clock.Second, ':'); break;
    case Field::RtcHour: AppendTwoDigits(text, clock.Hour); break;
    case Field::RtcMinute: AppendTwoDigits(text, clock.Minute); break;
    case Field::RtcSecond: AppendTwoDigits(text, clock.Second); break;
    case Field::MinFrequency: AppendFixed(text, row.Band().LowestMHz(), 5); break;
    case Field::MaxFrequency: AppendFixed(text, row.Band().HighestMHz(), 5); break;
    case Field::StepSize: AppendFixed(text, row.Band().Step, 2); break;
    case Field::Receiver: AppendInt(text, row.Receiver()); break;
    case Field::TpLatitude: AppendTpAngle(text, tp.Latitude, 'N', 'S'); break;
    case Field::TpLongitude: AppendTpAngle(text, tp.Longitude, 'E', 'W'); break;
    case Field::TpDate: AppendTwoDigitTriple(text, tp.Month + 1, tp.Day, tp.YearsSince1900 + 1900, '/'); break;
    case Field::TpTime: AppendTwoDigitTriple(text, tp.Hour, tp.Minute, tp.Second, ':'); break;
    case Field::TpSpeed: AppendInt(text, row.Motion().SpeedKmh); break;
    case Field::TpDirection: AppendInt(text, row.Motion().Direction); break;
    default: break;  // the data block and the fields with no rendering
  }
}

// Every field but "CR / LF" and those that vary per row shows only the decoded fix,
// clock, band, TP records and receiver: its text is kept until that state changes.
void RowRenderer::WriteField(int16_t index, TextBuffer& text, const RowView& row) {
  text.clear();
  Follow(row);
  if (index >= Index(Field::LatitudeDecimalDegrees) && index < kCatalogueSlots && !VariesPerRow(index, row.Buffered())) {
    FieldText& memo = FieldTexts[index];
    const uint64_t generation = row.State().TextGeneration(ShowsFixBeyondDate(index));
    if (memo.Generation != generation) {
      MemoScratch.clear();
      RenderField(index, MemoScratch, row);
      memo.Text.assign(MemoScratch.data(), MemoScratch.size());
      memo.Generation = generation;
    }
    text.append(memo.Text);
    return;
  }
  RenderField(index, text, row);
}

// One title group per entry group the rows of the scan can show: one for single-channel
// rows and for best server, ten for list rows, four for table rows.
void RowRenderer::WriteDataHeader(TextBuffer& text, char delimiter, const RowView& row) const {
  text.clear();
  int groups = 0;
  switch (row.Mode()) {
    case ScanMode::SingleChannel: groups = 1; break;
    case ScanMode::List: groups = row.BestServer() ? 1 : kListSlots; break;
    case ScanMode::Table: groups = row.BestServer() ? 1 : 4; break;
    case ScanMode::None: break;
  }
  for (int g = 0; g < groups; ++g) {
    for (int box = 0; box < 3; ++box) {
      const bool checked = box == 0 ? Boxes.Frequency : box == 1 ? Boxes.Channel : Boxes.Rssi;
      if (!checked) continue;
      if (!text.empty()) text += delimiter;
      text += box == 0 ? "\"Frequency\"" : box == 1 ? "\"Channel\"" : "\"RSSI\"";
    }
  }
}

void RowRenderer::WriteDataValues(TextBuffer& text, char delimiter, const RowView& row) {
  text.clear();
  Follow(row);
  AppendDataValues(text, delimiter, row);
}

void RowRenderer::AppendEntryFrequency(TextBuffer& text, const RowView& row, const DataEntry& entry) {
  AppendFixed(text, row.FrequencyMHz(entry), 5);
}

void RowRenderer::AppendEntryChannel(TextBuffer& text, const RowView& row, const DataEntry& entry) {
  AppendInt(text, row.Channel(entry));
}

// The frequency and channel texts of an entry, each with its leading delimiter.
const RowRenderer::LocationText& RowRenderer::FormatLocation(LocationText& slot, char delimiter, uint32_t style,
                                                             uint32_t value, const RowView& row) {
  const DataEntry entry{value, (style & 1) != 0, true, 0};
  slot.Generation = row.State().BandGeneration;
  slot.Value = value;
  slot.Style = style;
  MemoScratch.clear();
  if (Boxes.Frequency) {
    MemoScratch += delimiter;
    AppendEntryFrequency(MemoScratch, row, entry);
  }
  if (Boxes.Channel) {
    MemoScratch += delimiter;
    AppendEntryChannel(MemoScratch, row, entry);
  }
  slot.Length = static_cast<uint32_t>(MemoScratch.size());
  if (slot.Length <= sizeof slot.Short) std::memcpy(slot.Short, MemoScratch.data(), slot.Length);
  else slot.Long = MemoScratch.str();
  return slot;
}

}  // namespace quillon
