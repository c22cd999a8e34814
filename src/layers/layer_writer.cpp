#include "layers/layer_writer.h"

namespace quillon {

std::unique_ptr<LayerWriter> MakeKmlLayerWriter();

std::unique_ptr<LayerWriter> MakeLayerWriter(OutputFormat format) {
  if (format == OutputFormat::Delimited) return nullptr;
  if (format == OutputFormat::Kml) return MakeKmlLayerWriter();
  return MakeOgrLayerWriter(format);
}

}  // namespace quillon
