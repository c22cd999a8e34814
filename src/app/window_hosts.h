// The window's side of the workers: a conversion's and an indexing's reports handed
// to the main window by blocking calls onto its UI thread (the worker waits until
// each has run), and the stop request read from the worker's own thread. The
// conversion's progress moves the main window's gauge, the indexing's the wait
// window's; messages go to report_error.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "convert/run_host.h"
#include "indexing/index_run.h"

namespace quillon {

class TMainForm;

class WindowRunHost final : public RunHost {
 public:
  explicit WindowRunHost(TMainForm* form) : Form(form) {}
  void ShowProgress(int percent) override;
  void ReportMessage(MessageKind kind, const std::string& text) override;
  bool StopRequested() override;
  std::string FrequencyRemedy() const override;

 private:
  TMainForm* Form;
};

class WindowIndexHost final : public IndexHost {
 public:
  explicit WindowIndexHost(TMainForm* form) : Form(form) {}
  void ShowProgress(int percent) override;
  void ReportMessage(MessageKind kind, const std::string& text) override;
  bool StopRequested() override;
  void ShowWaitWindow(bool visible) override;
  void ResetScanTree(int16_t product, const std::string& file) override;
  // Scans beyond the tree's nodes are only counted: no call onto the UI thread each.
  void AddScanNode(int16_t kindCode, int32_t number, const std::string& label) override;
  void ShowFileStatistics(const std::vector<std::string>& lines) override;
  void ShowRoute(const RouteTrack& route) override;
  void IndexFinished(bool frequenciesNeeded, const BandInfo* bands) override;

 private:
  TMainForm* Form;
  int64_t NotShown = 0;
};

// The input file name an indexing reads, taken on the UI thread when it starts.
std::string InputToIndex(TMainForm* form);

}  // namespace quillon
