// THelp_Form: the help window with the built-in user manual ("Quillon Help").
// Shown without blocking the main window; text typed into it stays until the
// program ends and is never saved.
#pragma once
#include <QWidget>

class QTextEdit;

namespace quillon {

class THelp_Form : public QWidget {
  Q_OBJECT
 public:
  explicit THelp_Form(QWidget* parent = nullptr);
  static QString ManualText();

 private:
  QTextEdit* RichEdit1;
};

}  // namespace quillon
