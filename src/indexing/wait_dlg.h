// TWaitDlg: the modeless wait window shown while a file is indexed ("Wait"), with
// its blue gauge. Closing it with the close box only hides it. When CONVERT is
// pressed during the indexing it says that the conversion waits for it.
#pragma once
#include <QDialog>

class QLabel;

namespace quillon {

class TCGauge;

class TWaitDlg : public QDialog {
  Q_OBJECT
 public:
  explicit TWaitDlg(QWidget* parent = nullptr);
  // Shows "The conversion starts when indexing ends." until the window is next shown.
  void ShowConvertWaiting();
  TCGauge* ProgressBar;

 protected:
  void hideEvent(QHideEvent* event) override;

 private:
  QLabel* ConvertWaiting;
};

}  // namespace quillon
