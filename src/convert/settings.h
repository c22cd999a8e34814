// Settings: the conversion settings of the main window, shared by the window, the
// command line, the configuration file and the runs. A run works on a copy taken
// when it starts.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/sites.h"

namespace quillon {

struct Settings {
  int16_t InputFormat = 0;  // 0 none, 8 "KTR Zephyn", 9 "KTR Zephyn (PC CARD)"
  std::string InputFilename;
  std::string OutputFilename;
  int TarrowMode = 0;  // "Scan Mode": 0 "1 Channel", 1 "3 Channel", 2 "Scan Table"
  int ScanType = 1;    // "Scan Type": 0 "Scan Table", 1 "Fast Data"
  bool Receiver1 = true;
  bool Receiver2 = false;
  bool FrequencyField = true;
  bool ChannelField = false;
  bool RSSIField = true;
  bool NoAvg = true;   // "Convert All Data"
  bool BSAvg = false;  // "Best Server"
  bool Lambda = false; // "40 Lambda"
  int Delimiter = 0;   // 0 Comma, 1 Semi-Colon, 2 Tab, 3 Space, 4 Other
  std::string OtherDelimiter = ":";
  bool FieldTitles = true;  // "Create Header Record"
  bool Split = false;       // "Output File Split"
  bool DropOutages = false; // "Drop data during GPS outages of"
  std::string OutageSeconds = "30";
  bool IBwave = false;      // "Export to iBwave format"
  int OutputFormat = 0;     // an OutputFormat: 0 delimited text (not stored in configuration files)
  std::string Into;         // a folder run's one dataset for every log (map layers only)
  std::string LayerName = "measurements";
  // Coverage bins of this many metres (0: none) in this system ("EPSG:NNNN"; empty:
  // the UTM zone of the run's first GPS fix), written beside each output, or beside
  // Into (not stored in configuration files).
  int BinMetres = 0;
  std::string BinCrs;
  // Receiver 1 and 2 frequencies in MHz for files whose single-channel data come
  // without a frequency definition: empty, or two values (not stored either).
  std::vector<double> Frequencies;
  // A database load replaces an earlier load of the same file into the layer
  // (not stored either); without it such a log is refused.
  bool Replace = false;
  // Survey analysis (not stored either): the test transmitters (none: no analysis),
  // the receive gain less cable losses, the fit's signal and distance ranges, and a
  // model to evaluate instead of fitting one.
  std::vector<Site> Sites;
  double RxGainDb = 0.0;
  double FitRssiMin = -110.0, FitRssiMax = -40.0;
  double FitDistanceMin = 100.0, FitDistanceMax = 20000.0;
  bool EvaluateModel = false;
  double ModelK1 = 0.0, ModelK2 = 0.0;
  // The run's survey report, an HTML file (none: empty; not stored either).
  std::string Report;
  std::vector<std::string> AvailableFields;  // rows of "Available Fields"
  std::vector<std::string> SelectedFields;   // rows of "Selected Fields"
  std::vector<int16_t> SelectedTags;         // catalogue index of each selected row
  bool MultipleFiles = false;
  std::string InFolder;
  std::string OutFolder;
  std::string InputExt = "*.klf";
  std::string OutputExt = ".out";
};

// The window's start-up state: the default "Available Fields" list, nothing selected.
Settings DefaultSettings();
// Names of the default "Available Fields" list, in order.
std::vector<std::string> DefaultAvailableFields();
// Replaces the selection by these catalogue indexes, titled with their catalogue names.
void SelectColumns(Settings& settings, const std::vector<int16_t>& fields);
// The fixed iBwave layout: available positions 18, 14, 2, 8 and 0.
void SelectIBwaveColumns(Settings& settings);
// 1 "40 Lambda", 3 "Best Server", else 0; "40 Lambda" takes precedence.
int16_t ReductionModeOf(const Settings& settings);
// The field delimiter; false when "Other" is chosen with an empty text.
bool DelimiterOf(const Settings& settings, char& delimiter);
// What a run's rows depend on, as one line ("receiver 1; 40 Lambda; fields: ...")
// for a database's record of a load.
std::string SettingsLine(const Settings& settings);
// A whole number of seconds from text (blanks around it allowed); false otherwise.
bool ParseWholeNumber(const std::string& text, long long& value);

}  // namespace quillon
