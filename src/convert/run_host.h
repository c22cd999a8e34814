// RunHost: what a conversion reports and asks while it runs. The window implements
// it with blocking calls onto its UI thread, the command line with stderr. Every
// call comes from the thread that drives the run.
#pragma once
#include <string>

namespace quillon {

enum class MessageKind { Information = 0, Warning = 1, Error = 2 };

// Captions of the message boxes of each kind.
inline const char* MessageCaption(MessageKind kind) {
  switch (kind) {
    case MessageKind::Information: return "Information";
    case MessageKind::Warning: return "Warning";
    default: return "Error";
  }
}

class RunHost {
 public:
  virtual ~RunHost() = default;
  // The gauge, 0 to 100; called only when the whole percentage changes.
  virtual void ShowProgress(int percent) = 0;
  virtual void ReportMessage(MessageKind kind, const std::string& text) = 0;
  // The stop request, polled between records.
  virtual bool StopRequested() = 0;
  // How the user gives the receivers' frequencies of a file that needs them, as the
  // start of a sentence that goes on "within the receivers' bands: ...".
  virtual std::string FrequencyRemedy() const { return "Give the receivers' frequencies"; }
};

// A host that shows nothing and never asks to stop (benchmarks, fuzzing, batch use).
class SilentRunHost : public RunHost {
 public:
  void ShowProgress(int) override {}
  void ReportMessage(MessageKind, const std::string&) override {}
  bool StopRequested() override { return false; }
};

}  // namespace quillon
