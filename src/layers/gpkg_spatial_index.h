// The spatial index of a GeoPackage point layer, built in one pass once the layer
// is written. GeoPackage keeps it in an SQLite R*Tree that GDAL fills with one
// insertion per feature, each rewriting a node: most of the time of writing a
// measurement layer. Here the layer is written without it and the tree is then
// packed bottom up, in feature order (the drive's order, so each leaf holds a
// stretch of the route): full leaves of consecutive points, full parents of
// consecutive nodes, one pending node per level in memory whatever the layer's
// size. The result is the R*Tree SQLite itself reads and keeps up to date (nodes of
// its own size and layout, each box rounded outwards to single precision), with the
// table, triggers and extension row GDAL declared for the layer, taken from GDAL as
// it made them (`Declaration`), so that the file is what GDAL would have written.
#pragma once
#include <string>
#include <vector>

namespace quillon {

struct GeoPackageIndexDeclaration {
  std::string Table;           // the feature table
  std::string FidColumn;       // its INTEGER PRIMARY KEY
  std::string GeometryColumn;  // its geometry column
  std::string RtreeTable;      // the R*Tree virtual table
  std::string CreateRtree;     // the statement that makes it
  std::vector<std::string> Triggers;  // the statements of the triggers that keep it up to date
  std::vector<std::string> Extension;  // table_name, column_name, extension_name, definition, scope
};

// Builds the index of `declaration` into the GeoPackage at `path` (not open
// elsewhere). False, with SQLite's reason or what was wrong with a geometry, when
// it could not; the file is then left without a complete index.
bool BuildGeoPackageIndex(const std::string& path, const GeoPackageIndexDeclaration& declaration, std::string& error);

}  // namespace quillon
