// ConversionRun: one conversion run over a list of input/output pairs, the body
// of the window's conversion thread and of quillon-convert. For each pair it runs
// the optional GPS-outage pre-pass, opens the input through the reader, creates the
// output, writes the header line and the rows that ProcessRecord asks for, closes
// both files and splits a large output. Settings are a copy taken at the start.
// Any failure ends the whole run with an Error message; a stop request ends it after
// the current file. Output lines end with CR LF.
#pragma once
#include <string>
#include <vector>

#include "app/settings.h"
#include "convert/feature_writer.h"
#include "convert/output_file.h"
#include "convert/run_host.h"
#include "reader/log_reader.h"
#include "reader/scan_selection.h"

namespace quillon {

struct FilePair {
  std::string Input;
  std::string Output;
};

enum class RunOutcome { Completed, Cancelled, Failed };

class ConversionRun {
 public:
  ConversionRun(TLogReader& reader, RunHost& host, Settings settings, std::vector<FilePair> pairs,
                ScanSelection selection = {});
  RunOutcome Execute();

 private:
  bool Refuse(const std::string& message);
  bool CheckSettings();
  RunOutcome ConvertPair(const FilePair& pair);
  void WriteHeaderLine();
  void WriteRecordRows();
  void WriteFeatureRows();
  bool Split(const std::string& output);
  // Catalogue index of output column i, from the run's own copy of the column map:
  // the window may change its selection while a run goes on.
  int16_t Column(size_t i) const { return i < Config.SelectedTags.size() ? Config.SelectedTags[i] : kNoField; }

  TLogReader& Reader;
  RunHost& Host;
  const Settings Config;
  const std::vector<FilePair> Pairs;
  const ScanSelection Selection;

  char Delimiter = ',';
  long long OutageThreshold = 0;
  OutputFile Output;
  TextBuffer Text;
  std::unique_ptr<FeatureWriter> Features;  // null for delimited text
  std::vector<FeatureColumn> Columns;
  std::vector<std::string> FilesLackingFrequency;
  std::vector<std::string> FilesNotLogs;
  int64_t RowsLeftOut = 0;
};

}  // namespace quillon
