// CoverageBins: the measurements of a conversion gathered into the squares of a
// BinGrid, per receiver and frequency. The measurements are the data-block entries
// the delimited output prints for each row (after every reduction, the scan
// selection, the receiver and the outage drop), each at its row's position as the
// position fields show it (six decimals); the frequency is keyed as the output
// prints it (five decimals). Per bin: the count of measured values and of entries
// without a measurement (-120 dBm, left out of every level), the sum and sum of
// squares of the dBm values (kept exactly), the sum of their powers, the least and greatest, the
// first and last GPS times and the number of logs that contributed. Memory grows
// with the number of occupied bins, not with the number of measurements.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "bins/bin_grid.h"
#include "layers/layer_feature.h"
#include "reader/row_view.h"

namespace quillon {

struct BinStats {
  int64_t Count = 0;                  // measured values (not -120 dBm)
  int64_t NoMeasurement = 0;          // entries where the receiver measured nothing
  int64_t Sum = 0, SumOfSquares = 0;  // of the dBm values
  double PowerSum = 0.0;              // of 10^(dBm/10), in milliwatts
  int64_t First = INT64_MAX, Last = INT64_MIN;  // GPS times, seconds since 1970 (UTC); none: First > Last
  int32_t Min = 0, Max = 0;
  int32_t Logs = 0;
  int32_t LastLog = -1;

  double Mean() const { return static_cast<double>(Sum) / static_cast<double>(Count); }
  double PowerMean() const;          // dBm
  double StandardDeviation() const;  // of the population of the bin's values, dB
};

// A square of the grid as one receiver measured it: the bins of its frequencies,
// in the order they were first measured there.
struct BinSquare {
  int32_t Receiver = 1;
  int32_t Column = 0, Row = 0;
  // The frequencies (in 1/100000 MHz; -1 where the entries had none) and their bins.
  std::vector<int64_t> Frequencies;
  std::vector<BinStats> Bins;
};

class CoverageBins {
 public:
  CoverageBins(int metres, const std::string& crs, const EntryBoxes& boxes);

  // The next rows come from another log.
  void BeginLog();
  // Bins the entries the row prints.
  void AddRow(const RowView& row);
  // Bins one measurement given by its values (a data frame's row): the position as
  // shown, the frequency as printed (none: a negative value), the time in seconds
  // since 1970 (none: INT64_MIN).
  void AddMeasurement(int32_t receiver, double lon, double lat, double mhz, int32_t rssi, int64_t time);

  // The squares in the order the drive first reached them, every row added so far
  // in their bins.
  const std::vector<BinSquare>& Squares();
  int64_t Size() const { return Count; }
  // Empties the bins (the grid, and the count of logs, stay).
  void Clear();
  // Measurements that had no position (before the first GPS fix) or none that projects.
  int64_t Unplaced() const { return Left; }
  const BinGrid& Grid() const { return SquareGrid; }

 private:
  static constexpr uint32_t kNone = UINT32_MAX;
  // The key of a frequency as the output prints it, for the last megahertz value
  // seen in each place of a small table.
  struct Recent {
    double MHz = -3.0;
    int64_t Frequency = -1;
  };
  // While the rows of one receiver and scan mode stay in a square (a visit), each
  // place of their data block gathers its entries' values here, in the cache, as
  // long as the same entry comes there; the sums go into the square's bins when
  // the visit ends.
  struct Template {
    uint32_t Square = kNone;
    BandInfo Band;
    struct Slot {
      uint32_t Value = 0;
      bool Table = false, Located = false, Valid = false;
      int64_t Frequency = -1;
      BinStats Sums;
    };
    std::vector<Slot> Slots;
  };
  // The last position of a receiver's rows and its square.
  struct Place {
    double Lon = 0.0, Lat = 0.0;
    bool Placed = false;
    uint32_t Square = kNone;
  };
  struct Slot {  // open addressing: the square's place in the grid, its index + 1 (0 where free)
    int32_t Column = 0, Row = 0;
    uint32_t Receiver = 0, Index = 0;
  };

  int64_t FrequencyKey(double mhz) const;
  int64_t KeyOf(const RowView& row, const DataEntry& entry);
  uint32_t FindSquare(int32_t receiver, int32_t column, int32_t row);  // added when new
  // The bin's index, added when new; the search starts at `cursor` and leaves it after the bin.
  uint32_t FindBin(BinSquare& square, int64_t frequency, uint32_t& cursor);
  void Grow();
  void Flush(Template::Slot& slot, uint32_t square, uint32_t& cursor);
  void FlushVisit(Template& pattern);
  void FlushAll();
  static void Prefetch(const BinSquare& square);

  BinGrid SquareGrid;
  EntryBoxes Boxes;
  std::vector<BinSquare> Occupied;  // in the order they were first reached
  std::vector<Slot> Table;
  std::vector<Recent> Recents;
  Place Last[2];
  Template Templates[8];  // by receiver and scan mode
  int LastYear = 0, LastMonth = 0, LastDay = 0;
  int64_t LastDayStart = 0;  // seconds since 1970 at the start of that day
  int Log = 0;
  int64_t Count = 0;
  int64_t Left = 0;
  uint32_t MeasuredCursor = 0;  // AddMeasurement's search start, in the square of its last call
};

}  // namespace quillon
