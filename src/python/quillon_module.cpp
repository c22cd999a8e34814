// _quillon: the engine for Python. Each call reads its logs with a reader of its
// own and without the GIL, so threads may read different logs at once; the GIL is
// taken back only to report progress (a callback of whole percentages) and to see
// whether Python asked to stop (Ctrl+C, or the callback raised). Layers come back
// as columns in numpy arrays that own the engine's buffers (no copy, no Python
// object per row); the package `quillon` makes pandas frames of them. Errors are
// raised as quillon.Error (UsageError for wrong settings, ConversionError for a
// run that failed or was refused) with the command line's message.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "analysis/calibration_layer.h"
#include "gis/gis_module.h"
#include "bins/bins_output.h"
#include "convert/conversion_run.h"
#include "bins/coverage_bins.h"
#include "convert/file_pairs.h"
#include "layers/frame_layer_writer.h"
#include "layers/map_format.h"
#include "convert/run_options.h"
#include "indexing/index_run.h"
#include "indexing/scan_tree.h"
#include "reader/file_type.h"
#include "reader/log_reader.h"
#include "reader/messages.h"
#include "reader/path_check.h"
#include "reader/shown_text.h"

namespace py = pybind11;
using namespace quillon;

namespace {

struct UsageFault : std::runtime_error {
  using std::runtime_error::runtime_error;
};
struct ConversionFault : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Reports of a run: the first Error becomes the exception, Warnings are returned
// for the package to issue; Information ("Conversion Has Been Completed!") is dropped.
class PythonHost : public RunHost {
 public:
  explicit PythonHost(py::object progress) : Progress(std::move(progress)) {}
  void ShowProgress(int percent) override {
    if (percent == LastPercent || Failure) return;
    LastPercent = percent;
    py::gil_scoped_acquire gil;
    try {
      if (PyErr_CheckSignals() != 0) throw py::error_already_set();
      if (!Progress.is_none()) Progress(percent);
    } catch (py::error_already_set& e) {
      Failure = std::make_unique<py::error_already_set>(std::move(e));
    }
  }
  void ReportMessage(MessageKind kind, const std::string& text) override {
    if (kind == MessageKind::Error && Error.empty()) Error = text;
    if (kind == MessageKind::Warning) Warnings.push_back(ValidUtf8(text));
  }
  bool StopRequested() override { return Failure != nullptr; }
  std::string FrequencyRemedy() const override { return kFrequencyOptionRemedy; }
  std::string ReloadRemedy() const override { return "Convert it with replace=True to load it anew in its place."; }

  // After the run, with the GIL: raises what Python raised, or the run's Error.
  void RaiseIfFailed(RunOutcome outcome) {
    if (Failure) {
      py::error_already_set raised = std::move(*Failure);
      Failure.reset();
      throw raised;
    }
    if (outcome == RunOutcome::Failed) throw ConversionFault(Error.empty() ? "The conversion failed." : Error);
    if (outcome == RunOutcome::Cancelled) throw ConversionFault(messages::kConversionCancelled);
  }
  std::vector<std::string> Warnings;

 private:
  py::object Progress;
  int LastPercent = -1;
  std::string Error;
  std::unique_ptr<py::error_already_set> Failure;
};

// Keyword settings, as the package passes them (text, numbers and flags named like
// the command line's options), into Settings.
Settings SettingsOf(const py::dict& options) {
  RunOptions o;
  auto text = [&](const char* key, std::optional<std::string>& into) {
    if (options.contains(key) && !options[key].is_none()) into = py::str(options[key]).cast<std::string>();
  };
  // A whole number, as Python gives one (not a flag, a text or a fraction); one out of
  // range is given as a number the option's own check refuses.
  auto number = [&](const char* key, std::optional<int>& into, const char* wrong) {
    if (!options.contains(key) || options[key].is_none()) return;
    const py::handle value = options[key];
    if (!py::isinstance<py::int_>(value) || py::isinstance<py::bool_>(value)) throw UsageFault(wrong);
    const long long v = value.cast<long long>();
    into = v < INT32_MIN || v > INT32_MAX ? INT32_MIN : static_cast<int>(v);
  };
  auto flag = [&](const char* key) { return options.contains(key) && py::bool_(options[key]).cast<bool>(); };
  text("fields", o.Fields);
  o.IBwave = flag("ibwave");
  number("receiver", o.Receiver, "--receiver takes 1 or 2");
  text("data", o.Data);
  text("delimiter", o.Delimiter);
  o.NoHeader = flag("no_header");
  o.Split = flag("split");
  o.BestServer = flag("best_server");
  o.Lambda = flag("lambda_average");
  text("drop_outages", o.DropOutages);
  text("frequencies", o.Frequencies);
  text("layer", o.Layer);
  number("bins", o.Bins, "--bins takes a size of 10 to 1000 metres");
  text("bin_crs", o.BinCrs);
  o.Replace = flag("replace");
  text("sites", o.Sites);
  text("site", o.Site);
  text("eirp", o.Eirp);
  text("rx_gain", o.RxGain);
  text("fit_rssi", o.FitRssi);
  text("fit_distance", o.FitDistance);
  text("model", o.Model);
  Settings settings = DefaultSettings();
  SelectColumns(settings, {22, 18, 5, 11, 0});
  const std::string wrong = ApplyRunOptions(o, settings);
  if (!wrong.empty()) throw UsageFault(wrong);
  return settings;
}

ScanSelection SelectionOf(const py::dict& options, const std::string& input) {
  ScanSelection selection;
  if (!options.contains("skip_scans") || options["skip_scans"].is_none()) return selection;
  const std::string wrong = ParseSkippedScans(py::str(options["skip_scans"]).cast<std::string>(), input, selection);
  if (!wrong.empty()) throw UsageFault(wrong);
  return selection;
}

// A numpy array over a malloc'd block that it frees when it goes.
template <typename T>
py::array Owned(void* block, int64_t size) {
  py::capsule owner(block, [](void* p) { std::free(p); });
  return py::array_t<T>({static_cast<py::ssize_t>(size)}, {sizeof(T)}, static_cast<T*>(block), owner);
}

const char* KindOf(const FrameColumn& c) {
  switch (c.Type) {
    case AttributeType::Integer: return "int32";
    case AttributeType::Integer64: return "int64";
    case AttributeType::Real: return "float64";
    case AttributeType::String: return "text";
    case AttributeType::DateTime: return "datetime";
  }
  return "float64";
}

// {"rows": n, "columns": [(name, kind, values, nulls, texts), ...]}
py::dict ToPython(Frame&& frame) {
  py::list columns;
  for (FrameColumn& c : frame.Columns) {
    py::array values;
    switch (c.Type) {
      case AttributeType::Integer:
      case AttributeType::String: values = Owned<int32_t>(c.Values.release(), frame.Rows); break;
      case AttributeType::Integer64:
      case AttributeType::DateTime: values = Owned<int64_t>(c.Values.release(), frame.Rows); break;
      case AttributeType::Real: values = Owned<double>(c.Values.release(), frame.Rows); break;
    }
    py::list texts;
    for (const std::string& t : c.Texts) texts.append(py::str(t));
    columns.append(py::make_tuple(c.Name, KindOf(c), values, Owned<uint8_t>(c.Nulls.release(), frame.Rows), texts));
  }
  py::dict out;
  out["rows"] = frame.Rows;
  out["columns"] = columns;
  return out;
}

// Runs a conversion of `inputs` into frames: the measurement layer and, with bins,
// the bins of all inputs together. Returns (layer, bins, warnings).
py::tuple RunIntoFrames(const std::vector<std::string>& inputs, const py::dict& options, py::object progress,
                        bool keepLayer) {
  Settings settings = SettingsOf(options);
  const ScanSelection selection = inputs.size() == 1 ? SelectionOf(options, inputs[0]) : ScanSelection();
  settings.OutputFormat = static_cast<int>(OutputFormat::GeoPackage);  // a layer, never written
  std::vector<FilePair> pairs;
  for (const std::string& input : inputs) pairs.push_back({input, input + ".frame"});
  if (inputs.size() > 1) settings.Into = "frame";  // one layer, the bins of all logs together
  FrameLayerWriter layer, bins;
  int opened = 0;
  auto reader = std::make_unique<TLogReader>();
  PythonHost host(std::move(progress));
  RunOutcome outcome;
  {
    py::gil_scoped_release released;
    ConversionRun run(*reader, host, settings, pairs, selection);
    run.KeepLayersWith([&](OutputFormat) -> std::unique_ptr<LayerWriter> {
      return std::make_unique<ForwardingLayerWriter>(opened++ == 0 ? layer : bins);
    });
    outcome = run.Execute();
  }
  host.RaiseIfFailed(outcome);
  py::object binsFrame = py::none();
  if (settings.BinMetres) binsFrame = ToPython(bins.Take());
  py::object layerFrame = keepLayer ? py::object(ToPython(layer.Take())) : py::none();
  return py::make_tuple(layerFrame, binsFrame, host.Warnings);
}

py::tuple Read(const std::string& path, const py::dict& options, py::object progress) {
  return RunIntoFrames({path}, options, std::move(progress), true);
}

// The measurement layer's columns for these settings, without a row.
py::dict Schema(const py::dict& options) {
  const Settings settings = SettingsOf(options);
  FrameLayerWriter writer;
  std::string error;
  writer.Open("frame", kMeasurementLayer, MeasurementLayer(settings, 1).Attributes(), LayerGeometry::Point, error);
  return ToPython(writer.Take());
}

py::tuple BinsOfPaths(const std::vector<std::string>& paths, const py::dict& options, py::object progress) {
  if (paths.empty()) throw UsageFault("no logs to bin");
  return RunIntoFrames(paths, options, std::move(progress), false);
}

// Nanoseconds since 1970 as whole seconds (rounded down); INT64_MIN stays "none".
int64_t SecondsOf(int64_t ns) {
  return ns == INT64_MIN ? INT64_MIN : (ns >= 0 ? ns / 1000000000 : -((-ns + 999999999) / 1000000000));
}

// Bins of a frame's columns: logs (a code per row; rows of one log together),
// receiver, lon, lat (NaN: no position), freq_mhz (NaN: none), rssi_dbm, time
// (nanoseconds since 1970; INT64_MIN: none).
py::dict BinsOfColumns(py::array_t<int32_t> logs, py::array_t<int32_t> receivers, py::array_t<double> lons,
                       py::array_t<double> lats, py::array_t<double> mhz, py::array_t<int32_t> rssi,
                       py::array_t<int64_t> times, int metres, const std::string& crs) {
  RunOptions checked;  // the size and system checked as the command line checks them
  checked.Bins = metres;
  if (!crs.empty()) checked.BinCrs = crs;
  Settings ignored;
  const std::string wrong = ApplyRunOptions(checked, ignored);
  if (!wrong.empty()) throw UsageFault(wrong);
  if (std::string why = GisNeeded("Coverage bins (quillon.bins)"); !why.empty()) throw ConversionFault(why);
  const py::ssize_t n = logs.size();
  for (const py::ssize_t size : {receivers.size(), lons.size(), lats.size(), mhz.size(), rssi.size(), times.size()})
    if (size != n) throw UsageFault("the frame's columns differ in length");
  EntryBoxes boxes;
  boxes.DataBlock = boxes.Frequency = boxes.Rssi = true;
  CoverageBins bins(metres, crs, boxes);
  FrameLayerWriter writer;
  std::string error;
  {
    auto l = logs.unchecked<1>();
    auto r = receivers.unchecked<1>();
    auto x = lons.unchecked<1>();
    auto y = lats.unchecked<1>();
    auto f = mhz.unchecked<1>();
    auto s = rssi.unchecked<1>();
    auto t = times.unchecked<1>();
    py::gil_scoped_release released;
    int32_t log = INT32_MIN;
    for (py::ssize_t i = 0; i < n; ++i) {
      if (l(i) != log) {
        log = l(i);
        bins.BeginLog();
      }
      if (std::isnan(x(i)) || std::isnan(y(i))) {
        bins.AddMeasurement(r(i), 1000.0, 1000.0, -1.0, s(i), INT64_MIN);  // counted as without a position
        continue;
      }
      bins.AddMeasurement(r(i), x(i), y(i), std::isnan(f(i)) ? -1.0 : f(i), s(i), SecondsOf(t(i)));
    }
    if (bins.Grid().Problem().empty() && !WriteBinsLayer(writer, "frame", kBinsLayer, bins, error))
      throw ConversionFault(error);
  }
  if (!bins.Grid().Problem().empty()) throw ConversionFault(bins.Grid().Problem());
  if (!writer.Opened()) writer.Open("frame", kBinsLayer, BinAttributes(), LayerGeometry::Polygon, error);
  py::dict out = ToPython(writer.Take());
  out["unplaced"] = bins.Unplaced();
  return out;
}

// The fits of a survey analysis as columns (those of the calibration file; None
// where a fit has no value) and its points as a frame of the calibration layer.
py::tuple AnalysisFrames(SurveyAnalysis& analysis) {
  py::dict fits;
  const char* const names[] = {"site",      "freq_mhz", "receiver",      "points",     "k1_db",
                               "k2_db_per_decade", "exponent", "mean_error_db", "std_dev_db", "rms_db",
                               "r2",        "min_distance_m", "max_distance_m"};
  std::vector<py::list> columns(std::size(names));
  for (const FitLine& line : analysis.Fits()) {
    const FitResult& r = line.Result;
    const auto value = [&](bool present, double v) { return present ? py::object(py::float_(v)) : py::none(); };
    const py::object row[] = {py::str(line.Site),
                              line.FrequencyMHz ? py::object(py::float_(*line.FrequencyMHz)) : py::none(),
                              line.Receiver ? py::object(py::int_(line.Receiver)) : py::none(),
                              py::int_(r.Points),
                              value(r.Fitted, r.Model.K1),
                              value(r.Fitted, r.Model.K2),
                              value(r.Fitted, r.Exponent),
                              value(r.Fitted, r.MeanError),
                              value(r.Fitted, r.StdDev),
                              value(r.Fitted, r.Rms),
                              value(r.Fitted && r.HasR2, r.R2),
                              value(r.Points > 0, r.MinDistance),
                              value(r.Points > 0, r.MaxDistance)};
    for (size_t i = 0; i < columns.size(); ++i) columns[i].append(row[i]);
  }
  for (size_t i = 0; i < columns.size(); ++i) fits[names[i]] = columns[i];
  FrameLayerWriter points;
  std::string error;
  if (!WriteCalibrationLayer(points, "frame", kCalibrationLayer, analysis, error)) throw ConversionFault(error);
  return py::make_tuple(fits, ToPython(points.Take()));
}

// The survey analysis of logs, as a conversion of them all together gathers it:
// (fits, points, warnings).
py::tuple CalibratePaths(const std::vector<std::string>& paths, const py::dict& options, py::object progress) {
  if (paths.empty()) throw UsageFault("no logs to calibrate");
  Settings settings = SettingsOf(options);
  if (settings.Sites.empty()) throw UsageFault("calibrate needs sites: a sites file, or (lat, lon, eirp)");
  settings.OutputFormat = static_cast<int>(OutputFormat::GeoPackage);  // a layer, never written
  std::vector<FilePair> pairs;
  for (const std::string& input : paths) pairs.push_back({input, input + ".frame"});
  settings.Into = "frame";  // one analysis of every log
  FrameLayerWriter ignored;
  auto reader = std::make_unique<TLogReader>();
  PythonHost host(std::move(progress));
  std::unique_ptr<py::tuple> frames;
  RunOutcome outcome;
  {
    py::gil_scoped_release released;
    ConversionRun run(*reader, host, settings, pairs);
    run.KeepLayersWith([&](OutputFormat) { return std::make_unique<ForwardingLayerWriter>(ignored); });
    run.KeepAnalysisWith([&](SurveyAnalysis& analysis) {
      py::gil_scoped_acquire held;
      frames = std::make_unique<py::tuple>(AnalysisFrames(analysis));
    });
    outcome = run.Execute();
  }
  host.RaiseIfFailed(outcome);
  if (!frames) throw ConversionFault("the survey analysis gave nothing");
  return py::make_tuple((*frames)[0], (*frames)[1], host.Warnings);
}

// The survey analysis of a frame's columns (as BinsOfColumns takes them); a site's
// frequency matches within half a kilohertz, the frame holding no band steps.
py::tuple CalibrateColumns(py::array_t<int32_t> receivers, py::array_t<double> lons, py::array_t<double> lats,
                           py::array_t<double> mhz, py::array_t<int32_t> rssi, py::array_t<int64_t> times,
                           const py::dict& options) {
  const Settings settings = SettingsOf(options);
  if (settings.Sites.empty()) throw UsageFault("calibrate needs sites: a sites file, or (lat, lon, eirp)");
  if (std::string why = GisNeeded("The survey analysis (quillon.calibrate)"); !why.empty()) throw ConversionFault(why);
  const py::ssize_t n = receivers.size();
  for (const py::ssize_t size : {lons.size(), lats.size(), mhz.size(), rssi.size(), times.size()})
    if (size != n) throw UsageFault("the frame's columns differ in length");
  AnalysisOptions a = AnalysisOptionsOf(settings);
  a.KeepPoints = true;
  EntryBoxes boxes;
  boxes.DataBlock = boxes.Frequency = boxes.Rssi = true;
  SurveyAnalysis analysis(a, boxes);
  {
    auto r = receivers.unchecked<1>();
    auto x = lons.unchecked<1>();
    auto y = lats.unchecked<1>();
    auto f = mhz.unchecked<1>();
    auto s = rssi.unchecked<1>();
    auto t = times.unchecked<1>();
    py::gil_scoped_release released;
    for (py::ssize_t i = 0; i < n; ++i) analysis.AddMeasurement(r(i), x(i), y(i), f(i), s(i), SecondsOf(t(i)), 0.0005);
  }
  py::list warnings;
  for (const std::string& failure : analysis.Failures()) warnings.append(py::str(failure));
  const py::tuple frames = AnalysisFrames(analysis);
  return py::make_tuple(frames[0], frames[1], warnings);
}

py::list Convert(const std::string& input, const std::string& output, const py::dict& options,
                 std::optional<std::string> format, py::object progress) {
  Settings settings = SettingsOf(options);
  OutputFormat chosen = FormatOfPath(output);
  if (format && !ParseOutputFormat(*format, chosen)) throw UsageFault("--format takes one of: " + FormatNames());
  if (chosen == OutputFormat::PostGis && output.compare(0, 3, "PG:") != 0)
    throw UsageFault("--format postgis writes to a database: -o \"PG:dbname=... host=...\"");
  settings.OutputFormat = static_cast<int>(chosen);
  if (!IsMapLayer(chosen) && options.contains("layer") && !options["layer"].is_none())
    throw UsageFault("--layer names a map layer: give a map --format");
  if (options.contains("layer") && !options["layer"].is_none()) {
    const std::string wrong = LayerNameProblem(settings.LayerName, chosen, settings.BinMetres != 0);
    if (!wrong.empty()) throw UsageFault(wrong);
  }
  if (settings.Replace && chosen != OutputFormat::PostGis)
    throw UsageFault("--replace replaces a log's earlier load in a database: give --format postgis");
  if (options.contains("report") && !options["report"].is_none())
    settings.Report = options["report"].cast<std::string>();  // the path's bytes
  const ScanSelection selection = SelectionOf(options, input);
  auto reader = std::make_unique<TLogReader>();
  PythonHost host(std::move(progress));
  RunOutcome outcome;
  {
    py::gil_scoped_release released;
    outcome = ConversionRun(*reader, host, settings, {{input, output}}, selection).Execute();
  }
  host.RaiseIfFailed(outcome);
  return py::cast(host.Warnings);
}

// What --index prints: the scans (root, number, label) and the statistics lines.
class CollectingIndexHost : public IndexHost {
 public:
  void ResetScanTree(int16_t, const std::string&) override {}
  void AddScanNode(int16_t kindCode, int32_t number, const std::string& label) override {
    if (*ScanTree::RootName(kindCode) != '\0') Scans.push_back({ScanTree::RootName(kindCode), number, label});
  }
  void ShowProgress(int) override {}
  void ShowFileStatistics(const std::vector<std::string>& lines) override { Statistics = lines; }
  void ReportMessage(MessageKind kind, const std::string& text) override {
    if (kind == MessageKind::Error && Error.empty()) Error = text;
  }
  bool StopRequested() override { return false; }
  struct Scan {
    std::string Root;
    int32_t Number;
    std::string Label;
  };
  std::vector<Scan> Scans;
  std::vector<std::string> Statistics;
  std::string Error;
};

py::dict IndexLog(const std::string& input) {
  const std::string problem = InputProblem(input);
  const int16_t type = problem.empty() ? DetectFileType(input) : kFormatNone;
  if (type == kFormatNone) throw ConversionFault(problem.empty() ? messages::kNotFromKtrProduct : problem);
  CollectingIndexHost host;
  bool done;
  {
    py::gil_scoped_release released;
    auto reader = std::make_unique<TLogReader>();
    done = IndexRun(*reader, host, input, type).Execute();
  }
  if (!done) throw ConversionFault(host.Error.empty() ? messages::kInputFileDoesNotExist : host.Error);
  py::list scans;
  for (const auto& s : host.Scans) scans.append(py::make_tuple(s.Root, s.Number, s.Label));
  py::dict out;
  out["scans"] = scans;
  out["statistics"] = host.Statistics;
  return out;
}

}  // namespace

PYBIND11_MODULE(_quillon, m) {
  m.doc() = "The KTR Quillon CW engine; use the package quillon.";
  static py::exception<std::runtime_error> error(m, "Error");
  static py::exception<UsageFault> usage(m, "UsageError", error.ptr());
  static py::exception<ConversionFault> conversion(m, "ConversionError", error.ptr());
  py::register_exception_translator([](std::exception_ptr p) {
    try {
      if (p) std::rethrow_exception(p);
    } catch (const UsageFault& e) {
      PyErr_SetString(usage.ptr(), ValidUtf8(e.what()).c_str());
    } catch (const ConversionFault& e) {
      PyErr_SetString(conversion.ptr(), ValidUtf8(e.what()).c_str());
    } catch (const py::cast_error& e) {  // an argument of a type the call does not take
      PyErr_SetString(usage.ptr(), e.what());
    }
  });
  m.def("read", &Read, py::arg("path"), py::arg("options"), py::arg("progress") = py::none());
  m.def("convert", &Convert, py::arg("path"), py::arg("output"), py::arg("options"), py::arg("format") = py::none(),
        py::arg("progress") = py::none());
  m.def("index", &IndexLog, py::arg("path"));
  m.def("schema", &Schema, py::arg("options"));
  m.def("bins_of_paths", &BinsOfPaths, py::arg("paths"), py::arg("options"), py::arg("progress") = py::none());
  m.def("bins_of_columns", &BinsOfColumns);
  m.def("calibrate_paths", &CalibratePaths, py::arg("paths"), py::arg("options"), py::arg("progress") = py::none());
  m.def("calibrate_columns", &CalibrateColumns);
}
