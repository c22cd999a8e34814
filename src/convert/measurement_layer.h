// MeasurementLayer: the one schema of the map layers, and the features of a row.
// One feature per data-block entry that the delimited output prints for the row,
// in its order; a row that prints none (no box checked, an empty table record, no
// data block among the columns) gives one feature without measurement values.
// Attributes: log, row (the row's number, as "Record Number" shows it), entry,
// scan (null before the first numbered scan), receiver, freq_mhz / channel /
// rssi_dbm (each only when its box is checked; null where the row prints none),
// time (the row's GPS date and time, UTC; null before the file's first fix), and
// the selected columns under their short names and types, each once, without the
// data block, "CR / LF" and the fields that never have a value. The geometry is a
// WGS 84 point at the row's longitude and latitude as the position fields show them
// (six decimals), none before the first fix.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "convert/settings.h"
#include "reader/field_value.h"
#include "reader/row_view.h"

namespace quillon {

enum class AttributeType { String, Integer, Integer64, Real, DateTime };

// Which data-block entries a row prints: with the data block among the columns,
// each entry that shows its location (frequency or channel) or its RSSI.
struct EntryBoxes {
  bool DataBlock = false, Frequency = false, Channel = false, Rssi = false;
  static EntryBoxes Of(const Settings& s);
  bool Prints(const DataEntry& e) const { return (e.Located && (Frequency || Channel)) || Rssi; }
};

struct Attribute {
  // Where the value comes from; KML names and colours a placemark by its Rssi (or
  // RssiMean) and dates it by its Time (or spans FirstTime to LastTime).
  enum class Source { Log, Row, Entry, Scan, Receiver, Frequency, Channel, Rssi, Time, Column,
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

class MeasurementLayer {
 public:
  // logNameWidth: the longest name of a log the layer takes (fixed-width formats
  // keep that many characters).
  MeasurementLayer(const Settings& settings, int logNameWidth);
  const std::vector<Attribute>& Attributes() const { return List; }
  // Index of the attribute named so, or -1.
  int IndexOf(std::string_view name) const;

  // Calls emit(const LayerFeature&) for each feature of the row; the feature
  // is reused from one call to the next.
  template <typename Emit>
  void ForEachFeature(const RowView& row, const std::string& log, Emit&& emit);

 private:
  // Fills the values that are the same for every entry of the row.
  void BeginRow(const RowView& row, const std::string& log);
  // Sets the measurement values of one entry (null for a row without entries).
  void SetEntry(const RowView& row, const DataEntry* entry, int32_t index);

  std::vector<Attribute> List;
  EntryBoxes Boxes;
  std::vector<FieldValue> Columns;  // values of the selected columns, by attribute
  LayerFeature Feature;
};

template <typename Emit>
void MeasurementLayer::ForEachFeature(const RowView& row, const std::string& log, Emit&& emit) {
  BeginRow(row, log);
  int32_t printed = 0;
  if (Boxes.DataBlock) {
    row.ForEachEntry([&](const DataEntry& entry) {
      if (!Boxes.Prints(entry)) return;
      SetEntry(row, &entry, printed++);
      emit(static_cast<const LayerFeature&>(Feature));
    });
  }
  if (printed == 0) {
    SetEntry(row, nullptr, 0);
    emit(static_cast<const LayerFeature&>(Feature));
  }
}

}  // namespace quillon
