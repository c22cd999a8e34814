#include "indexing/make_index.h"

#include "app/main_form.h"
#include "app/report_error.h"
#include "app/ui_call.h"
#include "indexing/index_run.h"
#include "reader/log_reader.h"

namespace quillon {

namespace {

class WindowIndexHost : public IndexHost {
 public:
  WindowIndexHost(TMainForm* form, QThread* thread) : Form(form), Thread(thread) {}
  void ShowWaitWindow(bool visible) override {
    OnUiThread(Form, [&] { Form->ShowWaitWindow(visible); });
  }
  void ResetScanTree(int16_t product, const std::string& file) override {
    OnUiThread(Form, [&] { Form->ResetScanTree(product, file); });
  }
  // Scans beyond the tree's nodes are only counted: no call onto the UI thread each.
  void AddScanNode(int16_t kind, int32_t number, const std::string& label) override {
    if (number > kMaxScanNodes) {
      ++NotShown;
      return;
    }
    OnUiThread(Form, [&] { Form->AddScanNode(kind, number, label); });
  }
  void ShowIndexProgress(int percent) override {
    OnUiThread(Form, [&] { Form->ShowIndexProgress(percent); });
  }
  void ShowFileStatistics(const std::vector<std::string>& lines) override {
    OnUiThread(Form, [&] {
      Form->ShowScansNotShown(NotShown);
      Form->ShowFileStatistics(lines);
    });
  }
  void ReportError(const std::string& text) override {
    OnUiThread(Form, [&] { report_error(kError, "%s", text.c_str()); });
  }
  bool StopRequested() override { return Thread->isInterruptionRequested(); }
  void ShowRoute(const RouteTrack& route) override {
    OnUiThread(Form, [&] { Form->ShowRoute(route); });
  }

 private:
  TMainForm* Form;
  QThread* Thread;
  int64_t NotShown = 0;
};

}  // namespace

TMakeIndex::TMakeIndex(TMainForm* form, int16_t product) : Form(form), Product(product) {}

void TMakeIndex::run() {
  std::string input;
  OnUiThread(Form, [&] { input = Form->InputFilenameText(); });
  WindowIndexHost host(Form, this);
  IndexRun run(Reader, host, input, Product);
  const bool indexed = run.Execute();
  const BandInfo bands[2] = {Reader.Bands[0], Reader.Bands[1]};
  OnUiThread(Form, [&] { Form->IndexFinished(indexed && run.FrequenciesNeeded(), bands); });
}

}  // namespace quillon
