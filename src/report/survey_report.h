// SurveyReport: what a run's survey report shows, gathered while the run converts,
// and the report written as one self-contained HTML page (no script; styles and
// figures inline, SVG; prints on A4).
//
// Per log: its path and product, its first and last valid fix (date, time,
// duration), the distance driven between consecutive valid fixes, the seven
// statistics and the scans as indexing numbers them, the route (each valid fix
// with the mean of the measured levels the rows written after it carry, per
// receiver), the GPS outages (gaps of 3 s or more between valid fixes, as the
// survey analysis counts them), the GPS records without a fix and the rows written
// without one. Over the run: the levels of the entries the rows carry per receiver
// and frequency (LevelTally), the coverage bins and the survey analysis (quality,
// fits as the calibration file prints them, path loss against distance, errors)
// when the run makes them.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "bins/bin_grid.h"
#include "indexing/route_track.h"
#include "report/level_tally.h"

namespace quillon {

class CoverageBins;
class SurveyAnalysis;
class TLogReader;

struct ReportScan {
  int32_t Number = 0;
  int16_t Kind = 0;  // 19 single frequency, 20 list, 1 table
  std::string Label;
};

struct ReportOutage {
  int64_t From = 0, To = 0;  // seconds since 1970 of the valid fixes around it
};

struct ReportLog {
  std::string Path, Product;
  int64_t FirstFix = INT64_MIN, LastFix = INT64_MIN;  // seconds since 1970 (UTC)
  double Metres = 0.0;
  std::vector<std::string> Statistics;
  std::vector<ReportScan> Scans;  // the first kMaxListedScans
  int64_t ScanCount = 0;
  std::vector<ReportOutage> Outages;  // the first ones, for the time line
  int64_t OutageCount = 0, OutageSeconds = 0;
  std::vector<int64_t> FixlessGps;  // times of GPS records without a valid fix (the first ones)
  int64_t FixlessGpsCount = 0;
  int64_t Rows = 0, RowsWithoutFix = 0;
  RouteTrack Route{6000};
};

struct ReportBin {
  std::array<LonLat, 5> Corners;
  double MeanRssi = 0.0;
};

struct ReportFit {
  std::vector<std::string> Header;              // the calibration file's columns
  std::vector<std::vector<std::string>> Lines;  // its lines, cell by cell
};

struct ReportPathLossPoint {
  double Metres = 0.0, PathLossDb = 0.0;
  int32_t Site = 0;
};

struct ReportSurvey {
  std::string Output;  // the output the analysis belongs to
  std::vector<std::string> Quality;  // the analysis's report lines
  std::vector<std::string> Failures;
  ReportFit Fits;
  struct Line {
    std::string Label;
    double K1 = 0.0, K2 = 0.0;
  };
  std::vector<Line> FittedLines;
  std::vector<ReportPathLossPoint> Points;  // a sample of the points, for the figure
  int64_t PointCount = 0;
  std::vector<uint64_t> Errors;  // measured less predicted path loss, 1 dB classes from kLowestError
  struct SitePlace {
    std::string Name;
    double Latitude = 0.0, Longitude = 0.0;
  };
  std::vector<SitePlace> Sites;
  static constexpr int kLowestError = -40;
};

class SurveyReport {
 public:
  static constexpr size_t kMaxListedScans = 200;
  static constexpr size_t kMaxBins = 40000;
  static constexpr size_t kMaxPathLossPoints = 4000;

  // receiver: 1 or 2, the run's; binMetres: the bins' size (0: none).
  SurveyReport(int receiver, int binMetres) : Receiver(receiver), BinMetres(binMetres) {}

  void BeginLog(const std::string& path, const std::string& product);
  // After the reader has decoded a record of the log.
  void AddRecord(const uint8_t* record, const TLogReader& reader);
  // Each row the conversion writes.
  void AddRow(const RowView& row);
  void EndLog(const TLogReader& reader);
  // The bins and the analysis of an output, before they are emptied.
  void TakeBins(CoverageBins& bins);
  void TakeAnalysis(SurveyAnalysis& analysis, const std::string& output);

  const std::vector<ReportLog>& Logs() const { return LogList; }
  const LevelTally& Levels() const { return Tally; }
  const std::vector<ReportBin>& Bins() const { return BinList; }
  const std::vector<ReportSurvey>& Surveys() const { return SurveyList; }
  int SelectedReceiver() const { return Receiver; }
  int BinSize() const { return BinMetres; }
  int64_t BinsLeftOut() const { return BinsDropped; }

  // The whole page.
  std::string Html() const;

 private:
  void NoteFix(const TLogReader& reader);

  int Receiver;
  int BinMetres;
  std::vector<ReportLog> LogList;
  LevelTally Tally;
  std::vector<ReportBin> BinList;
  int64_t BinsDropped = 0;
  std::vector<ReportSurvey> SurveyList;
  int32_t LastScan = 0;
  int64_t LastFixTime = INT64_MIN;
  double LastLat = 0.0, LastLon = 0.0;
  bool FixSeen = false;  // a valid fix of the log: distances run from it
  double CosLat = 1.0, CosAt = 1000.0;  // the cosine of the latitude, and where it was taken
};

}  // namespace quillon
