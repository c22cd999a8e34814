// RowRenderer's column texts and the values they show: one catalogue field (its
// typed value, and its text written with the field's digits), the data-block titles
// and the data-block values of a row. Formats are those of the output files and
// must not change.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "reader/field_value.h"
#include "reader/row_renderer.h"

namespace quillon {

namespace {

// Degrees, minutes and seconds of a buffered decimal-degree value.
struct DmsParts {
  int Degrees;
  int Minutes;
  double DecimalMinutes;
  int Seconds;
};

inline __attribute__((always_inline)) DmsParts SplitDegrees(double x) {
  const double w = std::trunc(x);
  const double mf = (x - w) * 60;
  const double wm = std::trunc(mf);
  return {static_cast<int>(std::fabs(w)), static_cast<int>(std::fabs(wm)), std::fabs(mf),
          static_cast<int>(std::fabs(std::trunc((mf - wm) * 60)))};
}

// "TP Latitude/Longitude (Dec Deg)": unsigned whole degrees and millionths, negative
// unless the hemisphere letter is the positive one; 0 degrees keeps its sign only for
// the negative hemisphere letter (no TP record yet renders 0.000000).
char* WriteTpAngle(char* p, const TpAngle& angle, char positive, char negative) {
  const bool minus = angle.Hemisphere != positive && (angle.Degrees != 0 || angle.Hemisphere == negative);
  if (minus) *p++ = '-';
  p = WriteInt(p, angle.Degrees);
  *p++ = '.';
  char digits[12];
  const auto r = std::to_chars(digits, digits + sizeof digits, angle.Millionths);
  for (auto n = r.ptr - digits; n < 6; ++n) *p++ = '0';  // "%06u"
  std::memcpy(p, digits, static_cast<size_t>(r.ptr - digits));
  return p + (r.ptr - digits);
}

// One of the parts of a latitude or longitude beside its decimal degrees (1 whole
// degrees, 2 whole minutes, 4 whole seconds), from the buffered row or the fix.
inline __attribute__((always_inline)) int64_t AngleInteger(int part, bool buffered, double rowValue,
                                                           const Angle& angle) {
  if (buffered) {
    const DmsParts d = SplitDegrees(rowValue);
    return part == 1 ? d.Degrees : part == 2 ? d.Minutes : d.Seconds;
  }
  return part == 1 ? angle.WholeDegrees : part == 2 ? angle.WholeMinutes : angle.WholeSeconds;
}
double AngleDecimalMinutes(bool buffered, double rowValue, const Angle& angle) {
  return buffered ? SplitDegrees(rowValue).DecimalMinutes : angle.DecimalMinutes;
}

// Height in centimetres to metres; speed in centimetres per second to miles per hour
// (1 cm/s = 0.02237 mph as the receiver's tools print it).
constexpr double kMetresPerCentimetre = 0.01;
constexpr double kMphPerCentimetrePerSecond = 0.02237;

FieldValue Integer(int64_t v) {
  FieldValue value;
  value.Type = FieldType::Integer;
  value.Integer = v;
  return value;
}
FieldValue Real(double v) {
  FieldValue value;
  value.Type = FieldType::Real;
  value.Real = v;
  return value;
}
// A text value written by write(char*), which returns the end of the text.
template <typename Write>
FieldValue Text(Write write) {
  FieldValue value;
  value.Type = FieldType::Text;
  value.TextLength = static_cast<uint8_t>(write(value.Text) - value.Text);
  value.Text[value.TextLength] = '\0';
  return value;
}
FieldValue Letter(char c) {
  return Text([c](char* p) {
    *p = c;
    return p + 1;
  });
}
FieldValue Triple(int a, int b, int c, char separator) {
  return Text([&](char* p) { return WriteTwoDigitTriple(p, a, b, c, separator); });
}
// "%02d/%02d/%04d" of the fix date.
FieldValue FixDate(const GpsFix& fix) {
  return Text([&fix](char* p) {
    p = WriteTwoDigits(p, fix.Month);
    *p++ = '/';
    p = WriteTwoDigits(p, fix.Day);
    *p++ = '/';
    if (fix.Year >= 1000 && fix.Year <= 9999) {
      for (int i = 3, y = fix.Year; i >= 0; --i, y /= 10) p[i] = static_cast<char>('0' + y % 10);
      return p + 4;
    }
    return p + std::snprintf(p, 12, "%04d", fix.Year);
  });
}
// The TP angle's text, and its value as that text reads.
FieldValue TpAngleValue(const TpAngle& angle, char positive, char negative) {
  FieldValue value = Text([&](char* p) { return WriteTpAngle(p, angle, positive, negative); });
  value.Type = FieldType::Real;
  value.Real = std::strtod(value.Text, nullptr);
  return value;
}

}  // namespace

// Inlined into the text renderer: rows of buffered single-channel data render their
// position parts and clock this way for every row.
static inline __attribute__((always_inline)) FieldValue ComputeValue(int16_t index, const RowView& row) {
  if (index < 0 || index >= kCatalogueFields) return {};
  const GpsFix& fix = row.Fix();
  const RtcTime& clock = row.Clock();
  const TpPosition& tp = row.Tp();
  const bool buffered = row.Buffered();
  switch (static_cast<Field>(index)) {
    case Field::LatitudeDecimalDegrees: return Real(row.Latitude());
    case Field::LatitudeDegrees: return Integer(AngleInteger(1, buffered, row.Latitude(), fix.Latitude));
    case Field::LatitudeMinutes: return Integer(AngleInteger(2, buffered, row.Latitude(), fix.Latitude));
    case Field::LatitudeDecimalMinutes: return Real(AngleDecimalMinutes(buffered, row.Latitude(), fix.Latitude));
    case Field::LatitudeSeconds: return Integer(AngleInteger(4, buffered, row.Latitude(), fix.Latitude));
    case Field::LatitudeHemisphere: return Letter(fix.Latitude.Hemisphere);
    case Field::LongitudeDecimalDegrees: return Real(row.Longitude());
    case Field::LongitudeDegrees: return Integer(AngleInteger(1, buffered, row.Longitude(), fix.Longitude));
    case Field::LongitudeMinutes: return Integer(AngleInteger(2, buffered, row.Longitude(), fix.Longitude));
    case Field::LongitudeDecimalMinutes: return Real(AngleDecimalMinutes(buffered, row.Longitude(), fix.Longitude));
    case Field::LongitudeSeconds: return Integer(AngleInteger(4, buffered, row.Longitude(), fix.Longitude));
    case Field::LongitudeHemisphere: return Letter(fix.Longitude.Hemisphere);
    case Field::GpsStatus:
      return Text([&fix](char* p) {
        const char* status = fix.StatusText();
        const size_t n = std::strlen(status);
        std::memcpy(p, status, n);
        return p + n;
      });
    case Field::GpsTime: return Triple(row.Hour(), row.Minute(), row.Second(), ':');
    case Field::GpsHour: return Integer(row.Hour());
    case Field::GpsMinute: return Integer(row.Minute());
    case Field::GpsSecond: return Integer(row.Second());
    case Field::GpsDate: return FixDate(fix);
    case Field::GpsMonth: return Integer(fix.Month);
    case Field::GpsDay: return Integer(fix.Day);
    case Field::GpsYear: return Integer(fix.Year);
    case Field::GpsAltitude: return Real(fix.Height * kMetresPerCentimetre);
    case Field::GpsVelocity: return Real(fix.Speed * kMphPerCentimetrePerSecond);
    case Field::MarkerValue: return Integer(clock.Marker % 100);
    case Field::RecordNumber: return Integer(row.RecordNumber());
    case Field::RtcDate: return Triple(clock.Month, clock.Day, clock.Year, '/');
    case Field::RtcMonth: return Integer(clock.Month);
    case Field::RtcDay: return Integer(clock.Day);
    case Field::RtcYear: return Integer(clock.Year);
    case Field::RtcTime: return Triple(clock.Hour, clock.Minute, clock.Second, ':');
    case Field::RtcHour: return Integer(clock.Hour);
    case Field::RtcMinute: return Integer(clock.Minute);
    case Field::RtcSecond: return Integer(clock.Second);
    case Field::MinFrequency: return Real(row.Band().LowestMHz());
    case Field::MaxFrequency: return Real(row.Band().HighestMHz());
    case Field::StepSize: return Real(row.Band().Step);
    case Field::Receiver: return Integer(row.Receiver());
    case Field::TpLatitude: return TpAngleValue(tp.Latitude, 'N', 'S');
    case Field::TpLongitude: return TpAngleValue(tp.Longitude, 'E', 'W');
    case Field::TpDate: return Triple(tp.Month + 1, tp.Day, tp.YearsSince1900 + 1900, '/');
    case Field::TpTime: return Triple(tp.Hour, tp.Minute, tp.Second, ':');
    case Field::TpSpeed: return Integer(row.Motion().SpeedKmh);
    case Field::TpDirection: return Integer(row.Motion().Direction);
    default: return {};  // the data block, "CR / LF" and the fields with no rendering
  }
}

FieldValue ValueOf(int16_t index, const RowView& row) { return ComputeValue(index, row); }

// A field's text is its value written with the field's digits; the TP angles keep
// the text their value is read from.
void RowRenderer::RenderField(int16_t index, TextBuffer& text, const RowView& row) {
  const FieldInfo* field = FindField(index);
  if (!field) return;  // indexes outside the catalogue render nothing
  if (field->Id == Field::LineBreak) {
    text.push_back('\n');
    return;
  }
  const FieldValue value = ComputeValue(index, row);
  switch (value.Type) {
    case FieldType::Integer:
      if (field->Digits == 2) AppendTwoDigits(text, value.Integer);
      else AppendInt(text, value.Integer);
      break;
    case FieldType::Real:
      if (field->Id == Field::TpLatitude || field->Id == Field::TpLongitude) text.append(value.Text, value.TextLength);
      else AppendFixed(text, value.Real, field->Digits);
      break;
    case FieldType::Text: text.append(value.Text, value.TextLength); break;
    default: break;
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
