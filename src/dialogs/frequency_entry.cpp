#include "dialogs/frequency_entry.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

#include <cmath>

#include "dialogs/report_error.h"
#include "convert/frequency_check.h"
#include "reader/log_reader.h"
#include "reader/messages.h"

namespace quillon {

TFrequencyEntryForm::TFrequencyEntryForm(QWidget* parent) : QDialog(parent) {
  setObjectName("FrequencyEntryForm");
  setWindowTitle("Frequency Information Needed");
  resize(400, 250);
  auto* done = new QPushButton("Set", this);
  done->setObjectName("btnDone");
  done->setGeometry(110, 200, 75, 25);
  auto* label1 = new QLabel("Receiver 1", this);
  label1->setObjectName("Label1");
  label1->setGeometry(24, 100, 80, 21);
  auto* label2 = new QLabel("Receiver 2", this);
  label2->setObjectName("Label2");
  label2->setGeometry(24, 148, 80, 21);
  auto* label3 = new QLabel(
      "Frequency information was not found  for the scan which is to be converted. If you know the frequencies, "
      "please enter them below. 40 lambda processing can not be done without this information being correct and "
      "the file will not convert.",
      this);
  label3->setObjectName("Label3");
  label3->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  label3->setWordWrap(true);
  label3->setGeometry(16, 12, 368, 76);
  edRx1 = new QLineEdit("0", this);
  edRx1->setObjectName("edRx1");
  edRx1->setGeometry(104, 98, 100, 23);
  edRx2 = new QLineEdit("0", this);
  edRx2->setObjectName("edRx2");
  edRx2->setGeometry(104, 146, 100, 23);
  lRx1Info = new QLabel("(no receiver information)", this);
  lRx1Info->setObjectName("lRx1Info");
  lRx1Info->setGeometry(104, 122, 280, 18);
  lRx2Info = new QLabel("(no receiver information)", this);
  lRx2Info->setObjectName("lRx2Info");
  lRx2Info->setGeometry(104, 170, 280, 18);
  auto* mhz1 = new QLabel("MHz", this);
  mhz1->setObjectName("Label5");
  mhz1->setGeometry(210, 100, 40, 21);
  auto* mhz2 = new QLabel("MHz", this);
  mhz2->setObjectName("Label6");
  mhz2->setGeometry(210, 148, 40, 21);
  auto* cancel = new QPushButton("Cancel", this);
  cancel->setObjectName("btnCancel");
  cancel->setGeometry(215, 200, 75, 25);
  connect(done, &QPushButton::clicked, this, &TFrequencyEntryForm::btnDoneClick);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TFrequencyEntryForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) FormShow();
}

void TFrequencyEntryForm::SetBands(const BandInfo bands[2]) {
  Bands[0] = bands[0];
  Bands[1] = bands[1];
  BandsSet = true;
}

void TFrequencyEntryForm::FormShow() {
  QLineEdit* const edits[2] = {edRx1, edRx2};
  QLabel* const infos[2] = {lRx1Info, lRx2Info};
  for (int rx = 0; rx < 2; ++rx) {
    const BandInfo& band = BandsSet ? Bands[rx] : Reader.State().Bands[rx];
    Lowest[rx] = band.LowestMHz();
    Highest[rx] = band.HighestMHz();
    infos[rx]->setText(QString::fromStdString(BandRangeText(band)));
    edits[rx]->setText(QString::asprintf("%.5f", (Lowest[rx] + Highest[rx]) * 0.5));
  }
  Reader.ManualFrequencies = 0;
}

void TFrequencyEntryForm::btnDoneClick() {
  QLineEdit* const edits[2] = {edRx1, edRx2};
  double values[2];
  for (int rx = 0; rx < 2; ++rx) {
    bool ok = false;
    values[rx] = edits[rx]->text().trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(values[rx])) {  // "inf" and "nan" read as doubles, but are no frequencies
      report_error(kError, messages::kNotAFloatingPointValue, edits[rx]->text().toUtf8().constData());
      return;
    }
  }
  for (int rx = 0; rx < 2; ++rx) {
    if (values[rx] < Lowest[rx] || values[rx] > Highest[rx]) {
      report_error(kError, messages::kNotInReceiverRange, values[rx]);
      return;
    }
  }
  Reader.SetManualFrequencies(values[0], values[1]);  // raises ManualFrequencies, counts as a definition
  Entered.assign(values, values + 2);
  accept();
}

}  // namespace quillon
