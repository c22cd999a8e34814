#include "app/main_form.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTime>
#include <QTimer>
#include <QTreeWidget>

#include "app/configuration.h"
#include "app/report_error.h"
#include "controls/cgauge.h"
#include "convert/feature_writer.h"
#include "convert/file_pairs.h"
#include "convert/tconvert.h"
#include "dialogs/about_dlg.h"
#include "dialogs/help_form.h"
#include "dialogs/open_folder_dlg.h"
#include "dialogs/program_icon.h"
#include "dialogs/route_map_form.h"
#include "indexing/make_index.h"
#include "indexing/wait_dlg.h"
#include "reader/file_type.h"
#include "reader/log_reader.h"
#include "reader/path_check.h"
#include "reduction/frequency_entry.h"

namespace quillon {

namespace {

constexpr int kMaxColumns = kFieldMapSize;
const char kLogFilter[] = "Zephyn Log File (*.klf);;Kez Truncated File (*.kez)";
const char kConfigFilter[] = "Configuration Files (*.cfg)";
const char kOutputFilter[] = "Delimited Text (*.out);;GeoJSON (*.geojson);;KML (*.kml);;All Files (*)";

template <typename T>
T* Named(T* widget, const char* name) {
  widget->setObjectName(name);
  return widget;
}

QLabel* MakeLabel(QWidget* parent, const QString& text, int x, int y, int w = 0, int h = 20) {
  auto* label = new QLabel(text, parent);
  if (w > 0) label->setGeometry(x, y, w, h);
  else label->move(x, y);
  return label;
}

QLabel* StepHeading(QWidget* parent, const QString& text, int x, int y, int w) {
  QLabel* label = MakeLabel(parent, text, x, y, w, 18);
  QFont font = label->font();
  font.setBold(true);
  label->setFont(font);
  label->setStyleSheet("color: navy;");
  return label;
}

// State images of scan nodes: 0 a red tick, 1 an empty blue box, 2 a blue box with a red tick.
QIcon StateImage(int index) {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  if (index >= 1) {
    p.setPen(QPen(Qt::blue, 1));
    p.setBrush(Qt::white);
    p.drawRect(2, 2, 11, 11);
  }
  if (index != 1) {
    p.setPen(QPen(Qt::red, 2));
    p.drawLine(4, 8, 7, 11);
    p.drawLine(7, 11, 12, 4);
  }
  return QIcon(pixmap);
}

// Map-ready outputs are chosen by their extension in the save dialog.
int OutputFormatOf(const QString& path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix == "geojson") return static_cast<int>(OutputFormat::GeoJson);
  if (suffix == "kml") return static_cast<int>(OutputFormat::Kml);
  return static_cast<int>(OutputFormat::Delimited);
}

// Paths and names are UTF-8 inside the program.
std::string Std(const QString& s) { return s.toUtf8().toStdString(); }
QString Qt8(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

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
  setWindowTitle("KTR Quillon (Zephyn Edition) 6.20");
  setWindowIcon(ProgramIcon());
  setFixedSize(1161, 712);
  Reader.MultiFileRun = 0;
  tvImages = new QIcon[3]{StateImage(0), StateImage(1), StateImage(2)};
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

void TMainForm::BuildMenu() {
  QMenu* application = menuBar()->addMenu("&Application");
  application->setObjectName("Application1");
  OpenConfiguration1 = application->addAction("Open Configuration", this, &TMainForm::OpenConfigurationClick);
  OpenConfiguration1->setObjectName("OpenConfiguration1");
  QAction* save = application->addAction("Save Configuration", this, &TMainForm::SaveConfigurationClick);
  save->setObjectName("SaveConfiguration1");
  application->addSeparator()->setObjectName("N1");
  application->addAction("E&xit", this, &QWidget::close)->setObjectName("Exit1");
  QMenu* view = menuBar()->addMenu("&View");
  view->setObjectName("View1");
  view->addAction("Route Map", this, &TMainForm::ShowRouteMap)->setObjectName("RouteMap1");
  QMenu* help = menuBar()->addMenu("&Help");
  help->setObjectName("Help1");
  help->addAction("Contents && Index", this, [this] {
        Help_Form->show();
        Help_Form->raise();
        Help_Form->activateWindow();
      })->setObjectName("ContentsIndex1");
  help->addSeparator()->setObjectName("N2");
  help->addAction("About", this, [this] { AboutDlg->exec(); })->setObjectName("About1");
}

// A group box holding two exclusive radio buttons, the first one checked.
QGroupBox* TMainForm::RadioPair(QWidget* parent, const char* title, const char* name, const QRect& place,
                                std::pair<const char*, const char*> first, std::pair<const char*, const char*> second,
                                QRadioButton*& firstButton, QRadioButton*& secondButton, QButtonGroup*& buttons) {
  auto* group = Named(new QGroupBox(title, parent), name);
  group->setGeometry(place);
  firstButton = Named(new QRadioButton(first.first, group), first.second);
  firstButton->setGeometry(12, 22, place.width() - 20, 20);
  secondButton = Named(new QRadioButton(second.first, group), second.second);
  secondButton->setGeometry(12, 46, place.width() - 20, 20);
  buttons = new QButtonGroup(this);
  buttons->addButton(firstButton);
  buttons->addButton(secondButton);
  firstButton->setChecked(true);
  return group;
}

void TMainForm::BuildControls() {
  pMain = Named(new QFrame(this), "pMain");
  setCentralWidget(pMain);
  QWidget* m = pMain;

  // Step 1: input and output.
  StepHeading(m, "Step 1 - Select Input / Output", 8, 6, 372);
  rbSingleFile = Named(new QRadioButton("Single File", m), "rbSingleFile");
  rbSingleFile->setGeometry(16, 26, 110, 20);
  rbMultipleFiles = Named(new QRadioButton("Multiple Files", m), "rbMultipleFiles");
  rbMultipleFiles->setGeometry(140, 26, 120, 20);
  ModeButtons = new QButtonGroup(this);
  ModeButtons->addButton(rbSingleFile);
  ModeButtons->addButton(rbMultipleFiles);
  rbSingleFile->setChecked(true);

  gbSingleFile = Named(new QGroupBox(m), "gbSingleFile");
  gbSingleFile->setGeometry(8, 48, 372, 100);
  MakeLabel(gbSingleFile, "Input:", 8, 22, 50);
  InputFilename = Named(new QLineEdit(gbSingleFile), "InputFilename");
  InputFilename->setReadOnly(true);
  InputFilename->setGeometry(60, 20, 232, 24);
  InBrowse = Named(new QPushButton("Browse", gbSingleFile), "InBrowse");
  InBrowse->setGeometry(298, 19, 66, 26);
  lProduct = Named(MakeLabel(gbSingleFile, "", 62, 45, 230, 18), "lProduct");
  lProduct->setStyleSheet("color: navy;");
  MakeLabel(gbSingleFile, "Output:", 8, 68, 50);
  OutputFilename = Named(new QLineEdit(gbSingleFile), "OutputFilename");
  OutputFilename->setReadOnly(true);
  OutputFilename->setGeometry(60, 66, 232, 24);
  OutBrowse = Named(new QPushButton("Browse", gbSingleFile), "OutBrowse");
  OutBrowse->setGeometry(298, 65, 66, 26);

  gbMultipleFiles = Named(new QGroupBox(m), "gbMultipleFiles");
  gbMultipleFiles->setGeometry(8, 154, 372, 130);
  MakeLabel(gbMultipleFiles, "FOLDER", 60, 10, 160);
  MakeLabel(gbMultipleFiles, "FILES", 290, 10, 74);
  MakeLabel(gbMultipleFiles, "Input:", 8, 34, 50);
  edInFolder = Named(new QLineEdit(gbMultipleFiles), "edInFolder");
  edInFolder->setReadOnly(true);
  edInFolder->setGeometry(60, 32, 160, 24);
  btnInFolder = Named(new QPushButton("Browse", gbMultipleFiles), "btnInFolder");
  btnInFolder->setGeometry(224, 31, 60, 26);
  cbInputExt = Named(new QComboBox(gbMultipleFiles), "cbInputExt");
  cbInputExt->addItems({"*.kez", "*.klf"});
  cbInputExt->setEditable(true);
  cbInputExt->setCurrentIndex(1);
  cbInputExt->setGeometry(290, 32, 74, 24);
  MakeLabel(gbMultipleFiles, "Output:", 8, 66, 50);
  edOutFolder = Named(new QLineEdit(gbMultipleFiles), "edOutFolder");
  edOutFolder->setReadOnly(true);
  edOutFolder->setGeometry(60, 64, 160, 24);
  btnOutFolder = Named(new QPushButton("Browse", gbMultipleFiles), "btnOutFolder");
  btnOutFolder->setGeometry(224, 63, 60, 26);
  edOutputExt = Named(new QLineEdit(".out", gbMultipleFiles), "edOutputExt");
  edOutputExt->setGeometry(290, 64, 74, 24);
  MakeLabel(gbMultipleFiles, "COUNT", 224, 100, 60);
  edFileCount = Named(new QLineEdit("0", gbMultipleFiles), "edFileCount");
  edFileCount->setReadOnly(true);
  edFileCount->setGeometry(290, 96, 74, 24);
  gbMultipleFiles->setEnabled(false);

  // Step 2: formatting options.
  StepHeading(m, "Step 2 - Choose Formatting Options", 8, 292, 372);
  ReceiverGroup = RadioPair(m, "Data Source", "ReceiverGroup", QRect(8, 312, 180, 76), {"Receiver #1", "Receiver1"},
                            {"Receiver #2", "Receiver2"}, Receiver1, Receiver2, ReceiverButtons);
  AverageGroup = RadioPair(m, "Data Reduction", "AverageGroup", QRect(196, 312, 184, 76),
                           {"Convert All Data", "NoAvg"}, {"Best Server", "BSAvg"}, NoAvg, BSAvg, AverageButtons);
  GroupBox2 = RadioPair(m, "Average Type", "GroupBox2", QRect(8, 396, 180, 76), {"None", "cbAT_None"},
                        {"40 Lambda", "rbLambda"}, cbAT_None, rbLambda, AverageTypeButtons);

  GroupBox1 = Named(new QGroupBox("Field Data", m), "GroupBox1");
  GroupBox1->setGeometry(196, 396, 184, 100);
  FrequencyField = Named(new QCheckBox("Freq (MHz)", GroupBox1), "FrequencyField");
  FrequencyField->setGeometry(12, 22, 164, 20);
  FrequencyField->setChecked(true);
  ChannelField = Named(new QCheckBox("Channel", GroupBox1), "ChannelField");
  ChannelField->setGeometry(12, 46, 164, 20);
  RSSIField = Named(new QCheckBox("RSSI", GroupBox1), "RSSIField");
  RSSIField->setGeometry(12, 70, 164, 20);
  RSSIField->setChecked(true);

  // Step 3: data and fields.
  // The field lists are wide enough for every catalogue name in full.
  QLabel* step3 = StepHeading(m, "Step 3 - Select Data and Fields Which Are To Be In The Output File", 392, 4, 480);
  step3->setWordWrap(true);
  step3->setGeometry(392, 4, 480, 36);
  MakeLabel(m, "Available Fields", 392, 40, 214);
  AvailableBox = Named(new QListWidget(m), "AvailableBox");
  AvailableBox->setGeometry(392, 58, 214, 284);
  SelectField = Named(new QPushButton(">", m), "SelectField");
  SelectField->setGeometry(612, 120, 40, 28);
  DeselectField = Named(new QPushButton("<", m), "DeselectField");
  DeselectField->setGeometry(612, 156, 40, 28);
  SelectAll = Named(new QPushButton(">>", m), "SelectAll");
  SelectAll->setGeometry(612, 208, 40, 28);
  DeselectAll = Named(new QPushButton("<<", m), "DeselectAll");
  DeselectAll->setGeometry(612, 244, 40, 28);
  MakeLabel(m, "Selected Fields", 658, 40, 214);
  SelectedBox = Named(new QListWidget(m), "SelectedBox");
  SelectedBox->setGeometry(658, 58, 214, 284);

  DelimiterGroup = Named(new QGroupBox("Field Delimiter", m), "DelimiterGroup");
  DelimiterGroup->setGeometry(392, 350, 236, 96);
  DelimiterButtons = new QButtonGroup(this);
  const char* const delimiters[] = {"Comma", "Semi-Colon", "Tab", "Space", "Other"};
  for (int i = 0; i < 5; ++i) {
    auto* button = new QRadioButton(delimiters[i], DelimiterGroup);
    button->setObjectName(QString("Delimiter") + delimiters[i]);
    button->setGeometry(12 + (i % 2) * 112, 22 + (i / 2) * 24, 100, 20);
    DelimiterButtons->addButton(button, i);
  }
  DelimiterButtons->button(0)->setChecked(true);
  OtherDelimiter = Named(new QLineEdit(":", DelimiterGroup), "OtherDelimiter");
  OtherDelimiter->setMaxLength(1);
  OtherDelimiter->setGeometry(124, 68, 32, 22);

  FieldTitles = Named(new QCheckBox("Create Header Record", m), "FieldTitles");
  FieldTitles->setGeometry(658, 360, 214, 20);
  FieldTitles->setChecked(true);
  cbiBwave = Named(new QCheckBox("Export to iBwave format", m), "cbiBwave");
  cbiBwave->setGeometry(658, 388, 214, 20);
  cbSplit = Named(new QCheckBox("Output File Split", m), "cbSplit");
  cbSplit->setToolTip("Split output file into 60000 record files");
  cbSplit->setGeometry(392, 454, 200, 20);
  Label2 = Named(new QLabel("The Output File Split option will split the output file into multiple files of no more "
                            "than 60000 records if needed. A subfolder with the name of the original output folder "
                            "will be created.",
                            m),
                 "Label2");
  Label2->setWordWrap(true);
  Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Label2->setGeometry(410, 476, 462, 60);
  cbRecDrop = Named(new QCheckBox("Drop data during GPS outages of", m), "cbRecDrop");
  cbRecDrop->setGeometry(392, 540, 220, 20);
  edOutage = Named(new QLineEdit("30", m), "edOutage");
  edOutage->setGeometry(614, 538, 44, 24);
  edOutage->setEnabled(false);
  MakeLabel(m, "seconds or more.", 664, 540, 130);

  // The scans and statistics of the chosen file.
  MakeLabel(m, "Scans : Checked scans are to be converted.", 884, 40, 269);
  tvIndex = Named(new QTreeWidget(m), "tvIndex");
  tvIndex->setHeaderHidden(true);
  tvIndex->setIndentation(19);
  QFont arial("Arial");
  arial.setPixelSize(13);
  tvIndex->setFont(arial);
  tvIndex->setGeometry(884, 58, 269, 284);
  tvIndex->setEditTriggers(QAbstractItemView::NoEditTriggers);
  tvIndex->viewport()->installEventFilter(this);
  QLabel* statsTitle = MakeLabel(m, "FILE STATISTICS", 884, 352, 269);
  statsTitle->setObjectName("Label4");
  QFont bold = statsTitle->font();
  bold.setBold(true);
  statsTitle->setFont(bold);
  statsTitle->setAlignment(Qt::AlignHCenter);
  lbStats = Named(new QListWidget(m), "lbStats");
  lbStats->setFont(arial);
  lbStats->setGeometry(884, 372, 269, 164);

  // Step 4: convert.
  StepHeading(m, "Step 4 - Convert The Input File", 8, 566, 372);
  btnConvert = Named(new QPushButton("CONVERT", m), "btnConvert");
  btnConvert->setGeometry(8, 590, 180, 44);
  QFont big = btnConvert->font();
  big.setBold(true);
  big.setPointSize(big.pointSize() + 2);
  btnConvert->setFont(big);
  btnCancel = Named(new QPushButton("CANCEL", m), "btnCancel");
  btnCancel->setGeometry(196, 590, 184, 44);
  btnCancel->setFont(big);
  pProgressBar = Named(new QFrame(m), "pProgressBar");
  pProgressBar->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  pProgressBar->setGeometry(392, 590, 570, 44);
  ProgressBar = Named(new TCGauge(pProgressBar), "ProgressBar");
  ProgressBar->SetForeColor(QColor(0, 0, 128));
  ProgressBar->setGeometry(0, 0, pProgressBar->width(), pProgressBar->height());
  olClock = Named(new QLabel("HH:MM:SS", m), "olClock");
  olClock->setGeometry(970, 590, 183, 44);
  olClock->setAlignment(Qt::AlignCenter);
  olClock->setFont(big);
  olClock->setStyleSheet("color: navy; background: white; border: 1px solid gray;");
  olClock->setAutoFillBackground(true);

  // State-only lists, never shown.
  InputFormatGroup = Named(new QComboBox(m), "InputFormatGroup");
  InputFormatGroup->addItems({"(None)", "KTR Dravik", "KTR Olmet", "KTR Wex (PC CARD)", "KTR Wex (PC DUMP)",
                              "KTR Tarrow", "KTR ULMIR", "KTR Dravik (new)", "KTR Zephyn", "KTR Zephyn (PC CARD)"});
  TarrowMode = Named(new QComboBox(m), "TarrowMode");
  TarrowMode->addItems({"1 Channel", "3 Channel", "Scan Table"});
  ScanTypeGroup = Named(new QComboBox(m), "ScanTypeGroup");
  ScanTypeGroup->addItems({"Scan Table", "Fast Data"});
  ScanTypeGroup->setCurrentIndex(1);
  for (QComboBox* hidden : {InputFormatGroup, TarrowMode, ScanTypeGroup}) {
    hidden->setGeometry(-1000, -1000, 10, 10);
    hidden->setEnabled(false);
    hidden->setVisible(false);
  }

  Timer = Named(new QTimer(this), "Timer");
  Timer->setInterval(1000);
  connect(Timer, &QTimer::timeout, this, &TMainForm::UpdateClock);
  Timer->start();

  connect(rbSingleFile, &QRadioButton::toggled, this, [this](bool on) {
    gbSingleFile->setEnabled(on);
    gbMultipleFiles->setEnabled(!on);
  });
  connect(cbRecDrop, &QCheckBox::toggled, edOutage, &QWidget::setEnabled);
  connect(cbiBwave, &QCheckBox::clicked, this, &TMainForm::cbiBwaveClick);
  connect(SelectField, &QPushButton::clicked, this, &TMainForm::SelectFieldClick);
  connect(DeselectField, &QPushButton::clicked, this, &TMainForm::DeselectFieldClick);
  connect(SelectAll, &QPushButton::clicked, this, &TMainForm::SelectAllClick);
  connect(DeselectAll, &QPushButton::clicked, this, &TMainForm::DeselectAllClick);
  connect(InBrowse, &QPushButton::clicked, this, &TMainForm::InBrowseClick);
  connect(OutBrowse, &QPushButton::clicked, this, &TMainForm::OutBrowseClick);
  connect(btnInFolder, &QPushButton::clicked, this, &TMainForm::btnInFolderClick);
  connect(btnOutFolder, &QPushButton::clicked, this, &TMainForm::btnOutFolderClick);
  connect(btnConvert, &QPushButton::clicked, this, &TMainForm::btnConvertClick);
  connect(btnCancel, &QPushButton::clicked, this, &TMainForm::btnCancelClick);
  connect(InputFormatGroup, &QComboBox::currentIndexChanged, this, &TMainForm::InputFormatChanged);
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
  s.OutageSeconds = Std(edOutage->text());
  s.IBwave = cbiBwave->isChecked();
  s.OutputFormat = rbSingleFile->isChecked() ? OutputFormatOf(OutputFilename->text()) : 0;
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

// ---- Field selection ----

void TMainForm::FillAvailableBox() {
  AvailableBox->clear();
  const TProductReader& base = Reader;
  for (int i = 0; i < base.AvailableFieldCount; ++i) AvailableBox->addItem(CatalogueName(base.AvailableFieldMap[i]));
}

void TMainForm::AppendSelected(int p) {
  const int j = SelectedBox->count();
  SelectedBox->addItem(AvailableBox->item(p)->text());
  Reader.ColumnFieldMap[j] = Reader.AvailableFieldMap[p < kFieldMapSize ? p : 0];
}

void TMainForm::SelectFieldClick() {
  const int p = AvailableBox->currentRow();
  if (p < 0 || !AvailableBox->currentItem()->isSelected()) return;
  if (SelectedBox->count() >= kMaxColumns) {
    report_error(kInformation, "The output holds at most %d columns.", kMaxColumns);
    return;
  }
  AppendSelected(p);
}

void TMainForm::DeselectFieldClick() {
  const int k = SelectedBox->currentRow();
  if (k < 0 || !SelectedBox->currentItem()->isSelected()) return;
  for (int i = k; i + 1 < kFieldMapSize; ++i) Reader.ColumnFieldMap[i] = Reader.ColumnFieldMap[i + 1];
  delete SelectedBox->takeItem(k);
}

void TMainForm::SelectAllClick() {
  for (int p = 0; p < AvailableBox->count(); ++p) {
    if (SelectedBox->count() >= kMaxColumns) {
      report_error(kInformation, "The output holds at most %d columns.", kMaxColumns);
      return;
    }
    AppendSelected(p);
  }
}

void TMainForm::DeselectAllClick() {
  SelectedBox->clear();
  for (int16_t& entry : Reader.ColumnFieldMap) entry = kNoField;
}

void TMainForm::cbiBwaveClick() {
  const bool on = cbiBwave->isChecked();
  for (QWidget* w : std::initializer_list<QWidget*>{AvailableBox, SelectedBox, SelectField, DeselectField, SelectAll,
                                                    DeselectAll})
    w->setEnabled(!on);
  DeselectAllClick();
  if (!on) return;
  for (int p : {18, 14, 2, 8, 0})
    if (p < AvailableBox->count()) AppendSelected(p);
}

// ---- Scan tree ----

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == tvIndex->viewport() && event->type() == QEvent::MouseButtonRelease) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    ToggleScanNode(tvIndex->itemAt(mouse->position().toPoint()));
  }
  return QMainWindow::eventFilter(watched, event);
}

void TMainForm::ToggleScanNode(QTreeWidgetItem* item) {
  if (!item || !item->parent()) return;  // nothing, or a root
  const int number = item->data(0, Qt::UserRole).toInt();
  if (!Scans.Toggle(number)) return;
  item->setIcon(0, tvImages[Scans.Node(number)->State]);
  if (RouteMapForm->isVisible()) RouteMapForm->Map()->Refresh();
}

void TMainForm::ResetScanTree(int16_t product, const std::string& file) {
  tvIndex->clear();
  std::fill(std::begin(ScanRoots), std::end(ScanRoots), nullptr);
  Scans.Reset(product, file);
  if (Scans.HasRoots()) {
    for (int16_t kind : ScanTree::kRootOrder) {
      ScanRoots[kind] = new QTreeWidgetItem(tvIndex, QStringList(ScanTree::RootName(kind)));
      ScanRoots[kind]->setData(0, Qt::UserRole, 0);
    }
  }
  tvIndex->expandAll();
}

void TMainForm::AddScanNode(int16_t kindCode, int32_t number, const std::string& label) {
  if (!Scans.AddScanNode(kindCode, number, label)) return;
  auto* item = new QTreeWidgetItem(ScanRoots[kindCode], QStringList(Qt8(label)));
  item->setData(0, Qt::UserRole, number);
  item->setIcon(0, tvImages[kScanChecked]);
}

void TMainForm::ShowWaitWindow(bool visible) {
  if (visible) {
    WaitDlg->ProgressBar->SetProgress(0);
    WaitDlg->show();
  } else {
    WaitDlg->hide();
    tvIndex->expandAll();
  }
}

void TMainForm::ShowIndexProgress(int percent) { WaitDlg->ProgressBar->SetProgress(percent); }

void TMainForm::ShowFileStatistics(const std::vector<std::string>& lines) {
  lbStats->clear();
  for (const std::string& line : lines) lbStats->addItem(Qt8(line));
}

void TMainForm::ShowScansNotShown(int64_t count) {
  if (count <= 0) return;
  auto* note = new QTreeWidgetItem(tvIndex, QStringList(QString("%1 more scans are not shown here; they are converted.")
                                                            .arg(count)));
  note->setFlags(Qt::ItemIsEnabled);
  note->setData(0, Qt::UserRole, 0);
}

void TMainForm::IndexFinished(bool frequenciesNeeded, const BandInfo bands[2]) {
  FrequenciesNeeded = frequenciesNeeded;
  IndexedBands[0] = bands[0];
  IndexedBands[1] = bands[1];
}

void TMainForm::ShowConvertProgress(int percent) { ProgressBar->SetProgress(percent); }

void TMainForm::ShowRoute(const RouteTrack& route) { RouteMapForm->Map()->SetRoute(route); }

void TMainForm::ShowRouteMap() {
  RouteMapForm->Map()->SetReceiver(Receiver2->isChecked() && !Receiver1->isChecked() ? 1 : 0);
  RouteMapForm->show();
  RouteMapForm->raise();
}

std::string TMainForm::InputFilenameText() const { return Std(InputFilename->text()); }

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
  IndexThread = new TMakeIndex(this, product);
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
    report_error(kWarning, "File is not from a KTR CW product.%s%s", problem.empty() ? "" : "\n", problem.c_str());
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
  const QString path = Seams().SaveFile(this, "Save As", kOutputFilter);
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

void TMainForm::btnConvertClick() {
  // Never two passes at once: an indexing in progress ends first (its wait window stays up).
  WaitFor(IndexThread);
  if (CurrentConvert) {
    CurrentConvert->requestInterruption();
    WaitFor(CurrentConvert);
    delete CurrentConvert;
    CurrentConvert = nullptr;
  }
  if (SelectedBox->count() == 0) {
    report_error(kError, "%s", kNoFieldsSelected);
    return;
  }
  // The dialog belongs to the indexed single file: it shows at every CONVERT of a
  // file that needs frequencies, so a cancelled entry never converts it without them.
  std::vector<double> frequencies;
  if (rbSingleFile->isChecked() && FrequenciesNeeded && SameFile(Scans.File(), Std(InputFilename->text()))) {
    FrequencyEntryForm->SetBands(IndexedBands);
    Seams().EnterFrequencies(FrequencyEntryForm);
    if (!Reader.ManualFrequencies) {
      report_error(kInformation, "Conversion Aborted.");
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
      report_error(kError, "Input and Output Files Must Be Selected.");
      return;
    }
    Reader.MultiFileRun = 0;
    FileCount = 1;
    InputNames.assign(1, Std(InputFilename->text()));
    OutputNames.assign(1, Std(OutputFilename->text()));
    selection = Scans.Selection();
  } else {
    if (edInFolder->text().isEmpty() || edOutFolder->text().isEmpty()) {
      report_error(kError, "Input and Output Folders Must Be Selected.");
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
  CurrentConvert = new TConvert(this, std::move(settings), std::move(pairs), std::move(selection));
  connect(CurrentConvert, &QThread::finished, this, &TMainForm::ConversionEnded);
  SetRunControlsEnabled(false);
  CurrentConvert->start();
}

void TMainForm::SetRunControlsEnabled(bool enabled) {
  for (QWidget* w : std::initializer_list<QWidget*>{btnConvert, InBrowse, OutBrowse, btnInFolder, btnOutFolder,
                                                    rbSingleFile, rbMultipleFiles})
    w->setEnabled(enabled);
  OpenConfiguration1->setEnabled(enabled);
}

// After the run's closing message has been dismissed: the controls come back and
// the gauge returns to 0.
void TMainForm::ConversionEnded() {
  if (ConvertRunning()) return;  // the end of an earlier run, seen only after a new one started
  SetRunControlsEnabled(true);
  ProgressBar->SetProgress(0);
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
