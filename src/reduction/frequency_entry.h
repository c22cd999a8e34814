// TFrequencyEntryForm: asks for one frequency per receiver ("Frequency Information
// Needed") when a file holds single-channel data without a frequency definition.
// Showing it proposes the middle of each band and lowers the reader's
// ManualFrequencies, so that closing it in any way but a successful "Set" aborts
// the conversion. "Set" checks both values against the bands and hands them to the
// reader.
#pragma once
#include <QDialog>

class QLabel;
class QLineEdit;

namespace quillon {

class TFrequencyEntryForm : public QDialog {
  Q_OBJECT
 public:
  explicit TFrequencyEntryForm(QWidget* parent = nullptr);
  void btnDoneClick();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FormShow();

  QLineEdit* edRx1;
  QLineEdit* edRx2;
  QLabel* lRx1Info;
  QLabel* lRx2Info;
  double Lowest[2] = {0, 0};
  double Highest[2] = {0, 0};
};

}  // namespace quillon
