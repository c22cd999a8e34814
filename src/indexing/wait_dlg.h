// TWaitDlg: the modeless wait window shown while a file is indexed ("Wait"), with
// its blue gauge. Closing it with the close box only hides it.
#pragma once
#include <QDialog>

namespace quillon {

class TCGauge;

class TWaitDlg : public QDialog {
  Q_OBJECT
 public:
  explicit TWaitDlg(QWidget* parent = nullptr);
  TCGauge* ProgressBar;
};

}  // namespace quillon
