// report_error: every user-visible problem and notice of the window goes through
// here. The text is formatted printf-style, bounded to 512 characters, and shown in
// a modal message box with an OK button only: kind 0 "Information", 1 "Warning",
// 2 "Error", each with its icon. Tests replace the box through SetReportSink.
#pragma once
#include <functional>
#include <string>

namespace quillon {

enum ReportKind { kInformation = 0, kWarning = 1, kError = 2 };

void report_error(int kind, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Receives (kind, text) instead of the message box while set; an empty function
// restores the box.
using ReportSink = std::function<void(int, const std::string&)>;
void SetReportSink(ReportSink sink);

}  // namespace quillon
