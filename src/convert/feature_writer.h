// FeatureWriter: map-ready outputs of a conversion. Each output row becomes one
// point feature at the row's latitude and longitude, carrying every selected column
// as a named text value (the data block as a list of its values). One class per
// format: GeoJSON (a FeatureCollection) and KML (Placemarks in a Document).
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "convert/output_file.h"

namespace quillon {

enum class OutputFormat { Delimited = 0, GeoJson = 1, Kml = 2 };

// "csv", "geojson" or "kml"; false for anything else.
bool ParseOutputFormat(const std::string& name, OutputFormat& format);

struct FeatureColumn {
  std::string Name;                 // unique within a feature
  bool IsList = false;              // the data block
  std::string Text;                 // a single value
  std::vector<std::string> Values;  // the data block's values
};

class FeatureWriter {
 public:
  virtual ~FeatureWriter() = default;
  virtual void Begin(OutputFile& out) = 0;
  virtual void Feature(OutputFile& out, double latitude, double longitude, const std::vector<FeatureColumn>& columns) = 0;
  virtual void End(OutputFile& out) = 0;
};

std::unique_ptr<FeatureWriter> MakeFeatureWriter(OutputFormat format);

}  // namespace quillon
