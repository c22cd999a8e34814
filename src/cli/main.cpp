// quillon-convert: the command-line companion of the window. It drives the same
// engine and writes the same bytes for the same settings.
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>
#include <sstream>

#include "app/configuration.h"
#include "app/settings.h"
#include "cli/cli_host.h"
#include "convert/conversion_run.h"
#include "indexing/index_run.h"
#include "reader/file_type.h"
#include "reader/log_reader.h"

using namespace quillon;

namespace {

constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

std::vector<std::string> SplitList(const std::string& text) {
  std::vector<std::string> items;
  std::stringstream in(text);
  std::string item;
  while (std::getline(in, item, ',')) items.push_back(item);
  return items;
}

bool ParseIndexes(const std::string& text, int low, int high, std::vector<int>& out) {
  for (const std::string& item : SplitList(text)) {
    long long v;
    if (!ParseWholeNumber(item, v) || v < low || v > high) return false;
    out.push_back(static_cast<int>(v));
  }
  return !out.empty();
}

std::string DefaultOutput(const std::string& input) {
  return (input.size() > 4 ? input.substr(0, input.size() - 4) : std::string()) + ".out";
}

// The matching regular files of a folder, in name order.
std::vector<FilePair> FolderPairs(const std::string& in, const std::string& out, const std::string& pattern,
                                  const std::string& ext) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(in, ec)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_regular_file(ec) && ::fnmatch(pattern.c_str(), name.c_str(), 0) == 0) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  std::vector<FilePair> pairs;
  for (const std::string& name : names)
    pairs.push_back({in + "/" + name, out + "/" + (name.size() > 4 ? name.substr(0, name.size() - 4) : "") + ext});
  return pairs;
}

int PrintIndex(const std::string& input) {
  const int16_t type = DetectFileType(input);
  if (type == kFormatNone) {
    std::fprintf(stderr, "Error: %s\n",
                 FileSizeOf(input) < 0 ? "Input File Does Not Exist!" : "File is not from a KTR CW product.");
    return kExitFailed;
  }
  CliIndexHost host;
  if (!IndexRun(Reader, host, input, type).Execute()) return kExitFailed;
  for (const ScanNode& node : host.Tree.Nodes())
    std::printf("%s\t%d\t%s\n", ScanTree::RootName(node.Root), node.Number, node.Label.c_str());
  for (const std::string& line : host.Statistics) std::printf("%s\n", line.c_str());
  return kExitDone;
}

// Frequencies typed for a file whose single-channel data came without a definition:
// indexed first, as the window does, and checked against each receiver's band.
bool ApplyFrequencies(const std::string& input, int16_t type, const std::vector<double>& mhz) {
  CliIndexHost host;
  if (!IndexRun(Reader, host, input, type).Execute()) return false;
  if (!Reader.ManualFrequencies) return true;
  if (mhz.empty()) {
    std::fprintf(stderr,
                 "Warning: Frequency information was not found for the single-channel data; "
                 "give --frequencies RX1_MHZ,RX2_MHZ to convert it.\n");
    Reader.ManualFrequencies = 0;
    return true;
  }
  for (int rx = 0; rx < 2; ++rx) {
    const double low = Reader.Bands[rx].LowestMHz();
    const double high = Reader.Bands[rx].HighestMHz();
    if (mhz[rx] < low || mhz[rx] > high) {
      std::fprintf(stderr, "Error: %.4f is not in the range of the receiver.\n", mhz[rx]);
      Reader.ManualFrequencies = 0;
      return false;
    }
  }
  Reader.SetManualFrequencies(mhz[0], mhz[1]);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Converts KTR Zephyn CW receiver logs (.klf, .kez) into delimited text."};
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
  app.add_option("--ext", ext, "extension of the outputs of --folder (default .out)");
  app.add_flag("--list-fields", listFields, "list the catalogue fields and their indexes");
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
  std::string format;
  auto* formatOpt = app.add_option("--format", format, "csv (delimited text, the default), geojson or kml");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return code == 0 ? kExitDone : kExitUsage;
  }
  auto usage = [](const std::string& text) {
    std::fprintf(stderr, "quillon-convert: %s\n", text.c_str());
    return kExitUsage;
  };

  if (listFields) {
    for (int i = 0; i < kCatalogueFields; ++i) std::printf("%d\t%s\n", i, CatalogueName(i));
    return kExitDone;
  }
  if (!index.empty()) return PrintIndex(index);

  Settings settings = DefaultSettings();
  SelectColumns(settings, {22, 18, 5, 11, 0});
  if (!config.empty()) {
    std::string message;
    if (!RestoreConfiguration(config, settings, message)) {
      std::fprintf(stderr, "Error: %s\n", message.c_str());
      return kExitFailed;
    }
  }
  if (fieldsOpt->count()) {
    std::vector<int> list;
    if (!ParseIndexes(fields, 0, kCatalogueFields - 1, list)) return usage("--fields takes catalogue indexes 0 to 55");
    if (list.size() > static_cast<size_t>(kFieldMapSize)) return usage("--fields takes at most 100 columns");
    SelectColumns(settings, std::vector<int16_t>(list.begin(), list.end()));
  }
  if (ibwaveOpt->count()) SelectIBwaveColumns(settings);
  if (receiverOpt->count()) {
    if (receiver != 1 && receiver != 2) return usage("--receiver takes 1 or 2");
    settings.Receiver1 = receiver == 1;
    settings.Receiver2 = receiver == 2;
  }
  if (dataOpt->count()) {
    settings.FrequencyField = settings.ChannelField = settings.RSSIField = false;
    for (const std::string& item : SplitList(data)) {
      if (item == "freq") settings.FrequencyField = true;
      else if (item == "channel") settings.ChannelField = true;
      else if (item == "rssi") settings.RSSIField = true;
      else return usage("--data takes a subset of freq,channel,rssi");
    }
  }
  if (delimiterOpt->count()) {
    static const std::pair<const char*, int> kNamed[] = {{"comma", 0}, {"semicolon", 1}, {"tab", 2}, {"space", 3}};
    const auto named = std::find_if(std::begin(kNamed), std::end(kNamed), [&](const auto& n) { return delimiter == n.first; });
    if (named != std::end(kNamed)) {
      settings.Delimiter = named->second;
    } else if (delimiter.size() <= 1) {
      settings.Delimiter = 4;
      settings.OtherDelimiter = delimiter;
    } else {
      return usage("--delimiter takes comma, semicolon, tab, space or one character");
    }
  }
  if (noHeaderOpt->count()) settings.FieldTitles = false;
  if (splitOpt->count()) settings.Split = true;
  if (bestOpt->count()) {
    settings.BSAvg = true;
    settings.NoAvg = false;
  }
  if (lambdaOpt->count()) settings.Lambda = true;
  if (dropOpt->count()) {
    settings.DropOutages = true;
    settings.OutageSeconds = dropOutages;
  }
  if (formatOpt->count()) {
    OutputFormat chosen;
    if (!ParseOutputFormat(format, chosen)) return usage("--format takes csv, geojson or kml");
    settings.OutputFormat = static_cast<int>(chosen);
  }
  std::vector<double> mhz;
  if (!frequencies.empty()) {
    for (const std::string& item : SplitList(frequencies)) {
      char* end = nullptr;
      const double v = std::strtod(item.c_str(), &end);
      if (end == item.c_str() || *end != '\0') return usage("--frequencies takes two numbers in MHz: RX1,RX2");
      mhz.push_back(v);
    }
    if (mhz.size() != 2) return usage("--frequencies takes two numbers in MHz: RX1,RX2");
  }

  std::vector<FilePair> pairs;
  ScanSelection selection;
  if (!folder.empty() || !outFolder.empty()) {
    if (folder.empty() || outFolder.empty() || !input.empty())
      return usage("--folder and --out-folder go together, without INPUT");
    settings.MultipleFiles = true;
    settings.InFolder = folder;
    settings.OutFolder = outFolder;
    pairs = FolderPairs(folder, outFolder, pattern, ext);
  } else {
    if (input.empty() && !config.empty()) input = settings.InputFilename;
    if (input.empty()) return usage("an INPUT file, --folder, --list-fields or --index is required");
    if (output.empty()) output = config.empty() || input != settings.InputFilename ? DefaultOutput(input) : settings.OutputFilename;
    const int16_t type = DetectFileType(input);
    if (type == kFormatNone && FileSizeOf(input) != 0) {  // an empty file converts to an empty output
      std::fprintf(stderr, "Error: %s\n",
                   FileSizeOf(input) < 0 ? "Input File Does Not Exist!" : "File is not from a KTR CW product.");
      return kExitFailed;
    }
    if (!skipScans.empty()) {
      std::vector<int> scans;
      if (!ParseIndexes(skipScans, 1, 1 << 30, scans)) return usage("--skip-scans takes scan numbers from 1");
      selection.File = input;
      const int highest = *std::max_element(scans.begin(), scans.end());
      selection.States.assign(static_cast<size_t>(highest) + 1, kScanChecked);
      for (int scan : scans) selection.States[static_cast<size_t>(scan)] = kScanUnchecked;
    }
    if (type != kFormatNone && (!mhz.empty() || settings.Lambda) && !ApplyFrequencies(input, type, mhz))
      return kExitFailed;
    pairs.push_back({input, output});
  }

  InstallInterruptHandler();
  CliRunHost host(!quiet && ::isatty(STDERR_FILENO), quiet);
  const RunOutcome outcome = ConversionRun(Reader, host, settings, pairs, selection).Execute();
  return outcome == RunOutcome::Completed ? kExitDone : kExitFailed;
}
