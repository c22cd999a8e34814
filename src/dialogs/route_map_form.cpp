#include "dialogs/route_map_form.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "bins/bin_grid.h"
#include "dialogs/program_icon.h"
#include "dialogs/report_error.h"
#include "gis/gis_module.h"

namespace quillon {

namespace {
constexpr char kClickHint[] = "Click a point to see its time, position and RSSI; wheel or + and - zoom, drag pans.";

QPushButton* Button(const QString& text, const char* name, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  button->setAutoDefault(false);
  return button;
}

QCheckBox* Check(const QString& text, const char* name, bool checked, QWidget* parent) {
  auto* box = new QCheckBox(text, parent);
  box->setObjectName(name);
  box->setChecked(checked);
  return box;
}
}  // namespace

TRouteMapForm::TRouteMapForm(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("RouteMapForm");
  setWindowTitle("Route Map");
  setWindowIcon(ProgramIcon());
  resize(1000, 640);
  auto* layout = new QVBoxLayout(this);
  auto* tools = new QHBoxLayout();
  Fit = Button("Fit", "btnFit", this);
  ZoomIn = Button("+", "btnZoomIn", this);
  ZoomOut = Button("-", "btnZoomOut", this);
  for (QPushButton* b : {ZoomIn, ZoomOut}) b->setFixedWidth(32);
  ShowRoute = Check("Route", "cbRoute", true, this);
  ShowBins = Check("Coverage bins", "cbRouteBins", false, this);
  FixedScale = Check("Fixed scale -120 to -30 dBm", "cbFixedScale", false, this);
  BaseMap = Button("Base map...", "btnBaseMap", this);
  NoBaseMap = Button("No base map", "btnNoBaseMap", this);
  NoBaseMap->setEnabled(false);
  SitesButton = Button("Sites...", "btnSites", this);
  NoSites = Button("No sites", "btnNoSites", this);
  NoSites->setEnabled(false);
  for (QWidget* w : std::initializer_list<QWidget*>{Fit, ZoomIn, ZoomOut, ShowRoute, ShowBins, FixedScale})
    tools->addWidget(w);
  tools->addStretch(1);
  tools->addWidget(SitesButton);
  tools->addWidget(NoSites);
  tools->addWidget(BaseMap);
  tools->addWidget(NoBaseMap);
  View = new RouteMapView(this);
  Info = new QLabel(kClickHint, this);
  Info->setObjectName("lInfo");
  // Long lines are cut rather than widening the window.
  Info->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  layout->addLayout(tools);
  layout->addWidget(View, 1);
  layout->addWidget(Info);
  ShowBinsText();
  // As wide as its widest text: a new bin size never widens the window.
  ShowBins->setMinimumWidth(ShowBins->sizeHint().width() + ShowBins->fontMetrics().horizontalAdvance("0000"));

  connect(View, &RouteMapView::PointClicked, this, &TRouteMapForm::ShowPoint);
  connect(Fit, &QPushButton::clicked, View, &RouteMapView::FitView);
  const auto centre = [this] { return QPointF(View->width() / 2.0 - 45, View->height() / 2.0); };
  connect(ZoomIn, &QPushButton::clicked, this, [this, centre] { View->ZoomAt(centre(), 1.5); });
  connect(ZoomOut, &QPushButton::clicked, this, [this, centre] { View->ZoomAt(centre(), 1 / 1.5); });
  connect(ShowRoute, &QCheckBox::toggled, View, &RouteMapView::SetRouteShown);
  connect(FixedScale, &QCheckBox::toggled, View, &RouteMapView::SetFixedScale);
  connect(ShowBins, &QCheckBox::toggled, this, [this](bool on) {
    if (const std::string why = on ? BinGrid::Unavailable() : std::string(); !why.empty()) {
      report_error(kError, "%s", why.c_str());
      ShowBins->setChecked(false);
      return;
    }
    View->SetBins(on ? BinMetres : 0);
    ShowBinsText();
  });
  connect(BaseMap, &QPushButton::clicked, this, &TRouteMapForm::ChooseBaseMap);
  connect(SitesButton, &QPushButton::clicked, this, &TRouteMapForm::ChooseSites);
  connect(NoSites, &QPushButton::clicked, this, [this] { LoadSites(QString()); });
  connect(NoBaseMap, &QPushButton::clicked, this, [this] {
    QString unused;
    View->SetBaseMap(QString(), unused);
    NoBaseMap->setEnabled(false);
    BaseMap->setToolTip(QString());
  });
}

void TRouteMapForm::ShowBinsText() {
  ShowBins->setText(QString("Coverage bins (%1 m)").arg(BinMetres));
}

void TRouteMapForm::SetRoute(const RouteTrack& route) {
  View->SetRoute(route);
  Info->setText(kClickHint);
}

void TRouteMapForm::SetBinMetres(int metres) {
  if (metres == BinMetres) return;
  BinMetres = metres;
  ShowBinsText();
  if (ShowBins->isChecked()) View->SetBins(metres);
}

bool TRouteMapForm::LoadBaseMap(const QString& path) {
  QString error;
  if (!View->SetBaseMap(path, error)) {
    report_error(kError, "%s", error.toUtf8().constData());
    return false;
  }
  NoBaseMap->setEnabled(!path.isEmpty());
  BaseMap->setToolTip(path);
  return true;
}

bool TRouteMapForm::LoadSites(const QString& path) {
  std::vector<Site> sites;
  std::string error;
  if (!path.isEmpty() && !ReadSitesFile(path.toStdString(), sites, error)) {
    report_error(kError, "%s", error.c_str());
    return false;
  }
  if (const std::string why = sites.empty() ? std::string() : GisNeeded("Colouring the route by sites (Sites...)");
      !why.empty()) {
    report_error(kError, "%s", why.c_str());
    return false;
  }
  View->SetSites(sites);
  NoSites->setEnabled(!sites.empty());
  SitesButton->setToolTip(path);
  return true;
}

void TRouteMapForm::ChooseSites() {
  const QString path = QFileDialog::getOpenFileName(this, "Survey Sites", QString(), "Sites files (*.csv);;All files (*)");
  if (!path.isEmpty()) LoadSites(path);
}

void TRouteMapForm::ChooseBaseMap() {
  const QString path =
      QFileDialog::getOpenFileName(this, "Base Map", QString(), "MBTiles files (*.mbtiles);;All files (*)");
  if (!path.isEmpty()) LoadBaseMap(path);
}

QString TRouteMapForm::InfoText() const { return Info->text(); }

void TRouteMapForm::ShowPoint(int index) {
  const auto& points = View->Route().Points();
  if (index < 0 || static_cast<size_t>(index) >= points.size()) return;
  const RoutePoint& p = points[static_cast<size_t>(index)];
  const int s = p.SecondsOfDay;
  QString text = QString::asprintf("%02d:%02d:%02d   %.6f, %.6f   ", s / 3600, s / 60 % 60, s % 60, p.Latitude,
                                   p.Longitude);
  text += p.HasRssi(0) ? QString::asprintf("Receiver #1 %.1f dBm  ", p.MeanRssi(0)) : QString("Receiver #1 no data  ");
  text += p.HasRssi(1) ? QString::asprintf("Receiver #2 %.1f dBm", p.MeanRssi(1)) : QString("Receiver #2 no data");
  const double difference = View->ModelDifference(static_cast<size_t>(index));
  if (!std::isnan(difference))
    text += QString::asprintf("   %+.1f dB against the fit of ", difference) +
            QString::fromStdString(View->Sites()[static_cast<size_t>(View->SiteOf(static_cast<size_t>(index)))].Name);
  Info->setText(text + QString("   (scan %1)").arg(p.Scan));
}

}  // namespace quillon
