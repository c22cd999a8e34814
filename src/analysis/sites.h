// Sites: the test transmitters of a CW survey. A sites file is comma-separated text
// with a header line naming the columns name, latitude, longitude, eirp_dbm and
// frequency_mhz, and optionally height_m and receiver (1, 2, or empty for both), in
// any order; a site is one line. One transmitter given on the command line
// (--site LAT,LON --eirp DBM) is a site of every frequency.
#pragma once
#include <string>
#include <vector>

namespace quillon {

struct Site {
  std::string Name;
  double Latitude = 0.0, Longitude = 0.0;  // degrees, WGS 84
  double EirpDbm = 0.0;
  double FrequencyMHz = -1.0;  // negative: every frequency
  double HeightM = 0.0;        // 0 when not given
  int Receiver = 0;            // 1 or 2; 0 both
  int Line = 0;                // of the file, for messages

  bool EveryFrequency() const { return FrequencyMHz < 0; }
};

// Reads a sites file; false with a message that names the file and line (a usage
// error) when it cannot be read or a line is wrong.
bool ReadSitesFile(const std::string& path, std::vector<Site>& sites, std::string& error);
// Parses the text of a sites file (what ReadSitesFile reads), `name` for messages.
bool ParseSites(const std::string& text, const std::string& name, std::vector<Site>& sites, std::string& error);
// The one transmitter of --site "LAT,LON" --eirp DBM; false with a usage message.
bool SingleSite(const std::string& position, double eirpDbm, Site& site, std::string& error);

}  // namespace quillon
