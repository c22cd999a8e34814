// SurveyAnalysis: what a CW drive measured of its test transmitters, gathered in the
// conversion's own pass. Each measurement the conversion writes (the data-block
// entries it prints, after every reduction; with "40 Lambda", the local means)
// belongs to the site whose frequency it has within half a band step of its
// receiver; it is filtered (no site, no position, no measurement at -120 dBm,
// signal outside the fit's range, distance outside the fit's range), optionally
// merged per coverage bin (the bin's power mean at its measurements' mean distance),
// and enters the path-loss fits of its site and frequency and of its site over all
// frequencies. The survey's quality is gathered beside: Lee's criterion over the
// 40-wavelength windows, GPS outages, entries without a measurement and rows
// without a fix. Memory grows with the sites, frequencies and (with bins) squares,
// not with the measurements.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "analysis/calibration_points.h"
#include "analysis/geodesic.h"
#include "analysis/path_loss_fit.h"
#include "analysis/sample_sums.h"
#include "analysis/sites.h"
#include "layers/layer_feature.h"
#include "reader/row_view.h"
#include "reduction/lambda_averager.h"

namespace quillon {

class BinGrid;

struct AnalysisOptions {
  std::vector<Site> Sites;
  double RxGainDb = 0.0;  // receive antenna gain less cable losses
  double RssiMin = -110.0, RssiMax = -40.0;
  double DistanceMin = 100.0, DistanceMax = 20000.0;  // metres
  std::optional<PathLossModel> Model;  // evaluated instead of fitted
  int BinMetres = 0;                   // one value per coverage bin of this size (0: none)
  std::string BinCrs;
  bool Lambda = false;  // the conversion averages over 40 wavelengths
  bool KeepPoints = false;  // the points that enter the fits are kept for a layer
};

// One fit: a site at one frequency, or over all its frequencies (no FrequencyMHz).
struct FitLine {
  std::string Site;
  std::optional<double> FrequencyMHz;
  int Receiver = 0;  // the site's: 1, 2, or 0 for both
  FitResult Result;
};

// How many measurements each filter removed, in the order they apply.
struct FilterCounts {
  int64_t NotOfASite = 0, NoPosition = 0, NoMeasurement = 0, OutsideSignal = 0, OutsideDistance = 0;
  int64_t MergedIntoBins = 0;  // measurements less the bins they made
  int64_t Kept = 0;            // that entered the fits
};

struct SurveyQuality {
  // 40 Lambda: the windows closed, those with 36 samples or more, the median count,
  // the samples per second and the speed above which they cannot fill a window.
  bool Lambda = false;
  uint64_t Windows = 0, WindowsMeetingLee = 0;
  double MedianWindowSamples = 0.0;
  double SamplesPerSecond = 0.0;
  double LeeSpeedKmh = 0.0;
  // Every run.
  int64_t Outages = 0, OutageSeconds = 0;
  int64_t Entries = 0, EntriesWithoutMeasurement = 0;
  int64_t Rows = 0, RowsWithoutFix = 0;
};

class SurveyAnalysis {
 public:
  SurveyAnalysis(AnalysisOptions options, EntryBoxes boxes);
  ~SurveyAnalysis();
  // Takes the entries the row prints.
  void AddRow(const RowView& row);
  // The same for each row of a record: `rows` rows from its first.
  void AddRecordRows(const RowView& first, int32_t rows);
  // One measurement given by its values (a data frame's row): no position where lon
  // or lat is NaN, no frequency where mhz is; a site's frequency matches within
  // halfStepMHz.
  void AddMeasurement(int receiver, double lon, double lat, double mhz, int rssi, int64_t time, double halfStepMHz);
  // A log ended: its 40-wavelength windows are taken from the averager (and cleared there).
  void EndLog(TLambdaAverager& averager);

  std::vector<FitLine> Fits() const;
  // Each point that entered the fits (with bins, each bin at its centre), with the
  // fit of its site and frequency (none where nothing could be fitted); needs
  // KeepPoints. False when the kept points could not be read back.
  bool ForEachPoint(const std::function<void(const CalibrationPoint&, const FitResult&)>& visit);
  const std::vector<Site>& Sites() const { return Options.Sites; }
  const FilterCounts& Filters() const { return Counts; }
  SurveyQuality Quality() const;
  // The fits and the survey's quality as lines of text, and the criteria the survey fails.
  std::vector<std::string> Report() const;
  std::vector<std::string> Failures() const;
  // Forgets what was gathered (the next output's analysis starts afresh).
  void Clear();

 private:
  struct BinKey {
    size_t Site;
    int64_t Frequency;
    int64_t Column, Row;
    bool operator<(const BinKey& o) const {
      return std::tie(Site, Frequency, Column, Row) < std::tie(o.Site, o.Frequency, o.Column, o.Row);
    }
  };
  struct BinSum {
    double Power = 0.0, Distance = 0.0;
    int64_t Count = 0;
  };
  struct Entry {
    int Receiver;
    bool Placed;
    double Lon, Lat, MHz;
    bool Located;
    int Rssi;
    int64_t Time;
  };
  void TakeEntry(const Entry& entry, double halfStep);
  // The site of a measurement: its index, or -1.
  int SiteOf(int receiver, double mhz, double halfStep);
  int MatchSite(int receiver, double mhz, double halfStep);  // SiteOf when the last one does not serve
  // The fits per site and frequency, and per site, with bins merged into points.
  void Gather(std::map<std::pair<size_t, int64_t>, PathLossFit>& perFrequency,
              std::map<size_t, PathLossFit>& perSite) const;
  struct Distance {
    double Metres = -1.0, X = 0.0;
    int64_t Place = -1;  // the PlaceNumber it was measured at
  };
  // `count` measurements of a site and frequency at a place, whole dBm summed.
  void AddBatch(size_t site, int64_t frequency, const Distance& place, int64_t count, int64_t sum,
                int64_t sumOfSquares);
  void Measure(Distance& place, size_t site, double lat, double lon);
  void NoteFix(const GpsFix& fix);
  void Place(double rawLat, double rawLon, bool placed);
  void TakeSampleRun(int site, int64_t frequency, bool placed, const int8_t* samples, int32_t count, int32_t stored);
  struct Group;
  void FlushGroup(Group& group) const;
  void FlushGroup() const { FlushGroup(Pending); }
  void AddToGroup(Group& group, size_t site, int64_t frequency, double metres, double x, int64_t count, int64_t sum,
                  int64_t sumOfSquares) const;

  const AnalysisOptions Options;
  const EntryBoxes Boxes;
  // The signal range in whole dBm (an RSSI is one), bounded so that any range converts.
  const int Lowest, Highest;
  const SampleTally Tally;
  std::unique_ptr<BinGrid> Grid;
  // (site, frequency in 1/100000 MHz); mutable: pending groups enter when results are asked for.
  mutable std::map<std::pair<size_t, int64_t>, PathLossFit> PerFrequency;
  // The measurements of one site and frequency at the current place, not yet in their fit.
  static constexpr int64_t kGroupPlaces = 1024;
  struct Group {
    size_t Site = 0;
    int64_t Frequency = 0;
    double X0 = 0.0;                                // x of the group's first place
    int64_t Count = 0, Sum = 0, SumOfSquares = 0;  // whole dBm
    double Dx = 0.0, Dx2 = 0.0, DxR = 0.0;          // sums of (x - X0), its square, times the dBm
    double MinD = 0.0, MaxD = 0.0;
    int64_t Places = 0;
  };
  mutable Group Pending;
  mutable PathLossFit* LastFit = nullptr;  // that of LastFitSite and LastFitFrequency
  mutable size_t LastFitSite = 0;
  mutable int64_t LastFitFrequency = 0;
  int64_t PlaceNumber = 0;  // counts the places the rows came from
  struct Match {
    int Receiver = -1;
    double MHz = 0.0, HalfStep = 0.0;
    int Site = -1;
    int64_t Key = 0;  // the frequency in 1/100000 MHz
  } LastMatch;  // the site of the last frequency looked up
  std::map<BinKey, BinSum> Bins;
  FilterCounts Counts;
  CalibrationPoints Points;
  // Quality.
  SurveyQuality Gathered;
  std::array<uint64_t, TLambdaAverager::kLargestWindowCounted + 1> Windows{};
  uint64_t SamplesBetweenFixes = 0, FixIntervals = 0;
  double Wavelength = 0.0;
  // The place of the last row (as read and as shown) and its distance to each site
  // with x = log10(d / 1 km), measured at the place numbered Place.
  double PlaceLat = 0.0, PlaceLon = 0.0, ShownLat = 0.0, ShownLon = 0.0;
  std::vector<Distance> Distances;
  std::vector<DistanceFrom> From;  // per site
  int64_t LastFixTime = INT64_MIN;
  int SeenSecond = -1, SeenMinute = -1, SeenHour = -1;  // the fix last looked at
};

// "drive-calibration.csv" beside "drive.out" or "drive.gpkg".
std::string CalibrationPathOf(const std::string& output);
// The calibration file: a header line, then a line per fit, CR LF line ends.
std::string CalibrationText(const std::vector<FitLine>& fits);

}  // namespace quillon
