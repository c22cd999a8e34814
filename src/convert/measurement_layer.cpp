#include "convert/measurement_layer.h"

#include <algorithm>
#include <cstdlib>

#include "reader/number_text.h"

namespace quillon {

namespace {
// Text values: dates, clock times, status names and letters, of at most this many
// characters ("Acquiring Satellites"); file formats with fixed widths keep them so.
constexpr int kTextWidth = 20;
constexpr int kRealWidth = 20;


// The fields of the GPS fix (position, altitude, speed, GPS date and time) and of
// the clock, which a row before the file's first fix or clock record does not have.
bool NeedsFix(int16_t field) {
  switch (static_cast<Field>(field)) {
    case Field::LatitudeDecimalDegrees: case Field::LatitudeDegrees: case Field::LatitudeMinutes:
    case Field::LatitudeDecimalMinutes: case Field::LatitudeSeconds: case Field::LatitudeHemisphere:
    case Field::LongitudeDecimalDegrees: case Field::LongitudeDegrees: case Field::LongitudeMinutes:
    case Field::LongitudeDecimalMinutes: case Field::LongitudeSeconds: case Field::LongitudeHemisphere:
    case Field::GpsTime: case Field::GpsHour: case Field::GpsMinute: case Field::GpsSecond:
    case Field::GpsDate: case Field::GpsMonth: case Field::GpsDay: case Field::GpsYear:
    case Field::GpsAltitude: case Field::GpsVelocity: return true;
    default: return false;
  }
}

bool NeedsClock(int16_t field) {
  switch (static_cast<Field>(field)) {
    case Field::RtcDate: case Field::RtcMonth: case Field::RtcDay: case Field::RtcYear:
    case Field::RtcTime: case Field::RtcHour: case Field::RtcMinute: case Field::RtcSecond: return true;
    default: return false;
  }
}

bool ValidDateTime(const DateTimeValue& t) {
  return t.Year >= 1 && t.Year <= 9999 && t.Month >= 1 && t.Month <= 12 && t.Day >= 1 && t.Day <= 31 && t.Hour >= 0 &&
         t.Hour < 24 && t.Minute >= 0 && t.Minute < 60 && t.Second >= 0 && t.Second < 60;
}
}  // namespace

EntryBoxes EntryBoxesOf(const Settings& s) {
  EntryBoxes boxes;
  boxes.Frequency = s.FrequencyField, boxes.Channel = s.ChannelField, boxes.Rssi = s.RSSIField;
  for (size_t i = 0; i < s.SelectedFields.size() && i < s.SelectedTags.size(); ++i)
    boxes.DataBlock = boxes.DataBlock || s.SelectedTags[i] == kDataBlockField;
  return boxes;
}

MeasurementLayer::MeasurementLayer(const Settings& s, int logNameWidth, int logPathWidth) : Boxes(EntryBoxesOf(s)) {
  using Source = Attribute::Source;
  List.push_back({"log", AttributeType::String, logNameWidth, 0, Source::Log});
  if (logPathWidth > 0) List.push_back({"log_path", AttributeType::String, logPathWidth, 0, Source::LogPath});
  List.push_back({"row", AttributeType::Integer64, 0, 0, Source::Row});
  List.push_back({"entry", AttributeType::Integer, 0, 0, Source::Entry});
  List.push_back({"scan", AttributeType::Integer, 0, 0, Source::Scan});
  List.push_back({"receiver", AttributeType::Integer, 0, 0, Source::Receiver});
  if (Boxes.Frequency) List.push_back({"freq_mhz", AttributeType::Real, kRealWidth, 5, Source::Frequency});
  if (Boxes.Channel) List.push_back({"channel", AttributeType::Integer, 0, 0, Source::Channel});
  if (Boxes.Rssi) List.push_back({"rssi_dbm", AttributeType::Integer, 0, 0, Source::Rssi});
  List.push_back({"time", AttributeType::DateTime, 0, 0, Source::Time});
  std::vector<int16_t> seen;
  for (size_t i = 0; i < s.SelectedFields.size() && i < s.SelectedTags.size(); ++i) {
    const int16_t index = s.SelectedTags[i];
    const FieldInfo* field = FindField(index);
    if (!field || field->Type == FieldType::DataBlock || field->Type == FieldType::LineBreak ||
        field->Type == FieldType::Empty || std::find(seen.begin(), seen.end(), index) != seen.end())
      continue;
    seen.push_back(index);
    Attribute a{field->ShortName, AttributeType::String, kTextWidth, 0, Source::Column, index};
    if (field->Type == FieldType::Integer) a = {field->ShortName, AttributeType::Integer, 0, 0, Source::Column, index};
    if (field->Type == FieldType::Real)
      a = {field->ShortName, AttributeType::Real, kRealWidth, field->Digits, Source::Column, index};
    List.push_back(a);
  }
  Columns.resize(List.size());
  Feature.Values.resize(List.size());
}

int MeasurementLayer::IndexOf(std::string_view name) const {
  for (size_t i = 0; i < List.size(); ++i)
    if (List[i].Name == name) return static_cast<int>(i);
  return -1;
}

void MeasurementLayer::BeginRow(const RowView& row, const std::string& log) {
  using Source = Attribute::Source;
  const bool fix = row.HasFix();
  Feature.HasPoint = fix;
  Feature.Longitude = AsShown(row.Longitude(), 6);
  Feature.Latitude = AsShown(row.Latitude(), 6);
  for (size_t i = 0; i < List.size(); ++i) {
    AttributeValue& v = Feature.Values[i];
    v = AttributeValue();
    switch (List[i].From) {
      case Source::Log:
        v.Null = false;
        v.Text = log;
        break;
      case Source::LogPath:
        v.Null = false;
        v.Text = LogPath;
        break;
      case Source::Row:
        v.Null = false;
        v.Integer = row.RecordNumber();
        break;
      case Source::Scan:
        v.Null = row.ScanNumber() <= 0;
        v.Integer = row.ScanNumber();
        break;
      case Source::Receiver:
        v.Null = false;
        v.Integer = row.Receiver();
        break;
      case Source::Time: {
        const GpsFix& f = row.Fix();
        v.Time = {f.Year, f.Month, f.Day, row.Hour(), row.Minute(), row.Second()};
        v.Null = !fix || !ValidDateTime(v.Time);
        break;
      }
      case Source::Column: {
        const FieldValue& value = Columns[i] = ValueOf(List[i].Field, row);
        v.Null = value.Type == FieldType::Empty || (!fix && NeedsFix(List[i].Field)) ||
                 (!row.HasClock() && NeedsClock(List[i].Field));
        v.Integer = value.Integer;
        v.Real = value.Type == FieldType::Real ? AsShown(value.Real, List[i].Precision) : 0.0;
        v.Text = value.TextView();
        break;
      }
      default: break;  // the entry's values
    }
  }
}

void MeasurementLayer::SetEntry(const RowView& row, const DataEntry* entry, int32_t index) {
  using Source = Attribute::Source;
  for (size_t i = 0; i < List.size(); ++i) {
    AttributeValue& v = Feature.Values[i];
    switch (List[i].From) {
      case Source::Entry:
        v.Null = !entry;
        v.Integer = index;
        break;
      case Source::Frequency:
        v.Null = !entry || !entry->Located;
        if (!v.Null) v.Real = AsShown(row.FrequencyMHz(*entry), 5);
        break;
      case Source::Channel:
        v.Null = !entry || !entry->Located;
        if (!v.Null) v.Integer = row.Channel(*entry);
        break;
      case Source::Rssi:  // none where the receiver measured nothing
        v.Null = !entry || entry->Rssi == kNoMeasurementDbm;
        if (entry) v.Integer = entry->Rssi;
        break;
      default: break;
    }
  }
}

}  // namespace quillon
