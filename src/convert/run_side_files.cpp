// The files a conversion run writes beside its outputs: the coverage bins (a
// database's in each log's own load) and the survey analysis's calibration file and
// layer, each staged with the run's other files.
#include <memory>

#include "analysis/calibration_layer.h"
#include "bins/bins_output.h"
#include "convert/conversion_run.h"
#include "reader/messages.h"
#include "reader/path_check.h"

namespace quillon {

// The bins of the log (or of the run, with Into) beside its output, in its format:
// a database takes them as a table of their own.
bool ConversionRun::WriteBins(const std::string& output) {
  std::string error, target = BinsPathOf(output);
  bool written;
  if (!Bins->Grid().Problem().empty()) {
    error = Bins->Grid().Problem();
    written = false;
  } else if (!InMemory && OutputKind != OutputFormat::PostGis &&
             (!Files->StagedPath(BinsPathOf(output), target, error) ||
              (AddsToDataset() && !Files->StartFromEarlier(BinsPathOf(output), error)))) {
    written = false;
  } else if (OutputKind == OutputFormat::Delimited) {
    written = WriteBinsText(target, *Bins, Delimiter, Config.FieldTitles, error);
  } else {
    written = WriteBinsLayer(*MakeWriter(OutputKind), target, BinsLayerName(), *Bins, error);
  }
  if (Report) Report->TakeBins(*Bins);
  Bins->Clear();
  if (written) return true;
  if (Files) error = Files->Unstaged(error);
  Files.reset();
  return Refuse(error);
}

std::string ConversionRun::BinsLayerName() const {
  return Config.LayerName == kMeasurementLayer ? kBinsLayer : Config.LayerName + "_" + kBinsLayer;
}

// The bins of the log into the layer beside its measurements, in the log's load.
bool ConversionRun::WriteBinsOfLoad(const std::string& output, std::string& error) {
  std::unique_ptr<LayerWriter> beside = Layer->Beside();
  bool written = false;
  if (!Bins->Grid().Problem().empty())
    error = Bins->Grid().Problem();
  else if (!beside)
    error = std::string(messages::kDatabaseCannotBeAccessed) + "\nthe bins have no load to go with";
  else
    written = WriteBinsLayer(*beside, output, BinsLayerName(), *Bins, error);
  if (Report) Report->TakeBins(*Bins);
  Bins->Clear();
  return written;
}

bool ConversionRun::WriteCalibration(const std::string& output) {
  for (const std::string& line : Analysis->Report()) Host.ReportMessage(MessageKind::Information, line);
  for (const std::string& failure : Analysis->Failures()) SurveyWarnings.push_back(failure);
  const std::string text = CalibrationText(Analysis->Fits());
  if (Report) Report->TakeAnalysis(*Analysis, output);
  std::string staged, error;
  bool written = true;
  if (OutputKind != OutputFormat::PostGis && !InMemory) {
    OutputFile file;
    if (!(written = Files->StagedPath(CalibrationPathOf(output), staged, error))) {
    } else if (file.Open(staged)) {
      file.Raw(text.data(), text.size());  // its own CR LF line ends
      if (!(written = file.Close()))
        error = messages::kUnableToWriteTo + CalibrationPathOf(output) + "\n" +
                SystemReason(CalibrationPathOf(output), file.ErrorNumber());
    } else {
      written = false;
      error = std::string(messages::kOutputFileCannotBeAccessed) + "\n" +
              SystemReason(CalibrationPathOf(output), file.ErrorNumber());
    }
  }
  // The points of the fits as a map layer beside a map layer's output.
  const std::string layerPath = CalibrationLayerPathOf(output);
  if (written && IsMapLayer(OutputKind) && OutputKind != OutputFormat::PostGis && !InMemory)
    written = Files->StagedPath(layerPath, staged, error) &&
              (!AddsToDataset() || Files->StartFromEarlier(layerPath, error)) &&
              WriteCalibrationLayer(*MakeWriter(OutputKind), staged, kCalibrationLayer, *Analysis, error);
  if (written && TakeAnalysis) TakeAnalysis(*Analysis);
  Analysis->Clear();
  if (written) return true;
  if (Files) error = Files->Unstaged(error);
  Files.reset();
  return Refuse(error);
}

// A folder run into one GeoPackage adds its layers to the dataset that is there.
bool ConversionRun::AddsToDataset() const {
  return !Config.Into.empty() && OutputKind == OutputFormat::GeoPackage;
}

bool ConversionRun::WriteReport() {
  OutputCommit commit;
  commit.Dataset(Config.Report, OutputFormat::Delimited);
  std::string staged, error;
  if (!commit.StagedPath(Config.Report, staged, error)) return Refuse(error);
  const std::string page = Report->Html();
  OutputFile file;
  if (!file.Open(staged))
    return Refuse(std::string(messages::kOutputFileCannotBeAccessed) + "\n" +
                  SystemReason(Config.Report, file.ErrorNumber()));
  file.Raw(page.data(), page.size());
  if (!file.Close())
    return Refuse(messages::kUnableToWriteTo + Config.Report + "\n" + SystemReason(Config.Report, file.ErrorNumber()));
  return commit.Commit(error) || Refuse(error);
}

}  // namespace quillon
