// TConvert: the conversion thread. It runs the engine's conversion run on a copy of
// the settings and pairs taken on the UI thread, and hands every gauge step and
// message box to the main window through blocking calls onto the UI thread.
// requestInterruption() is the stop request (CANCEL).
#pragma once
#include <QThread>
#include <vector>

#include "app/settings.h"
#include "convert/conversion_run.h"
#include "reader/scan_selection.h"

namespace quillon {

class TMainForm;

class TConvert : public QThread {
  Q_OBJECT
 public:
  TConvert(TMainForm* form, Settings settings, std::vector<FilePair> pairs, ScanSelection selection);
  ~TConvert() override;
  RunOutcome Outcome() const { return Result; }

 protected:
  void run() override;

 private:
  TMainForm* Form;
  const Settings Config;
  const std::vector<FilePair> Pairs;
  const ScanSelection Selection;
  RunOutcome Result = RunOutcome::Failed;
};

}  // namespace quillon
