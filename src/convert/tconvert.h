// TConvert: the conversion thread. It runs the engine's conversion run on a copy of
// the settings and pairs taken on the UI thread, reporting through the host it is
// given (the window's hands every gauge step and message box to the UI thread).
// requestInterruption() is the stop request (CANCEL).
#pragma once
#include <QThread>
#include <memory>
#include <vector>

#include "convert/conversion_run.h"
#include "convert/run_host.h"
#include "convert/settings.h"
#include "reader/scan_selection.h"

namespace quillon {

class TConvert : public QThread {
  Q_OBJECT
 public:
  TConvert(std::unique_ptr<RunHost> host, Settings settings, std::vector<FilePair> pairs, ScanSelection selection);
  ~TConvert() override;
  RunOutcome Outcome() const { return Result; }

 protected:
  void run() override;

 private:
  const std::unique_ptr<RunHost> Host;
  const Settings Config;
  const std::vector<FilePair> Pairs;
  const ScanSelection Selection;
  RunOutcome Result = RunOutcome::Failed;
};

}  // namespace quillon
