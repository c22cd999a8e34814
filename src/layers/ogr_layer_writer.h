// GDAL's writer of the map layers (see layer_writer.h), built into the GIS module:
// the program reaches it through MakeOgrLayerWriter, which loads the module.
#pragma once
#include <memory>

#include "layers/layer_writer.h"

namespace quillon {

std::unique_ptr<LayerWriter> MakeGdalLayerWriter(OutputFormat format);

}  // namespace quillon
