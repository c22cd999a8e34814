// The FieldCatalogue: the 56 output fields a column can carry, by catalogue index,
// named once in one table: the name shown in the field lists and written as the
// column title, a short lower-case attribute name for map layers (at most 10
// characters, unique), the type of its value, and what it follows. Index 0 is the
// data block "<< DATA >>"; catalogue slots 56 to 59 are empty names.
#pragma once
#include <array>
#include <cstdint>
#include <string_view>

namespace quillon {

constexpr int kCatalogueSlots = 60;
constexpr int kCatalogueFields = 56;
constexpr int16_t kNoField = -10;  // an empty ColumnFieldMap entry

enum class Field : int16_t {
  DataBlock = 0,
  FlexData,
  PocsagData,
  Ber,
  LineBreak,  // "CR / LF"
  LatitudeDecimalDegrees,
  LatitudeDegrees,
  LatitudeMinutes,
  LatitudeDecimalMinutes,
  LatitudeSeconds,
  LatitudeHemisphere,
  LongitudeDecimalDegrees,
  LongitudeDegrees,
  LongitudeMinutes,
  LongitudeDecimalMinutes,
  LongitudeSeconds,
  LongitudeHemisphere,
  GpsStatus,
  GpsTime,
  GpsHour,
  GpsMinute,
  GpsSecond,
  GpsDate,
  GpsMonth,
  GpsDay,
  GpsYear,
  GpsAltitude,
  GpsVelocity,
  GpsHeading,
  MarkerValue,
  MeasurementType,
  OdometerReading,
  RecordNumber,
  RtcDate,
  RtcMonth,
  RtcDay,
  RtcYear,
  RtcTime,
  RtcHour,
  RtcMinute,
  RtcSecond,
  SpeedBps,
  XCoordinate,
  YCoordinate,
  ScanMode,
  ExtNavigationStatus,
  MinFrequency,
  MaxFrequency,
  StepSize,
  Receiver,
  TpLatitude,
  TpLongitude,
  TpDate,
  TpTime,
  TpSpeed,
  TpDirection,
};

constexpr int16_t Index(Field f) { return static_cast<int16_t>(f); }
constexpr int16_t kDataBlockField = Index(Field::DataBlock);
constexpr int16_t kLineBreakField = Index(Field::LineBreak);

// What a field's value is: Empty fields render nothing; Real values carry their
// decimals; Text covers letters, names, dates and clock times.
enum class FieldType : uint8_t { DataBlock, LineBreak, Empty, Integer, Real, Text };

struct FieldInfo {
  Field Id;
  const char* Name;
  const char* ShortName;
  FieldType Type;
  uint8_t Digits;     // Real: digits after the point; Integer: at least this many digits ("%02d")
  bool PerRow;        // differs from row to row (the record number)
  bool PerBufferedRow;  // differs between the buffered rows of one GPS interval
  bool ShowsFix;      // shows the GPS fix beyond its date (position, time, status, height, speed)
};

namespace field_table {
constexpr FieldType D = FieldType::DataBlock, L = FieldType::LineBreak, E = FieldType::Empty, I = FieldType::Integer,
                    R = FieldType::Real, T = FieldType::Text;
}  // namespace field_table

// clang-format off
inline constexpr std::array<FieldInfo, kCatalogueFields> kFields = {{
    // field                          name                          short name    type      digits per-row buffered shows-fix
    {Field::DataBlock,               "<< DATA >>",                  "data",       field_table::D, 0, false, false, false},
    {Field::FlexData,                "<< FLEX DATA >>",             "flex_data",  field_table::E, 0, false, false, false},
    {Field::PocsagData,              "<< POCSAG DATA >>",           "pocsag",     field_table::E, 0, false, false, false},
    {Field::Ber,                     "BER",                         "ber",        field_table::E, 0, false, false, false},
    {Field::LineBreak,               "CR / LF",                     "crlf",       field_table::L, 0, false, false, false},
    {Field::LatitudeDecimalDegrees,  "Latitude (Decimal Degrees)",  "lat_dd",     field_table::R, 6, false, true,  true},
    {Field::LatitudeDegrees,         "Latitude (Degrees)",          "lat_deg",    field_table::I, 0, false, true,  true},
    {Field::LatitudeMinutes,         "Latitude (Minutes)",          "lat_min",    field_table::I, 0, false, true,  true},
    {Field::LatitudeDecimalMinutes,  "Latitude (Decimal Minutes)",  "lat_dmin",   field_table::R, 6, false, true,  true},
    {Field::LatitudeSeconds,         "Latitude (Seconds)",          "lat_sec",    field_table::I, 0, false, true,  true},
    {Field::LatitudeHemisphere,      "Latitude Hemisphere",         "lat_hemi",   field_table::T, 0, false, false, true},
    {Field::LongitudeDecimalDegrees, "Longitude (Decimal Degrees)", "lon_dd",     field_table::R, 6, false, true,  true},
    {Field::LongitudeDegrees,        "Longitude (Degrees)",         "lon_deg",    field_table::I, 0, false, true,  true},
    {Field::LongitudeMinutes,        "Longitude (Minutes)",         "lon_min",    field_table::I, 0, false, true,  true},
    {Field::LongitudeDecimalMinutes, "Longitude (Decimal Minutes)", "lon_dmin",   field_table::R, 6, false, true,  true},
    {Field::LongitudeSeconds,        "Longitude (Seconds)",         "lon_sec",    field_table::I, 0, false, true,  true},
    {Field::LongitudeHemisphere,     "Longitude Hemisphere",        "lon_hemi",   field_table::T, 0, false, false, true},
    {Field::GpsStatus,               "GPS Status",                  "gps_status", field_table::T, 0, false, false, true},
    {Field::GpsTime,                 "GPS Time (HH:MM:SS)",         "gps_time",   field_table::T, 0, false, true,  true},
    {Field::GpsHour,                 "GPS Hour (HH)",               "gps_hour",   field_table::I, 2, false, true,  true},
    {Field::GpsMinute,               "GPS Minute (MM)",             "gps_minute", field_table::I, 2, false, true,  true},
    {Field::GpsSecond,               "GPS Second (SS)",             "gps_second", field_table::I, 2, false, true,  true},
    {Field::GpsDate,                 "GPS Date (MM/DD/YY)",         "gps_date",   field_table::T, 0, false, false, false},
    {Field::GpsMonth,                "GPS Month (MM)",              "gps_month",  field_table::I, 2, false, false, false},
    {Field::GpsDay,                  "GPS Day (DD)",                "gps_day",    field_table::I, 2, false, false, false},
    {Field::GpsYear,                 "GPS Year (YY)",               "gps_year",   field_table::I, 2, false, false, false},
    {Field::GpsAltitude,             "GPS Altitude (Meters)",       "altitude_m", field_table::R, 0, false, false, true},
    {Field::GpsVelocity,             "GPS Velocity (MPH)",          "speed_mph",  field_table::R, 0, false, false, true},
    {Field::GpsHeading,              "GPS Heading",                 "heading",    field_table::E, 0, false, false, false},
    {Field::MarkerValue,             "Marker Value",                "marker",     field_table::I, 2, false, false, false},
    {Field::MeasurementType,         "Measurement Type",            "meas_type",  field_table::E, 0, false, false, false},
    {Field::OdometerReading,         "Odometer Reading",            "odometer",   field_table::E, 0, false, false, false},
    {Field::RecordNumber,            "Record Number",               "record",     field_table::I, 0, true,  false, false},
    {Field::RtcDate,                 "RTC Date (MM-DD-YY)",         "rtc_date",   field_table::T, 0, false, false, false},
    {Field::RtcMonth,                "RTC Month (MM)",              "rtc_month",  field_table::I, 2, false, false, false},
    {Field::RtcDay,                  "RTC Day (DD)",                "rtc_day",    field_table::I, 2, false, false, false},
    {Field::RtcYear,                 "RTC Year (YY)",               "rtc_year",   field_table::I, 2, false, false, false},
    {Field::RtcTime,                 "RTC Time (HH:MM:SS)",         "rtc_time",   field_table::T, 0, false, false, false},
    {Field::RtcHour,                 "RTC Hour (HH)",               "rtc_hour",   field_table::I, 2, false, false, false},
    {Field::RtcMinute,               "RTC Minute (MM)",             "rtc_minute", field_table::I, 2, false, false, false},
    {Field::RtcSecond,               "RTC Second (SS)",             "rtc_second", field_table::I, 2, false, false, false},
    {Field::SpeedBps,                "Speed (BPS)",                 "speed_bps",  field_table::E, 0, false, false, false},
    {Field::XCoordinate,             "X Coordinate",                "x_coord",    field_table::E, 0, false, false, false},
    {Field::YCoordinate,             "Y_Coordinate",                "y_coord",    field_table::E, 0, false, false, false},
    {Field::ScanMode,                "Scan Mode",                   "scan_mode",  field_table::E, 0, false, false, false},
    {Field::ExtNavigationStatus,     "Ext. Navigation Status",      "ext_nav",    field_table::E, 0, false, false, false},
    {Field::MinFrequency,            "Min. Frequency (MHz)",        "min_freq",   field_table::R, 5, false, false, false},
    {Field::MaxFrequency,            "Max. Frequency (MHz)",        "max_freq",   field_table::R, 5, false, false, false},
    {Field::StepSize,                "Step Size (KHz)",             "step_khz",   field_table::R, 2, false, false, false},
    {Field::Receiver,                "Receiver",                    "rx",         field_table::I, 0, false, true,  false},
    {Field::TpLatitude,              "TP Latitude (Dec Deg)",       "tp_lat",     field_table::R, 6, false, false, false},
    {Field::TpLongitude,             "TP Longitude (Dec Deg)",      "tp_lon",     field_table::R, 6, false, false, false},
    {Field::TpDate,                  "TP Date (MM-DD-YY)",          "tp_date",    field_table::T, 0, false, false, false},
    {Field::TpTime,                  "TP Time (HH:MM:SS)",          "tp_time",    field_table::T, 0, false, false, false},
    {Field::TpSpeed,                 "TP Speed (km/h)",             "tp_speed",   field_table::I, 0, false, false, false},
    {Field::TpDirection,             "TP Direction (deg from N)",   "tp_dir",     field_table::I, 0, false, false, false},
}};
// clang-format on

constexpr bool CatalogueInOrder() {
  for (int i = 0; i < kCatalogueFields; ++i)
    if (Index(kFields[static_cast<size_t>(i)].Id) != i) return false;
  return true;
}
constexpr bool ShortNamesFit() {
  for (const FieldInfo& f : kFields) {
    const std::string_view s = f.ShortName;
    if (s.empty() || s.size() > 10) return false;
    for (char c : s)
      if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_')) return false;
    for (const FieldInfo& g : kFields)
      if (&f != &g && s == std::string_view(g.ShortName)) return false;
  }
  return true;
}
static_assert(CatalogueInOrder(), "the table lists the fields in catalogue order");
static_assert(ShortNamesFit(), "short names: unique, lower case, at most 10 characters");

// The field of a catalogue index, or null outside the catalogue.
constexpr const FieldInfo* FindField(int index) {
  return index >= 0 && index < kCatalogueFields ? &kFields[static_cast<size_t>(index)] : nullptr;
}
// Name of a catalogue index; "" for empty slots and for indexes outside the catalogue.
const char* CatalogueName(int index);
// "integer", "real(6)", "text", ... as --list-fields prints it.
const char* TypeName(const FieldInfo& field);

// The default "Available Fields" list (catalogue index per position) and the
// positions of that list that the iBwave layout selects, in column order.
inline constexpr std::array<int16_t, 43> kDefaultAvailableFields = {
    0, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 18, 19, 20, 21, 22, 23, 24, 25,
    26, 27, 17, 29, 33, 36, 34, 35, 37, 38, 39, 40, 46, 47, 48, 49, 32, 50, 51, 52, 53};
inline constexpr std::array<int, 5> kIBwavePositions = {18, 14, 2, 8, 0};

}  // namespace quillon
