// RunHost: what a conversion run reports and asks while it runs (a PassHost), and
// how its front end has the user give the receivers' frequencies of a file that
// needs them.
#pragma once
#include <string>

#include "reader/pass_host.h"

namespace quillon {

class RunHost : public PassHost {
 public:
  // The start of a sentence that goes on "within the receivers' bands: ...".
  virtual std::string FrequencyRemedy() const { return "Give the receivers' frequencies"; }
  // What loads a log into a database layer that holds it already, in its place.
  virtual std::string ReloadRemedy() const { return "Convert it with --replace to load it anew in its place."; }
};

// A host that shows nothing and never asks to stop (benchmarks, fuzzing, batch use).
class SilentRunHost : public RunHost {
 public:
  void ShowProgress(int) override {}
  void ReportMessage(MessageKind, const std::string&) override {}
  bool StopRequested() override { return false; }
};

}  // namespace quillon
