// RecordingHost: a RunHost that keeps the messages and progress of a run, and a
// helper that converts one log with given settings.
#pragma once
#include <string>
#include <utility>
#include <vector>

#include "convert/settings.h"
#include "convert/conversion_run.h"
#include "reader/log_reader.h"

namespace quillon::testing {

class RecordingHost : public RunHost {
 public:
  void ShowProgress(int percent) override { Progress.push_back(percent); }
  void ReportMessage(MessageKind kind, const std::string& text) override { Messages.emplace_back(kind, text); }
  bool StopRequested() override { return ++Polls > StopAfterPolls; }

  std::string Last() const { return Messages.empty() ? "" : Messages.back().second; }

  std::vector<int> Progress;
  std::vector<std::pair<MessageKind, std::string>> Messages;
  long Polls = 0;
  long StopAfterPolls = 1L << 40;
};

// Settings with the given columns and the data fields freq,rssi, header on.
inline Settings ColumnsSettings(const std::vector<int16_t>& fields) {
  Settings s = DefaultSettings();
  SelectColumns(s, fields);
  return s;
}

inline RunOutcome ConvertOne(const std::string& input, const std::string& output, const Settings& s,
                             RecordingHost& host, ScanSelection selection = {}) {
  return ConversionRun(Reader, host, s, {{input, output}}, std::move(selection)).Execute();
}

}  // namespace quillon::testing
