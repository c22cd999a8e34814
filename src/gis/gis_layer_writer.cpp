// GDAL's map-layer writers, from the GIS module; where it cannot be loaded, a writer
// that fails to open, saying why.
#include "gis/gis_module.h"
#include "layers/layer_writer.h"
#include "reader/messages.h"

namespace quillon {

namespace {

class AbsentLayerWriter final : public LayerWriter {
 public:
  bool Open(const std::string&, const std::string&, const std::vector<Attribute>&, LayerGeometry,
            std::string& error) override {
#ifdef QUILLON_WITHOUT_GIS
    error = std::string(messages::kOutputFileCannotBeAccessed) +
            "\nThis build of the program has no GDAL: of the map layers it writes KML only.";
#else
    error = std::string(messages::kOutputFileCannotBeAccessed) + "\n" + GisUnavailable();
#endif
    return false;
  }
  bool BeginLog(std::string&) override { return false; }
  bool Write(const LayerFeature&, std::string&) override { return false; }
  bool EndLog(bool, std::string&) override { return true; }
  bool Close(bool, std::string&) override { return true; }
};

}  // namespace

std::unique_ptr<LayerWriter> MakeOgrLayerWriter(OutputFormat format) {
  if (const GisFunctions* gis = Gis()) return gis->MakeLayerWriter(format);
  return std::make_unique<AbsentLayerWriter>();
}

}  // namespace quillon
