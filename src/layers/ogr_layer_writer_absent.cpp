// The map layers of a build without GDAL: every format but the program's own KML
// fails to open, saying why.
#include "layers/layer_writer.h"
#include "reader/messages.h"

namespace quillon {

namespace {

class AbsentLayerWriter final : public LayerWriter {
 public:
  bool Open(const std::string&, const std::string&, const std::vector<Attribute>&, LayerGeometry,
            std::string& error) override {
    error = std::string(messages::kOutputFileCannotBeAccessed) +
            "\nThis build of the program has no GDAL: of the map layers it writes KML only.";
    return false;
  }
  bool BeginLog(std::string&) override { return false; }
  bool Write(const LayerFeature&, std::string&) override { return false; }
  bool EndLog(bool, std::string&) override { return true; }
  bool Close(bool, std::string&) override { return true; }
};

}  // namespace

std::unique_ptr<LayerWriter> MakeOgrLayerWriter(OutputFormat) { return std::make_unique<AbsentLayerWriter>(); }

}  // namespace quillon
