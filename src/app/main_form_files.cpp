// TMainForm's input and output selection, the indexing it starts, and CONVERT.
#include <QAction>
#include <QCoreApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include "app/main_form.h"
#include "indexing/wait_dlg.h"
#include "app/qt_text.h"
#include "app/window_hosts.h"
#include "controls/cgauge.h"
#include "convert/file_pairs.h"
#include "layers/map_format.h"
#include "convert/tconvert.h"
#include "dialogs/frequency_entry.h"
#include "dialogs/open_folder_dlg.h"
#include "dialogs/report_error.h"
#include "indexing/make_index.h"
#include "reader/file_type.h"
#include "reader/log_reader.h"
#include "reader/messages.h"
#include "reader/path_check.h"

namespace quillon {

namespace {
const char kLogFilter[] = "Zephyn Log File (*.klf);;Kez Truncated File (*.kez)";
// Every output format by name and extension; delimited text first.
QString OutputFilter() {
  QString filter;
  for (OutputFormat f : {OutputFormat::Delimited, OutputFormat::GeoPackage, OutputFormat::MapInfoTab,
                         OutputFormat::MapInfoMif, OutputFormat::Shapefile, OutputFormat::FlatGeobuf,
                         OutputFormat::GeoJson, OutputFormat::Kml})
    filter += QString("%1 (*%2);;").arg(InfoOf(f).Title, InfoOf(f).Extension);
  return filter + "All Files (*)";
}
}  // namespace

// ---- Input and output ----

int16_t TMainForm::DetectFileType(const QString& path) const { return quillon::DetectFileType(Std(path)); }

void TMainForm::SetInputFormat(int type) {
  InputFormatGroup->setCurrentIndex(0);
  InputFormatGroup->setCurrentIndex(type);
}

void TMainForm::InputFormatChanged(int index) {
  if (index == 0) return;
  if (index == kFormatStandard || index == kFormatFlashCard) {
    ScanTypeGroup->setEnabled(true);
    ScanTypeGroup->setProperty("shown", true);
    ScanTypeGroup->setCurrentIndex(1);
    FillAvailableBox();
  }
  if (!Reader.MultiFileRun && !Restoring) StartIndexing(static_cast<int16_t>(index));
}

void TMainForm::ShowProduct(int16_t type) {
  lProduct->setText(type == kFormatStandard || type == kFormatFlashCard ? InputFormatGroup->itemText(type) : QString());
}

bool TMainForm::IndexRunning() const { return IndexThread && IndexThread->isRunning(); }
bool TMainForm::ConvertRunning() const { return CurrentConvert && CurrentConvert->isRunning(); }

// Waits for a worker while letting its blocking calls onto this thread run.
void TMainForm::WaitFor(QThread* thread) {
  while (thread && !thread->wait(10)) QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TMainForm::WaitForPasses() {
  WaitFor(IndexThread);
  WaitFor(CurrentConvert);
}

void TMainForm::StopIndexing() {
  if (!IndexThread) return;
  IndexThread->requestInterruption();
  WaitFor(IndexThread);
  delete IndexThread;
  IndexThread = nullptr;
}

void TMainForm::StartIndexing(int16_t product) {
  StopIndexing();
  WaitFor(CurrentConvert);  // never two passes on the reader
  FrequenciesNeeded = false;
  IndexThread = new TMakeIndex(std::make_unique<WindowIndexHost>(this), [this] { return InputToIndex(this); }, product);
  IndexThread->start();
}

void TMainForm::InBrowseClick() {
  WaitFor(CurrentConvert);  // the reader's settings change only between passes
  const QString path = Seams().OpenFile(this, "Open", kLogFilter);
  if (path.isEmpty()) return;
  Reader.MultiFileRun = 0;
  const int16_t type = DetectFileType(path);
  SetInputFormat(type);
  if (type == kFormatNone) {
    const std::string problem = ReadProblem(Std(path));
    report_error(kWarning, "%s%s%s", messages::kNotFromKtrProduct, problem.empty() ? "" : "\n", problem.c_str());
    return;
  }
  ShowProduct(type);
  InputFilename->setText(path);
  OutputFilename->setText(Qt8(OutputNameFor(Std(path), ".out")));
  FileCount = 1;
  InputNames.assign(1, Std(InputFilename->text()));
  OutputNames.assign(1, Std(OutputFilename->text()));
}

void TMainForm::OutBrowseClick() {
  const QString path = Seams().SaveFile(this, "Save As", OutputFilter());
  if (!path.isEmpty()) OutputFilename->setText(path);
}


void TMainForm::btnInFolderClick() {
  WaitFor(CurrentConvert);
  Seams().ChooseFolder(OpenFolderDlg);
  edInFolder->setText(OpenFolderDlg->Folder());
  if (!edOutFolder->text().isEmpty()) edFileCount->setText(QString::number(FileCount = std::max(0, ScanFolder())));
}

void TMainForm::btnOutFolderClick() {
  WaitFor(CurrentConvert);
  Seams().ChooseFolder(OpenFolderDlg);
  edOutFolder->setText(OpenFolderDlg->Folder());
  if (!edInFolder->text().isEmpty()) edFileCount->setText(QString::number(FileCount = std::max(0, ScanFolder())));
}

// The folder's inputs and their outputs, listed by the engine as the command line
// lists them; -1, after an Error message, when the input folder cannot be read.
int TMainForm::ScanFolder() {
  std::vector<FilePair> pairs;
  std::string message;
  const bool listed = ListFolderPairs(Std(edInFolder->text()), Std(edOutFolder->text()), Std(cbInputExt->currentText()),
                                      Std(edOutputExt->text()), pairs, message);
  InputNames.clear();
  OutputNames.clear();
  if (!listed) {
    report_error(kError, "%s", message.c_str());
    return -1;
  }
  for (const FilePair& pair : pairs) {
    InputNames.push_back(pair.Input);
    OutputNames.push_back(pair.Output);
  }
  if (!InputNames.empty()) {
    const int16_t type = quillon::DetectFileType(InputNames[0]);
    Reader.MultiFileRun = 1;
    SetInputFormat(type);
  }
  return static_cast<int>(InputNames.size());
}

void TMainForm::btnConvertClick() { StartConversion(""); }

// "Survey Report...": the report of what CONVERT converts, written once it has.
void TMainForm::SurveyReportClick() {
  const QString path = Seams().SaveFile(this, "Survey Report", "HTML files (*.html)");
  if (!path.isEmpty()) StartConversion(Std(path));
}

void TMainForm::StartConversion(const std::string& report) {
  // Never two passes at once: an indexing in progress ends first, and its wait window says so.
  if (IndexRunning()) {
    WaitDlg->show();
    WaitDlg->ShowConvertWaiting();
    WaitDlg->raise();
  }
  WaitFor(IndexThread);
  if (CurrentConvert) {
    CurrentConvert->requestInterruption();
    WaitFor(CurrentConvert);
    delete CurrentConvert;
    CurrentConvert = nullptr;
  }
  if (SelectedBox->count() == 0) {
    report_error(kError, "%s", messages::kNoFieldsSelected);
    return;
  }
  // The dialog belongs to the indexed single file: it shows at every CONVERT of a
  // file that needs frequencies, so a cancelled entry never converts it without them.
  std::vector<double> frequencies;
  if (rbSingleFile->isChecked() && FrequenciesNeeded && SameFile(Scans.File(), Std(InputFilename->text()))) {
    FrequencyEntryForm->SetBands(IndexedBands);
    Seams().EnterFrequencies(FrequencyEntryForm);
    if (!Reader.ManualFrequencies) {
      report_error(kInformation, "%s", messages::kConversionAborted);
      return;
    }
    frequencies = FrequencyEntryForm->EnteredFrequencies();
  }
  Reader.AttachMainWindow({Receiver1->isChecked(), Receiver2->isChecked()});
  Reader.SelectReceiver(Receiver1->isChecked() ? 1 : 2);
  std::vector<FilePair> pairs;
  ScanSelection selection;
  if (rbSingleFile->isChecked()) {
    if (InputFilename->text().isEmpty() || OutputFilename->text().isEmpty()) {
      report_error(kError, "%s", messages::kFilesMustBeSelected);
      return;
    }
    Reader.MultiFileRun = 0;
    FileCount = 1;
    InputNames.assign(1, Std(InputFilename->text()));
    OutputNames.assign(1, Std(OutputFilename->text()));
    selection = Scans.Selection();
  } else {
    if (edInFolder->text().isEmpty() || edOutFolder->text().isEmpty()) {
      report_error(kError, "%s", messages::kFoldersMustBeSelected);
      return;
    }
    Reader.MultiFileRun = 1;
    FileCount = ScanFolder();
    if (FileCount < 0) {
      FileCount = 0;
      edFileCount->setText("0");
      return;
    }
    edFileCount->setText(QString::number(FileCount));
  }
  for (int i = 0; i < FileCount; ++i) pairs.push_back({InputNames[static_cast<size_t>(i)], OutputNames[static_cast<size_t>(i)]});
  Settings settings = CurrentSettings();
  settings.Frequencies = frequencies;
  settings.Report = report;
  CurrentConvert =
      new TConvert(std::make_unique<WindowRunHost>(this), std::move(settings), std::move(pairs), std::move(selection));
  connect(CurrentConvert, &QThread::finished, this, &TMainForm::ConversionEnded);
  SetRunControlsEnabled(false);
  CurrentConvert->start();
}

// A run reads its settings once, at its start: while it runs every control of the
// window is off but CANCEL, the gauge and what only shows. Controls that were off
// already (a folder box in single-file mode, the outage seconds without the check)
// are left as they were and stay off afterwards.
void TMainForm::SetRunControlsEnabled(bool enabled) {
  if (!enabled) {
    OffForRun.clear();
    for (QWidget* w : pMain->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (w == btnCancel || w == pProgressBar || w == lbStats || qobject_cast<QLabel*>(w)) continue;
      if (w->testAttribute(Qt::WA_ForceDisabled)) continue;
      w->setEnabled(false);
      OffForRun.push_back(w);
    }
  } else {
    for (QWidget* w : OffForRun) w->setEnabled(true);
    OffForRun.clear();
  }
  OpenConfiguration1->setEnabled(enabled);
  SurveyReport1->setEnabled(enabled);
}

// After the run's closing message has been dismissed: the controls come back and
// the gauge returns to 0.
void TMainForm::ConversionEnded() {
  if (ConvertRunning()) return;  // the end of an earlier run, seen only after a new one started
  SetRunControlsEnabled(true);
  ProgressBar->SetProgress(0);
}

}  // namespace quillon
