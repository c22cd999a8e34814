#include "app/application.h"

#include <exception>

#include "dialogs/report_error.h"

namespace quillon {

TQuillonApplication::TQuillonApplication(int& argc, char** argv) : QApplication(argc, argv) {
  // The application title only: a display name would be appended to every window's
  // title bar ("Information — KTR Quillon CW"), and each window shows its caption alone.
  setApplicationName("KTR Quillon CW");
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
