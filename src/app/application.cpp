#include "app/application.h"

#include <exception>

#include "app/report_error.h"

namespace quillon {

TQuillonApplication::TQuillonApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName("KTR Quillon CW");
  setApplicationDisplayName("KTR Quillon CW");
}

bool TQuillonApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    report_error(kError, "%s", e.what());
  } catch (...) {
    report_error(kError, "An unexpected error occurred.");
  }
  return false;
}

}  // namespace quillon
