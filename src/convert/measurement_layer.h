// MeasurementLayer: the one schema of the map layers, and the features of a row.
// One feature per data-block entry that the delimited output prints for the row,
// in its order; a row that prints none (no box checked, an empty table record, no
// data block among the columns) gives one feature without measurement values.
// Attributes: log, row (the row's number, as "Record Number" shows it), entry,
// scan (null before the first numbered scan), receiver, freq_mhz / channel /
// rssi_dbm (each only when its box is checked; null where the row prints none;
// rssi_dbm also where the receiver measured nothing, -120 dBm), time (the row's GPS
// date and time, UTC; null before the file's first fix), and the selected columns
// under their short names and types, each once, without the data block, "CR / LF"
// and the fields that never have a value; the position, altitude, speed and GPS
// date and time fields are null before the file's first fix, the clock's before its
// first clock record. The geometry is a
// WGS 84 point at the row's longitude and latitude as the position fields show them
// (six decimals), none before the first fix.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "convert/settings.h"
#include "layers/layer_feature.h"
#include "reader/field_value.h"
#include "reader/row_view.h"

namespace quillon {

// Which entries a row prints, by the run's boxes and columns.
EntryBoxes EntryBoxesOf(const Settings& settings);

class MeasurementLayer {
 public:
  // logNameWidth: the longest name of a log the layer takes (fixed-width formats
  // keep that many characters); logPathWidth, when not 0, adds the attribute
  // log_path (the log's path as given, for logs of one name in several folders).
  MeasurementLayer(const Settings& settings, int logNameWidth, int logPathWidth = 0);
  // The path of the log whose rows come next (log_path).
  void SetLogPath(std::string path) { LogPath = std::move(path); }
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
  std::string LogPath;
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
