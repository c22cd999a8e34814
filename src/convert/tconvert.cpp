#include "convert/tconvert.h"

#include "app/main_form.h"
#include "app/report_error.h"
#include "app/ui_call.h"
#include "reader/log_reader.h"

namespace quillon {

namespace {

class WindowRunHost : public RunHost {
 public:
  WindowRunHost(TMainForm* form, QThread* thread) : Form(form), Thread(thread) {}
  void ShowProgress(int percent) override {
    OnUiThread(Form, [&] { Form->ShowConvertProgress(percent); });
  }
  void ReportMessage(MessageKind kind, const std::string& text) override {
    OnUiThread(Form, [&] { report_error(static_cast<int>(kind), "%s", text.c_str()); });
  }
  bool StopRequested() override { return Thread->isInterruptionRequested(); }
  std::string FrequencyRemedy() const override {
    return "Choose it as the single input file and enter the frequencies when CONVERT asks for them,";
  }

 private:
  TMainForm* Form;
  QThread* Thread;
};

}  // namespace

TConvert::TConvert(TMainForm* form, Settings settings, std::vector<FilePair> pairs, ScanSelection selection)
    : Form(form), Config(std::move(settings)), Pairs(std::move(pairs)), Selection(std::move(selection)) {}

TConvert::~TConvert() {
  requestInterruption();
  wait();
}

void TConvert::run() {
  WindowRunHost host(Form, this);
  Result = ConversionRun(Reader, host, Config, Pairs, Selection).Execute();
}

}  // namespace quillon
