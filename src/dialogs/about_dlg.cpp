#include "dialogs/about_dlg.h"

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include "dialogs/program_icon.h"
#include "version.h"

namespace quillon {

namespace {
QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int x, int y, int w, int h, int pixels,
                  bool bold, bool wrap, Qt::Alignment align = Qt::AlignLeft | Qt::AlignTop) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  QFont font = label->font();
  font.setPixelSize(pixels);
  font.setBold(bold);
  label->setFont(font);
  label->setWordWrap(wrap);
  label->setAlignment(align);
  label->setGeometry(x, y, w, h);
  return label;
}
}  // namespace

TAboutDlg::TAboutDlg(QWidget* parent) : QDialog(parent) {
  setObjectName("AboutDlg");
  setWindowTitle("About Quillon");
  setWindowIcon(ProgramIcon());
  setFixedSize(451, 348);

  auto* panel = new QFrame(this);
  panel->setObjectName("Panel1");
  panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  panel->setGeometry(8, 8, 433, 305);

  auto* icon = new QLabel(panel);
  icon->setObjectName("ProgramIcon");
  icon->setPixmap(ProgramArtwork(105));
  icon->setScaledContents(true);
  icon->setGeometry(8, 8, 105, 105);

  MakeLabel(panel, "Label1", "Quillon (Zephyn Edition)", 124, 12, 300, 24, 16, true, false);
  MakeLabel(panel, "Version", QString("Version ") + kVersion, 124, 40, 300, 20, 12, true, false);
  MakeLabel(panel, "Copyright", "Copyright (C) KTR Instruments", 124, 64, 300, 20, 12, true, false);
  MakeLabel(panel, "Notice", "All rights reserved. Unauthorised copying is prohibited.", 124, 88, 300, 28, 12, true,
            true);

  auto* intro = new QGroupBox("Introduction", panel);
  intro->setObjectName("GroupBox2");
  intro->setGeometry(12, 120, 413, 105);
  MakeLabel(intro, "Label3",
            "Quillon takes the output of CW and CDMA scanning receivers and filters it.", 8, 20, 397, 34, 12, false, true,
            Qt::AlignHCenter | Qt::AlignTop);
  MakeLabel(intro, "Label4",
            "The data is converted into delimited files for input into post-processing and mapping applications.", 8,
            56, 397, 40, 12, false, true, Qt::AlignHCenter | Qt::AlignTop);

  auto* marks = new QGroupBox("Trademarks", panel);
  marks->setObjectName("GroupBox1");
  marks->setGeometry(12, 232, 413, 65);
  MakeLabel(marks, "Label2",
            "All trademarks and product names mentioned in this program are the property of their respective owners.",
            8, 20, 397, 40, 12, false, true);

  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("OKBtn");
  ok->setDefault(true);
  ok->setGeometry(192, 320, 65, 27);
  ok->setFocus();
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace quillon
