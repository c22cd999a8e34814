// The GIS module's one exported function: its table, for the program to check and use.
#include "gis/gis_module.h"
#include "gis/proj_calls.h"
#include "layers/ogr_layer_writer.h"

extern "C" __attribute__((visibility("default"))) const quillon::GisFunctions* quillon_gis_functions() {
  static const quillon::GisFunctions table = {quillon::GisBuild(), quillon::MakeGdalLayerWriter,
                                              quillon::ProjCheckCrs, quillon::ProjMakeProjection,
                                              quillon::ProjInverse};
  return &table;
}
