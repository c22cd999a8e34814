// LayerWriter: writes the measurement layer of a conversion into a dataset, one
// class per way of writing it. A dataset is opened once (a file, at the path the
// run's OutputCommit stages it under, or a database), takes the features of one or
// more logs, each log between BeginLog and EndLog (a transaction where the format
// has them: a log that fails or is cancelled leaves no part of itself behind), and
// is closed; the run then puts the staged files in place, or throws them away. A
// GeoPackage that already exists at the path (an earlier one, copied to add to it)
// is added to: the layer of that name is written anew, the other layers stay.
// Each call returns false with a message (the first line one of the program's own,
// then the library's or the system's reason) when it fails.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "layers/map_format.h"
#include "layers/layer_feature.h"

namespace quillon {

class LayerWriter {
 public:
  virtual ~LayerWriter() = default;
  // target: a file path, or a "PG:" connection string; layer: the layer's name.
  virtual bool Open(const std::string& target, const std::string& layer, const std::vector<Attribute>& attributes,
                    LayerGeometry geometry, std::string& error) = 0;
  virtual bool BeginLog(std::string& error) = 0;
  virtual bool Write(const LayerFeature& feature, std::string& error) = 0;
  // keep: commit the log's features; otherwise they are rolled back or dropped.
  virtual bool EndLog(bool keep, std::string& error) = 0;
  // keep: the run completed and the dataset is to be complete; false when it is not.
  virtual bool Close(bool keep, std::string& error) = 0;
  // What the library warned of while writing (a file grown past a format's limit).
  virtual std::vector<std::string> Warnings() const { return {}; }
};

// A writer that hands every call on to another that outlives it: a factory's product
// over a writer its caller keeps (an in-memory frame, a test's recorder).
class ForwardingLayerWriter final : public LayerWriter {
 public:
  explicit ForwardingLayerWriter(LayerWriter& to) : To(to) {}
  bool Open(const std::string& target, const std::string& layer, const std::vector<Attribute>& attributes,
            LayerGeometry geometry, std::string& error) override {
    return To.Open(target, layer, attributes, geometry, error);
  }
  bool BeginLog(std::string& error) override { return To.BeginLog(error); }
  bool Write(const LayerFeature& feature, std::string& error) override { return To.Write(feature, error); }
  bool EndLog(bool keep, std::string& error) override { return To.EndLog(keep, error); }
  bool Close(bool keep, std::string& error) override { return To.Close(keep, error); }
  std::vector<std::string> Warnings() const override { return To.Warnings(); }

 private:
  LayerWriter& To;
};

// The writer of a format: the program's own where it writes one (KML), else GDAL's.
std::unique_ptr<LayerWriter> MakeLayerWriter(OutputFormat format);
// GDAL's writer for any format, KML through GDAL's KML driver included: the one the
// program's own KML writer is measured against.
std::unique_ptr<LayerWriter> MakeOgrLayerWriter(OutputFormat format);
using LayerWriterFactory = std::function<std::unique_ptr<LayerWriter>(OutputFormat)>;

// The layer names of the measurement layer and of the coverage bins.
constexpr char kMeasurementLayer[] = "measurements";
constexpr char kBinsLayer[] = "bins";

}  // namespace quillon
