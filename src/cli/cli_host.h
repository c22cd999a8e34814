// Command-line hosts of the runs: messages and progress go to stderr; the stop
// request comes from SIGINT, SIGTERM or SIGHUP.
#pragma once
#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "convert/run_host.h"
#include "convert/run_options.h"
#include "indexing/index_run.h"
#include "indexing/scan_tree.h"
#include "reader/shown_text.h"

namespace quillon {

extern std::atomic<bool> InterruptRequested;
void InstallInterruptHandler();

class CliRunHost : public RunHost {
 public:
  CliRunHost(bool showProgress, bool quiet) : ProgressShown(showProgress), Quiet(quiet) {}
  void ShowProgress(int percent) override;
  void ReportMessage(MessageKind kind, const std::string& text) override;
  bool StopRequested() override { return InterruptRequested.load(); }
  std::string FrequencyRemedy() const override { return kFrequencyOptionRemedy; }
  bool ErrorReported() const { return Errors > 0; }

 private:
  bool ProgressShown;
  bool Quiet;
  bool BarOpen = false;
  int Errors = 0;
};

// An indexing run on stdout: each scan as it is numbered (root, number, label; every
// scan, also those beyond the window's 1024 tree nodes), and the statistics lines
// kept for the end.
class CliIndexHost : public IndexHost {
 public:
  void ResetScanTree(int16_t, const std::string&) override {}
  void AddScanNode(int16_t kindCode, int32_t number, const std::string& label) override {
    if (*ScanTree::RootName(kindCode) != '\0') std::printf("%s\t%d\t%s\n", ScanTree::RootName(kindCode), number, label.c_str());
  }
  void ShowProgress(int) override {}
  void ShowFileStatistics(const std::vector<std::string>& lines) override { Statistics = lines; }
  void ReportMessage(MessageKind kind, const std::string& text) override {
    std::fprintf(stderr, "%s: %s\n", MessageCaption(kind), ValidUtf8(text).c_str());
  }
  bool StopRequested() override { return InterruptRequested.load(); }

  std::vector<std::string> Statistics;
};

}  // namespace quillon
