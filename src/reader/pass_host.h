// PassHost: what a pass over a log (a conversion, an indexing) reports and asks
// while it runs: whole percentages, messages, and the stop request. The window
// implements it with blocking calls onto its UI thread, the command line with
// stderr. Every call comes from the thread that drives the pass.
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

class PassHost {
 public:
  virtual ~PassHost() = default;
  // The gauge, 0 to 100; called only when the whole percentage changes.
  virtual void ShowProgress(int percent) = 0;
  virtual void ReportMessage(MessageKind kind, const std::string& text) = 0;
  // The stop request, looked for at each whole percent of a pass.
  virtual bool StopRequested() = 0;
};

}  // namespace quillon
