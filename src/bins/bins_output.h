// The coverage bins written out: as layer `bins` (WGS 84 squares) through any
// LayerWriter, or as delimited text with the run's delimiter and header choice
// (the bin centre's latitude and longitude, then the attributes). Both carry, per
// bin: receiver, freq_mhz (null or empty where the entries had no frequency), col
// and row in the grid, count (of measured values), rssi_mean, rssi_power_mean,
// rssi_min, rssi_max, rssi_std (of the bin's measured values as a population, dB;
// null or empty where it has none), first_time and last_time (UTC), logs, the
// number of logs that contributed, and no_measurement, the entries at -120 dBm. Means and deviations show
// two decimals, frequencies five, positions six; layers hold the numbers as shown.
#pragma once
#include <string>
#include <vector>

#include "bins/coverage_bins.h"
#include "layers/layer_writer.h"

namespace quillon {

std::vector<Attribute> BinAttributes();

// The bins' file beside an output: "-bins" before its extension ("drive.gpkg" gives
// "drive-bins.gpkg"). A database target stays as it is (its bins are a table).
std::string BinsPathOf(const std::string& output);

// Writes every bin into a dataset (or a database table) and closes it; a file is
// written where the run stages it.
bool WriteBinsLayer(LayerWriter& writer, const std::string& target, const std::string& layer, CoverageBins& bins,
                    std::string& error);

// Writes every bin as delimited text, a header line first when `header`.
bool WriteBinsText(const std::string& path, CoverageBins& bins, char delimiter, bool header, std::string& error);

}  // namespace quillon
