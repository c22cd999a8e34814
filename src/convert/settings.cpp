#include "convert/settings.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "reader/field_catalogue.h"
#include "reader/product_reader.h"

namespace quillon {

std::vector<std::string> DefaultAvailableFields() {
  std::vector<std::string> names;
  for (int16_t field : kDefaultAvailableFields) names.emplace_back(CatalogueName(field));
  return names;
}

Settings DefaultSettings() {
  Settings s;
  s.AvailableFields = DefaultAvailableFields();
  return s;
}

void SelectColumns(Settings& settings, const std::vector<int16_t>& fields) {
  settings.SelectedFields.clear();
  settings.SelectedTags.clear();
  for (int16_t f : fields) {
    if (settings.SelectedTags.size() >= static_cast<size_t>(kFieldMapSize)) break;
    settings.SelectedFields.emplace_back(CatalogueName(f));
    settings.SelectedTags.push_back(f);
  }
}

void SelectIBwaveColumns(Settings& settings) {
  std::vector<int16_t> fields;
  for (int p : kIBwavePositions) fields.push_back(kDefaultAvailableFields[static_cast<size_t>(p)]);
  SelectColumns(settings, fields);
}

int16_t ReductionModeOf(const Settings& settings) {
  if (settings.Lambda) return 1;
  if (settings.BSAvg) return 3;
  return 0;
}

bool DelimiterOf(const Settings& settings, char& delimiter) {
  switch (settings.Delimiter) {
    case 0: delimiter = ','; return true;
    case 1: delimiter = ';'; return true;
    case 2: delimiter = '\t'; return true;
    case 3: delimiter = ' '; return true;
    case 4:
      if (settings.OtherDelimiter.empty()) return false;
      delimiter = settings.OtherDelimiter[0];
      return true;
    default: delimiter = '@'; return true;
  }
}

std::string SettingsLine(const Settings& settings) {
  std::string line = settings.Receiver1 ? "receiver 1" : "receiver 2";
  const int16_t reduction = ReductionModeOf(settings);
  line += reduction == 1 ? "; 40 Lambda" : reduction == 3 ? "; Best Server" : "; Convert All Data";
  line += "; fields: ";
  for (size_t i = 0; i < settings.SelectedFields.size(); ++i) line += (i ? ", " : "") + settings.SelectedFields[i];
  if (settings.DropOutages) line += "; GPS outages over " + settings.OutageSeconds + " s dropped";
  if (settings.Frequencies.size() == 2) {
    char text[96];
    std::snprintf(text, sizeof text, "; frequencies %.4f and %.4f MHz", settings.Frequencies[0], settings.Frequencies[1]);
    line += text;
  }
  if (settings.BinMetres != 0)
    line += "; bins " + std::to_string(settings.BinMetres) + " m" + (settings.BinCrs.empty() ? "" : " in " + settings.BinCrs);
  return line;
}

bool ParseWholeNumber(const std::string& text, long long& value) {
  const char* begin = text.c_str();
  while (*begin == ' ' || *begin == '\t') ++begin;
  if (*begin == '\0') return false;
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(begin, &end, 10);
  if (errno != 0 || end == begin) return false;
  while (*end == ' ' || *end == '\t') ++end;
  if (*end != '\0') return false;
  value = v;
  return true;
}

}  // namespace quillon
