// TMainForm: the main window, "KTR Quillon (Zephyn Edition) 6.20". It owns every
// user setting (in its controls), the input/output pairs of the next run, the scan
// tree of the indexed file and the two worker threads. Workers reach it only through
// blocking calls onto the UI thread; it never lets two passes drive the reader at
// once. File and folder dialogs go through seams that tests replace.
#pragma once
#include <QMainWindow>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "convert/settings.h"
#include "indexing/scan_tree.h"
#include "reader/band_info.h"

class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRect;
class QRadioButton;
class QThread;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

class QSpinBox;

namespace quillon {

class TAboutDlg;
class TCGauge;
class TConvert;
class TFrequencyEntryForm;
class THelp_Form;
class TMakeIndex;
class TOpenFolderDlg;
class TRouteMapForm;
class RouteTrack;
class TWaitDlg;

// Dialog seams: tests replace them; by default they show the real dialogs.
struct DialogSeams {
  std::function<QString(QWidget*, const QString& caption, const QString& filter)> OpenFile;
  std::function<QString(QWidget*, const QString& caption, const QString& filter)> SaveFile;
  std::function<void(TOpenFolderDlg*)> ChooseFolder;       // shows the chooser modally
  std::function<void(TFrequencyEntryForm*)> EnterFrequencies;  // shows the dialog modally
};
DialogSeams& Seams();

class TMainForm : public QMainWindow {
  Q_OBJECT

 public:
  TMainForm();
  // The companion windows, created after the main window and living as long.
  void AttachForms(TAboutDlg* about, TWaitDlg* wait, THelp_Form* help, TOpenFolderDlg* folder,
                   TFrequencyEntryForm* frequencies);
  ~TMainForm() override;

  // Settings as the controls hold them now (the copy a run takes).
  Settings CurrentSettings() const;
  void ApplySettings(const Settings& s);

  // Handlers.
  void InBrowseClick();
  void OutBrowseClick();
  void btnInFolderClick();
  void btnOutFolderClick();
  void btnConvertClick();
  void btnCancelClick();
  void SelectFieldClick();
  void DeselectFieldClick();
  void SelectAllClick();
  void DeselectAllClick();
  void cbiBwaveClick();
  void OpenConfigurationClick();
  void SaveConfigurationClick();
  void ToggleScanNode(QTreeWidgetItem* item);

  // Routines.
  int16_t DetectFileType(const QString& path) const;
  void SetInputFormat(int type);
  int ScanFolder();
  void FillAvailableBox();

  // Called on the UI thread by the workers.
  std::string InputFilenameText() const;
  void ShowWaitWindow(bool visible);
  void ResetScanTree(int16_t product, const std::string& file);
  void AddScanNode(int16_t kindCode, int32_t number, const std::string& label);
  void ShowIndexProgress(int percent);
  void ShowFileStatistics(const std::vector<std::string>& lines);
  // Scans of the indexed file beyond the tree's 1024 nodes, named in a note under the roots.
  void ShowScansNotShown(int64_t count);
  // The end of an indexing run: whether the file needs frequencies given by hand, and
  // its receivers' bands, which the frequency dialog shows.
  void IndexFinished(bool frequenciesNeeded, const BandInfo* bands);
  void ShowConvertProgress(int percent);
  void ShowRoute(const RouteTrack& route);
  void ShowRouteMap();
  void SurveyReportClick();
  TRouteMapForm* RouteMap() const { return RouteMapForm; }

  // Waits for the running passes, keeping the UI thread's queued calls going.
  void WaitForPasses();
  bool IndexRunning() const;
  bool ConvertRunning() const;
  const ScanTree& Tree() const { return Scans; }

  std::vector<std::string> InputNames;
  std::vector<std::string> OutputNames;
  int FileCount = 1;
  TConvert* CurrentConvert = nullptr;

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void BuildMenu();
  QGroupBox* RadioPair(QWidget* parent, const char* title, const char* name, const QRect& place,
                       std::pair<const char*, const char*> first, std::pair<const char*, const char*> second,
                       QRadioButton*& firstButton, QRadioButton*& secondButton, QButtonGroup*& buttons);
  void InputFormatChanged(int index);
  void StartIndexing(int16_t product);
  // CONVERT's run, writing the survey report there too (none: empty).
  void StartConversion(const std::string& report);
  void StopIndexing();
  void WaitFor(QThread* thread);
  void AppendSelected(int availablePosition);
  int DelimiterIndex() const;
  void SetDelimiterIndex(int index);
  void UpdateClock();
  static void SetRadio(QRadioButton* button, QButtonGroup* group, bool checked);
  // The controls that start a pass or change what a run reads, off while one converts.
  void SetRunControlsEnabled(bool enabled);
  void ConversionEnded();
  void ShowProduct(int16_t type);

  TAboutDlg* AboutDlg = nullptr;
  TWaitDlg* WaitDlg = nullptr;
  THelp_Form* Help_Form = nullptr;
  TOpenFolderDlg* OpenFolderDlg = nullptr;
  TFrequencyEntryForm* FrequencyEntryForm = nullptr;
  TRouteMapForm* RouteMapForm = nullptr;
  TMakeIndex* IndexThread = nullptr;
  ScanTree Scans;
  std::vector<QWidget*> OffForRun;  // the controls a running conversion turned off
  bool FrequenciesNeeded = false;  // the indexed file's single-channel data lack a frequency definition
  BandInfo IndexedBands[2];
  bool Restoring = false;  // a configuration is being restored: it starts its own indexing
  QTreeWidgetItem* ScanRoots[22] = {};
  QIcon* tvImages = nullptr;

 public:
  // Controls, by their names in the window.
  QFrame* pMain;
  QRadioButton *rbSingleFile, *rbMultipleFiles;
  QGroupBox *gbSingleFile, *gbMultipleFiles;
  QLineEdit *InputFilename, *OutputFilename, *edInFolder, *edOutFolder, *edOutputExt, *edFileCount;
  QLabel* lProduct;  // the detected product of the input file
  QPushButton *InBrowse, *OutBrowse, *btnInFolder, *btnOutFolder;
  QComboBox* cbInputExt;
  QGroupBox *AverageGroup, *GroupBox2, *ReceiverGroup, *GroupBox1;
  QRadioButton *NoAvg, *BSAvg, *cbAT_None, *rbLambda, *Receiver1, *Receiver2;
  QButtonGroup *AverageButtons, *AverageTypeButtons, *ReceiverButtons, *DelimiterButtons, *ModeButtons;
  QCheckBox *FrequencyField, *ChannelField, *RSSIField;
  QCheckBox* cbBins;        // "Coverage bins of"
  QSpinBox* seBinMetres;    // their size in metres
  QListWidget *AvailableBox, *SelectedBox;
  QPushButton *SelectField, *DeselectField, *SelectAll, *DeselectAll;
  QGroupBox* DelimiterGroup;
  QLineEdit* OtherDelimiter;
  QCheckBox *FieldTitles, *cbSplit, *cbRecDrop, *cbiBwave;
  QLabel* Label2;
  QLineEdit* edOutage;
  QTreeWidget* tvIndex;
  QListWidget* lbStats;
  QPushButton *btnConvert, *btnCancel;
  QAction *OpenConfiguration1, *SurveyReport1;
  QFrame* pProgressBar;
  TCGauge* ProgressBar;
  QLabel* olClock;
  QTimer* Timer;
  QComboBox *InputFormatGroup, *TarrowMode, *ScanTypeGroup;
};

}  // namespace quillon
