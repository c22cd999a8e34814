// TQuillonApplication: the application object. An exception that escapes an event
// handler is shown in an Error box (the standard exception display) and the program
// goes on.
#pragma once
#include <QApplication>

namespace quillon {

class TQuillonApplication : public QApplication {
 public:
  TQuillonApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace quillon
