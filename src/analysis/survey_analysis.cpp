#include "analysis/survey_analysis.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>

#include "analysis/geodesic.h"
#include "analysis/sample_sums.h"
#include "bins/bin_grid.h"
#include "layers/layer_feature.h"
#include "reader/native_file.h"
#include "reader/number_text.h"

namespace quillon {

namespace {

constexpr double kSpeedOfLight = 299.792458;  // metres per microsecond: lambda = c / f(MHz)
constexpr int kLeeSamples = 36;               // samples a 40-wavelength window needs

std::string Number(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  if (std::string(text).find_first_not_of("-0.") == std::string::npos) std::snprintf(text, sizeof text, "%.*f", decimals, 0.0);
  return text;
}

// "North 1935.00000 MHz", or the site's name and `overAll` for its fit over all frequencies.
std::string FitName(const FitLine& line, const char* overAll) {
  std::string name = line.Site;
  if (!line.FrequencyMHz) return name.append(overAll);
  name += ' ';
  name += Number(*line.FrequencyMHz, 5);
  return name.append(" MHz");
}

std::string Percent(int64_t part, int64_t whole) {
  return whole > 0 ? Number(100.0 * static_cast<double>(part) / static_cast<double>(whole), 1) + " %" : "-";
}

}  // namespace

SurveyAnalysis::SurveyAnalysis(AnalysisOptions options, EntryBoxes boxes)
    : Options(std::move(options)),
      Boxes(boxes),
      Lowest(static_cast<int>(std::clamp(std::ceil(Options.RssiMin), -1000.0, 1000.0))),
      Highest(static_cast<int>(std::clamp(std::floor(Options.RssiMax), -1000.0, 1000.0))),
      Tally(Lowest, Highest) {
  if (Options.BinMetres > 0) Grid = std::make_unique<BinGrid>(Options.BinMetres, Options.BinCrs);
  for (const Site& s : Options.Sites) From.emplace_back(s.Latitude, s.Longitude);
  Distances.assign(Options.Sites.size(), Distance());
}

SurveyAnalysis::~SurveyAnalysis() = default;

void SurveyAnalysis::EndLog(TLambdaAverager& averager) {
  for (size_t i = 0; i < Windows.size(); ++i) Windows[i] += averager.WindowSizes[i];
  SamplesBetweenFixes += averager.SamplesBetweenFixes;
  FixIntervals += averager.FixIntervals;
  if (averager.Wavelength > 0) Wavelength = averager.Wavelength;
  averager.ClearWindowStatistics();
  LastFixTime = INT64_MIN;  // no outage between two logs
  SeenSecond = SeenMinute = SeenHour = -1;
}

void SurveyAnalysis::Gather(std::map<std::pair<size_t, int64_t>, PathLossFit>& perFrequency,
                            std::map<size_t, PathLossFit>& perSite) const {
  // With bins, each bin is one point: its power mean at its measurements' mean distance.
  FlushGroup();
  perFrequency = PerFrequency;
  perSite.clear();
  for (const auto& [key, fit] : PerFrequency) perSite[key.first].Merge(fit);
  for (const auto& [key, bin] : Bins) {
    const Site& s = Options.Sites[key.Site];
    const double dbm = 10.0 * std::log10(bin.Power / static_cast<double>(bin.Count));
    const double metres = bin.Distance / static_cast<double>(bin.Count);
    const double loss = s.EirpDbm + Options.RxGainDb - dbm;
    perFrequency[{key.Site, key.Frequency}].Add(metres, loss);
    perSite[key.Site].Add(metres, loss);
  }
}

bool SurveyAnalysis::ForEachPoint(const std::function<void(const CalibrationPoint&, const FitResult&)>& visit) {
  std::map<std::pair<size_t, int64_t>, PathLossFit> perFrequency;
  std::map<size_t, PathLossFit> perSite;
  Gather(perFrequency, perSite);
  std::map<std::pair<size_t, int64_t>, FitResult> fits;
  for (const auto& [key, fit] : perFrequency) fits[key] = fit.Result(Options.Model);
  const auto fitOf = [&](const CalibrationPoint& p) -> const FitResult& { return fits[{p.Site, p.Frequency}]; };
  for (const auto& [key, bin] : Bins) {
    CalibrationPoint p;
    p.Site = static_cast<uint32_t>(key.Site);
    p.Frequency = key.Frequency;
    p.RssiDbm = 10.0 * std::log10(bin.Power / static_cast<double>(bin.Count));
    p.Metres = bin.Distance / static_cast<double>(bin.Count);
    p.PathLossDb = Options.Sites[key.Site].EirpDbm + Options.RxGainDb - p.RssiDbm;
    const LonLat centre = Grid->Centre(key.Column, key.Row);
    p.Longitude = centre.Lon, p.Latitude = centre.Lat;
    visit(p, fitOf(p));
  }
  return Points.ForEach([&](const CalibrationPoint& p) { visit(p, fitOf(p)); });
}

std::vector<FitLine> SurveyAnalysis::Fits() const {
  std::map<std::pair<size_t, int64_t>, PathLossFit> perFrequency;
  std::map<size_t, PathLossFit> perSite;
  Gather(perFrequency, perSite);
  std::vector<FitLine> lines;
  for (size_t site = 0; site < Options.Sites.size(); ++site) {
    const Site& s = Options.Sites[site];
    for (const auto& [key, fit] : perFrequency) {
      if (key.first != site) continue;
      lines.push_back({s.Name, static_cast<double>(key.second) / 1e5, s.Receiver, fit.Result(Options.Model)});
    }
    // Over all the site's frequencies.
    lines.push_back({s.Name, std::nullopt, s.Receiver, perSite[site].Result(Options.Model)});
  }
  return lines;
}

SurveyQuality SurveyAnalysis::Quality() const {
  SurveyQuality q = Gathered;
  q.Lambda = Options.Lambda;
  for (size_t i = 0; i < Windows.size(); ++i) {
    q.Windows += Windows[i];
    if (static_cast<int>(i) >= kLeeSamples) q.WindowsMeetingLee += Windows[i];
  }
  if (q.Windows > 0) {  // the median of the counts
    const uint64_t low = (q.Windows - 1) / 2, high = q.Windows / 2;
    uint64_t seen = 0;
    double lowValue = -1, highValue = -1;
    for (size_t i = 0; i < Windows.size(); ++i) {
      seen += Windows[i];
      if (lowValue < 0 && seen > low) lowValue = static_cast<double>(i);
      if (highValue < 0 && seen > high) highValue = static_cast<double>(i);
    }
    q.MedianWindowSamples = (lowValue + highValue) / 2;
  }
  if (FixIntervals > 0) q.SamplesPerSecond = static_cast<double>(SamplesBetweenFixes) / static_cast<double>(FixIntervals);
  // v = r * 40 lambda / 36: faster, a window holds fewer than 36 samples.
  if (Wavelength > 0) q.LeeSpeedKmh = q.SamplesPerSecond * 40.0 * Wavelength / kLeeSamples * 3.6;
  return q;
}

std::vector<std::string> SurveyAnalysis::Failures() const {
  std::vector<std::string> failures;
  const SurveyQuality q = Quality();
  if (q.Lambda && q.Windows > 0 && q.WindowsMeetingLee * 2 < q.Windows)
    failures.push_back("Survey: only " + Percent(static_cast<int64_t>(q.WindowsMeetingLee), static_cast<int64_t>(q.Windows)) +
                       " of the 40-wavelength windows hold the 36 samples Lee's criterion needs (median " +
                       Number(q.MedianWindowSamples, 1) + "): above " + Number(q.LeeSpeedKmh, 1) +
                       " km/h the receiver's sampling cannot fill them.");
  if (q.Entries > 0 && q.EntriesWithoutMeasurement * 10 > q.Entries)
    failures.push_back("Survey: " + Percent(q.EntriesWithoutMeasurement, q.Entries) +
                       " of the entries have no measurement (-120 dBm).");
  if (q.Rows > 0 && q.RowsWithoutFix * 10 > q.Rows)
    failures.push_back("Survey: " + Percent(q.RowsWithoutFix, q.Rows) + " of the rows have no GPS fix.");
  // Fits that fail a criterion, gathered per criterion: one Warning each.
  std::vector<std::string> unfitted, narrow, slope, spread;
  for (const FitLine& line : Fits()) {
    const std::string name = FitName(line, "");
    const FitResult& r = line.Result;
    if (!r.Fitted) {
      unfitted.push_back(name);
      continue;
    }
    if (r.MaxDistance < 10 * r.MinDistance) narrow.push_back(name);
    if (!Options.Model && (r.Model.K2 < 20 || r.Model.K2 > 60)) slope.push_back(name);
    if (r.StdDev > 10) spread.push_back(name);
  }
  const auto named = [](const std::vector<std::string>& names) {
    std::string text;
    for (size_t i = 0; i < names.size() && i < 3; ++i) text += (i ? ", " : "") + names[i];
    if (names.size() > 3) text += " and " + std::to_string(names.size() - 3) + " more";
    return text;
  };
  if (!unfitted.empty())
    failures.push_back("Survey: nothing could be fitted for " + named(unfitted) +
                       " (fewer than two points, or all at one distance).");
  if (!narrow.empty())
    failures.push_back("Survey: the fits of " + named(narrow) +
                       " span less than a decade of distance: their slopes are not to be trusted.");
  if (!slope.empty())
    failures.push_back("Survey: the fits of " + named(slope) +
                       " have slopes outside 20 to 60 dB per decade (path-loss exponents 2 to 6).");
  if (!spread.empty())
    failures.push_back("Survey: the fits of " + named(spread) + " have a standard deviation of the error over 10 dB.");
  return failures;
}

std::vector<std::string> SurveyAnalysis::Report() const {
  std::vector<std::string> lines;
  const SurveyQuality q = Quality();
  const FilterCounts& c = Counts;
  lines.push_back(std::string(Options.Model ? "Model evaluated" : "Path-loss fit") +
                  ": path loss = k1 + k2 * log10(d / 1 km); error = measured - predicted path loss.");
  lines.push_back("Measurements: " + std::to_string(c.Kept + c.MergedIntoBins) + " entered" +
                  (Bins.empty() ? "" : " (" + std::to_string(Bins.size()) + " bins)") + "; left out: " +
                  std::to_string(c.NotOfASite) + " of no site, " + std::to_string(c.NoPosition) + " without position, " +
                  std::to_string(c.NoMeasurement) + " without measurement (-120 dBm), " +
                  std::to_string(c.OutsideSignal) + " outside " + Number(Options.RssiMin, 0) + " to " +
                  Number(Options.RssiMax, 0) + " dBm, " + std::to_string(c.OutsideDistance) + " outside " +
                  Number(Options.DistanceMin, 0) + " to " + Number(Options.DistanceMax, 0) + " m.");
  for (const FitLine& line : Fits()) {
    const FitResult& r = line.Result;
    std::string text = FitName(line, " all frequencies") + ": " + std::to_string(r.Points) + " points";
    if (r.Fitted)
      text += ", k1 " + Number(r.Model.K1, 2) + " dB, k2 " + Number(r.Model.K2, 2) + " dB/decade (exponent " +
              Number(r.Exponent, 3) + "), mean error " + Number(r.MeanError, 2) + " dB, std dev " +
              Number(r.StdDev, 2) + " dB, RMS " + Number(r.Rms, 2) + " dB, R2 " +
              (r.HasR2 ? Number(r.R2, 4) : std::string("-")) + ", " + Number(r.MinDistance, 1) + " to " +
              Number(r.MaxDistance, 1) + " m";
    lines.push_back(text + ".");
  }
  std::string survey = "Survey: GPS outages " + std::to_string(q.Outages) + " (" + std::to_string(q.OutageSeconds) +
                       " s); entries without measurement " + Percent(q.EntriesWithoutMeasurement, q.Entries) +
                       "; rows without fix " + Percent(q.RowsWithoutFix, q.Rows);
  if (q.Lambda)
    survey += "; 40-wavelength windows meeting Lee's criterion (36 samples) " +
              Percent(static_cast<int64_t>(q.WindowsMeetingLee), static_cast<int64_t>(q.Windows)) + " of " +
              std::to_string(q.Windows) + ", median " + Number(q.MedianWindowSamples, 1) + " samples, " +
              Number(q.SamplesPerSecond, 1) + " samples/s, criterion met below " + Number(q.LeeSpeedKmh, 1) + " km/h";
  lines.push_back(survey + ".");
  return lines;
}

void SurveyAnalysis::Clear() {
  PerFrequency.clear();
  LastFit = nullptr;
  Pending = Group();
  Distances.assign(Options.Sites.size(), Distance());
  Bins.clear();
  Points.Clear();
  Counts = FilterCounts();
  Gathered = SurveyQuality();
  Windows.fill(0);
  SamplesBetweenFixes = FixIntervals = 0;
  LastFixTime = INT64_MIN;
}

std::string CalibrationPathOf(const std::string& output) {
  const std::filesystem::path path = native::PathOf(output);
  const std::string name = native::Utf8Of(path.stem()) + "-calibration.csv";
  return path.has_parent_path() ? native::Utf8Of(path.parent_path() / native::PathOf(name)) : name;
}

std::string CalibrationText(const std::vector<FitLine>& fits) {
  std::string text =
      "site,freq_mhz,receiver,points,k1_db,k2_db_per_decade,exponent,mean_error_db,std_dev_db,rms_db,r2,"
      "min_distance_m,max_distance_m\r\n";
  for (const FitLine& line : fits) {
    const FitResult& r = line.Result;
    std::string name = line.Site;
    if (name.find_first_of(",\"\r\n") != std::string::npos) {  // quoted as a spreadsheet quotes it
      std::string quoted = "\"";
      for (char c : name) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
      name = quoted + "\"";
    }
    const auto add = [&text](const std::string& value) {
      text += ',';
      text += value;
    };
    text += name;
    add(line.FrequencyMHz ? Number(*line.FrequencyMHz, 5) : std::string());
    add(line.Receiver ? std::to_string(line.Receiver) : std::string());
    add(std::to_string(r.Points));
    for (const std::string& value :
         {r.Fitted ? Number(r.Model.K1, 2) : std::string(), r.Fitted ? Number(r.Model.K2, 2) : std::string(),
          r.Fitted ? Number(r.Exponent, 3) : std::string(), r.Fitted ? Number(r.MeanError, 2) : std::string(),
          r.Fitted ? Number(r.StdDev, 2) : std::string(), r.Fitted ? Number(r.Rms, 2) : std::string(),
          r.Fitted && r.HasR2 ? Number(r.R2, 4) : std::string(),
          r.Points > 0 ? Number(r.MinDistance, 1) : std::string(), r.Points > 0 ? Number(r.MaxDistance, 1) : std::string()})
      add(value);
    text += "\r\n";
  }
  return text;
}

}  // namespace quillon
