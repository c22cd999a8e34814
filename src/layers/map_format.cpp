#include "layers/map_format.h"

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
std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
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

std::vector<std::string> DatasetFiles(const std::string& path, OutputFormat format) {
  if (format == OutputFormat::PostGis) return {};
  std::vector<std::string> files{path};
  // SQLite's files beside a database: a journal or write-ahead log left there would be
  // replayed into the new GeoPackage.
  if (format == OutputFormat::GeoPackage) {
    for (const char* suffix : {"-journal", "-wal", "-shm"}) files.push_back(path + suffix);
    return files;
  }
  static const std::vector<const char*> kShapefile = {".shx", ".dbf", ".prj", ".cpg", ".qix", ".sbn", ".sbx", ".fbn",
                                                      ".fbx", ".ain", ".aih", ".atx", ".ixs", ".mxs", ".shp.xml"};
  static const std::vector<const char*> kTab = {".dat", ".map", ".id", ".ind", ".cpg"};
  static const std::vector<const char*> kMif = {".mid"};
  const std::vector<const char*>* sides = format == OutputFormat::Shapefile    ? &kShapefile
                                          : format == OutputFormat::MapInfoTab ? &kTab
                                          : format == OutputFormat::MapInfoMif ? &kMif
                                                                               : nullptr;
  if (!sides) return files;
  const size_t dot = path.find_last_of("./\\");
  const bool extension = dot != std::string::npos && path[dot] == '.';
  const std::string stem = extension ? path.substr(0, dot) : path;
  const std::string ext = extension ? path.substr(dot) : "";
  const bool upper = !ext.empty() && ext == Upper(ext);
  for (const char* side : *sides) files.push_back(stem + (upper ? Upper(side) : std::string(side)));
  return files;
}

std::string LayerNameProblem(const std::string& name, OutputFormat format, bool bins) {
  if (name.empty()) return "--layer takes a name";
  if (format == OutputFormat::PostGis) {
    // What PostgreSQL keeps as it is: no letter folded, no name cut (with room for the
    // names of the table's index and sequence).
    const size_t most = 48 - (bins ? 5 : 0);
    const bool plain = name.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789_") == std::string::npos &&
                       !(name[0] >= '0' && name[0] <= '9');
    if (!plain || name.size() > most)
      return "--layer for PostGIS takes lower-case letters, digits and _, not a digit first, at most 48 characters "
             "counting the \"_bins\" of the bins' table (" + std::to_string(most) + " here)";
    return {};
  }
  size_t characters = 0;
  for (char c : name) characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  if (characters > 200) return "--layer takes a name of at most 200 characters";
  return {};
}

std::string FormatNames() {
  std::string names;
  for (const FormatInfo& f : kFormats) names += (names.empty() ? "" : ", ") + std::string(f.Name);
  return names;
}

}  // namespace quillon
