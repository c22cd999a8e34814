// TMainForm's controls and menu: the window's layout in the order of the manual's
// four steps, the controls named as the window names them, and their connections.
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QTreeWidget>

#include "app/main_form.h"
#include "controls/cgauge.h"
#include "bins/bin_grid.h"
#include "dialogs/about_dlg.h"
#include "dialogs/help_form.h"
#include "dialogs/route_map_form.h"

namespace quillon {

namespace {

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

}  // namespace

void TMainForm::BuildMenu() {
  QMenu* application = menuBar()->addMenu("&Application");
  application->setObjectName("Application1");
  OpenConfiguration1 = application->addAction("Open Configuration", this, &TMainForm::OpenConfigurationClick);
  OpenConfiguration1->setObjectName("OpenConfiguration1");
  QAction* save = application->addAction("Save Configuration", this, &TMainForm::SaveConfigurationClick);
  save->setObjectName("SaveConfiguration1");
  SurveyReport1 = application->addAction("Survey Report...", this, &TMainForm::SurveyReportClick);
  SurveyReport1->setObjectName("SurveyReport1");
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
  // Coverage bins, written beside the output ("-bins" before its extension).
  cbBins = Named(new QCheckBox("Coverage bins of", m), "cbBins");
  cbBins->setGeometry(8, 506, 132, 20);
  seBinMetres = Named(new QSpinBox(m), "seBinMetres");
  seBinMetres->setRange(BinGrid::kSmallestMetres, BinGrid::kLargestMetres);
  seBinMetres->setValue(50);
  seBinMetres->setGeometry(142, 504, 64, 24);
  seBinMetres->setEnabled(false);
  MakeLabel(m, "metres", 212, 506, 60);

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
  tvImages = new QIcon[3]{StateImage(0), StateImage(1), StateImage(2)};
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
  connect(cbBins, &QCheckBox::toggled, seBinMetres, &QWidget::setEnabled);
  connect(seBinMetres, &QSpinBox::valueChanged, this, [this](int metres) {
    if (RouteMapForm) RouteMapForm->SetBinMetres(metres);
  });
  // The route map shows the receiver chosen here, also while it is open.
  connect(Receiver2, &QRadioButton::toggled, this, [this](bool on) {
    if (RouteMapForm) RouteMapForm->Map()->SetReceiver(on ? 1 : 0);
  });
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

}  // namespace quillon
