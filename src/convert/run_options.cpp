#include "convert/run_options.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <sstream>

#include "bins/bin_grid.h"
#include "gis/gis_module.h"
#include "reader/field_catalogue.h"
#include "reader/product_reader.h"

namespace quillon {

std::vector<std::string> SplitList(const std::string& text) {
  std::vector<std::string> items;
  std::stringstream in(text);
  std::string item;
  while (std::getline(in, item, ',')) items.push_back(item);
  return items;
}

bool ParseIndexes(const std::string& text, long long low, long long high, std::vector<int>& out) {
  for (const std::string& item : SplitList(text)) {
    long long v;
    if (!ParseWholeNumber(item, v) || v < low || v > high) return false;
    out.push_back(static_cast<int>(v));
  }
  return !out.empty();
}

std::string ParseSkippedScans(const std::string& list, const std::string& input, ScanSelection& selection) {
  std::vector<int> scans;
  if (!ParseIndexes(list, 1, INT32_MAX, scans)) return "--skip-scans takes scan numbers from 1";
  selection.File = input;
  selection.Skip(std::vector<int32_t>(scans.begin(), scans.end()));
  return "";
}

std::string ApplyRunOptions(const RunOptions& o, Settings& settings) {
  if (o.Fields) {
    std::vector<int> list;
    if (!ParseIndexes(*o.Fields, 0, kCatalogueFields - 1, list)) return "--fields takes catalogue indexes 0 to 55";
    if (list.size() > static_cast<size_t>(kFieldMapSize)) return "--fields takes at most 100 columns";
    SelectColumns(settings, std::vector<int16_t>(list.begin(), list.end()));
  }
  if (o.IBwave) SelectIBwaveColumns(settings);
  if (o.Receiver) {
    if (*o.Receiver != 1 && *o.Receiver != 2) return "--receiver takes 1 or 2";
    settings.Receiver1 = *o.Receiver == 1;
    settings.Receiver2 = *o.Receiver == 2;
  }
  if (o.Data) {
    settings.FrequencyField = settings.ChannelField = settings.RSSIField = false;
    for (const std::string& item : SplitList(*o.Data)) {
      if (item == "freq") settings.FrequencyField = true;
      else if (item == "channel") settings.ChannelField = true;
      else if (item == "rssi") settings.RSSIField = true;
      else return "--data takes a subset of freq,channel,rssi";
    }
  }
  if (o.Delimiter) {
    static const std::pair<const char*, int> kNamed[] = {{"comma", 0}, {"semicolon", 1}, {"tab", 2}, {"space", 3}};
    const std::string& d = *o.Delimiter;
    const auto named = std::find_if(std::begin(kNamed), std::end(kNamed), [&](const auto& n) { return d == n.first; });
    if (named != std::end(kNamed)) {
      settings.Delimiter = named->second;
    } else if (d.size() == 1) {
      settings.Delimiter = 4;
      settings.OtherDelimiter = d;
    } else {
      return "--delimiter takes comma, semicolon, tab, space or one character";
    }
  }
  if (o.NoHeader) settings.FieldTitles = false;
  if (o.Split) settings.Split = true;
  if (o.BestServer) {
    settings.BSAvg = true;
    settings.NoAvg = false;
  }
  if (o.Lambda) settings.Lambda = true;
  if (o.DropOutages) {
    long long seconds;
    if (!ParseWholeNumber(*o.DropOutages, seconds) || seconds < 1)
      return "--drop-outages takes a whole number of seconds from 1";
    settings.DropOutages = true;
    settings.OutageSeconds = *o.DropOutages;
  }
  settings.Replace = o.Replace;
  if (o.Layer) {
    if (o.Layer->empty()) return "--layer takes a name";
    settings.LayerName = *o.Layer;
  }
  if (o.Bins) {
    if (*o.Bins < BinGrid::kSmallestMetres || *o.Bins > BinGrid::kLargestMetres)
      return "--bins takes a size of 10 to 1000 metres";
    settings.BinMetres = *o.Bins;
  }
  if (o.BinCrs) {
    if (!o.Bins) return "--bin-crs goes with --bins";
    // Where the GIS module cannot be loaded, the run refuses the bins (an Error, not
    // a usage error), saying so.
    const std::string problem = GisNeeded("--bin-crs").empty() ? BinGrid::CheckCrs(*o.BinCrs) : std::string();
    if (!problem.empty()) return "--bin-crs: " + problem;
    settings.BinCrs = *o.BinCrs;
  }
  if (o.Frequencies && !o.Frequencies->empty()) {
    // Two finite numbers: strtod also reads "nan" and "inf", which are no frequencies.
    settings.Frequencies.clear();
    for (const std::string& item : SplitList(*o.Frequencies)) {
      char* end = nullptr;
      const double v = std::strtod(item.c_str(), &end);
      if (end == item.c_str() || *end != '\0' || !std::isfinite(v))
        return "--frequencies takes two numbers in MHz: RX1,RX2";
      settings.Frequencies.push_back(v);
    }
    if (settings.Frequencies.size() != 2) return "--frequencies takes two numbers in MHz: RX1,RX2";
  }
  return ApplyAnalysisOptions(o, settings);
}

namespace {

// "A,B": two finite numbers.
bool NumberPair(const std::string& text, double& a, double& b) {
  const std::vector<std::string> items = SplitList(text);
  if (items.size() != 2) return false;
  double values[2];
  for (size_t i = 0; i < 2; ++i) {
    char* end = nullptr;
    values[i] = std::strtod(items[i].c_str(), &end);
    if (end == items[i].c_str() || *end != '\0' || !std::isfinite(values[i])) return false;
  }
  a = values[0], b = values[1];
  return true;
}

bool OneNumber(const std::string& text, double& value) {
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return end != text.c_str() && *end == '\0' && std::isfinite(value);
}

}  // namespace

AnalysisOptions AnalysisOptionsOf(const Settings& settings) {
  AnalysisOptions options;
  options.Sites = settings.Sites;
  options.RxGainDb = settings.RxGainDb;
  options.RssiMin = settings.FitRssiMin, options.RssiMax = settings.FitRssiMax;
  options.DistanceMin = settings.FitDistanceMin, options.DistanceMax = settings.FitDistanceMax;
  if (settings.EvaluateModel) options.Model = PathLossModel{settings.ModelK1, settings.ModelK2};
  options.BinMetres = settings.BinMetres;
  options.BinCrs = settings.BinCrs;
  options.Lambda = ReductionModeOf(settings) == 1;
  return options;
}

std::string ApplyAnalysisOptions(const RunOptions& o, Settings& settings) {
  if (o.Sites && o.Site) return "--sites and --site are one or the other";
  if (o.Site && !o.Eirp) return "--site goes with --eirp DBM";
  if (o.Eirp && !o.Site) return "--eirp goes with --site LAT,LON";
  const bool analysis = o.Sites || o.Site;
  if (!analysis && (o.RxGain || o.FitRssi || o.FitDistance || o.Model))
    return "--rx-gain, --fit-rssi, --fit-distance and --model go with --sites or --site";
  if (!analysis) return "";
  std::string error;
  if (o.Sites && !ReadSitesFile(*o.Sites, settings.Sites, error)) return error;
  if (o.Site) {
    double eirp = 0;
    if (!OneNumber(*o.Eirp, eirp)) return "--eirp takes a number of dBm";
    Site site;
    if (!SingleSite(*o.Site, eirp, site, error)) return error;
    settings.Sites = {site};
  }
  if (o.RxGain && !OneNumber(*o.RxGain, settings.RxGainDb)) return "--rx-gain takes a number of dB";
  if (o.FitRssi && (!NumberPair(*o.FitRssi, settings.FitRssiMin, settings.FitRssiMax) ||
                    settings.FitRssiMin > settings.FitRssiMax))
    return "--fit-rssi takes MIN,MAX in dBm, the lower first";
  if (o.FitDistance && (!NumberPair(*o.FitDistance, settings.FitDistanceMin, settings.FitDistanceMax) ||
                        settings.FitDistanceMin <= 0 || settings.FitDistanceMin > settings.FitDistanceMax))
    return "--fit-distance takes MIN,MAX in metres, more than 0 and the lower first";
  if (o.Model) {
    if (!NumberPair(*o.Model, settings.ModelK1, settings.ModelK2)) return "--model takes K1,K2 in dB and dB per decade";
    settings.EvaluateModel = true;
  }
  return "";
}

}  // namespace quillon
