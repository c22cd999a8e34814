// The GIS module: what the program does through GDAL, PROJ and the PostgreSQL
// client (the map layers of every format but delimited text and KML, the coverage
// bins' projections, geodesic distances) is built into a shared module of its own,
// libquillon-gis.so (quillon-gis.dll on Windows), loaded the first time a run asks
// for one of them. A process that converts to delimited text, indexes a log or
// prints its help never loads it, nor the hundred libraries it depends on.
//
// The module is looked for beside the program that asks (its own build tree's, or
// the installed one: lib/quillon/ under the prefix, from bin/ or the Python
// package's folder); it answers only a program of its own build. Loading is done
// once per process, from any thread; a module that cannot be loaded is remembered
// with the system's reason. The module's objects are used through the interfaces
// below and LayerWriter, so no caller knows where they come from.
#pragma once
#include <memory>
#include <string>

#include "layers/layer_writer.h"
#include "layers/map_format.h"

namespace quillon {

// A projected system in metres, from and to WGS 84 longitude and latitude.
class MetricProjection {
 public:
  virtual ~MetricProjection() = default;
  // False where the position cannot be projected.
  virtual bool Forward(double lon, double lat, double& easting, double& northing) const = 0;
  virtual void Inverse(double easting, double northing, double& lon, double& lat) const = 0;
};

// The geodesic between two points of WGS 84: its length, the azimuths at its ends,
// its reduced length and its geodesic scales (see PROJ's geod_geninverse).
struct GeodesicLine {
  double Metres = 0, Azimuth1 = 0, Azimuth2 = 0, Reduced = 0, Scale12 = 0, Scale21 = 0;
};

// The module's table. Its first member tells the build it belongs to; the rest is
// only read when that is the program's own.
struct GisFunctions {
  const char* Build;
  // GDAL's writer of a map format.
  std::unique_ptr<LayerWriter> (*MakeLayerWriter)(OutputFormat format);
  // Empty when EPSG:code is a projected system in metres that PROJ knows, else why not.
  std::string (*CheckCrs)(int code);
  // WGS 84 to EPSG:code; null with the reason in `error` when PROJ cannot set it up.
  std::unique_ptr<MetricProjection> (*MakeProjection)(int code, std::string& error);
  GeodesicLine (*Inverse)(double lat1, double lon1, double lat2, double lon2);
};

// The build a module must be of: the version, the table's revision and the compiler.
const char* GisBuild();

// The module's functions, loaded on the first call; null when it cannot be loaded.
const GisFunctions* Gis();
// Why the module cannot be loaded (the module's name and the system's reason), or
// empty when it is loaded. Loads it.
std::string GisUnavailable();
// The message of a run refused because `needs` (what was asked for, named as the
// window and the command line's option name it) needs the module, which cannot be
// loaded; empty when it can.
std::string GisNeeded(const std::string& needs);

}  // namespace quillon
