#include "dialogs/report_error.h"

#include <QMessageBox>
#include <cstdarg>
#include <cstdio>

namespace quillon {

namespace {
ReportSink& Sink() {
  static ReportSink sink;
  return sink;
}
}  // namespace

void SetReportSink(ReportSink sink) { Sink() = std::move(sink); }

void report_error(int kind, const char* format, ...) {
  char text[513];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  if (Sink()) {
    Sink()(kind, text);
    return;
  }
  static const char* const kCaptions[] = {"Information", "Warning", "Error"};
  static const QMessageBox::Icon kIcons[] = {QMessageBox::Information, QMessageBox::Warning, QMessageBox::Critical};
  const int k = kind >= 0 && kind <= 2 ? kind : 2;
  QMessageBox box(kIcons[k], kCaptions[k], QString::fromUtf8(text), QMessageBox::Ok);
  box.exec();
}

}  // namespace quillon
