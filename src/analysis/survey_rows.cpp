// Taking the rows: each entry a row prints, its site, place, distance and filters, and
// the sums of the fits; a single channel's record at once.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "analysis/survey_analysis.h"
#include "bins/bin_grid.h"
#include "reader/number_text.h"

// The per-row steps inlined into the loops.
#if defined(__GNUC__)
#define QUILLON_INLINE __attribute__((always_inline))
#else
#define QUILLON_INLINE
#endif

namespace quillon {

namespace {
constexpr int64_t kOutageSeconds = 3;  // a gap between valid fixes that counts as an outage
int64_t FrequencyKey(double mhz) { return std::llround(mhz * 1e5); }

// The counts of a record's or a row's entries, kept in locals until it ends.
struct Tallies {
  int64_t Entries = 0, Unmeasured = 0;
  int64_t NoSite = 0, NoPosition = 0, NoMeasurement = 0, Outside = 0, Far = 0, Kept = 0;
  void AddTo(SurveyQuality& quality, FilterCounts& counts) const {
    quality.Entries += Entries;
    quality.EntriesWithoutMeasurement += Unmeasured;
    counts.NotOfASite += NoSite;
    counts.NoPosition += NoPosition;
    counts.NoMeasurement += NoMeasurement;
    counts.OutsideSignal += Outside;
    counts.OutsideDistance += Far;
    counts.Kept += Kept;
  }
};
}  // namespace

QUILLON_INLINE inline int SurveyAnalysis::SiteOf(int receiver, double mhz, double halfStep) {
  if (receiver == LastMatch.Receiver && mhz == LastMatch.MHz && halfStep == LastMatch.HalfStep) return LastMatch.Site;
  return MatchSite(receiver, mhz, halfStep);
}

int SurveyAnalysis::MatchSite(int receiver, double mhz, double halfStep) {
  LastMatch = {receiver, mhz, halfStep, -1, 0};
  for (size_t i = 0; i < Options.Sites.size(); ++i) {
    const Site& s = Options.Sites[i];
    if (s.Receiver != 0 && s.Receiver != receiver) continue;
    if (s.EveryFrequency() || std::fabs(mhz - s.FrequencyMHz) <= halfStep + 1e-9) {
      LastMatch.Key = FrequencyKey(mhz);
      return LastMatch.Site = static_cast<int>(i);
    }
  }
  return -1;
}

QUILLON_INLINE inline void SurveyAnalysis::Measure(Distance& place, size_t site, double lat, double lon) {
  place.Metres = From[site].To(lat, lon, place.X);
  place.Place = PlaceNumber;
}

// The measurements of one site and frequency are gathered over up to kGroupPlaces
// places as exact sums of whole dBm and sums of x about the group's first x (a short
// range, so that they do not cancel), and enter their fit together.
QUILLON_INLINE inline void SurveyAnalysis::AddBatch(size_t site, int64_t frequency, const Distance& place,
                                                     int64_t count, int64_t sum, int64_t sumOfSquares) {
  AddToGroup(Pending, site, frequency, place.Metres, place.X, count, sum, sumOfSquares);
  Counts.Kept += count;
}

QUILLON_INLINE inline void SurveyAnalysis::AddToGroup(Group& g, size_t site, int64_t frequency, double metres,
                                                       double x, int64_t count, int64_t sum,
                                                       int64_t sumOfSquares) const {
  if (g.Count != 0 && (g.Site != site || g.Frequency != frequency || g.Places >= kGroupPlaces)) FlushGroup(g);
  if (g.Count == 0) {
    g.Site = site, g.Frequency = frequency, g.X0 = x;
    g.MinD = g.MaxD = metres;
  }
  const double d = x - g.X0, k = static_cast<double>(count);
  g.Count += count, g.Sum += sum, g.SumOfSquares += sumOfSquares;
  g.Dx += k * d, g.Dx2 += k * d * d, g.DxR += d * static_cast<double>(sum);
  g.MinD = std::min(g.MinD, metres), g.MaxD = std::max(g.MaxD, metres);
  ++g.Places;
}

void SurveyAnalysis::FlushGroup(Group& g) const {
  if (g.Count == 0) return;
  const double n = static_cast<double>(g.Count), sum = static_cast<double>(g.Sum);
  const double offset = Options.Sites[g.Site].EirpDbm + Options.RxGainDb;
  // Path loss L = offset - rssi: its mean, and the centred sums of x and L.
  const double sxx = std::max(0.0, g.Dx2 - g.Dx * g.Dx / n);
  const double sll = static_cast<double>(g.Count * g.SumOfSquares - g.Sum * g.Sum) / n;
  const double sxl = -(g.DxR - g.Dx * sum / n);
  if (!LastFit || LastFitSite != g.Site || LastFitFrequency != g.Frequency) {
    LastFit = &PerFrequency[{g.Site, g.Frequency}];  // a map's elements stay where they are
    LastFitSite = g.Site, LastFitFrequency = g.Frequency;
  }
  LastFit->AddMoments(g.Count, g.X0 + g.Dx / n, offset - sum / n, sxx, sll, sxl, g.MinD, g.MaxD);
  g = Group();
}

// Outages: gaps between the valid fixes the rows show (each fix looked at once).
void SurveyAnalysis::NoteFix(const GpsFix& f) {
  if (f.Second == SeenSecond && f.Minute == SeenMinute && f.Hour == SeenHour) return;
  SeenSecond = f.Second, SeenMinute = f.Minute, SeenHour = f.Hour;
  const int quality = f.GpsFixQuality();
  const int64_t time = FixTime(f);
  if ((quality == GpsFix::k2DFix || quality == GpsFix::k3DFix) && time != INT64_MIN) {
    if (LastFixTime != INT64_MIN && time - LastFixTime >= kOutageSeconds) {
      ++Gathered.Outages;
      Gathered.OutageSeconds += time - LastFixTime;
    }
    if (time > LastFixTime || LastFixTime == INT64_MIN) LastFixTime = time;
  }
}

// The position as the position fields show it; each site's distance is measured once
// per place.
QUILLON_INLINE inline void SurveyAnalysis::Place(double rawLat, double rawLon, bool placed) {
  if (rawLat == PlaceLat && rawLon == PlaceLon) return;
  PlaceLat = rawLat, PlaceLon = rawLon;
  ShownLat = placed ? ShownDegrees(rawLat) : 0.0, ShownLon = placed ? ShownDegrees(rawLon) : 0.0;
  ++PlaceNumber;  // every distance to be measured again
}

// The samples of a single channel's row (one frequency, of `site`): its fate once,
// then their sums.
QUILLON_INLINE inline void SurveyAnalysis::TakeSampleRun(int site, int64_t frequency, bool placed,
                                                          const int8_t* samples, int32_t count, int32_t stored) {
  const SampleSums sums = Tally.Sum(samples, stored);
  Gathered.Entries += count;
  Gathered.EntriesWithoutMeasurement += count - sums.Measured;
  if (site < 0) return void(Counts.NotOfASite += count);
  if (!placed) return void(Counts.NoPosition += count);
  Counts.NoMeasurement += count - sums.Measured;
  Counts.OutsideSignal += sums.Measured - sums.InRange;
  if (sums.InRange == 0) return;
  Distance& place = Distances[static_cast<size_t>(site)];
  if (place.Place != PlaceNumber) Measure(place, static_cast<size_t>(site), ShownLat, ShownLon);
  if (!(place.Metres >= Options.DistanceMin && place.Metres <= Options.DistanceMax))
    return void(Counts.OutsideDistance += sums.InRange);
  AddBatch(static_cast<size_t>(site), frequency, place, sums.InRange, sums.Sum, sums.SumOfSquares);
}

void SurveyAnalysis::AddRecordRows(const RowView& first, int32_t rows) {
  const DecodedState& s = first.State();
  const int8_t* samples = nullptr;
  int32_t count = 0, stored = 0;
  uint32_t steps = 0;
  if (Grid || Options.KeepPoints || !Boxes.DataBlock || !s.Buffered() || s.Rows.empty() ||
      !first.SampleRun(samples, count, stored, steps)) {
    for (int32_t i = 0; i < rows; ++i) AddRow(first.Sibling(i));
    return;
  }
  // The rows of a single channel's record share its fix, band and frequency; each has
  // its receiver, place and samples.
  const bool placed = first.HasFix();
  Gathered.Rows += rows;
  if (!placed) Gathered.RowsWithoutFix += rows;
  else NoteFix(first.Fix());
  if (!Boxes.Prints(DataEntry{steps, false, true, 0})) return;
  const double mhz = first.Band().StepsToMHz(steps), halfStep = first.Band().Step * 0.0005;  // kHz to MHz, halved
  int site[2];
  int64_t frequency[2];
  for (int receiver : {1, 2}) {
    site[receiver - 1] = SiteOf(receiver, mhz, halfStep);
    frequency[receiver - 1] = LastMatch.Key;
  }
  // Each row as RowView::SampleRun and the position fields see it, read directly; the
  // counts and the group's sums kept in locals until the record ends. Every row has
  // a place of its own (the rows between two fixes are spread along them). The rows
  // go in three short loops over a few dozen at a time (sums and places, distances,
  // fits), whose steps overlap from one row to the next.
  const int8_t* data = s.RowSampleData.data();
  const size_t size = s.RowSampleData.size();
  const int32_t last = static_cast<int32_t>(s.Rows.size()) - 1;
  const double nearest = Options.DistanceMin, farthest = Options.DistanceMax;
  Tallies tally;
  Group g = Pending;
  constexpr int32_t kSpan = 32;
  struct Taken {
    int32_t Receiver;
    SampleSums Sums;
    double Lat, Lon, Metres, X;
  } taken[kSpan];
  for (int32_t start = 0; start < rows; start += kSpan) {
    int32_t n = 0;
    for (int32_t i = start; i < std::min(rows, start + kSpan); ++i) {
      const BufferedRow& row = s.Rows[static_cast<size_t>(i < last ? i : last)];
      count = row.LastSample + 1;
      if (count <= 0) continue;
      const size_t offset = std::min<size_t>(row.SampleOffset, size);
      stored = static_cast<int32_t>(std::min<size_t>(static_cast<size_t>(count), size - offset));
      const SampleSums sums = Tally.Sum(data + offset, stored);
      tally.Entries += count;
      tally.Unmeasured += count - sums.Measured;
      const int32_t receiver = row.Receiver == 1 ? 1 : 0;  // receiver 2, or 1
      if (site[receiver] < 0) {
        tally.NoSite += count;
        continue;
      }
      if (!placed) {
        tally.NoPosition += count;
        continue;
      }
      tally.NoMeasurement += count - sums.Measured;
      tally.Outside += sums.Measured - sums.InRange;
      if (sums.InRange == 0) continue;
      taken[n++] = {receiver, sums, ShownDegrees(row.Latitude), ShownDegrees(row.Longitude), 0.0, 0.0};
    }
    for (int32_t k = 0; k < n; ++k) {
      Taken& t = taken[k];
      t.Metres = From[static_cast<size_t>(site[t.Receiver])].To(t.Lat, t.Lon, t.X);
    }
    for (int32_t k = 0; k < n; ++k) {
      const Taken& t = taken[k];
      if (!(t.Metres >= nearest && t.Metres <= farthest)) {
        tally.Far += t.Sums.InRange;
        continue;
      }
      AddToGroup(g, static_cast<size_t>(site[t.Receiver]), frequency[t.Receiver], t.Metres, t.X, t.Sums.InRange,
                 t.Sums.Sum, t.Sums.SumOfSquares);
      tally.Kept += t.Sums.InRange;
    }
  }
  Pending = g;
  tally.AddTo(Gathered, Counts);
  PlaceLat = PlaceLon = std::numeric_limits<double>::quiet_NaN();  // the next row's distances measured afresh
}

void SurveyAnalysis::AddRow(const RowView& row) {
  ++Gathered.Rows;
  const bool placed = row.HasFix();
  if (!placed) ++Gathered.RowsWithoutFix;
  else NoteFix(row.Fix());
  if (!Boxes.DataBlock) return;
  Place(placed ? row.Latitude() : 0.0, placed ? row.Longitude() : 0.0, placed);
  const double lat = ShownLat, lon = ShownLon;
  int64_t time = INT64_MIN;
  if (Options.KeepPoints && placed) {
    const GpsFix& f = row.Fix();
    if (f.Year >= 1 && f.Month >= 1 && f.Month <= 12 && f.Day >= 1 && f.Day <= 31)
      time = SecondsSince1970(f.Year, f.Month, f.Day, row.Hour(), row.Minute(), row.Second());
  }
  const int receiver = row.Receiver();
  const double halfStep = row.Band().Step * 0.0005;  // kHz to MHz, halved
  if (Grid || Options.KeepPoints) {
    row.ForEachEntry([&](const DataEntry& entry) {
      if (Boxes.Prints(entry))
        TakeEntry({receiver, placed, lon, lat, row.FrequencyMHz(entry), entry.Located, entry.Rssi, time}, halfStep);
    });
    return;
  }
  const int8_t* samples = nullptr;
  int32_t count = 0, stored = 0;
  uint32_t steps = 0;
  if (row.SampleRun(samples, count, stored, steps)) {
    if (!Boxes.Prints(DataEntry{steps, false, true, 0}) || count == 0) return;
    const int site = SiteOf(receiver, row.Band().StepsToMHz(steps), halfStep);
    TakeSampleRun(site, LastMatch.Key, placed, samples, count, stored);
    return;
  }
  // Other rows: what depends only on the entry's frequency (its site, whether the
  // place is within the fit's distances) is worked out once per frequency in the row;
  // the counts and the group's sums are kept in locals until the row ends.
  Tallies tally;
  int64_t kept = 0, sum = 0, sumOfSquares = 0;
  const int lowest = Lowest, highest = Highest;
  enum class Fate { NoSite, NoPosition, Far, Fitted };
  uint32_t value = 0;
  bool known = false;
  Fate fate = Fate::NoSite;
  const Distance* at = nullptr;  // the place of the kept entries' site
  size_t atSite = 0;
  const auto flush = [&] {
    if (kept == 0) return;
    AddBatch(atSite, LastMatch.Key, *at, kept, sum, sumOfSquares);
    kept = sum = sumOfSquares = 0;
  };
  row.ForEachEntry([&](const DataEntry& entry) QUILLON_INLINE {
    if (!Boxes.Prints(entry)) return;
    ++tally.Entries;
    const int rssi = entry.Rssi;
    const bool measured = rssi != kNoMeasurementDbm;
    tally.Unmeasured += !measured;
    if (!entry.Located) return void(++tally.NoSite);
    if (!known || entry.Value != value) {  // another frequency: its site and fate
      flush();
      known = true, value = entry.Value;
      const int site = SiteOf(receiver, row.FrequencyMHz(entry), halfStep);
      fate = site < 0 ? Fate::NoSite : !placed ? Fate::NoPosition : Fate::Fitted;
      if (fate == Fate::Fitted) {
        Distance& place = Distances[static_cast<size_t>(site)];
        if (place.Place != PlaceNumber) Measure(place, static_cast<size_t>(site), lat, lon);
        if (!(place.Metres >= Options.DistanceMin && place.Metres <= Options.DistanceMax)) fate = Fate::Far;
        else at = &place, atSite = static_cast<size_t>(site);
      }
    }
    if (fate == Fate::NoSite) return void(++tally.NoSite);
    if (fate == Fate::NoPosition) return void(++tally.NoPosition);
    if (!measured) return void(++tally.NoMeasurement);
    if (rssi < lowest || rssi > highest) return void(++tally.Outside);
    if (fate == Fate::Far) return void(++tally.Far);
    ++kept;
    sum += rssi;
    sumOfSquares += static_cast<int64_t>(rssi) * rssi;
  });
  flush();
  tally.AddTo(Gathered, Counts);
}

void SurveyAnalysis::AddMeasurement(int receiver, double lon, double lat, double mhz, int rssi, int64_t time,
                                    double halfStepMHz) {
  ++Gathered.Rows;
  const bool placed = std::isfinite(lon) && std::isfinite(lat);
  if (!placed) ++Gathered.RowsWithoutFix;
  PlaceLat = PlaceLon = std::numeric_limits<double>::quiet_NaN();
  ++PlaceNumber;
  TakeEntry({receiver, placed, lon, lat, mhz, std::isfinite(mhz), rssi, time}, halfStepMHz);
}

void SurveyAnalysis::TakeEntry(const Entry& e, double halfStep) {
  ++Gathered.Entries;
  const bool measured = e.Rssi != kNoMeasurementDbm;
  if (!measured) ++Gathered.EntriesWithoutMeasurement;
  const int site = e.Located ? SiteOf(e.Receiver, e.MHz, halfStep) : -1;
  if (site < 0) return void(++Counts.NotOfASite);
  if (!e.Placed) return void(++Counts.NoPosition);
  if (!measured) return void(++Counts.NoMeasurement);
  if (e.Rssi < Options.RssiMin || e.Rssi > Options.RssiMax) return void(++Counts.OutsideSignal);
  const Site& s = Options.Sites[static_cast<size_t>(site)];
  Distance& place = Distances[static_cast<size_t>(site)];
  if (place.Place != PlaceNumber) Measure(place, static_cast<size_t>(site), e.Lat, e.Lon);
  const double metres = place.Metres;
  if (!(metres >= Options.DistanceMin && metres <= Options.DistanceMax)) return void(++Counts.OutsideDistance);
  const int64_t frequency = FrequencyKey(e.MHz);
  if (Grid) {
    int64_t column = 0, line = 0;
    if (!Grid->Locate(e.Lon, e.Lat, column, line)) return void(++Counts.NoPosition);
    BinSum& bin = Bins[{static_cast<size_t>(site), frequency, column, line}];
    bin.Power += std::pow(10.0, e.Rssi / 10.0);
    bin.Distance += metres;
    ++bin.Count;
    return;
  }
  const double loss = s.EirpDbm + Options.RxGainDb - e.Rssi;
  AddBatch(static_cast<size_t>(site), frequency, place, 1, e.Rssi, static_cast<int64_t>(e.Rssi) * e.Rssi);
  if (!Options.KeepPoints) return;
  CalibrationPoint p;
  p.Site = static_cast<uint32_t>(site);
  p.Receiver = e.Receiver;
  p.Frequency = frequency;
  p.Longitude = e.Lon, p.Latitude = e.Lat;
  p.Metres = metres, p.PathLossDb = loss, p.RssiDbm = e.Rssi;
  p.Time = e.Time;
  Points.Add(p);
}

}  // namespace quillon
