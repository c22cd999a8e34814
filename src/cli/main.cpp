// quillon-convert: the command-line companion of the window. It drives the same
// engine and writes the same bytes for the same settings.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "app/configuration.h"
#include "convert/settings.h"
#include "cli/cli_host.h"
#include "convert/conversion_run.h"
#include "convert/file_pairs.h"
#include "layers/map_format.h"
#include "convert/run_options.h"
#include "indexing/index_run.h"
#include "reader/file_type.h"
#include "reader/log_reader.h"
#include "reader/messages.h"
#include "reader/native_file.h"
#include "reader/path_check.h"
#include "reader/shown_text.h"
#include "version.h"

using namespace quillon;

namespace {

constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitFilesLeftOut = 3;

constexpr char kExitStatuses[] =
    "Every output (with its side files, bins and split parts) is written beside it under a temporary name and\n"
    "put in place once complete: a run that fails, is refused or is interrupted (Ctrl+C, SIGTERM, SIGHUP)\n"
    "overwrites nothing and leaves every earlier file as it was.\n"
    "Exit status: 0 completed; 1 the run failed, was refused or was interrupted (the message on stderr says\n"
    "why); 2 usage error; 3 completed, but files of a folder run were left out (each is named in a Warning).";

int PrintIndex(const std::string& input) {
  const std::string problem = InputProblem(input);
  const int16_t type = problem.empty() ? DetectFileType(input) : kFormatNone;
  if (type == kFormatNone) {
    std::fprintf(stderr, "Error: %s\n", problem.empty() ? messages::kNotFromKtrProduct : ValidUtf8(problem).c_str());
    return kExitFailed;
  }
  CliIndexHost host;
  if (!IndexRun(Reader, host, input, type).Execute()) return kExitFailed;
  for (const std::string& line : host.Statistics) std::printf("%s\n", line.c_str());
  return kExitDone;
}

int Run(int argc, char** argv) {
  native::UseBinaryStandardStreams();
  CLI::App app{"Converts KTR Zephyn CW receiver logs (.klf, .kez) into delimited text or map layers."};
  app.footer(kExitStatuses);
  app.allow_windows_style_options(false);  // "/folder/log.klf" is a path, not an option
  app.set_version_flag("--version", std::string("quillon-convert ") + kVersion);
  std::string input, output, config, folder, outFolder, pattern = "*.klf", ext = ".out";
  std::string fields, data, delimiter, skipScans, frequencies, dropOutages, index;
  int receiver = 1;
  bool listFields = false, ibwave = false, noHeader = false, split = false, quiet = false;
  bool bestServer = false, lambda = false;

  app.add_option("INPUT", input, "the log file to convert");
  app.add_option("-o,--output", output, "output file (default: INPUT without its last 4 characters + .out)");
  app.add_option("-c,--config", config, "settings of a configuration file saved by the window");
  app.add_option("--folder", folder, "convert every matching file of this folder");
  app.add_option("--out-folder", outFolder, "folder of the outputs of --folder");
  app.add_option("--pattern", pattern, "file pattern of --folder (default *.klf)");
  auto* extOpt = app.add_option("--ext", ext, "extension of the outputs of --folder (default .out, or the --format's)");
  app.add_flag("--list-fields", listFields, "list the catalogue fields: index, name, short name and value type");
  app.add_option("--index", index, "index a log: list its scans and statistics");
  auto* fieldsOpt = app.add_option("--fields", fields, "catalogue indexes of the columns, 0 = << DATA >> (default 22,18,5,11,0)");
  auto* ibwaveOpt = app.add_flag("--ibwave", ibwave, "the iBwave column layout");
  auto* receiverOpt = app.add_option("--receiver", receiver, "receiver 1 or 2 (default 1)");
  auto* dataOpt = app.add_option("--data", data, "data-block values: subset of freq,channel,rssi (default freq,rssi)");
  auto* delimiterOpt = app.add_option("--delimiter", delimiter, "comma|semicolon|tab|space or one character");
  auto* noHeaderOpt = app.add_flag("--no-header", noHeader, "no header record");
  auto* splitOpt = app.add_flag("--split", split, "split outputs of more than 60000 rows into part files");
  app.add_option("--skip-scans", skipScans, "scan numbers (1-based) left out of the conversion");
  app.add_flag("--quiet", quiet, "no progress display");
  auto* bestOpt = app.add_flag("--best-server", bestServer, "keep only the strongest server of list and table scans");
  auto* lambdaOpt = app.add_flag("--lambda", lambda, "40-lambda averaging of single-channel scans");
  auto* dropOpt = app.add_option("--drop-outages", dropOutages, "drop data during GPS outages of SECONDS or more");
  app.add_option("--frequencies", frequencies, "receiver frequencies in MHz: RX1,RX2");
  std::string format, into, layer;
  auto* formatOpt = app.add_option("--format", format,
                                   "csv (delimited text, the default), or a map layer: gpkg, tab, mif, shp, fgb, "
                                   "geojson, kml, postgis (without it the output's extension chooses)");
  app.add_option("--into", into, "with --folder: one map dataset for every log of the folder");
  auto* layerOpt = app.add_option("--layer", layer, "name of the map layer or table (default measurements)");
  bool replace = false;
  auto* replaceOpt = app.add_flag("--replace", replace,
                                  "with a database: a log loaded into the layer before is loaded anew in place of "
                                  "its earlier load (without it, such a log is refused)");
  int binMetres = 0;
  std::string binCrs;
  auto* binsOpt = app.add_option("--bins", binMetres,
                                 "also write coverage bins of METRES (10 to 1000) beside each output, named -bins");
  auto* binCrsOpt = app.add_option("--bin-crs", binCrs,
                                   "the bins' projected system, EPSG:NNNN (default: the UTM zone of the first fix)");
  std::string sites, site, eirp, rxGain, fitRssi, fitDistance, model;
  auto* sitesOpt = app.add_option("--sites", sites,
                                  "survey analysis: the test transmitters, a CSV file with the columns name,latitude,"
                                  "longitude,eirp_dbm,frequency_mhz[,height_m,receiver]");
  auto* siteOpt = app.add_option("--site", site, "survey analysis of one transmitter at LAT,LON (every frequency)");
  auto* eirpOpt = app.add_option("--eirp", eirp, "with --site: its EIRP in dBm");
  auto* rxGainOpt = app.add_option("--rx-gain", rxGain, "receive antenna gain less cable losses, dB (default 0)");
  auto* fitRssiOpt = app.add_option("--fit-rssi", fitRssi, "signal range of the fit, MIN,MAX dBm (default -110,-40)");
  auto* fitDistanceOpt =
      app.add_option("--fit-distance", fitDistance, "distance range of the fit, MIN,MAX metres (default 100,20000)");
  auto* modelOpt = app.add_option("--model", model, "evaluate the model K1,K2 (dB, dB per decade) instead of fitting");
  std::string report;
  app.add_option("--report", report,
                 "also write the run's survey report, one self-contained HTML file (route map, levels, GPS outages, "
                 "and the survey analysis with --sites or --site)");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) return app.exit(e), kExitDone;  // --help, --version
    // CLI11's message with the value the user gave, shortened so that the reason shows.
    std::fprintf(stderr, "%s\nRun with --help for more information.\n", ValidUtf8(WithLongWordsShortened(e.what())).c_str());
    return kExitUsage;
  }
  auto usage = [](const std::string& text) {
    std::fprintf(stderr, "quillon-convert: %s\n", ValidUtf8(text).c_str());
    return kExitUsage;
  };

  if (!report.empty() && (listFields || !index.empty()))
    return usage("--report goes with a conversion, not with --list-fields or --index");
  if (listFields) {
    for (const FieldInfo& field : kFields)
      std::printf("%d\t%s\t%s\t%s\n", Index(field.Id), field.Name, field.ShortName, TypeName(field));
    return kExitDone;
  }
  if (!index.empty()) return PrintIndex(index);

  Settings settings = DefaultSettings();
  SelectColumns(settings, {22, 18, 5, 11, 0});
  if (!config.empty()) {
    std::string message;
    if (!RestoreConfiguration(config, settings, message)) {
      std::fprintf(stderr, "Error: %s\n", ValidUtf8(message).c_str());
      return kExitFailed;
    }
    if (!message.empty()) std::fprintf(stderr, "Warning: %s\n", ValidUtf8(message).c_str());
  }
  RunOptions options;
  if (fieldsOpt->count()) options.Fields = fields;
  options.IBwave = ibwaveOpt->count() > 0;
  if (receiverOpt->count()) options.Receiver = receiver;
  if (dataOpt->count()) options.Data = data;
  if (delimiterOpt->count()) options.Delimiter = delimiter;
  options.NoHeader = noHeaderOpt->count() > 0;
  options.Split = splitOpt->count() > 0;
  options.BestServer = bestOpt->count() > 0;
  options.Lambda = lambdaOpt->count() > 0;
  if (dropOpt->count()) options.DropOutages = dropOutages;
  if (layerOpt->count()) options.Layer = layer;
  options.Replace = replaceOpt->count() > 0;
  if (sitesOpt->count()) options.Sites = sites;
  if (siteOpt->count()) options.Site = site;
  if (eirpOpt->count()) options.Eirp = eirp;
  if (rxGainOpt->count()) options.RxGain = rxGain;
  if (fitRssiOpt->count()) options.FitRssi = fitRssi;
  if (fitDistanceOpt->count()) options.FitDistance = fitDistance;
  if (modelOpt->count()) options.Model = model;
  if (binsOpt->count()) options.Bins = binMetres;
  if (binCrsOpt->count()) options.BinCrs = binCrs;
  if (!frequencies.empty()) options.Frequencies = frequencies;
  OutputFormat chosen = OutputFormat::Delimited;
  if (formatOpt->count() && !ParseOutputFormat(format, chosen)) return usage("--format takes one of: " + FormatNames());
  const std::string wrong = ApplyRunOptions(options, settings);
  if (!wrong.empty()) return usage(wrong);
  settings.Report = report;

  std::vector<FilePair> pairs;
  ScanSelection selection;
  const bool formatGiven = formatOpt->count() > 0;
  if (!folder.empty() || !outFolder.empty() || !into.empty()) {
    if (folder.empty() || (outFolder.empty() == into.empty()) || !input.empty())
      return usage("--folder goes with --out-folder or --into, without INPUT");
    if (!skipScans.empty()) return usage("--skip-scans applies to a single INPUT, not to --folder");
    if (!formatGiven) chosen = FormatOfPath(into.empty() ? "x" + ext : into);
    if (!into.empty() && !IsMapLayer(chosen)) return usage("--into gathers map layers: give --format or a map file");
    if (into.empty() && chosen == OutputFormat::PostGis) return usage("a database takes every log: give --into PG:...");
    if (formatGiven && !extOpt->count() && into.empty() && chosen != OutputFormat::Delimited)
      ext = InfoOf(chosen).Extension;
    settings.MultipleFiles = true;
    settings.InFolder = folder;
    settings.OutFolder = outFolder;
    settings.Into = into;
    std::string message;
    if (!ListFolderPairs(folder, into.empty() ? outFolder : folder, pattern, ext, pairs, message)) {
      std::fprintf(stderr, "Error: %s\n", ValidUtf8(message).c_str());
      return kExitFailed;
    }
    if (!into.empty())
      for (FilePair& pair : pairs) pair.Output = into;
  } else {
    if (input.empty() && !config.empty()) input = settings.InputFilename;
    if (input.empty()) return usage("an INPUT file, --folder, --list-fields or --index is required");
    if (output.empty()) {
      const std::string extension = formatGiven && chosen != OutputFormat::Delimited ? InfoOf(chosen).Extension : ".out";
      output = config.empty() || input != settings.InputFilename ? OutputNameFor(input, extension)
                                                                 : settings.OutputFilename;
    }
    if (!formatGiven) chosen = FormatOfPath(output);
    if (chosen == OutputFormat::PostGis && output.compare(0, 3, "PG:") != 0)
      return usage("--format postgis writes to a database: -o \"PG:dbname=... host=...\"");
    if (!skipScans.empty()) {
      const std::string wrongScans = ParseSkippedScans(skipScans, input, selection);
      if (!wrongScans.empty()) return usage(wrongScans);
    }
    pairs.push_back({input, output});
  }

  settings.OutputFormat = static_cast<int>(chosen);
  if (!IsMapLayer(chosen) && layerOpt->count()) return usage("--layer names a map layer: give a map --format");
  if (chosen != OutputFormat::PostGis && replaceOpt->count())
    return usage("--replace replaces a log's earlier load in a database: give --format postgis");
  if (layerOpt->count()) {
    const std::string wrongLayer = LayerNameProblem(layer, chosen, binsOpt->count() > 0);
    if (!wrongLayer.empty()) return usage(wrongLayer);
  }

  InstallInterruptHandler();
  CliRunHost host(!quiet && native::IsTerminal(stderr), quiet);
  switch (ConversionRun(Reader, host, settings, pairs, selection).Execute()) {
    case RunOutcome::Completed: return kExitDone;
    case RunOutcome::CompletedLeavingFilesOut: return kExitFilesLeftOut;
    default: return kExitFailed;
  }
}

}  // namespace

#ifdef _WIN32
// Windows hands the arguments over in UTF-16; the program works in UTF-8.
int wmain(int argc, wchar_t** wide) {
  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i) {
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
    std::string text(bytes > 0 ? bytes - 1 : 0, '\0');
    if (bytes > 1) WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, text.data(), bytes, nullptr, nullptr);
    arguments.push_back(std::move(text));
  }
  std::vector<char*> argv;
  for (std::string& a : arguments) argv.push_back(a.data());
  argv.push_back(nullptr);
  return Run(argc, argv.data());
}
#else
int main(int argc, char** argv) { return Run(argc, argv); }
#endif
