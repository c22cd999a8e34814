// The output formats of a conversion: the delimited text, and the map layers in
// the formats GIS tools open, each with its name (as --format takes it), file
// extension, title (as the save dialog lists it) and GDAL driver.
#pragma once
#include <string>
#include <vector>

namespace quillon {

enum class OutputFormat {
  Delimited = 0,
  GeoJson,
  Kml,
  GeoPackage,
  MapInfoTab,
  MapInfoMif,
  Shapefile,
  FlatGeobuf,
  PostGis,
};

struct FormatInfo {
  OutputFormat Id;
  const char* Name;       // "gpkg"
  const char* Extension;  // ".gpkg"; empty for a database
  const char* Title;      // "GeoPackage"
  const char* Driver;     // the GDAL driver; empty for those written here
};

const FormatInfo& InfoOf(OutputFormat format);
// "csv", "gpkg", "tab", "mif", "shp", "fgb", "geojson", "kml" or "postgis"; false otherwise.
bool ParseOutputFormat(const std::string& name, OutputFormat& format);
// The format an output names: a map extension chooses its format (letter case
// ignored), "PG:" a database; anything else is delimited text.
OutputFormat FormatOfPath(const std::string& path);
// "csv, gpkg, tab, ..." for messages.
std::string FormatNames();
inline bool IsMapLayer(OutputFormat format) { return format != OutputFormat::Delimited; }

// The usage message for a layer name the format cannot hold (empty when it can):
// for PostGIS lower-case letters, digits and _ (PostgreSQL folds other names),
// at most 48 characters with the bins' "_bins"; the files' layers take at most 200
// characters.
std::string LayerNameProblem(const std::string& name, OutputFormat format, bool bins);

// Every file a dataset of the format at `path` consists of, its own file first: the
// side files its writer makes, and those other programs add to such a dataset (a
// shapefile's spatial indexes, SQLite's journal files), which would no longer match
// a dataset written anew. Side files take the letter case of the path's extension.
// A database has none.
std::vector<std::string> DatasetFiles(const std::string& path, OutputFormat format);

}  // namespace quillon
