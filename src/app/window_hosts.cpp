#include "app/window_hosts.h"

#include <QThread>

#include "app/main_form.h"
#include "app/ui_call.h"
#include "dialogs/report_error.h"

namespace quillon {

namespace {
// Workers call from their own thread: the stop request is that thread's.
bool CurrentThreadStopRequested() { return QThread::currentThread()->isInterruptionRequested(); }

void Report(TMainForm* form, MessageKind kind, const std::string& text) {
  OnUiThread(form, [&] { report_error(static_cast<int>(kind), "%s", text.c_str()); });
}
}  // namespace

void WindowRunHost::ShowProgress(int percent) {
  OnUiThread(Form, [&] { Form->ShowConvertProgress(percent); });
}
void WindowRunHost::ReportMessage(MessageKind kind, const std::string& text) { Report(Form, kind, text); }
bool WindowRunHost::StopRequested() { return CurrentThreadStopRequested(); }
std::string WindowRunHost::FrequencyRemedy() const {
  return "Choose it as the single input file and enter the frequencies when CONVERT asks for them,";
}

void WindowIndexHost::ShowProgress(int percent) {
  OnUiThread(Form, [&] { Form->ShowIndexProgress(percent); });
}
void WindowIndexHost::ReportMessage(MessageKind kind, const std::string& text) { Report(Form, kind, text); }
bool WindowIndexHost::StopRequested() { return CurrentThreadStopRequested(); }
void WindowIndexHost::ShowWaitWindow(bool visible) {
  OnUiThread(Form, [&] { Form->ShowWaitWindow(visible); });
}
void WindowIndexHost::ResetScanTree(int16_t product, const std::string& file) {
  OnUiThread(Form, [&] { Form->ResetScanTree(product, file); });
}
void WindowIndexHost::AddScanNode(int16_t kind, int32_t number, const std::string& label) {
  if (number > kMaxScanNodes) {
    ++NotShown;
    return;
  }
  OnUiThread(Form, [&] { Form->AddScanNode(kind, number, label); });
}
void WindowIndexHost::ShowFileStatistics(const std::vector<std::string>& lines) {
  OnUiThread(Form, [&] {
    Form->ShowScansNotShown(NotShown);
    Form->ShowFileStatistics(lines);
  });
}
void WindowIndexHost::ShowRoute(const RouteTrack& route) {
  OnUiThread(Form, [&] { Form->ShowRoute(route); });
}
void WindowIndexHost::IndexFinished(bool frequenciesNeeded, const BandInfo* bands) {
  OnUiThread(Form, [&] { Form->IndexFinished(frequenciesNeeded, bands); });
}

std::string InputToIndex(TMainForm* form) {
  std::string input;
  OnUiThread(form, [&] { input = form->InputFilenameText(); });
  return input;
}

}  // namespace quillon
