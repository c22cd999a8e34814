#include "bins/coverage_bins.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "reader/number_text.h"

namespace quillon {

namespace {

// 10^(dBm/10) for the whole dBm values receivers report.
constexpr int kLowestTabled = -256, kTabled = 512;
const std::array<double, kTabled>& Powers() {
  static const std::array<double, kTabled> table = [] {
    std::array<double, kTabled> t{};
    for (int i = 0; i < kTabled; ++i) t[static_cast<size_t>(i)] = std::pow(10.0, (kLowestTabled + i) / 10.0);
    return t;
  }();
  return table;
}

double PowerOf(int dbm) {
  const int i = dbm - kLowestTabled;
  return i >= 0 && i < kTabled ? Powers()[static_cast<size_t>(i)] : std::pow(10.0, dbm / 10.0);
}


bool ValidTime(int year, int month, int day, int hour, int minute, int second) {
  return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= 31 && hour >= 0 && hour < 24 &&
         minute >= 0 && minute < 60 && second >= 0 && second < 60;
}

}  // namespace

double BinStats::PowerMean() const { return 10.0 * std::log10(PowerSum / static_cast<double>(Count)); }

double BinStats::StandardDeviation() const {
  // The sums are exact; their difference keeps some fifteen digits of a variance of
  // a few dB² beside squares of some 10⁴ dBm².
  const double n = static_cast<double>(Count), mean = static_cast<double>(Sum) / n;
  return std::sqrt(std::max(0.0, static_cast<double>(SumOfSquares) / n - mean * mean));
}

CoverageBins::CoverageBins(int metres, const std::string& crs, const EntryBoxes& boxes)
    : SquareGrid(metres, crs), Boxes(boxes), Table(1024), Recents(4096) {}

void CoverageBins::BeginLog() {
  FlushAll();
  ++Log;
}

const std::vector<BinSquare>& CoverageBins::Squares() {
  FlushAll();
  return Occupied;
}

void CoverageBins::Clear() {
  Occupied.clear();
  Table.assign(1024, Slot());
  Recents.assign(Recents.size(), Recent());
  for (Place& p : Last) p = Place();
  for (Template& t : Templates) t = Template();
  Count = 0;
}

int64_t CoverageBins::FrequencyKey(double mhz) const { return PrintedKey(mhz, 5); }

namespace {
size_t HashOf(int32_t receiver, int32_t column, int32_t row) {
  uint64_t h = (static_cast<uint64_t>(static_cast<uint32_t>(column)) << 32 | static_cast<uint32_t>(row)) *
               0x9E3779B97F4A7C15ull;
  h ^= static_cast<uint64_t>(receiver) * 0xC2B2AE3D27D4EB4Full;
  return static_cast<size_t>(h ^ (h >> 29));
}
}  // namespace

uint32_t CoverageBins::FindSquare(int32_t receiver, int32_t column, int32_t row) {
  const size_t mask = Table.size() - 1;
  for (size_t i = HashOf(receiver, column, row) & mask;; i = (i + 1) & mask) {
    Slot& slot = Table[i];
    if (slot.Index == 0) {
      BinSquare square;
      square.Receiver = receiver, square.Column = column, square.Row = row;
      Occupied.push_back(std::move(square));
      slot = {column, row, static_cast<uint32_t>(receiver), static_cast<uint32_t>(Occupied.size())};
      if (Occupied.size() * 2 > Table.size()) Grow();
      return static_cast<uint32_t>(Occupied.size() - 1);
    }
    if (slot.Column == column && slot.Row == row && slot.Receiver == static_cast<uint32_t>(receiver))
      return slot.Index - 1;
  }
}

void CoverageBins::Grow() {
  std::vector<Slot> old(Table.size() * 2);
  old.swap(Table);
  const size_t mask = Table.size() - 1;
  for (const Slot& slot : old) {
    if (slot.Index == 0) continue;
    size_t i = HashOf(static_cast<int32_t>(slot.Receiver), slot.Column, slot.Row) & mask;
    while (Table[i].Index != 0) i = (i + 1) & mask;
    Table[i] = slot;
  }
}

// A square the drive comes back to is mostly no longer in the cache: its bins are
// fetched all at once rather than one miss after another.
void CoverageBins::Prefetch(const BinSquare& square) {
  const auto* keys = reinterpret_cast<const char*>(square.Frequencies.data());
  const auto* bins = reinterpret_cast<const char*>(square.Bins.data());
  const size_t keyBytes = std::min<size_t>(square.Frequencies.size() * sizeof(int64_t), 4096);
  const size_t binBytes = std::min<size_t>(square.Bins.size() * sizeof(BinStats), 8192);
  for (size_t at = 0; at < keyBytes; at += 64) __builtin_prefetch(keys + at, 0);
  for (size_t at = 0; at < binBytes; at += 64) __builtin_prefetch(bins + at, 1);
}

// The frequencies of a scan come in the same order visit after visit: the search
// for each starts after the one before.
uint32_t CoverageBins::FindBin(BinSquare& square, int64_t frequency, uint32_t& cursor) {
  const uint32_t n = static_cast<uint32_t>(square.Frequencies.size());
  const int64_t* keys = square.Frequencies.data();
  if (cursor >= n) cursor = 0;
  for (uint32_t k = 0, i = cursor; k < n; ++k, i = i + 1 == n ? 0 : i + 1) {
    if (keys[i] == frequency) {
      cursor = i + 1;
      return i;
    }
  }
  square.Frequencies.push_back(frequency);
  square.Bins.emplace_back();
  cursor = n + 1;
  ++Count;
  return n;
}

// Adds a visit's sums of one place of the data block to the square's bin of its frequency.
void CoverageBins::Flush(Template::Slot& slot, uint32_t square, uint32_t& cursor) {
  const BinStats& v = slot.Sums;
  if (v.Count == 0 && v.NoMeasurement == 0) return;
  BinSquare& s = Occupied[square];
  BinStats& b = s.Bins[FindBin(s, slot.Frequency, cursor)];
  if (v.Count > 0) {
    if (b.Count == 0) b.Min = v.Min, b.Max = v.Max;
    b.Count += v.Count;
    b.Sum += v.Sum;
    b.SumOfSquares += v.SumOfSquares;
    b.PowerSum += v.PowerSum;
    b.Min = std::min(b.Min, v.Min);
    b.Max = std::max(b.Max, v.Max);
  }
  b.NoMeasurement += v.NoMeasurement;
  b.First = std::min(b.First, v.First);
  b.Last = std::max(b.Last, v.Last);
  if (b.LastLog != Log) {
    b.LastLog = Log;
    ++b.Logs;
  }
  slot.Sums = BinStats();
}

void CoverageBins::FlushVisit(Template& pattern) {
  if (pattern.Square == kNone) return;
  uint32_t cursor = 0;
  for (Template::Slot& slot : pattern.Slots) Flush(slot, pattern.Square, cursor);
}

void CoverageBins::FlushAll() {
  for (Template& t : Templates) FlushVisit(t);
}

void CoverageBins::AddRow(const RowView& row) {
  if (!Boxes.DataBlock) return;
  const int32_t receiver = row.Receiver();
  Place& place = Last[receiver == 2];
  const double lon = row.Longitude(), lat = row.Latitude();
  if (!row.HasFix()) {
    place.Placed = false;
    place.Square = kNone;
  } else if (place.Square == kNone || lon != place.Lon || lat != place.Lat) {
    int64_t column = 0, line = 0;
    place.Lon = lon, place.Lat = lat;
    place.Placed = SquareGrid.Locate(ShownDegrees(lon), ShownDegrees(lat), column, line);
    const BinSquare* was = place.Square == kNone ? nullptr : &Occupied[place.Square];
    if (!place.Placed) place.Square = kNone;
    else if (!was || was->Column != column || was->Row != line)
      place.Square = FindSquare(receiver, static_cast<int32_t>(column), static_cast<int32_t>(line));
  }
  if (!place.Placed) {
    row.ForEachEntry([&](const DataEntry& entry) { Left += Boxes.Prints(entry); });
    return;
  }
  int64_t time = INT64_MIN;
  const GpsFix& f = row.Fix();
  if (ValidTime(f.Year, f.Month, f.Day, row.Hour(), row.Minute(), row.Second())) {
    if (f.Year != LastYear || f.Month != LastMonth || f.Day != LastDay) {
      LastYear = f.Year, LastMonth = f.Month, LastDay = f.Day;
      LastDayStart = SecondsSince1970(f.Year, f.Month, f.Day, 0, 0, 0);
    }
    time = LastDayStart + row.Hour() * 3600 + row.Minute() * 60 + row.Second();
  }
  const uint32_t at = place.Square;
  Template& pattern = Templates[(receiver == 2) * 4 + (static_cast<int>(row.Mode()) & 3)];
  const BandInfo& band = row.Band();
  if (pattern.Square != at || pattern.Band.Lowest != band.Lowest || pattern.Band.Highest != band.Highest ||
      pattern.Band.StepField != band.StepField || pattern.Band.Flags != band.Flags) {
    FlushVisit(pattern);
    for (Template::Slot& slot : pattern.Slots) slot.Valid = false;
    pattern.Square = at;
    pattern.Band = band;
    Prefetch(Occupied[at]);
  }
  size_t slotInRow = 0;
  row.ForEachEntry([&](const DataEntry& entry) {
    if (!Boxes.Prints(entry)) return;
    if (pattern.Slots.size() <= slotInRow) pattern.Slots.resize(slotInRow + 1);
    Template::Slot& slot = pattern.Slots[slotInRow++];
    if (!slot.Valid || slot.Value != entry.Value || slot.Table != entry.Table || slot.Located != entry.Located) {
      uint32_t cursor = 0;
      Flush(slot, at, cursor);
      slot.Value = entry.Value, slot.Table = entry.Table, slot.Located = entry.Located, slot.Valid = true;
      slot.Frequency = KeyOf(row, entry);
    }
    BinStats& s = slot.Sums;
    if (entry.Rssi == kNoMeasurementDbm) {
      ++s.NoMeasurement;
    } else {
      if (s.Count++ == 0) s.Min = s.Max = entry.Rssi;
      s.Sum += entry.Rssi;
      s.SumOfSquares += static_cast<int64_t>(entry.Rssi) * entry.Rssi;
      s.PowerSum += PowerOf(entry.Rssi);
      s.Min = std::min(s.Min, entry.Rssi);
      s.Max = std::max(s.Max, entry.Rssi);
    }
    if (time != INT64_MIN) {
      s.First = std::min(s.First, time);
      s.Last = std::max(s.Last, time);
    }
  });
}

void CoverageBins::AddMeasurement(int32_t receiver, double lon, double lat, double mhz, int32_t rssi, int64_t time) {
  int64_t column = 0, line = 0;
  if (!SquareGrid.Locate(lon, lat, column, line)) {
    ++Left;
    return;
  }
  Template::Slot one;
  one.Frequency = mhz < 0.0 ? -1 : FrequencyKey(mhz);
  BinStats& s = one.Sums;
  if (rssi == kNoMeasurementDbm) {
    s.NoMeasurement = 1;
  } else {
    s.Count = 1;
    s.Sum = s.Min = s.Max = rssi;
    s.SumOfSquares = static_cast<int64_t>(rssi) * rssi;
    s.PowerSum = PowerOf(rssi);
  }
  if (time != INT64_MIN) s.First = s.Last = time;
  // A frame's rows follow the drive: the next measurement is mostly the next
  // frequency of the same square.
  Flush(one, FindSquare(receiver, static_cast<int32_t>(column), static_cast<int32_t>(line)), MeasuredCursor);
}

// The frequency key of an entry, through the table of recent ones.
int64_t CoverageBins::KeyOf(const RowView& row, const DataEntry& entry) {
  if (!entry.Located) return -1;
  const double mhz = row.FrequencyMHz(entry);
  uint64_t bits;
  std::memcpy(&bits, &mhz, sizeof bits);
  Recent& recent = Recents[(bits ^ (bits >> 29) ^ (bits >> 41)) & (Recents.size() - 1)];
  if (recent.MHz != mhz) {
    recent.MHz = mhz;
    recent.Frequency = FrequencyKey(mhz);
  }
  return recent.Frequency;
}

}  // namespace quillon
