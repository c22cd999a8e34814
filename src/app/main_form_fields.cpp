// TMainForm's field lists, iBwave layout and scan tree, and what the indexing shows
// in the window.
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTreeWidget>

#include "app/main_form.h"
#include "app/qt_text.h"
#include "controls/cgauge.h"
#include "dialogs/report_error.h"
#include "dialogs/route_map_form.h"
#include "indexing/wait_dlg.h"
#include "reader/log_reader.h"

namespace quillon {

namespace {
constexpr int kMaxColumns = kFieldMapSize;
}  // namespace

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
  for (int p : kIBwavePositions)
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

namespace {
// The words of a text in lines no wider than the given pixels (a word longer than
// that stands on a line of its own).
QString WrapToWidth(const QString& text, const QFontMetrics& metrics, int pixels) {
  QString wrapped, line;
  for (const QString& word : text.split(' ', Qt::SkipEmptyParts)) {
    const QString longer = line.isEmpty() ? word : line + ' ' + word;
    if (!line.isEmpty() && metrics.horizontalAdvance(longer) > pixels) {
      wrapped += line + '\n';
      line = word;
    } else {
      line = longer;
    }
  }
  return wrapped + line;
}
}  // namespace

void TMainForm::ShowScansNotShown(int64_t count) {
  if (count <= 0) return;
  // Broken into lines that the tree shows whole, without scrolling sideways.
  const int room = tvIndex->width() - 2 * tvIndex->frameWidth() - tvIndex->verticalScrollBar()->sizeHint().width() -
                   tvIndex->indentation() - 8;
  const QString text = QString("%1 more scans are not shown here; they are converted.").arg(count);
  auto* note = new QTreeWidgetItem(tvIndex, QStringList(WrapToWidth(text, QFontMetrics(tvIndex->font()), room)));
  note->setFlags(Qt::ItemIsEnabled);
  note->setData(0, Qt::UserRole, 0);
}

void TMainForm::IndexFinished(bool frequenciesNeeded, const BandInfo* bands) {
  FrequenciesNeeded = frequenciesNeeded;
  IndexedBands[0] = bands[0];
  IndexedBands[1] = bands[1];
}

void TMainForm::ShowConvertProgress(int percent) { ProgressBar->SetProgress(percent); }

void TMainForm::ShowRoute(const RouteTrack& route) { RouteMapForm->SetRoute(route); }

void TMainForm::ShowRouteMap() {
  RouteMapForm->Map()->SetReceiver(Receiver2->isChecked() && !Receiver1->isChecked() ? 1 : 0);
  RouteMapForm->show();
  RouteMapForm->raise();
}

std::string TMainForm::InputFilenameText() const { return Std(InputFilename->text()); }

}  // namespace quillon
