#include "report/survey_report.h"

#include <cmath>
#include <sstream>

#include "analysis/survey_analysis.h"
#include "bins/coverage_bins.h"
#include "indexing/index_run.h"
#include "layers/layer_feature.h"
#include "reader/log_format.h"
#include "reader/log_reader.h"

namespace quillon {

namespace {
constexpr int64_t kOutageSeconds = 3;  // as the survey analysis counts outages
constexpr size_t kMaxListed = 2000;   // outages and fixless GPS records listed per log
constexpr double kEarthRadius = 6371008.8;  // metres, the mean radius
constexpr double kPi = 3.14159265358979323846;

// The distance driven between two fixes on the sphere: for the steps of a drive
// (under a kilometre) the local plane, with the cosine of the latitude kept while
// it stays within a hundredth of a degree; longer steps (a gap) by the haversine.
double Metres(double lat1, double lon1, double lat2, double lon2, double& cosLat, double& cosAt) {
  const double rad = kPi / 180.0;
  const double dLat = (lat2 - lat1) * rad, dLon = (lon2 - lon1) * rad;
  if (std::fabs(lat2 - cosAt) > 0.01) cosLat = std::cos(lat2 * rad), cosAt = lat2;
  const double plane = kEarthRadius * std::sqrt(dLat * dLat + cosLat * cosLat * dLon * dLon);
  if (plane < 1000.0) return plane;
  const double a = std::sin(dLat / 2), b = std::sin(dLon / 2);
  const double h = a * a + std::cos(lat1 * rad) * std::cos(lat2 * rad) * b * b;
  return 2.0 * kEarthRadius * std::asin(std::min(1.0, std::sqrt(h)));
}

// The cells of one line of the calibration file (quoted as a spreadsheet quotes).
std::vector<std::string> CsvCells(const std::string& line) {
  std::vector<std::string> cells(1);
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
      cells.back() += '"';
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
    } else if (c == ',' && !quoted) {
      cells.emplace_back();
    } else {
      cells.back() += c;
    }
  }
  return cells;
}
}  // namespace

void SurveyReport::BeginLog(const std::string& path, const std::string& product) {
  LogList.emplace_back();
  LogList.back().Path = path;
  LogList.back().Product = product;
  LastScan = 0;
  LastFixTime = INT64_MIN;
  FixSeen = false;
}

void SurveyReport::NoteFix(const TLogReader& reader) {
  ReportLog& log = LogList.back();
  const GpsFix& fix = reader.State().Fix;
  const int quality = fix.GpsFixQuality();
  const int64_t time = FixTime(fix);
  if (quality != GpsFix::k2DFix && quality != GpsFix::k3DFix) {
    if (log.FixlessGps.size() < kMaxListed && time != INT64_MIN) log.FixlessGps.push_back(time);
    ++log.FixlessGpsCount;
    return;
  }
  const double lat = fix.Latitude.DecimalDegrees, lon = fix.Longitude.DecimalDegrees;
  log.Route.AddFix(lat, lon, fix.SecondsOfDay(), reader.ScanNumber, time);
  if (FixSeen) log.Metres += Metres(LastLat, LastLon, lat, lon, CosLat, CosAt);
  LastLat = lat, LastLon = lon, FixSeen = true;
  if (time == INT64_MIN) return;
  if (log.FirstFix == INT64_MIN) log.FirstFix = time;
  if (LastFixTime != INT64_MIN && time - LastFixTime >= kOutageSeconds) {
    ++log.OutageCount;
    log.OutageSeconds += time - LastFixTime;
    if (log.Outages.size() < kMaxListed) log.Outages.push_back({LastFixTime, time});
  }
  if (time > LastFixTime) LastFixTime = time;
  log.LastFix = std::max(log.LastFix, time);
}

void SurveyReport::AddRecord(const uint8_t* record, const TLogReader& reader) {
  ReportLog& log = LogList.back();
  if (record[0] == static_cast<uint8_t>(log_format::RecordKind::Gps) &&
      reader.RecordLength() >= static_cast<int>(log_format::MinimumLength(record[0])))
    NoteFix(reader);
  if (reader.ScanNumber != LastScan) {  // numbered as the indexing numbers it
    LastScan = reader.ScanNumber;
    ++log.ScanCount;
    if (log.Scans.size() < kMaxListedScans) log.Scans.push_back({reader.ScanNumber, reader.ScanKindCode, reader.ScanLabel});
  }
}

void SurveyReport::AddRow(const RowView& row) {
  ReportLog& log = LogList.back();
  ++log.Rows;
  if (!row.HasFix()) ++log.RowsWithoutFix;
  int64_t sum = 0, count = 0;
  Tally.AddRow(row, sum, count);
  log.Route.AddLevels(row.Receiver() - 1, sum, count);  // the route's points: the rows' measured levels
}

void SurveyReport::EndLog(const TLogReader& reader) { LogList.back().Statistics = FileStatistics(reader); }

void SurveyReport::TakeBins(CoverageBins& bins) {
  for (const BinSquare& square : bins.Squares()) {
    if (square.Receiver != Receiver) continue;
    int64_t count = 0, sum = 0;
    for (const BinStats& stats : square.Bins) count += stats.Count, sum += stats.Sum;
    if (count == 0) continue;
    if (BinList.size() >= kMaxBins) {
      ++BinsDropped;
      continue;
    }
    BinList.push_back({bins.Grid().Corners(square.Column, square.Row),
                       static_cast<double>(sum) / static_cast<double>(count)});
  }
}

void SurveyReport::TakeAnalysis(SurveyAnalysis& analysis, const std::string& output) {
  ReportSurvey survey;
  survey.Output = output;
  survey.Quality = analysis.Report();
  survey.Failures = analysis.Failures();
  const std::vector<FitLine> fits = analysis.Fits();
  std::istringstream text(CalibrationText(fits));
  std::string line;
  while (std::getline(text, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (survey.Fits.Header.empty())
      survey.Fits.Header = CsvCells(line);
    else
      survey.Fits.Lines.push_back(CsvCells(line));
  }
  for (const FitLine& fit : fits) {
    if (!fit.Result.Fitted) continue;
    std::string label = fit.Site;
    if (fit.FrequencyMHz) {
      label += ' ';
      label += std::to_string(static_cast<int64_t>(std::llround(*fit.FrequencyMHz)));
      label += " MHz";
    }
    survey.FittedLines.push_back({label, fit.Result.Model.K1, fit.Result.Model.K2});
  }
  for (const Site& site : analysis.Sites()) survey.Sites.push_back({site.Name, site.Latitude, site.Longitude});
  // Every point counts in the errors; the figure shows an even sample of them.
  const int64_t total = analysis.Filters().Kept;
  const int64_t stride = std::max<int64_t>(1, (total + static_cast<int64_t>(kMaxPathLossPoints) - 1) /
                                                  static_cast<int64_t>(kMaxPathLossPoints));
  survey.Errors.assign(81, 0);
  int64_t index = 0;
  analysis.ForEachPoint([&](const CalibrationPoint& p, const FitResult& fit) {
    ++survey.PointCount;
    if (index++ % stride == 0) survey.Points.push_back({p.Metres, p.PathLossDb, static_cast<int32_t>(p.Site)});
    if (!fit.Fitted) return;
    const double error = p.PathLossDb - (fit.Model.K1 + fit.Model.K2 * std::log10(p.Metres / 1000.0));
    const long slot = std::lround(std::clamp(error, -40.0, 40.0)) - ReportSurvey::kLowestError;
    ++survey.Errors[static_cast<size_t>(slot)];
  });
  SurveyList.push_back(std::move(survey));
}

}  // namespace quillon
