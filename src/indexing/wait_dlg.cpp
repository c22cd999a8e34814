#include "indexing/wait_dlg.h"

#include <QFrame>
#include <QLabel>

#include "controls/cgauge.h"

namespace quillon {

TWaitDlg::TWaitDlg(QWidget* parent) : QDialog(parent) {
  setObjectName("WaitDlg");
  setWindowTitle("Wait");
  setFixedSize(313, 136);
  setModal(false);
  auto* bevel = new QFrame(this);
  bevel->setObjectName("W");
  bevel->setFrameStyle(QFrame::Box | QFrame::Sunken);
  bevel->setGeometry(8, 8, 297, 123);
  auto* label = new QLabel("Please Wait While the File is Indexed!", this);
  label->setObjectName("Label1");
  label->setGeometry(24, 22, 267, 39);
  label->setAlignment(Qt::AlignCenter);
  label->setWordWrap(true);
  QFont font("MS Sans Serif");
  font.setPixelSize(16);
  font.setBold(true);
  label->setFont(font);
  label->setStyleSheet("color: navy;");
  ConvertWaiting = new QLabel("The conversion starts when indexing ends.", this);
  ConvertWaiting->setObjectName("lConvertWaiting");
  ConvertWaiting->setGeometry(16, 66, 281, 24);
  ConvertWaiting->setAlignment(Qt::AlignCenter);
  ConvertWaiting->hide();
  ProgressBar = new TCGauge(this);
  ProgressBar->setObjectName("ProgressBar");
  ProgressBar->setGeometry(16, 96, 281, 28);
  ProgressBar->SetForeColor(Qt::blue);
}

void TWaitDlg::ShowConvertWaiting() { ConvertWaiting->show(); }

// The next indexing starts without the note: it belonged to the CONVERT that waited.
void TWaitDlg::hideEvent(QHideEvent* event) {
  ConvertWaiting->hide();
  QDialog::hideEvent(event);
}

}  // namespace quillon
