// RunOptions: the conversion options of quillon-convert (and of the Python module's
// keyword arguments, named like them), as text, and their effect on Settings. An
// option left unset keeps the setting as it is (a configuration file's, or the
// defaults). ApplyRunOptions returns the usage message of the first option that is
// wrong ("--receiver takes 1 or 2"), or an empty text.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "analysis/survey_analysis.h"
#include "convert/settings.h"
#include "reader/scan_selection.h"

namespace quillon {

struct RunOptions {
  std::optional<std::string> Fields;       // "22,18,5,11,0"
  bool IBwave = false;
  std::optional<int> Receiver;             // 1 or 2
  std::optional<std::string> Data;         // subset of "freq,channel,rssi"
  std::optional<std::string> Delimiter;    // comma|semicolon|tab|space or one character
  bool NoHeader = false;
  bool Split = false;
  bool BestServer = false;
  bool Lambda = false;
  std::optional<std::string> DropOutages;  // seconds
  std::optional<std::string> Frequencies;  // "RX1,RX2" in MHz
  std::optional<std::string> Layer;
  std::optional<int> Bins;                 // metres
  std::optional<std::string> BinCrs;       // "EPSG:NNNN"
  bool Replace = false;                    // a database's earlier load of a log
  // Survey analysis.
  std::optional<std::string> Sites;        // a sites file
  std::optional<std::string> Site;         // "LAT,LON", with Eirp
  std::optional<std::string> Eirp;         // dBm
  std::optional<std::string> RxGain;       // dB
  std::optional<std::string> FitRssi;      // "MIN,MAX" dBm
  std::optional<std::string> FitDistance;  // "MIN,MAX" metres
  std::optional<std::string> Model;        // "K1,K2"
};

std::string ApplyRunOptions(const RunOptions& options, Settings& settings);
// The survey analysis's part of it (--sites or --site and what goes with them).
std::string ApplyAnalysisOptions(const RunOptions& options, Settings& settings);
// The survey analysis of these settings (its sites, gain, ranges, model and bins).
AnalysisOptions AnalysisOptionsOf(const Settings& settings);

// The scans of `input` that --skip-scans ("2,5") leaves out; the usage message when
// the list is wrong, or an empty text.
std::string ParseSkippedScans(const std::string& list, const std::string& input, ScanSelection& selection);

// How the command line and the Python module have the user give a file's frequencies.
constexpr char kFrequencyOptionRemedy[] = "Give --frequencies RX1,RX2 in MHz";

// Comma-separated items.
std::vector<std::string> SplitList(const std::string& text);
// Comma-separated whole numbers from low to high (at least one).
bool ParseIndexes(const std::string& text, long long low, long long high, std::vector<int>& out);

}  // namespace quillon
