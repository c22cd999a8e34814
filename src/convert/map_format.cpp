#include "convert/map_format.h"

#include <algorithm>
#include <cctype>
#include <iterator>

namespace quillon {

namespace {
constexpr FormatInfo kFormats[] = {
    {OutputFormat::Delimited, "csv", ".out", "Delimited Text", ""},
    {OutputFormat::GeoPackage, "gpkg", ".gpkg", "GeoPackage", "GPKG"},
    {OutputFormat::MapInfoTab, "tab", ".tab", "MapInfo TAB", "MapInfo File"},
    {OutputFormat::MapInfoMif, "mif", ".mif", "MapInfo MIF", "MapInfo File"},
    {OutputFormat::Shapefile, "shp", ".shp", "ESRI Shapefile", "ESRI Shapefile"},
    {OutputFormat::FlatGeobuf, "fgb", ".fgb", "FlatGeobuf", "FlatGeobuf"},
    {OutputFormat::GeoJson, "geojson", ".geojson", "GeoJSON", "GeoJSON"},
    {OutputFormat::Kml, "kml", ".kml", "KML", ""},
    {OutputFormat::PostGis, "postgis", "", "PostgreSQL/PostGIS", "PostgreSQL"},
};

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}
}  // namespace

const FormatInfo& InfoOf(OutputFormat format) {
  for (const FormatInfo& f : kFormats)
    if (f.Id == format) return f;
  return kFormats[0];
}

bool ParseOutputFormat(const std::string& name, OutputFormat& format) {
  for (const FormatInfo& f : kFormats) {
    if (Lower(name) == f.Name) {
      format = f.Id;
      return true;
    }
  }
  return false;
}

OutputFormat FormatOfPath(const std::string& path) {
  if (path.compare(0, 3, "PG:") == 0) return OutputFormat::PostGis;
  const std::string lower = Lower(path);
  for (const FormatInfo& f : kFormats) {
    const std::string ext = f.Extension;
    if (f.Id != OutputFormat::Delimited && !ext.empty() && lower.size() > ext.size() &&
        lower.compare(lower.size() - ext.size(), ext.size(), ext) == 0)
      return f.Id;
  }
  return OutputFormat::Delimited;
}

std::string FormatNames() {
  std::string names;
  for (const FormatInfo& f : kFormats) names += (names.empty() ? "" : ", ") + std::string(f.Name);
  return names;
}

}  // namespace quillon
