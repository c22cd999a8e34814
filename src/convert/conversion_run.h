// ConversionRun: one conversion run over a list of input/output pairs, the body
// of the window's conversion thread and of quillon-convert. Before anything is
// written it refuses settings that would make a damaged output, any file of any
// output (its side files, its bins, its split parts) that is an input file (through
// links too) or a file of another output, and targets that cannot take the output
// (a folder; a pipe or a device where the format needs a regular file). Then, for
// each pair, it checks that the input is a log and whether it needs the receivers'
// frequencies, runs the optional GPS-outage pre-pass, opens the input through the
// reader, writes the header line and the rows that ProcessRecord asks for, the
// bins and the split part files, every file staged by one OutputCommit, and puts
// them in place together once all are complete. Settings are a copy taken at the
// start. A failure ends the whole run with an Error message; a stop request ends it
// within the current file (or between split parts); either way the staged files
// are thrown away and every earlier file stays as it was. In a folder run a file
// that is not a log, or that needs frequencies none were given for, is left out
// and named in a Warning at the end; a log that ends inside a record (an interrupted
// copy) is converted as far as it goes, with a Warning that says how much is missing. Output lines end with CR LF. A map-layer
// format writes the measurement layer instead of delimited text: a dataset per
// pair, or with Into one for the whole run (a GeoPackage takes the layer beside the
// layers it has). With a report asked for, the run's survey report is written at
// its end, staged and put in place as every other file.
#pragma once
#include <string>
#include <vector>

#include "analysis/survey_analysis.h"
#include "convert/settings.h"
#include "convert/file_pairs.h"
#include "bins/coverage_bins.h"
#include "layers/layer_writer.h"
#include "layers/map_format.h"
#include "convert/measurement_layer.h"
#include "layers/output_commit.h"
#include "layers/output_file.h"
#include "convert/run_host.h"
#include "reader/log_reader.h"
#include "reader/row_renderer.h"
#include "reader/scan_selection.h"
#include "report/survey_report.h"

namespace quillon {

enum class RunOutcome { Completed, CompletedLeavingFilesOut, Cancelled, Failed };

class ConversionRun {
 public:
  ConversionRun(TLogReader& reader, RunHost& host, Settings settings, std::vector<FilePair> pairs,
                ScanSelection selection = {});
  RunOutcome Execute();
  // Features written into map layers so far.
  int64_t FeaturesWritten() const { return Features; }
  // Map layers written by another writer of the format (GDAL's KML driver, to measure).
  void WriteLayersWith(LayerWriterFactory factory) { MakeWriter = std::move(factory); }
  // The measurement layer and the bins go to writers of this factory that keep them
  // in memory (the Python module's frames): no file is written, so none is checked.
  void KeepLayersWith(LayerWriterFactory factory) {
    MakeWriter = std::move(factory);
    InMemory = true;
  }
  // The survey analysis of each output (with Into, of the run) is handed to `take`
  // once complete, its points kept (the Python module's frames).
  void KeepAnalysisWith(std::function<void(SurveyAnalysis&)> take) { TakeAnalysis = std::move(take); }

 private:
  bool Refuse(const std::string& message);
  bool CheckSettings();
  bool CheckFiles();
  // Completed when the file can be converted as it stands (with the run's
  // frequencies set where it needs them), else Failed (a single file, refused) or
  // CompletedLeavingFilesOut (a file of a folder run, left out).
  RunOutcome PrepareFrequencies(const FilePair& pair);
  RunOutcome ConvertPair(const FilePair& pair);
  void WriteHeaderLine();
  void WriteRecordRows();
  void WriteLayerRows();
  bool OpenLayer(const FilePair& pair);
  bool CloseLayer(bool keep);
  RunOutcome Split(const std::string& output, const std::string& staged);
  void PlanOutput(const std::string& output, OutputCommit& commit) const;
  bool CommitFiles(bool& stopped);
  bool AddsToDataset() const;
  // The bins gathered since the last were written, beside `output`.
  bool WriteBins(const std::string& output);
  // A database takes each log's bins in the log's own load (its transaction).
  bool BinsGoWithLoad() const { return Bins && OutputKind == OutputFormat::PostGis && !InMemory; }
  bool WriteBinsOfLoad(const std::string& output, std::string& error);
  std::string BinsLayerName() const;
  // The survey analysis gathered since the last was written: reported, and written
  // beside `output` as its calibration file (a database has no file beside it).
  bool WriteCalibration(const std::string& output);
  // The run's survey report, staged and put in place.
  bool WriteReport();
  // Catalogue index of output column i, from the run's own copy of the column map:
  // the window may change its selection while a run goes on.
  int16_t Column(size_t i) const { return i < Config.SelectedTags.size() ? Config.SelectedTags[i] : kNoField; }

  TLogReader& Reader;
  RunHost& Host;
  const Settings Config;
  const std::vector<FilePair> Pairs;
  const ScanSelection Selection;

  char Delimiter = ',';
  long long OutageThreshold = 0;
  OutputFile Output;
  // The files of the output being written (with Into, of the run), staged.
  std::unique_ptr<OutputCommit> Files;
  RowRenderer Renderer;
  TextBuffer Text;
  // Map layers: the schema, the dataset being written (one per pair, or the run's
  // one with Into) and the first failure of a write.
  const OutputFormat OutputKind;
  std::unique_ptr<MeasurementLayer> Schema;
  std::unique_ptr<LayerWriter> Layer;
  LayerWriterFactory MakeWriter = MakeLayerWriter;
  bool InMemory = false;
  std::string LogName;
  std::string LayerError;
  std::string EarlierLoad;  // the log is in the database already: when it was loaded
  std::vector<std::string> LayerWarnings;
  int64_t Features = 0;
  std::unique_ptr<CoverageBins> Bins;
  std::unique_ptr<SurveyAnalysis> Analysis;
  std::function<void(SurveyAnalysis&)> TakeAnalysis;
  std::unique_ptr<SurveyReport> Report;
  std::vector<std::string> FilesLeftOut;  // the Warning of each, in run order
  std::vector<std::string> FilesLackingFrequency;
  std::vector<std::string> FilesCut;  // the Warning of each log that ends inside a record
  std::vector<std::string> SurveyWarnings;  // the criteria the survey fails
  int64_t RowsLeftOut = 0;
};

}  // namespace quillon
