// TAboutDlg: the about box ("About Quillon"), shown modally from Help > About.
#pragma once
#include <QDialog>

namespace quillon {

class TAboutDlg : public QDialog {
  Q_OBJECT
 public:
  explicit TAboutDlg(QWidget* parent = nullptr);
};

}  // namespace quillon
