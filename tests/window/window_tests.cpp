// The window driven through its real widgets (Qt Test, offscreen): the gauge's
// painted pixels, the main window's defaults and rules, and end-to-end runs whose
// output must equal quillon-convert's for the same settings.
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QTreeWidget>
#include <QtTest>
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "app/application.h"
#include "window_fixture.h"
#include "app/main_form.h"
#include "dialogs/report_error.h"
#include "controls/cgauge.h"
#include "dialogs/about_dlg.h"
#include "dialogs/help_form.h"
#include "dialogs/open_folder_dlg.h"
#include "dialogs/route_map_form.h"
#include "indexing/wait_dlg.h"
#include "klf-synth/log_writer.h"
#include "reader/log_reader.h"
#include "dialogs/frequency_entry.h"

using namespace quillon;

namespace {

std::string ReadAll(const QString& path) {
  std::ifstream in(path.toStdString(), std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Runs quillon-convert and returns its output file's bytes.
std::string CommandLine(const QString& arguments, const QString& output) {
  const QString command = QString(QUILLON_CONVERT) + " " + arguments + " -o " + output + " --quiet 2>/dev/null";
  if (std::system(command.toLocal8Bit().constData()) != 0) return "(failed)";
  return ReadAll(output);
}

// What quillon-convert prints on stdout.
std::string CommandOutput(const QString& arguments) {
  QProcess process;
  process.start(QString(QUILLON_CONVERT), arguments.split(' '));
  process.waitForFinished(30000);
  return process.readAllStandardOutput().toStdString();
}

int CountColour(const QImage& image, const QRect& area, QRgb colour) {
  int n = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) n += (image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF);
  return n;
}

}  // namespace

class GaugeTest : public QObject {
  Q_OBJECT
 private slots:
  void ProgressIsClampedAndRepaintsOnlyOnPercentChange() {
    TCGauge g;
    g.SetProgress(150);
    QCOMPARE(g.PercentDone(), 100);
    g.SetProgress(-5);
    QCOMPARE(g.PercentDone(), 0);
    g.SetMaxValue(1000);
    const int before = g.Repaints();
    g.SetProgress(5);  // still 0 %
    QCOMPARE(g.Repaints(), before);
    g.SetProgress(10);
    QCOMPARE(g.Repaints(), before + 1);
    g.AddProgress(0);
    QCOMPARE(g.Repaints(), before + 2);
  }

  void RangeErrors() {
    TCGauge g;
    try {
      g.SetMinValue(200);
      QFAIL("accepted");
    } catch (const std::range_error& e) {
      QCOMPARE(QString(e.what()), QString("Value must be between -2147483647 and 99"));
    }
    try {
      g.SetMaxValue(-1);
      QFAIL("accepted");
    } catch (const std::range_error& e) {
      QCOMPARE(QString(e.what()), QString("Value must be between 1 and 2147483647"));
    }
    QCOMPARE(g.MinValue(), 0);
    QCOMPARE(g.MaxValue(), 100);
    g.SetProgress(80);
    g.SetMaxValue(50);
    QCOMPARE(g.Progress(), 50);
  }

  void HorizontalBarFillsAndTextInverts() {
    TCGauge g;
    g.resize(200, 30);
    g.SetForeColor(Qt::black);
    const QRect inside(1, 1, 198, 28);
    g.SetProgress(0);
    QImage image = g.Picture();
    QCOMPARE(image.pixel(0, 0) & 0xFFFFFF, 0u);  // the frame
    QCOMPARE(image.pixel(5, 5) & 0xFFFFFF, 0xFFFFFFu);
    QVERIFY(CountColour(image, inside, 0x000000) > 0);  // "0%" inverted on white
    g.SetProgress(100);
    image = g.Picture();
    QCOMPARE(image.pixel(198, 28) & 0xFFFFFF, 0u);  // the whole area filled
    QVERIFY(CountColour(image, inside, 0xFFFFFF) > 0);  // "100%" inverted on black
    g.SetProgress(50);
    image = g.Picture();
    QCOMPARE(image.pixel(10, 15) & 0xFFFFFF, 0u);
    QCOMPARE(image.pixel(190, 15) & 0xFFFFFF, 0xFFFFFFu);
    // The text straddles the boundary: glyph pixels show on both parts.
    QVERIFY(CountColour(image, QRect(80, 1, 19, 28), 0xFFFFFF) > 0);
    QVERIFY(CountColour(image, QRect(101, 1, 19, 28), 0x000000) > 0);
  }

  void OtherKinds() {
    TCGauge g;
    g.resize(101, 101);
    g.SetShowText(false);
    g.SetProgress(50);
    g.SetKind(gkVerticalBar);
    QImage image = g.Picture();
    QCOMPARE(image.pixel(50, 90) & 0xFFFFFF, 0u);
    QCOMPARE(image.pixel(50, 10) & 0xFFFFFF, 0xFFFFFFu);
    g.SetKind(gkPie);
    image = g.Picture();
    QCOMPARE(image.pixel(75, 50) & 0xFFFFFF, 0u);           // right half filled
    QCOMPARE(image.pixel(25, 50) & 0xFFFFFF, 0xFFFFFFu);    // left half empty
    g.SetKind(gkNeedle);
    image = g.Picture();
    QCOMPARE(image.pixel(50, 60) & 0xFFFFFF, 0u);  // the needle stands straight up
    g.SetKind(gkText);
    image = g.Picture();
    QCOMPARE(image.pixel(50, 50) & 0xFFFFFF, 0xFFFFFFu);

    // 0 % and 100 % of each kind: the vertical bar is empty or full, the pie empty or
    // whole, the needle points left or right.
    const QRect inside(1, 1, 99, 99);
    g.SetKind(gkVerticalBar);
    g.SetProgress(0);
    QCOMPARE(CountColour(g.Picture(), inside, 0x000000), 0);
    g.SetProgress(100);
    QCOMPARE(CountColour(g.Picture(), inside, 0x000000), 99 * 99);  // H - 1 rows: the whole area
    g.SetKind(gkPie);
    g.SetProgress(0);
    QCOMPARE(g.Picture().pixel(50, 50) & 0xFFFFFF, 0xFFFFFFu);
    g.SetProgress(100);
    QCOMPARE(g.Picture().pixel(25, 50) & 0xFFFFFF, 0u);
    g.SetKind(gkNeedle);
    g.SetProgress(0);
    QCOMPARE(g.Picture().pixel(50, 60) & 0xFFFFFF, 0xFFFFFFu);  // no needle at 0 %
    g.SetProgress(100);
    QCOMPARE(g.Picture().pixel(80, 98) & 0xFFFFFF, 0u);  // along the base to the right
  }
};

class MainFormTest : public QObject {
  Q_OBJECT

  WindowForms forms;
  std::unique_ptr<TAboutDlg>& about = forms.about;
  std::unique_ptr<TWaitDlg>& wait = forms.wait;
  std::unique_ptr<TOpenFolderDlg>& folder = forms.folder;
  std::unique_ptr<TMainForm>& form = forms.form;
  std::vector<std::pair<int, std::string>> messages;
  int gaugeAtMessage = -1;  // the main window's gauge when the last message was shown
  QTemporaryDir dir{QDir::tempPath() + "/quillon-window-XXXXXX"};

  QString MakeLog(const QString& name, const std::function<void(klf::LogWriter&)>& fill) {
    klf::LogWriter log;
    fill(log);
    const QString path = dir.filePath(name);
    log.WriteTo(path.toStdString());
    return path;
  }

  void ChooseInput(const QString& path) { QVERIFY(forms.ChooseInput(path)); }

  void Convert() {
    messages.clear();
    form->btnConvertClick();
    QTRY_VERIFY_WITH_TIMEOUT(!form->ConvertRunning(), 120000);
    QCoreApplication::processEvents();
  }

  std::string LastMessage() const { return messages.empty() ? "" : messages.back().second; }

  // Single-channel data of both receivers without a frequency definition.
  static void ManualLog(klf::LogWriter& log) {
    log.Band(3, {32000, 36000, 6400, 0}, {32000, 36000, 6400, 0});
    klf::GpsFields f;
    for (int s = 0; s < 40; ++s) {
      f.Second = s % 60;
      f.Minute = s / 60;
      f.LongitudeMas = s * 200;
      log.Gps(f);
      for (int k = 0; k < 5; ++k) log.Single(1, {static_cast<int8_t>(-60 - k)});
    }
  }

 private slots:
  void init() {
    Reader.ManualFrequencies = 0;
    SetReportSink([this](int kind, const std::string& text) {
      messages.emplace_back(kind, text);
      gaugeAtMessage = form ? form->ProgressBar->PercentDone() : -1;
    });
    forms.Make();
    messages.clear();
  }
  void cleanup() {
    form.reset();
    SetReportSink({});
  }

  void DefaultsAtStart() {
    QCOMPARE(form->windowTitle(), QString("KTR Quillon (Zephyn Edition) 6.20"));
    // The About box shows the one version the command line's --version prints.
    QCOMPARE(about->findChild<QLabel*>("Version")->text(), QString("Version 6.20"));
    QCOMPARE(QString::fromStdString(CommandOutput("--version")).trimmed(), QString("quillon-convert 6.20"));
    QCOMPARE(form->size(), QSize(1161, 712));
    QVERIFY(form->rbSingleFile->isChecked());
    QVERIFY(form->gbSingleFile->isEnabled());
    QVERIFY(!form->gbMultipleFiles->isEnabled());
    QVERIFY(form->NoAvg->isChecked() && form->cbAT_None->isChecked() && form->Receiver1->isChecked());
    QVERIFY(form->FrequencyField->isChecked() && !form->ChannelField->isChecked() && form->RSSIField->isChecked());
    QCOMPARE(form->CurrentSettings().Delimiter, 0);
    QVERIFY(form->FieldTitles->isChecked() && !form->cbSplit->isChecked() && !form->cbRecDrop->isChecked());
    QVERIFY(!form->cbiBwave->isChecked() && !form->edOutage->isEnabled());
    QCOMPARE(form->edOutage->text(), QString("30"));
    QCOMPARE(form->OtherDelimiter->text(), QString(":"));
    QCOMPARE(form->cbInputExt->currentText(), QString("*.klf"));
    QCOMPARE(form->edOutputExt->text(), QString(".out"));
    QCOMPARE(form->AvailableBox->count(), 43);
    QCOMPARE(form->AvailableBox->item(24)->text(), QString("GPS Status"));
    QCOMPARE(form->ScanTypeGroup->currentIndex(), 1);
    QVERIFY(!form->InputFormatGroup->isVisible());
    form->btnCancelClick();  // no conversion yet: nothing happens
    QVERIFY(messages.empty());
  }

  void EnablingRules() {
    form->rbMultipleFiles->setChecked(true);
    QVERIFY(form->gbMultipleFiles->isEnabled() && !form->gbSingleFile->isEnabled());
    form->cbRecDrop->setChecked(true);
    QVERIFY(form->edOutage->isEnabled());
  }

  void FieldListButtons() {
    form->SelectFieldClick();  // nothing highlighted
    QCOMPARE(form->SelectedBox->count(), 0);
    for (int p : {2, 8, 2}) {
      form->AvailableBox->setCurrentRow(p);
      form->SelectFieldClick();
    }
    QCOMPARE(form->SelectedBox->count(), 3);
    QCOMPARE(Reader.ColumnFieldMap[0], 5);
    QCOMPARE(Reader.ColumnFieldMap[1], 11);
    form->SelectedBox->setCurrentRow(1);
    form->DeselectFieldClick();
    QCOMPARE(form->SelectedBox->count(), 2);
    QCOMPARE(Reader.ColumnFieldMap[1], 5);
    form->SelectAllClick();
    form->SelectAllClick();
    form->SelectAllClick();  // the third would pass 100 columns
    QCOMPARE(form->SelectedBox->count(), 100);
    QCOMPARE(LastMessage(), std::string("The output holds at most 100 columns."));
    form->DeselectAllClick();
    QCOMPARE(form->SelectedBox->count(), 0);
    QCOMPARE(Reader.ColumnFieldMap[99], kNoField);
  }

  void IBwaveLayout() {
    form->cbiBwave->click();
    QStringList names;
    for (int i = 0; i < form->SelectedBox->count(); ++i) names << form->SelectedBox->item(i)->text();
    QCOMPARE(names, QStringList({"GPS Date (MM/DD/YY)", "GPS Time (HH:MM:SS)", "Latitude (Decimal Degrees)",
                                 "Longitude (Decimal Degrees)", "<< DATA >>"}));
    QVERIFY(!form->AvailableBox->isEnabled());
    for (QPushButton* b : {form->SelectField, form->DeselectField, form->SelectAll, form->DeselectAll})
      QVERIFY(!b->isEnabled());
    form->cbiBwave->click();
    QCOMPARE(form->SelectedBox->count(), 0);
    QVERIFY(form->AvailableBox->isEnabled());
    for (QPushButton* b : {form->SelectField, form->DeselectField, form->SelectAll, form->DeselectAll})
      QVERIFY(b->isEnabled());
  }

  void FieldNamesShowInFull() {
    form->show();
    form->SelectAllClick();
    for (QListWidget* list : {form->AvailableBox, form->SelectedBox}) {
      QCOMPARE(list->count(), 43);
      QVERIFY2(list->sizeHintForColumn(0) <= list->viewport()->width(), qPrintable(list->objectName()));
    }
    form->hide();
  }

  void TitlesAreTheCaptionsAlone() {
    // Qt appends an application display name, once one is set, to every window's title.
    const QString name = QCoreApplication::applicationName();
    QCOMPARE(name, QString("KTR Quillon CW"));
    QCoreApplication::setApplicationName("probe");
    QCOMPARE(QGuiApplication::applicationDisplayName(), QString("probe"));
    QCoreApplication::setApplicationName(name);
  }

  void IndexUncheckConvertMatchesCommandLine() {
    const QString log = QString(KLF_SAMPLE);
    const QString input = dir.filePath("drive.klf");
    QFile::copy(log, input);
    ChooseInput(input);
    QCOMPARE(form->OutputFilename->text(), dir.filePath("drive.out"));
    QCOMPARE(form->lbStats->count(), 7);
    QCOMPARE(form->lbStats->item(0)->text(), QString("GPS Total Records = 1532"));
    QCOMPARE(form->tvIndex->topLevelItemCount(), 3);
    // Roots never toggle; scan 2 does.
    form->ToggleScanNode(form->tvIndex->topLevelItem(0));
    QTreeWidgetItem* scan2 = nullptr;
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < form->tvIndex->topLevelItem(r)->childCount(); ++c)
        if (form->tvIndex->topLevelItem(r)->child(c)->data(0, Qt::UserRole).toInt() == 2)
          scan2 = form->tvIndex->topLevelItem(r)->child(c);
    QVERIFY(scan2);
    form->ToggleScanNode(scan2);
    QCOMPARE(form->Tree().Node(2)->State, kScanUnchecked);
    form->cbiBwave->click();
    form->ChannelField->setChecked(true);
    form->DelimiterButtons->button(1)->setChecked(true);
    Convert();
    QCOMPARE(LastMessage(), std::string("Conversion Has Been Completed!"));
    QCOMPARE(ReadAll(dir.filePath("drive.out")),
             CommandLine(input + " --ibwave --data freq,channel,rssi --delimiter semicolon --skip-scans 2",
                         dir.filePath("cli.out")));

    // Best server and the outage drop, header off.
    form->BSAvg->setChecked(true);
    form->cbRecDrop->setChecked(true);
    form->edOutage->setText("20");
    form->FieldTitles->setChecked(false);
    Convert();
    QCOMPARE(ReadAll(dir.filePath("drive.out")),
             CommandLine(input + " --ibwave --data freq,channel,rssi --delimiter semicolon --skip-scans 2"
                                 " --best-server --drop-outages 20 --no-header",
                         dir.filePath("cli2.out")));
  }

  void FolderRunConvertsEveryScan() {
    QDir().mkdir(dir.filePath("in"));
    QDir().mkdir(dir.filePath("out"));
    QFile::copy(QString(KLF_SAMPLE), dir.filePath("in/b.klf"));
    QFile::copy(QString(KLF_SAMPLE), dir.filePath("in/A.KLF"));  // the pattern ignores letter case
    QDir().mkdir(dir.filePath("in/c.klf"));  // a folder is no input
    form->rbMultipleFiles->setChecked(true);
    form->cbiBwave->click();  // the command line's default columns
    // The chooser confirms with OK.
    Seams().ChooseFolder = [](TOpenFolderDlg* d) { d->findChild<QPushButton*>("btnOk")->click(); };
    folder->SetCurrentFolder(dir.filePath("in"));
    form->btnInFolderClick();
    folder->SetCurrentFolder(dir.filePath("out"));
    form->btnOutFolderClick();
    QCOMPARE(form->edFileCount->text(), QString("2"));
    Convert();
    QCOMPARE(LastMessage(), std::string("Conversion Has Been Completed!"));
    const std::string expected = CommandLine(dir.filePath("in/A.KLF"), dir.filePath("cli.out"));
    QCOMPARE(ReadAll(dir.filePath("out/A.out")), expected);
    QCOMPARE(ReadAll(dir.filePath("out/b.out")), expected);

    // A file that needs frequencies is left out of a folder run and named; the dialog never shows.
    MakeLog("in/manual.klf", ManualLog);
    int shown = 0;
    Seams().EnterFrequencies = [&](TFrequencyEntryForm*) { ++shown; };
    Convert();
    QCOMPARE(shown, 0);
    QVERIFY(!QFileInfo::exists(dir.filePath("out/manual.out")));
    QCOMPARE(messages.at(0).first, int(kWarning));
    QVERIFY(messages.at(0).second.find(dir.filePath("in/manual.klf").toStdString() + " was not converted") == 0);
    QCOMPARE(LastMessage(), std::string("Conversion Has Been Completed!"));

    // An input folder that cannot be read is named and nothing runs.
    form->edInFolder->setText(dir.filePath("gone"));
    Convert();
    QCOMPARE(LastMessage(), "Input Folder Cannot Be Read!\n" + dir.filePath("gone").toStdString() +
                                ": No such file or directory");
  }

  void FolderChooserCloseBoxKeepsTheLastConfirmedFolder() {
    TOpenFolderDlg d;
    QCOMPARE(d.Folder(), QString());
    d.findChild<QLineEdit*>("edFolder")->setText("/no/such/place");
    d.findChild<QPushButton*>("btnOk")->click();
    QCOMPARE(d.Folder(), QString("/no/such/place"));
    d.show();
    d.findChild<QLineEdit*>("edFolder")->setText("/tmp");
    d.close();
    QCOMPARE(d.Folder(), QString("/no/such/place"));
  }

  void EnteredFrequenciesForLambda() {
    const QString input = MakeLog("manual.klf", ManualLog);
    ChooseInput(input);
    QCOMPARE(Reader.ManualFrequencies, 1);
    form->rbLambda->setChecked(true);
    form->cbiBwave->click();
    int shown = 0;
    Seams().EnterFrequencies = [&](TFrequencyEntryForm* d) {
      d->show();
      ++shown;
      QCOMPARE(d->findChild<QLabel*>("lRx1Info")->text(), QString("(800.00000 - 900.00000 MHz)"));
      QCOMPARE(d->findChild<QLineEdit*>("edRx1")->text(), QString("850.00000"));
      d->findChild<QLineEdit*>("edRx2")->setText("950");
      d->btnDoneClick();  // out of range: stays open
      d->findChild<QLineEdit*>("edRx2")->setText("abc");
      d->btnDoneClick();
      d->findChild<QLineEdit*>("edRx2")->setText("inf");  // a double, but no frequency
      d->btnDoneClick();
      d->findChild<QLineEdit*>("edRx1")->setText("810");
      d->findChild<QLineEdit*>("edRx2")->setText("820");
      d->btnDoneClick();
    };
    Convert();
    QCOMPARE(shown, 1);
    QCOMPARE(messages.at(0).second, std::string("950.0000 is not in the range of the receiver."));
    QCOMPARE(messages.at(1).second, std::string("'abc' is not a valid floating point value."));
    QCOMPARE(messages.at(2).second, std::string("'inf' is not a valid floating point value."));
    QCOMPARE(ReadAll(input.left(input.size() - 4) + ".out"),
             CommandLine(input + " --lambda --frequencies 810,820", dir.filePath("cli.out")));
    // Cancelling the dialog aborts, at every CONVERT: the file is never converted without frequencies.
    const QString output = input.left(input.size() - 4) + ".out";
    QFile::remove(output);
    shown = 0;
    Seams().EnterFrequencies = [&](TFrequencyEntryForm* d) {
      ++shown;
      d->show();
      d->reject();
    };
    for (int attempt = 1; attempt <= 2; ++attempt) {
      Convert();
      QCOMPARE(shown, attempt);
      QCOMPARE(LastMessage(), std::string("Conversion Aborted."));
      QVERIFY(!QFileInfo::exists(output));
    }
  }

  void SaveChangeRestore() {
    form->Receiver2->setChecked(true);
    form->BSAvg->setChecked(true);
    form->ChannelField->setChecked(true);
    form->DelimiterButtons->button(3)->setChecked(true);
    form->FieldTitles->setChecked(false);
    form->AvailableBox->setCurrentRow(5);
    form->SelectFieldClick();
    form->AvailableBox->setCurrentRow(0);
    form->SelectFieldClick();
    const Settings saved = form->CurrentSettings();
    const QString cfg = dir.filePath("a.cfg");
    Seams().SaveFile = [cfg](QWidget*, const QString&, const QString&) { return cfg; };
    form->SaveConfigurationClick();
    form->Receiver1->setChecked(true);
    form->NoAvg->setChecked(true);
    form->ChannelField->setChecked(false);
    form->DelimiterButtons->button(0)->setChecked(true);
    form->FieldTitles->setChecked(true);
    form->DeselectAllClick();
    Seams().OpenFile = [cfg](QWidget*, const QString&, const QString&) { return cfg; };
    form->OpenConfigurationClick();
    const Settings restored = form->CurrentSettings();
    QCOMPARE(restored.Receiver2, true);
    QCOMPARE(restored.Receiver1, false);
    QCOMPARE(restored.BSAvg, true);
    QCOMPARE(restored.ChannelField, true);
    QCOMPARE(restored.Delimiter, 3);
    QCOMPARE(restored.FieldTitles, false);
    QVERIFY(restored.SelectedFields == saved.SelectedFields);
    QVERIFY(restored.SelectedTags == saved.SelectedTags);
    QVERIFY(restored.AvailableFields == saved.AvailableFields);
  }

  void CancelEndsTheRunAndSplitWritesParts() {
    const QString input = dir.filePath("big.klf");
    QVERIFY(std::system((QString(KLF_SYNTH) + " " + input + " --seed 5 --megabytes 6").toLocal8Bit().constData()) == 0);
    ChooseInput(input);
    form->cbiBwave->click();
    form->cbSplit->setChecked(true);
    messages.clear();
    {
      QFile earlier(dir.filePath("big.out"));
      QVERIFY(earlier.open(QIODevice::WriteOnly));
      earlier.write("an earlier output");
    }
    form->btnConvertClick();
    // While it runs, nothing that starts a pass or changes what the run reads can be
    // pressed; CANCEL can.
    const std::vector<QWidget*> runControls = {form->btnConvert,   form->InBrowse,     form->OutBrowse,
                                               form->btnInFolder,  form->btnOutFolder, form->rbSingleFile,
                                               form->rbMultipleFiles};
    for (QWidget* w : runControls) QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
    // Nor can any setting the run took at its start: it would be ignored.
    const std::vector<QWidget*> settings = {form->Receiver1,   form->Receiver2,  form->DelimiterGroup,
                                            form->AverageGroup, form->GroupBox2,  form->GroupBox1,
                                            form->FieldTitles, form->cbiBwave,   form->cbBins,
                                            form->cbRecDrop,   form->tvIndex,    form->gbSingleFile};
    for (QWidget* w : settings) QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
    QVERIFY(!form->OpenConfiguration1->isEnabled() && !form->SurveyReport1->isEnabled());
    QVERIFY(form->btnCancel->isEnabled());
    QTest::mouseClick(form->btnCancel, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!form->ConvertRunning(), 120000);
    QCoreApplication::processEvents();
    QCOMPARE(LastMessage(), std::string("Conversion Has Been Cancelled!"));
    QVERIFY2(gaugeAtMessage < 100, "beside the cancel message the gauge shows where the run stopped");
    for (QWidget* w : runControls) QVERIFY2(w->isEnabledTo(w->parentWidget()), qPrintable(w->objectName()));
    for (QWidget* w : settings) QVERIFY2(w->isEnabledTo(w->parentWidget()), qPrintable(w->objectName()));
    // What was off before the run stays off: the folder boxes, the outage seconds.
    QVERIFY(!form->gbMultipleFiles->isEnabled() && !form->edOutage->isEnabled() && !form->AvailableBox->isEnabled());
    QVERIFY(form->OpenConfiguration1->isEnabled() && form->SurveyReport1->isEnabled());
    QCOMPARE(form->ProgressBar->PercentDone(), 0);
    // The cancelled run's files are thrown away: the earlier output is as it was.
    QCOMPARE(ReadAll(dir.filePath("big.out")), std::string("an earlier output"));
    QVERIFY(QDir(dir.path()).entryList({".quillon-*"}, QDir::AllEntries | QDir::Hidden).isEmpty());

    Convert();
    QCOMPARE(LastMessage(), std::string("Conversion Has Been Completed!"));
    const std::string whole = ReadAll(dir.filePath("big.out"));
    QVERIFY(std::count(whole.begin(), whole.end(), '\n') > 60000);
    QCOMPARE(ReadAll(dir.filePath("big/big-1.out")) + ReadAll(dir.filePath("big/big-2.out")) +
                 ReadAll(dir.filePath("big/big-3.out")) + ReadAll(dir.filePath("big/big-4.out")),
             whole.substr(0, ReadAll(dir.filePath("big/big-1.out")).size() + ReadAll(dir.filePath("big/big-2.out")).size() +
                                 ReadAll(dir.filePath("big/big-3.out")).size() + ReadAll(dir.filePath("big/big-4.out")).size()));
    QCOMPARE(std::count(whole.begin(), whole.end(), '\n'),
             [&] {
               long n = 0;
               for (int k = 1; QFileInfo::exists(dir.filePath(QString("big/big-%1.out").arg(k))); ++k) {
                 const std::string part = ReadAll(dir.filePath(QString("big/big-%1.out").arg(k)));
                 n += std::count(part.begin(), part.end(), '\n');
               }
               return n;
             }());
  }

  void MapLayersMatchTheCommandLine() {
    const QString input = dir.filePath("drive.klf");
    QFile::copy(QString(KLF_SAMPLE), input);
    ChooseInput(input);
    form->cbiBwave->click();
    const QString geojson = dir.filePath("drive.geojson");
    QString offered;
    Seams().SaveFile = [&](QWidget*, const QString&, const QString& filter) {
      offered = filter;
      return geojson;
    };
    form->OutBrowseClick();
    for (const char* format : {"Delimited Text (*.out)", "GeoPackage (*.gpkg)", "MapInfo TAB (*.tab)",
                               "MapInfo MIF (*.mif)", "ESRI Shapefile (*.shp)", "FlatGeobuf (*.fgb)",
                               "GeoJSON (*.geojson)", "KML (*.kml)"})
      QVERIFY2(offered.contains(format), format);
    Convert();
    QCOMPARE(LastMessage(), std::string("Conversion Has Been Completed!"));
    const std::string fromWindow = ReadAll(geojson);
    QCOMPARE(fromWindow, CommandLine(input + " --ibwave", dir.filePath("cli.geojson")));
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(fromWindow), &error);
    QCOMPARE(error.error, QJsonParseError::NoError);
    const QJsonArray features = doc.object()["features"].toArray();
    QVERIFY(features.size() > 1000);
    const QJsonObject first = features[0].toObject();
    QCOMPARE(first["geometry"].toObject()["type"].toString(), QString("Point"));
    const QJsonObject properties = first["properties"].toObject();
    QCOMPARE(properties["gps_time"].toString(), QString("08:00:01"));
    // The first entry measured nothing (-120 dBm): its RSSI is null, its frequency stays.
    QVERIFY(properties["freq_mhz"].isDouble() && properties["rssi_dbm"].isNull() && properties["row"].isDouble());
    QVERIFY(features[1].toObject()["properties"].toObject()["rssi_dbm"].isDouble());
    QCOMPARE(first["geometry"].toObject()["coordinates"].toArray()[1].toDouble(), properties["lat_dd"].toDouble());

    // Multiple-file mode takes the format from the extension of its outputs.
    QDir().mkdir(dir.filePath("layers-in"));
    QDir().mkdir(dir.filePath("layers-out"));
    QFile::copy(QString(KLF_SAMPLE), dir.filePath("layers-in/a.klf"));
    form->rbMultipleFiles->setChecked(true);
    form->edOutputExt->setText(".kml");
    Seams().ChooseFolder = [](TOpenFolderDlg* d) { d->findChild<QPushButton*>("btnOk")->click(); };
    folder->SetCurrentFolder(dir.filePath("layers-in"));
    form->btnInFolderClick();
    folder->SetCurrentFolder(dir.filePath("layers-out"));
    form->btnOutFolderClick();
    Convert();
    QCOMPARE(LastMessage(), std::string("Conversion Has Been Completed!"));
    const std::string kml = ReadAll(dir.filePath("layers-out/a.kml"));
    const QString cliFolder = dir.filePath("cli-layers");
    QDir().mkdir(cliFolder);
    QCOMPARE(std::system((QString(QUILLON_CONVERT) + " --quiet --ibwave --folder " + dir.filePath("layers-in") +
                          " --out-folder " + cliFolder + " --ext .kml")
                             .toLocal8Bit()
                             .constData()),
             0);
    QCOMPARE(kml, ReadAll(cliFolder + "/a.kml"));
    QXmlStreamReader xml(QByteArray::fromStdString(kml));
    int placemarks = 0;
    while (!xml.atEnd()) {
      xml.readNext();
      if (xml.isStartElement() && xml.name() == QLatin1String("Placemark")) ++placemarks;
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QCOMPARE(placemarks, features.size());
  }

  void RouteMapColoursFadesAndClicks() {
    const QString input = dir.filePath("drive.klf");
    QFile::copy(QString(KLF_SAMPLE), input);
    ChooseInput(input);
    form->ShowRouteMap();
    RouteMapView* map = form->RouteMap()->Map();
    map->resize(700, 500);
    const auto& points = map->Route().Points();
    QVERIFY(points.size() > 1000);
    const QImage image = map->Render();
    // A point with receiver 1 data is drawn in its RSSI colour.
    size_t index = 0;
    while (!points[index].HasRssi(0)) ++index;
    const QPoint at = map->Project(points[index]).toPoint();
    const QColor expected = map->Colour(points[index].MeanRssi(0));
    int near = 0;
    for (int dx = -1; dx <= 1; ++dx)
      for (int dy = -1; dy <= 1; ++dy)
        near += QColor(image.pixel(at + QPoint(dx, dy))).hue() / 10 == expected.hue() / 10;
    QVERIFY(near > 0);
    // The engine's ramp (the KML placemarks') is Qt's HSV ramp, blue at -120 dBm, red at -30.
    for (double dbm : {-130.0, -120.0, -101.0, -95.5, -75.0, -52.0, -41.0, -30.0, -10.0}) {
      const double t = std::clamp((dbm + 120.0) / 90.0, 0.0, 1.0);
      const QColor hsv = QColor::fromHsvF((1.0 - t) * 240.0 / 360.0, 0.9, 0.95);
      const QColor ramp = RouteMapView::RssiColour(dbm);
      QVERIFY2(std::abs(ramp.red() - hsv.red()) <= 1 && std::abs(ramp.green() - hsv.green()) <= 1 &&
                   std::abs(ramp.blue() - hsv.blue()) <= 1,
               qPrintable(QString("%1 dBm: %2 vs %3").arg(dbm).arg(ramp.name(), hsv.name())));
    }
    // Unchecking that point's scan fades it.
    for (int r = 0; r < form->tvIndex->topLevelItemCount(); ++r)
      for (int c = 0; c < form->tvIndex->topLevelItem(r)->childCount(); ++c)
        if (form->tvIndex->topLevelItem(r)->child(c)->data(0, Qt::UserRole).toInt() == points[index].Scan)
          form->ToggleScanNode(form->tvIndex->topLevelItem(r)->child(c));
    const QImage faded = map->Render();
    QVERIFY(QColor(faded.pixel(at)).saturation() < QColor(image.pixel(at)).saturation());
    // Clicking shows time, position and RSSI.
    QVERIFY(map->PointAt(at) >= 0);
    form->RouteMap()->ShowPoint(map->PointAt(at));
    QVERIFY(form->RouteMap()->InfoText().contains("Receiver #1"));
    QVERIFY(form->RouteMap()->InfoText().contains(":"));
    QCOMPARE(map->PointAt(QPoint(-500, -500)), -1);
  }

  void CoverageBinsBesideTheOutputAndOnTheMap() {
    const QString input = dir.filePath("drive.klf");
    QFile::copy(QString(KLF_SAMPLE), input);
    ChooseInput(input);
    form->cbiBwave->click();
    QVERIFY(!form->cbBins->isChecked() && !form->seBinMetres->isEnabled());
    QCOMPARE(form->seBinMetres->value(), 50);
    form->cbBins->setChecked(true);
    QVERIFY(form->seBinMetres->isEnabled());
    form->seBinMetres->setValue(100);
    Convert();
    QCOMPARE(LastMessage(), std::string("Conversion Has Been Completed!"));
    CommandLine(input + " --ibwave --bins 100", dir.filePath("cli.out"));
    const std::string bins = ReadAll(dir.filePath("drive-bins.out"));
    QVERIFY(std::count(bins.begin(), bins.end(), '\n') > 10);
    QCOMPARE(bins, ReadAll(dir.filePath("cli-bins.out")));
    QCOMPARE(ReadAll(dir.filePath("drive.out")), ReadAll(dir.filePath("cli.out")));
    // Off again: no bins are written.
    form->cbBins->setChecked(false);
    QFile::remove(dir.filePath("drive-bins.out"));
    Convert();
    QVERIFY(!QFileInfo::exists(dir.filePath("drive-bins.out")));

    // The route map shows the bins of the spin box's size in their mean RSSI's colour.
    form->ShowRouteMap();
    RouteMapView* map = form->RouteMap()->Map();
    map->resize(700, 500);
    QVERIFY(map->Bins().empty());
    form->RouteMap()->BinsBox()->setChecked(true);
    QCOMPARE(form->RouteMap()->BinsBox()->text(), QString("Coverage bins (100 m)"));
    const std::vector<RouteBin> large = map->Bins();
    QVERIFY(large.size() > 5);
    form->seBinMetres->setValue(50);
    QVERIFY(map->Bins().size() > large.size());
    const QImage image = map->Render();
    int coloured = 0;
    for (const RouteBin& bin : map->Bins()) {
      double lon = 0.0, lat = 0.0;
      for (int i = 0; i < 4; ++i) {
        lon += bin.Corners[i].Lon / 4.0;
        lat += bin.Corners[i].Lat / 4.0;
      }
      const QPoint centre = map->Project(lat, lon).toPoint();
      const QColor expected = map->Colour(bin.MeanRssi);
      const int apart = std::abs(QColor(image.pixel(centre)).hue() - expected.hue()) % 360;
      coloured += std::min(apart, 360 - apart) <= 12;
    }
    QVERIFY2(coloured * 10 >= static_cast<int>(map->Bins().size()) * 8, qPrintable(QString::number(coloured)));
    form->RouteMap()->BinsBox()->setChecked(false);
    QVERIFY(map->Bins().empty());
  }

  void EmptySelectionIsRefused() {
    const QString input = dir.filePath("nofields.klf");
    QFile::copy(QString(KLF_SAMPLE), input);
    ChooseInput(input);
    Convert();
    QCOMPARE(messages.size(), size_t{1});
    QCOMPARE(messages.back().first, int(kError));
    QCOMPARE(LastMessage(), std::string("No fields are selected for the output: select the output's fields first."));
    QVERIFY(!QFileInfo::exists(dir.filePath("nofields.out")));
  }

  void GaugeReturnsToZeroAfterTheClosingMessage() {
    const QString input = dir.filePath("drive.klf");
    QFile::copy(QString(KLF_SAMPLE), input);
    ChooseInput(input);
    form->cbiBwave->click();
    QList<int> shownAtMessage;
    SetReportSink([&](int kind, const std::string& text) {
      messages.emplace_back(kind, text);
      shownAtMessage << form->ProgressBar->PercentDone();
    });
    Convert();
    QCOMPARE(LastMessage(), std::string("Conversion Has Been Completed!"));
    QCOMPARE(shownAtMessage.back(), 100);
    QCOMPARE(form->ProgressBar->PercentDone(), 0);
    // An error ends the run the same way.
    Seams().SaveFile = [this](QWidget*, const QString&, const QString&) { return dir.filePath("none/x.out"); };
    form->OutBrowseClick();
    Convert();
    QCOMPARE(LastMessage(), "Output File Cannot Be Accessed!\n" + dir.filePath("none/x.out").toStdString() +
                                ": No such file or directory");
    QCOMPARE(form->ProgressBar->PercentDone(), 0);
  }

  void ProductShownAndRestoredInputIndexed() {
    const QString sample = dir.filePath("drive.klf");
    QFile::copy(QString(KLF_SAMPLE), sample);
    const QString flash = dir.filePath("flash.klf");
    klf::LogWriter log(klf::Layout::FlashCard);
    ManualLog(log);
    log.WriteTo(flash.toStdString());
    ChooseInput(flash);
    QCOMPARE(form->lProduct->text(), QString("KTR Zephyn (PC CARD)"));
    ChooseInput(sample);
    QCOMPARE(form->lProduct->text(), QString("KTR Zephyn"));
    const QString cfg = dir.filePath("drive.cfg");
    Seams().SaveFile = [cfg](QWidget*, const QString&, const QString&) { return cfg; };
    form->SaveConfigurationClick();
    // Another log of the same layout, then the configuration: the tree and the
    // statistics describe the restored file again.
    const QString other = MakeLog("other.klf", ManualLog);
    ChooseInput(other);
    QCOMPARE(form->lbStats->item(0)->text(), QString("GPS Total Records = 40"));
    Seams().OpenFile = [cfg](QWidget*, const QString&, const QString&) { return cfg; };
    form->OpenConfigurationClick();
    QTRY_VERIFY_WITH_TIMEOUT(!form->IndexRunning(), 120000);
    QCoreApplication::processEvents();
    QCOMPARE(form->InputFilename->text(), sample);
    QCOMPARE(form->lbStats->item(0)->text(), QString("GPS Total Records = 1532"));
    QCOMPARE(form->Tree().File(), sample.toStdString());
    QCOMPARE(form->lProduct->text(), QString("KTR Zephyn"));

    // A configuration that cannot be read is named with its reason; nothing changes.
    Seams().OpenFile = [this](QWidget*, const QString&, const QString&) { return dir.filePath("none.cfg"); };
    form->OpenConfigurationClick();
    QCOMPARE(LastMessage(), "Configuration File Cannot Be Read!\n" + dir.filePath("none.cfg").toStdString() +
                                ": No such file or directory");
    QCOMPARE(form->InputFilename->text(), sample);
  }

  void ConvertDuringIndexingSaysItWaits() {
    const QString input = dir.filePath("indexed.klf");
    QVERIFY(std::system((QString(KLF_SYNTH) + " " + input + " --seed 7 --megabytes 8").toLocal8Bit().constData()) == 0);
    form->cbiBwave->click();
    Seams().OpenFile = [input](QWidget*, const QString&, const QString&) { return input; };
    form->InBrowseClick();  // the indexing starts; CONVERT comes before it ends
    QLabel* note = wait->findChild<QLabel*>("lConvertWaiting");
    bool said = false;
    QTimer::singleShot(0, [&] { said = form->IndexRunning() && note->isVisible() && wait->isVisible(); });
    Convert();
    QVERIFY2(said, "while the conversion waits, the wait window says it starts when indexing ends");
    QCOMPARE(QString::fromStdString(LastMessage()), QString("Conversion Has Been Completed!"));
    QVERIFY(!note->isVisible());
    QVERIFY(QFileInfo(dir.filePath("indexed.out")).size() > 0);
  }

  void SurveyReportIsTheCommandLines() {
    ChooseInput(KLF_SAMPLE);
    form->cbiBwave->click();
    form->OutputFilename->setText(dir.filePath("window.out"));
    const QString report = dir.filePath("window.html");
    Seams().SaveFile = [report](QWidget*, const QString&, const QString&) { return report; };
    messages.clear();
    form->SurveyReportClick();
    QTRY_VERIFY_WITH_TIMEOUT(!form->ConvertRunning(), 120000);
    QCoreApplication::processEvents();
    QCOMPARE(LastMessage(), std::string("Conversion Has Been Completed!"));
    CommandLine(QString(KLF_SAMPLE) + " --ibwave --report " + dir.filePath("cli.html"), dir.filePath("cli.out"));
    QVERIFY(ReadAll(report).find("<h1>Survey report</h1>") != std::string::npos);
    QVERIFY(ReadAll(report) == ReadAll(dir.filePath("cli.html")));
    QVERIFY(ReadAll(dir.filePath("window.out")) == ReadAll(dir.filePath("cli.out")));
  }

  void ScansBeyondTheTreeAreCounted() {
    const QString input = MakeLog("many.klf", [](klf::LogWriter& log) {
      log.Band(3, {32000, 36000, 6400, 0}, {32000, 36000, 6400, 0});
      log.Gps(klf::GpsFields());
      for (int i = 0; i < 1030; ++i) log.ListDefinition({32400}, {});
    });
    ChooseInput(input);
    QCOMPARE(form->tvIndex->topLevelItem(1)->childCount(), 1024);
    QTreeWidgetItem* note = form->tvIndex->topLevelItem(form->tvIndex->topLevelItemCount() - 1);
    QCOMPARE(note->text(0).split('\n').join(' '), QString("6 more scans are not shown here; they are converted."));
    // Shown whole: every line of the note fits beside the tree's scroll bar.
    form->show();
    form->tvIndex->scrollToItem(note);
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    const QRect shown = form->tvIndex->visualItemRect(note);
    const QFontMetrics metrics(form->tvIndex->font());
    QVERIFY(note->text(0).count('\n') >= 1);
    for (const QString& line : note->text(0).split('\n'))
      QVERIFY2(shown.left() + metrics.horizontalAdvance(line) < form->tvIndex->viewport()->width(), qPrintable(line));
    QVERIFY(shown.height() >= metrics.height() * (note->text(0).count('\n') + 1));
    form->ToggleScanNode(note);  // not a scan: nothing toggles
    QCOMPARE(form->Tree().Selection().Skipped.size(), size_t{0});
  }

  void MissingNamesAndUnknownFile() {
    form->cbiBwave->click();
    Convert();
    QCOMPARE(LastMessage(), std::string("Input and Output Files Must Be Selected."));
    form->rbMultipleFiles->setChecked(true);
    Convert();
    QCOMPARE(LastMessage(), std::string("Input and Output Folders Must Be Selected."));
    const QString text = dir.filePath("text.klf");
    std::ofstream(text.toStdString()) << "hello";
    form->InputFilename->setText("kept.klf");
    Seams().OpenFile = [text](QWidget*, const QString&, const QString&) { return text; };
    form->InBrowseClick();
    QCOMPARE(LastMessage(), std::string("File is not from a KTR CW product."));
    QCOMPARE(form->InputFilename->text(), QString("kept.klf"));
  }
};

int RunRouteMapTests(int argc, char** argv);

int main(int argc, char** argv) {
  TQuillonApplication app(argc, argv);
  int status = 0;
  GaugeTest gauge;
  status |= QTest::qExec(&gauge, argc, argv);
  MainFormTest form;
  status |= QTest::qExec(&form, argc, argv);
  status |= RunRouteMapTests(argc, argv);
  return status;
}

#include "window_tests.moc"
