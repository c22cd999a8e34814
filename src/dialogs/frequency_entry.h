// TFrequencyEntryForm: asks for one frequency per receiver ("Frequency Information
// Needed") when a file holds single-channel data without a frequency definition.
// Showing it proposes the middle of each band and lowers the reader's
// ManualFrequencies, so that closing it in any way but a successful "Set" aborts
// the conversion. "Set" checks both values against the bands (a text that is not a
// finite number is refused) and hands them to the reader.
#pragma once
#include <QDialog>
#include <vector>

#include "reader/band_info.h"

class QLabel;
class QLineEdit;

namespace quillon {

class TFrequencyEntryForm : public QDialog {
  Q_OBJECT
 public:
  explicit TFrequencyEntryForm(QWidget* parent = nullptr);
  void btnDoneClick();
  // The bands of the file the frequencies are for (those of the reader until set).
  void SetBands(const BandInfo bands[2]);
  // Receiver 1 and 2 in MHz from the last successful "Set".
  std::vector<double> EnteredFrequencies() const { return Entered; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FormShow();

  QLineEdit* edRx1;
  QLineEdit* edRx2;
  QLabel* lRx1Info;
  QLabel* lRx2Info;
  BandInfo Bands[2];
  bool BandsSet = false;
  double Lowest[2] = {0, 0};
  double Highest[2] = {0, 0};
  std::vector<double> Entered;
};

}  // namespace quillon
