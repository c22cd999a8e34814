#include "dialogs/route_map_form.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "layers/rssi_colour.h"
#include "dialogs/program_icon.h"

namespace quillon {

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr double kMetresPerDegreeLat = 111320.0;
constexpr int kMargin = 40;
}  // namespace

RouteMapView::RouteMapView(QWidget* parent) : QWidget(parent) {
  setObjectName("RouteMapView");
  setMinimumSize(320, 240);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void RouteMapView::SetRoute(const RouteTrack& route) {
  Track = route;
  UpdateBins();
  Refresh();
}

void RouteMapView::SetReceiver(int receiver) {
  Receiver = receiver == 1 ? 1 : 0;
  UpdateBins();
  Refresh();
}

void RouteMapView::SetScanState(std::function<uint8_t(int32_t)> state) {
  ScanState = std::move(state);
  Refresh();
}

void RouteMapView::SetBins(int metres) {
  BinMetres = metres;
  UpdateBins();
  Refresh();
}

void RouteMapView::UpdateBins() {
  Squares = BinMetres > 0 ? RouteBins(Track, Receiver, BinMetres) : std::vector<RouteBin>();
}

void RouteMapView::Refresh() {
  Fit();
  Cache = Render();
  update();
}

// Blue (weak) through green and yellow to red (strong), as the KML placemarks are.
QColor RouteMapView::RssiColour(double rssi) {
  const Rgb c = quillon::RssiColour(rssi);
  return QColor(c.Red, c.Green, c.Blue);
}

void RouteMapView::Fit() {
  const auto& points = Track.Points();
  if (points.empty()) return;
  double minLat = points[0].Latitude, maxLat = minLat, minLon = points[0].Longitude, maxLon = minLon;
  for (const RoutePoint& p : points) {
    minLat = std::min(minLat, p.Latitude);
    maxLat = std::max(maxLat, p.Latitude);
    minLon = std::min(minLon, p.Longitude);
    maxLon = std::max(maxLon, p.Longitude);
  }
  CentreLat = (minLat + maxLat) / 2;
  CentreLon = (minLon + maxLon) / 2;
  MetresPerDegreeLon = kMetresPerDegreeLat * std::cos(CentreLat * kPi / 180);
  const double widthMetres = std::max((maxLon - minLon) * MetresPerDegreeLon, 1.0);
  const double heightMetres = std::max((maxLat - minLat) * kMetresPerDegreeLat, 1.0);
  const double usableWidth = std::max(width() - 2 * kMargin - 90, 50);  // room for the legend
  const double usableHeight = std::max(height() - 2 * kMargin, 50);
  PixelsPerMetre = std::min(usableWidth / widthMetres, usableHeight / heightMetres);
}

QPointF RouteMapView::Project(double latitude, double longitude) const {
  const double east = (longitude - CentreLon) * MetresPerDegreeLon;
  const double north = (latitude - CentreLat) * kMetresPerDegreeLat;
  const double centreX = kMargin + (width() - 2 * kMargin - 90) / 2.0;
  return {centreX + east * PixelsPerMetre, height() / 2.0 - north * PixelsPerMetre};
}

QImage RouteMapView::Render() const {
  QImage image(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
  image.fill(QColor(250, 250, 245));
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const auto& points = Track.Points();
  if (points.empty()) {
    p.setPen(Qt::darkGray);
    p.drawText(image.rect(), Qt::AlignCenter, "No route: index a file with GPS fixes first.");
    return image;
  }
  // The bins under the route, each square filled with its mean RSSI's colour.
  p.setPen(Qt::NoPen);
  for (const RouteBin& bin : Squares) {
    QPolygonF square;
    for (const LonLat& corner : bin.Corners) square << Project(corner.Lat, corner.Lon);
    QColor colour = RssiColour(bin.MeanRssi);
    colour.setAlpha(190);
    p.setBrush(colour);
    p.drawPolygon(square);
  }
  // The route line, then the coloured points (with bins, the line alone over them);
  // scans left out are faded.
  p.setPen(QPen(Squares.empty() ? QColor(180, 180, 180) : QColor(60, 60, 60, 110), 1));
  for (size_t i = 1; i < points.size(); ++i) p.drawLine(Project(points[i - 1]), Project(points[i]));
  p.setPen(Qt::NoPen);
  for (const RoutePoint& point : Squares.empty() ? points : std::vector<RoutePoint>()) {
    QColor colour = point.HasRssi(Receiver) ? RssiColour(point.MeanRssi(Receiver)) : QColor(150, 150, 150);
    if (ScanState && ScanState(point.Scan) == 1) colour.setAlpha(45);
    p.setBrush(colour);
    p.drawEllipse(Project(point), 2.5, 2.5);
  }

  // North arrow.
  p.setPen(QPen(Qt::black, 2));
  p.drawLine(20, 40, 20, 14);
  p.drawLine(20, 14, 15, 22);
  p.drawLine(20, 14, 25, 22);
  p.drawText(QRect(10, 40, 20, 16), Qt::AlignCenter, "N");

  // Scale bar: the largest 1, 2 or 5 x 10^n metres that fits a quarter of the width.
  const double maxMetres = (width() / 4.0) / PixelsPerMetre;
  double metres = 1;
  for (double base = 1; base <= 1e7; base *= 10)
    for (double m : {1.0, 2.0, 5.0})
      if (m * base <= maxMetres) metres = m * base;
  const int barPixels = static_cast<int>(std::lround(metres * PixelsPerMetre));
  const int barY = height() - 16;
  p.setPen(QPen(Qt::black, 2));
  p.drawLine(kMargin, barY, kMargin + barPixels, barY);
  p.drawLine(kMargin, barY - 5, kMargin, barY + 1);
  p.drawLine(kMargin + barPixels, barY - 5, kMargin + barPixels, barY + 1);
  const QString label = metres >= 1000 ? QString("%1 km").arg(metres / 1000) : QString("%1 m").arg(metres);
  p.drawText(kMargin + barPixels + 6, barY + 4, label);

  // Legend: the colour scale and the "no data" grey.
  const int legendX = width() - 80, top = kMargin, legendHeight = std::max(height() - 2 * kMargin - 40, 60);
  for (int y = 0; y < legendHeight; ++y) {
    const double rssi = kRampHighDbm - (kRampHighDbm - kRampLowDbm) * y / (legendHeight - 1);
    p.setPen(RssiColour(rssi));
    p.drawLine(legendX, top + y, legendX + 14, top + y);
  }
  p.setPen(Qt::black);
  p.setBrush(Qt::NoBrush);
  p.drawRect(legendX, top, 14, legendHeight);
  p.drawText(legendX - 4, top - 8, "RSSI");
  for (int dbm = -30; dbm >= -120; dbm -= 30) {
    const int y = top + static_cast<int>((kRampHighDbm - dbm) / (kRampHighDbm - kRampLowDbm) * (legendHeight - 1));
    p.drawText(legendX + 18, y + 4, QString::number(dbm));
  }
  p.fillRect(legendX, top + legendHeight + 12, 14, 10, QColor(150, 150, 150));
  p.drawText(legendX + 18, top + legendHeight + 21, "no data");
  return image;
}

void RouteMapView::paintEvent(QPaintEvent*) {
  if (Cache.size() != size()) Cache = Render();
  QPainter(this).drawImage(0, 0, Cache);
}

void RouteMapView::resizeEvent(QResizeEvent*) { Refresh(); }

int RouteMapView::PointAt(const QPoint& position) const {
  int best = -1;
  double bestDistance = 10.0 * 10.0;
  const auto& points = Track.Points();
  for (size_t i = 0; i < points.size(); ++i) {
    const QPointF d = Project(points[i]) - position;
    const double distance = d.x() * d.x() + d.y() * d.y();
    if (distance <= bestDistance) {
      bestDistance = distance;
      best = static_cast<int>(i);
    }
  }
  return best;
}

void RouteMapView::mouseReleaseEvent(QMouseEvent* event) {
  const int index = PointAt(event->position().toPoint());
  if (index >= 0) emit PointClicked(index);
}

TRouteMapForm::TRouteMapForm(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("RouteMapForm");
  setWindowTitle("Route Map");
  setWindowIcon(ProgramIcon());
  resize(760, 560);
  auto* layout = new QVBoxLayout(this);
  View = new RouteMapView(this);
  Info = new QLabel("Click a point to see its time, position and RSSI.", this);
  Info->setObjectName("lInfo");
  ShowBins = new QCheckBox("Coverage bins", this);
  ShowBins->setObjectName("cbRouteBins");
  auto* below = new QHBoxLayout();
  below->addWidget(Info, 1);
  below->addWidget(ShowBins);
  layout->addWidget(View, 1);
  layout->addLayout(below);
  connect(View, &RouteMapView::PointClicked, this, &TRouteMapForm::ShowPoint);
  connect(ShowBins, &QCheckBox::toggled, this, [this](bool on) {
    View->SetBins(on ? BinMetres : 0);
    ShowBins->setText(on ? QString("Coverage bins of %1 metres").arg(BinMetres) : QString("Coverage bins"));
  });
}

void TRouteMapForm::SetBinMetres(int metres) {
  if (metres == BinMetres) return;
  BinMetres = metres;
  if (ShowBins->isChecked()) {
    View->SetBins(metres);
    ShowBins->setText(QString("Coverage bins of %1 metres").arg(metres));
  }
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
  Info->setText(text + QString("   (scan %1)").arg(p.Scan));
}

}  // namespace quillon
