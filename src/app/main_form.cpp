// TMainForm: construction, the companion windows, the clock, the settings as the
// controls hold them, the configuration file, CANCEL and closing.
#include "app/main_form.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QTime>

#include "app/configuration.h"
#include "version.h"
#include "app/qt_text.h"
#include "layers/map_format.h"
#include "convert/tconvert.h"
#include "dialogs/frequency_entry.h"
#include "dialogs/help_form.h"
#include "dialogs/open_folder_dlg.h"
#include "dialogs/program_icon.h"
#include "dialogs/report_error.h"
#include "dialogs/route_map_form.h"
#include "indexing/make_index.h"
#include "indexing/wait_dlg.h"
#include "reader/log_reader.h"

namespace quillon {

namespace {

constexpr int kMaxColumns = kFieldMapSize;
const char kConfigFilter[] = "Configuration Files (*.cfg)";

// Map layers are chosen by the output's extension: the single output's, or that of
// the outputs of multiple-file mode.
int OutputFormatOf(const QString& path) { return static_cast<int>(FormatOfPath(Std(path))); }

}  // namespace

DialogSeams& Seams() {
  static DialogSeams seams{
      [](QWidget* parent, const QString& caption, const QString& filter) {
        return QFileDialog::getOpenFileName(parent, caption, QString(), filter);
      },
      [](QWidget* parent, const QString& caption, const QString& filter) {
        return QFileDialog::getSaveFileName(parent, caption, QString(), filter, nullptr,
                                            QFileDialog::DontConfirmOverwrite);
      },
      [](TOpenFolderDlg* dialog) { dialog->exec(); },
      [](TFrequencyEntryForm* dialog) { dialog->exec(); },
  };
  return seams;
}

void TMainForm::AttachForms(TAboutDlg* about, TWaitDlg* wait, THelp_Form* help, TOpenFolderDlg* folder,
                            TFrequencyEntryForm* frequencies) {
  AboutDlg = about;
  WaitDlg = wait;
  Help_Form = help;
  OpenFolderDlg = folder;
  FrequencyEntryForm = frequencies;
}

TMainForm::TMainForm() {
  setObjectName("MainForm");
  setWindowTitle(QString("KTR Quillon (Zephyn Edition) ") + kVersion);
  setWindowIcon(ProgramIcon());
  setFixedSize(1161, 712);
  Reader.MultiFileRun = 0;
  RouteMapForm = new TRouteMapForm(this);
  RouteMapForm->Map()->SetScanState([this](int32_t scan) {
    const ScanNode* node = Scans.Node(scan);
    return node ? node->State : kScanChecked;
  });
  BuildMenu();
  BuildControls();
  // FormCreate.
  FillAvailableBox();
  Reader.AttachMainWindow({Receiver1->isChecked(), Receiver2->isChecked()});
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  UpdateClock();
}

TMainForm::~TMainForm() {
  WaitForPasses();
  delete IndexThread;
  delete CurrentConvert;
  delete[] tvImages;
}

void TMainForm::UpdateClock() {
  QString format = QLocale::system().timeFormat(QLocale::LongFormat);
  format.remove('t');  // the time zone has no place on the clock
  olClock->setText(QTime::currentTime().toString(format.trimmed()));
}

// ---- Settings ----

int TMainForm::DelimiterIndex() const { return DelimiterButtons->checkedId(); }

void TMainForm::SetDelimiterIndex(int index) {
  if (QAbstractButton* button = DelimiterButtons->button(index)) {
    button->setChecked(true);
    return;
  }
  DelimiterButtons->setExclusive(false);
  for (QAbstractButton* b : DelimiterButtons->buttons()) b->setChecked(false);
  DelimiterButtons->setExclusive(true);
}

void TMainForm::SetRadio(QRadioButton* button, QButtonGroup* group, bool checked) {
  if (checked) {
    button->setChecked(true);
    return;
  }
  group->setExclusive(false);
  button->setChecked(false);
  group->setExclusive(true);
}

Settings TMainForm::CurrentSettings() const {
  Settings s;
  s.InputFormat = static_cast<int16_t>(InputFormatGroup->currentIndex());
  s.InputFilename = Std(InputFilename->text());
  s.OutputFilename = Std(OutputFilename->text());
  s.TarrowMode = TarrowMode->currentIndex();
  s.ScanType = ScanTypeGroup->currentIndex();
  s.Receiver1 = Receiver1->isChecked();
  s.Receiver2 = Receiver2->isChecked();
  s.FrequencyField = FrequencyField->isChecked();
  s.ChannelField = ChannelField->isChecked();
  s.RSSIField = RSSIField->isChecked();
  s.NoAvg = NoAvg->isChecked();
  s.BSAvg = BSAvg->isChecked();
  s.Lambda = rbLambda->isChecked();
  s.Delimiter = DelimiterIndex();
  s.OtherDelimiter = Std(OtherDelimiter->text());
  s.FieldTitles = FieldTitles->isChecked();
  s.Split = cbSplit->isChecked();
  s.DropOutages = cbRecDrop->isChecked();
  s.BinMetres = cbBins->isChecked() ? seBinMetres->value() : 0;
  s.OutageSeconds = Std(edOutage->text());
  s.IBwave = cbiBwave->isChecked();
  s.OutputFormat = OutputFormatOf(rbSingleFile->isChecked() ? OutputFilename->text() : "x" + edOutputExt->text());
  for (int i = 0; i < AvailableBox->count(); ++i) s.AvailableFields.push_back(Std(AvailableBox->item(i)->text()));
  for (int i = 0; i < SelectedBox->count() && i < kMaxColumns; ++i) {
    s.SelectedFields.push_back(Std(SelectedBox->item(i)->text()));
    s.SelectedTags.push_back(Reader.ColumnFieldMap[i]);
  }
  s.MultipleFiles = rbMultipleFiles->isChecked();
  s.InFolder = Std(edInFolder->text());
  s.OutFolder = Std(edOutFolder->text());
  s.InputExt = Std(cbInputExt->currentText());
  s.OutputExt = Std(edOutputExt->text());
  return s;
}

// Sets the controls in the order a restored configuration sets them: the input
// format first (its handler runs only when the index changes), the lists last.
void TMainForm::ApplySettings(const Settings& s) {
  InputFormatGroup->setCurrentIndex(s.InputFormat);
  InputFilename->setText(Qt8(s.InputFilename));
  TarrowMode->setCurrentIndex(s.TarrowMode);
  ScanTypeGroup->setCurrentIndex(s.ScanType);
  SetRadio(Receiver1, ReceiverButtons, s.Receiver1);
  SetRadio(Receiver2, ReceiverButtons, s.Receiver2);
  FrequencyField->setChecked(s.FrequencyField);
  ChannelField->setChecked(s.ChannelField);
  RSSIField->setChecked(s.RSSIField);
  SetRadio(NoAvg, AverageButtons, s.NoAvg);
  SetRadio(BSAvg, AverageButtons, s.BSAvg);
  SetDelimiterIndex(s.Delimiter);
  FieldTitles->setChecked(s.FieldTitles);
  AvailableBox->clear();
  for (const std::string& name : s.AvailableFields) AvailableBox->addItem(Qt8(name));
  SelectedBox->clear();
  for (size_t i = 0; i < s.SelectedFields.size() && i < static_cast<size_t>(kMaxColumns); ++i) {
    Reader.ColumnFieldMap[i] = i < s.SelectedTags.size() ? s.SelectedTags[i] : 0;
    SelectedBox->addItem(Qt8(s.SelectedFields[i]));
  }
  OutputFilename->setText(Qt8(s.OutputFilename));
}

// The restored input file is indexed whenever it is a log, with the layout it has,
// so that the tree and the statistics describe it; otherwise both are emptied.
void TMainForm::OpenConfigurationClick() {
  WaitFor(CurrentConvert);
  const QString path = Seams().OpenFile(this, "Open Configuration", kConfigFilter);
  if (path.isEmpty()) return;
  Settings s = CurrentSettings();
  std::string message;
  if (!RestoreConfiguration(Std(path), s, message)) {
    report_error(kError, "%s", message.c_str());
    return;
  }
  if (!message.empty()) report_error(kWarning, "%s", message.c_str());
  Restoring = true;
  ApplySettings(s);
  Restoring = false;
  if (!rbSingleFile->isChecked()) return;
  const int16_t type = DetectFileType(InputFilename->text());
  ShowProduct(type);
  Reader.MultiFileRun = 0;
  if (type != kFormatNone) {
    StartIndexing(type);
    return;
  }
  StopIndexing();
  ResetScanTree(kFormatNone, "");
  lbStats->clear();
  FrequenciesNeeded = false;
}

void TMainForm::SaveConfigurationClick() {
  QString path = Seams().SaveFile(this, "Save Configuration", kConfigFilter);
  if (path.isEmpty()) return;
  if (QFileInfo(path).suffix().isEmpty()) path += ".cfg";
  std::string message;
  if (!SaveConfiguration(CurrentSettings(), Std(path), message)) report_error(kError, "%s", message.c_str());
}

void TMainForm::btnCancelClick() {
  if (CurrentConvert) CurrentConvert->requestInterruption();
}

void TMainForm::closeEvent(QCloseEvent* event) {
  if (IndexThread) IndexThread->requestInterruption();
  if (CurrentConvert) CurrentConvert->requestInterruption();
  WaitForPasses();
  if (WaitDlg) WaitDlg->hide();
  if (Help_Form) Help_Form->close();
  RouteMapForm->close();
  event->accept();
}

}  // namespace quillon
