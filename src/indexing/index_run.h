// IndexRun: the indexing pass over a newly chosen file, the body of the window's
// indexing thread and of `quillon-convert --index`. It reads the whole file with
// ConvertingPass 0, reports one scan node per scan as scans are numbered, whole
// percentages as they grow, the seven statistics lines at the end, and raises the
// reader's ManualFrequencies when single-channel data came without a
// single-frequency definition (frequencies entered for an earlier file do not
// count: the flag is cleared first). IndexHost calls are made synchronously.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "indexing/route_track.h"
#include "reader/log_reader.h"
#include "reader/pass_host.h"

namespace quillon {

// What an indexing run reports beyond a pass's progress, messages and stop request
// (the progress goes to the wait window's gauge).
class IndexHost : public PassHost {
 public:
  virtual void ShowWaitWindow(bool /*visible*/) {}
  // Empties the scan tree for the file (roots for formats 8 and 9).
  virtual void ResetScanTree(int16_t product, const std::string& file) = 0;
  virtual void AddScanNode(int16_t kindCode, int32_t number, const std::string& label) = 0;
  virtual void ShowFileStatistics(const std::vector<std::string>& lines) = 0;
  // The drive route of the file, at the end of a successful run.
  virtual void ShowRoute(const RouteTrack& /*route*/) {}
  // The end of a run that read the file: whether its single-channel data lack a
  // frequency definition, and its receivers' bands (those the frequencies are for).
  virtual void IndexFinished(bool /*frequenciesNeeded*/, const BandInfo* /*bands*/) {}
};

// A host that keeps nothing (benchmarks, fuzzing).
class SilentIndexHost : public IndexHost {
 public:
  void ShowProgress(int) override {}
  void ReportMessage(MessageKind, const std::string&) override {}
  bool StopRequested() override { return false; }
  void ResetScanTree(int16_t, const std::string&) override {}
  void AddScanNode(int16_t, int32_t, const std::string&) override {}
  void ShowFileStatistics(const std::vector<std::string>&) override {}
};

// The seven statistics lines of the counters of the last pass.
std::vector<std::string> FileStatistics(const TLogReader& reader);

class IndexRun {
 public:
  IndexRun(TLogReader& reader, IndexHost& host, std::string input, int16_t product);
  // False when the input cannot be opened.
  bool Execute();

 private:
  TLogReader& Reader;
  IndexHost& Host;
  const std::string Input;
  const int16_t Product;
  RouteTrack Route;
  bool NeedsFrequencies = false;
};

}  // namespace quillon
