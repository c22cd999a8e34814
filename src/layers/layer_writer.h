// LayerWriter: writes the measurement layer of a conversion into a dataset, one
// class per way of writing it. A dataset is opened once (a file, at the path the
// run's OutputCommit stages it under, or a database), takes the features of one or
// more logs, each log between BeginLog and EndLog (a transaction where the format
// has them: a log that fails or is cancelled leaves no part of itself behind), and
// is closed; the run then puts the staged files in place, or throws them away. A
// GeoPackage that already exists at the path (an earlier one, copied to add to it)
// is added to: the layer of that name is written anew, the other layers stay.
// A database also records each log it loads (see LogLoad) and takes the log's
// bins in the log's own transaction (see Beside). Each call returns false with a
// message (the first line one of the program's own, then the library's or the
// system's reason) when it fails.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "layers/map_format.h"
#include "layers/layer_feature.h"

namespace quillon {

// The particulars of a log that a database records of each load: a load is told
// apart from another by the file's SHA-256 within one layer.
struct LogLoad {
  std::string FileName;  // as the `log` attribute has it
  std::string Path;      // as given to the run
  std::string Settings;  // the run's settings, as a line of text
  bool Replace = false;  // an earlier load of the same file is deleted with this one
};

class LayerWriter {
 public:
  virtual ~LayerWriter() = default;
  // target: a file path, or a "PG:" connection string; layer: the layer's name.
  virtual bool Open(const std::string& target, const std::string& layer, const std::vector<Attribute>& attributes,
                    LayerGeometry geometry, std::string& error) = 0;
  // The texts the layer's text attributes will hold (the logs' names and paths),
  // before Open: a format of code pages picks one that holds them all.
  virtual void TextsToHold(const std::vector<std::string>&) {}
  // The log that the next BeginLog begins (a database records it; files need not).
  virtual void NextLog(const LogLoad&) {}
  // Where the dataset holds the next log already (and it is not to be replaced),
  // `earlier` says when it was loaded; false when that could not be found out.
  virtual bool EarlierLoad(std::string& earlier, std::string& /*error*/) {
    earlier.clear();
    return true;
  }
  virtual bool BeginLog(std::string& error) = 0;
  virtual bool Write(const LayerFeature& feature, std::string& error) = 0;
  // keep: commit the log's features; otherwise they are rolled back or dropped.
  virtual bool EndLog(bool keep, std::string& error) = 0;
  // keep: the run completed and the dataset is to be complete; false when it is not.
  virtual bool Close(bool keep, std::string& error) = 0;
  // What the library warned of while writing (a file grown past a format's limit).
  virtual std::vector<std::string> Warnings() const { return {}; }
  // A writer of another layer of the same dataset whose features go in with the
  // current log (a database's bins, in the log's transaction), open until this one
  // is closed; null where each layer is a dataset of its own.
  virtual std::unique_ptr<LayerWriter> Beside() { return nullptr; }
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
  void TextsToHold(const std::vector<std::string>& texts) override { To.TextsToHold(texts); }
  void NextLog(const LogLoad& log) override { To.NextLog(log); }
  bool EarlierLoad(std::string& earlier, std::string& error) override { return To.EarlierLoad(earlier, error); }
  bool BeginLog(std::string& error) override { return To.BeginLog(error); }
  bool Write(const LayerFeature& feature, std::string& error) override { return To.Write(feature, error); }
  bool EndLog(bool keep, std::string& error) override { return To.EndLog(keep, error); }
  bool Close(bool keep, std::string& error) override { return To.Close(keep, error); }
  std::vector<std::string> Warnings() const override { return To.Warnings(); }
  std::unique_ptr<LayerWriter> Beside() override { return To.Beside(); }

 private:
  LayerWriter& To;
};

// The writer of a format: the program's own where it writes one (KML), else GDAL's.
std::unique_ptr<LayerWriter> MakeLayerWriter(OutputFormat format);
// GDAL's writer for any format, KML through GDAL's KML driver included (the one the
// program's own KML writer is measured against), from the GIS module, which this
// loads; where it cannot be loaded, a writer that fails to open, saying why.
std::unique_ptr<LayerWriter> MakeOgrLayerWriter(OutputFormat format);
using LayerWriterFactory = std::function<std::unique_ptr<LayerWriter>(OutputFormat)>;

// The layer names of the measurement layer and of the coverage bins.
constexpr char kMeasurementLayer[] = "measurements";
constexpr char kBinsLayer[] = "bins";

}  // namespace quillon
