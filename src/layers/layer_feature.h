// The values a map layer is made of: its attributes (name, type, width, where the
// value comes from), one feature's values and geometry (a WGS 84 point or a
// square's ring), and which data-block entries of a row give features.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "reader/field_value.h"
#include "reader/row_view.h"

namespace quillon {

enum class AttributeType { String, Integer, Integer64, Real, DateTime };

// Which data-block entries a row prints: with the data block among the columns,
// each entry that shows its location (frequency or channel) or its RSSI.
struct EntryBoxes {
  bool DataBlock = false, Frequency = false, Channel = false, Rssi = false;
  bool Prints(const DataEntry& e) const { return (e.Located && (Frequency || Channel)) || Rssi; }
};

struct Attribute {
  // Where the value comes from; KML names and colours a placemark by its Rssi (or
  // RssiMean) and dates it by its Time (or spans FirstTime to LastTime).
  enum class Source { Log, LogPath, Row, Entry, Scan, Receiver, Frequency, Channel, Rssi, Time, Column,
                      RssiMean, FirstTime, LastTime, Value };
  std::string Name;
  AttributeType Type = AttributeType::String;
  int Width = 0;      // 0: the format's default
  int Precision = 0;  // Real: digits after the point
  Source From = Source::Column;
  int16_t Field = kNoField;  // Column: its catalogue index
  const char* DbaseName = nullptr;  // a name of at most ten characters, where Name is longer
};

struct DateTimeValue {
  int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
};

// Seconds since 1970 of a UTC date and time (days from the civil calendar,
// proleptic Gregorian).
constexpr int64_t SecondsSince1970(int year, int month, int day, int hour, int minute, int second) {
  const int64_t y = year - (month <= 2);
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const int64_t days = era * 146097 + doe - 719468;
  return days * 86400 + hour * 3600 + minute * 60 + second;
}

// Seconds since 1970 (UTC) of a fix's date and time; INT64_MIN when it has none.
inline int64_t FixTime(const GpsFix& f) {
  const bool dated = f.Year >= 1 && f.Month >= 1 && f.Month <= 12 && f.Day >= 1 && f.Day <= 31 && f.Hour >= 0 &&
                     f.Hour < 24 && f.Minute >= 0 && f.Minute < 60 && f.Second >= 0 && f.Second < 60;
  return dated ? SecondsSince1970(f.Year, f.Month, f.Day, f.Hour, f.Minute, f.Second) : INT64_MIN;
}

// The UTC date and time of seconds since 1970 (the inverse of SecondsSince1970).
inline DateTimeValue DateTimeOf(int64_t seconds) {
  // The civil date of a day count from 1970-01-01 (proleptic Gregorian).
  const int64_t days = (seconds >= 0 ? seconds : seconds - 86399) / 86400, rest = seconds - days * 86400;
  const int64_t z = days + 719468, era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097, yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100), mp = (5 * doy + 2) / 153;
  const int64_t month = mp < 10 ? mp + 3 : mp - 9;
  DateTimeValue t;
  t.Year = static_cast<int>(yoe + era * 400 + (month <= 2));
  t.Month = static_cast<int>(month);
  t.Day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  t.Hour = static_cast<int>(rest / 3600), t.Minute = static_cast<int>(rest / 60 % 60), t.Second = static_cast<int>(rest % 60);
  return t;
}

struct AttributeValue {
  bool Null = true;
  int64_t Integer = 0;
  double Real = 0.0;
  std::string_view Text;  // valid while the feature is, and followed by a zero
  DateTimeValue Time;
};

// A feature of a layer: its values and its geometry in WGS 84, a point or a square's
// ring (longitude and latitude of five corners, the first repeated last).
struct LayerFeature {
  std::vector<AttributeValue> Values;  // one per attribute, in order
  bool HasPoint = false;
  double Longitude = 0.0;
  double Latitude = 0.0;
  bool HasRing = false;
  std::array<double, 10> Ring{};
};

enum class LayerGeometry { Point, Polygon };

}  // namespace quillon
