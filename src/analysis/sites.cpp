#include "analysis/sites.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "reader/native_file.h"
#include "reader/path_check.h"
#include "reader/shown_text.h"

namespace quillon {

namespace {

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// The fields of a comma-separated line; a field may be quoted ("a, b"), "" a quote.
std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') fields.back() += '"', ++i;
      else if (c == '"') quoted = false;
      else fields.back() += c;
    } else if (c == '"' && Trimmed(fields.back()).empty()) {
      fields.back().clear();
      quoted = true;
    } else if (c == ',') {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  for (std::string& f : fields) f = Trimmed(f);
  return fields;
}

bool Number(const std::string& text, double& value) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return end && *end == '\0' && errno == 0 && std::isfinite(value);
}

}  // namespace

bool ParseSites(const std::string& text, const std::string& name, std::vector<Site>& sites, std::string& error) {
  sites.clear();
  std::istringstream lines(text);
  std::string line;
  int number = 0;
  std::map<std::string, size_t> column;
  const auto fail = [&](const std::string& what) {
    error = ValidUtf8(name) + " line " + std::to_string(number) + ": " + ValidUtf8(Shortened(what, 200));
    return false;
  };
  while (std::getline(lines, line)) {
    ++number;
    if (number == 1 && line.rfind("\xef\xbb\xbf", 0) == 0) line.erase(0, 3);  // a spreadsheet's byte order mark
    if (Trimmed(line).empty()) continue;
    const std::vector<std::string> fields = Fields(line);
    if (column.empty()) {  // the header line
      for (size_t i = 0; i < fields.size(); ++i) {
        std::string key = fields[i];
        for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (!column.emplace(key, i).second) return fail("the column " + key + " is named twice.");
      }
      for (const char* needed : {"name", "latitude", "longitude", "eirp_dbm", "frequency_mhz"})
        if (!column.count(needed))
          return fail(std::string("the header has no column ") + needed +
                      " (a sites file has name,latitude,longitude,eirp_dbm,frequency_mhz and optionally height_m "
                      "and receiver).");
      continue;
    }
    const auto field = [&](const char* key) -> std::string {
      const auto at = column.find(key);
      return at == column.end() || at->second >= fields.size() ? std::string() : fields[at->second];
    };
    Site site;
    site.Line = number;
    site.Name = field("name");
    if (site.Name.empty()) return fail("the site has no name.");
    const struct {
      const char* Key;
      double* Into;
      bool Needed;
    } numbers[] = {{"latitude", &site.Latitude, true},
                   {"longitude", &site.Longitude, true},
                   {"eirp_dbm", &site.EirpDbm, true},
                   {"frequency_mhz", &site.FrequencyMHz, true},
                   {"height_m", &site.HeightM, false}};
    for (const auto& n : numbers) {
      const std::string value = field(n.Key);
      if (value.empty() && !n.Needed) continue;
      if (!Number(value, *n.Into)) return fail(std::string(n.Key) + " \"" + value + "\" is not a number.");
    }
    if (std::fabs(site.Latitude) > 90) return fail("latitude " + field("latitude") + " is outside -90 to 90.");
    if (std::fabs(site.Longitude) > 180) return fail("longitude " + field("longitude") + " is outside -180 to 180.");
    if (site.FrequencyMHz <= 0) return fail("frequency_mhz " + field("frequency_mhz") + " is not a frequency.");
    const std::string receiver = field("receiver");
    if (receiver == "1" || receiver == "2") site.Receiver = receiver[0] - '0';
    else if (!receiver.empty()) return fail("receiver \"" + receiver + "\" is not 1, 2 or empty (both).");
    for (const Site& other : sites)
      if (std::llround(other.FrequencyMHz * 1e5) == std::llround(site.FrequencyMHz * 1e5) &&
          (other.Receiver == 0 || site.Receiver == 0 || other.Receiver == site.Receiver))
        return fail("the site " + site.Name + " has the frequency " + field("frequency_mhz") + " MHz of the site " +
                    other.Name + " (line " + std::to_string(other.Line) + ") on the same receiver.");
    sites.push_back(site);
  }
  if (column.empty()) return number = 1, fail("the file is empty: it needs a header line and a line per site.");
  if (sites.empty()) return fail("the file has no site below its header.");
  return true;
}

bool ReadSitesFile(const std::string& path, std::vector<Site>& sites, std::string& error) {
  std::ifstream in(native::PathOf(path), std::ios::binary);
  if (!in) {
    error = "the sites file " + ValidUtf8(path) + " cannot be read: " + SystemReason(path, errno);
    return false;
  }
  std::ostringstream text;
  text << in.rdbuf();
  return ParseSites(text.str(), path, sites, error);
}

bool SingleSite(const std::string& position, double eirpDbm, Site& site, std::string& error) {
  const size_t comma = position.find(',');
  site = Site();
  site.Name = "site";
  site.EirpDbm = eirpDbm;
  if (comma == std::string::npos || !Number(Trimmed(position.substr(0, comma)), site.Latitude) ||
      !Number(Trimmed(position.substr(comma + 1)), site.Longitude) || std::fabs(site.Latitude) > 90 ||
      std::fabs(site.Longitude) > 180) {
    error = "--site takes LAT,LON in degrees (-90 to 90, -180 to 180)";
    return false;
  }
  if (!std::isfinite(eirpDbm)) {
    error = "--eirp takes a number of dBm";
    return false;
  }
  return true;
}

}  // namespace quillon
