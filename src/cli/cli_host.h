// Command-line hosts of the runs: messages and progress go to stderr; the stop
// request comes from SIGINT.
#pragma once
#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "convert/run_host.h"
#include "indexing/index_run.h"
#include "indexing/scan_tree.h"

namespace quillon {

extern std::atomic<bool> InterruptRequested;
void InstallInterruptHandler();

class CliRunHost : public RunHost {
 public:
  CliRunHost(bool showProgress, bool quiet) : ProgressShown(showProgress), Quiet(quiet) {}
  void ShowProgress(int percent) override;
  void ReportMessage(MessageKind kind, const std::string& text) override;
  bool StopRequested() override { return InterruptRequested.load(); }
  bool ErrorReported() const { return Errors > 0; }

 private:
  bool ProgressShown;
  bool Quiet;
  bool BarOpen = false;
  int Errors = 0;
};

// Collects the scan tree and the statistics of an indexing run.
class CliIndexHost : public IndexHost {
 public:
  void ResetScanTree(int16_t product, const std::string& file) override { Tree.Reset(product, file); }
  void AddScanNode(int16_t kindCode, int32_t number, const std::string& label) override {
    Tree.AddScanNode(kindCode, number, label);
  }
  void ShowIndexProgress(int) override {}
  void ShowFileStatistics(const std::vector<std::string>& lines) override { Statistics = lines; }
  void ReportError(const std::string& text) override { std::fprintf(stderr, "Error: %s\n", text.c_str()); }
  bool StopRequested() override { return InterruptRequested.load(); }

  ScanTree Tree;
  std::vector<std::string> Statistics;
};

}  // namespace quillon
