// TMakeIndex: the indexing thread. It reads the input file name on the UI thread,
// runs the engine's indexing pass, and hands every tree node, gauge step, the
// statistics and any error to the main window through blocking calls onto the UI
// thread. requestInterruption() stops it between records.
#pragma once
#include <QThread>

namespace quillon {

class TMainForm;

class TMakeIndex : public QThread {
  Q_OBJECT
 public:
  TMakeIndex(TMainForm* form, int16_t product);

 protected:
  void run() override;

 private:
  TMainForm* Form;
  const int16_t Product;
};

}  // namespace quillon
