#include "dialogs/route_map_view.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "analysis/geodesic.h"
#include "analysis/path_loss_fit.h"
#include "dialogs/mbtiles.h"
#include "layers/rssi_colour.h"

namespace quillon {

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr double kEarth = 6378137.0;  // Web Mercator's sphere, metres
constexpr int kMargin = 40;
constexpr int kLegendRoom = 90;
constexpr double kMaxScale = 50.0;  // pixels per metre at the closest zoom
constexpr int kShades = 1024;       // of the ramp, for the points' dots

double MercatorX(double longitude) { return kEarth * longitude * kPi / 180.0; }
double MercatorY(double latitude) {
  const double lat = std::clamp(latitude, -85.0511, 85.0511) * kPi / 180.0;
  return kEarth * std::log(std::tan(kPi / 4 + lat / 2));
}
double LatitudeOf(double y) { return (2 * std::atan(std::exp(y / kEarth)) - kPi / 2) * 180.0 / kPi; }
}  // namespace

RouteMapView::RouteMapView(QWidget* parent) : QWidget(parent) {
  setObjectName("RouteMapView");
  setMinimumSize(320, 240);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(false);
}

RouteMapView::~RouteMapView() = default;

void RouteMapView::SetRoute(const RouteTrack& route) {
  Track = route;
  Mercator.clear();
  for (const RoutePoint& p : Track.Points()) Mercator.emplace_back(MercatorX(p.Longitude), MercatorY(p.Latitude));
  UpdateBins();
  UpdateDifferences();
  UpdateScale();
  FitView();
}

void RouteMapView::SetReceiver(int receiver) {
  Receiver = receiver == 1 ? 1 : 0;
  UpdateBins();
  UpdateDifferences();
  UpdateScale();
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

void RouteMapView::SetFixedScale(bool fixed) {
  FixedScale = fixed;
  UpdateScale();
  Refresh();
}

void RouteMapView::SetRouteShown(bool shown) {
  RouteShown = shown;
  Refresh();
}

bool RouteMapView::SetBaseMap(const QString& path, QString& error) {
  if (path.isEmpty()) {
    BaseMap.reset();
    Refresh();
    return true;
  }
  auto tiles = std::make_unique<MbTiles>();
  if (!tiles->Open(path, error)) return false;
  BaseMap = std::move(tiles);
  Refresh();
  return true;
}

void RouteMapView::UpdateBins() {
  Squares = BinMetres > 0 ? RouteBins(Track, Receiver, BinMetres) : std::vector<RouteBin>();
  SquareCorners.clear();
  for (const RouteBin& bin : Squares) {
    std::array<QPointF, 4> corners;
    for (size_t k = 0; k < 4; ++k) corners[k] = QPointF(MercatorX(bin.Corners[k].Lon), MercatorY(bin.Corners[k].Lat));
    SquareCorners.push_back(corners);
  }
}

void RouteMapView::SetSites(const std::vector<Site>& sites, double rxGainDb) {
  SiteList = sites;
  RxGain = rxGainDb;
  UpdateDifferences();
  UpdateScale();
  FitView();
}

// The survey analysis's fit, on the route's points: each point's path loss to its
// nearest site (EIRP and gain less its mean RSSI), fitted per site within the
// analysis's default ranges (-110 to -40 dBm, 100 m to 20 km).
void RouteMapView::UpdateDifferences() {
  Differences.clear();
  PointSites.clear();
  if (SiteList.empty() || !GeodesicAvailable()) return;
  const auto& points = Track.Points();
  std::vector<DistanceFrom> from;
  for (const Site& site : SiteList) from.emplace_back(site.Latitude, site.Longitude);
  std::vector<double> metres(points.size(), 0.0);
  std::vector<PathLossFit> fits(SiteList.size());
  PointSites.assign(points.size(), -1);
  for (size_t i = 0; i < points.size(); ++i) {
    const RoutePoint& p = points[i];
    if (!p.HasRssi(Receiver)) continue;
    double nearest = INFINITY;
    for (size_t k = 0; k < from.size(); ++k) {
      const double d = from[k].To(p.Latitude, p.Longitude);
      if (d < nearest) nearest = d, PointSites[i] = static_cast<int>(k);
    }
    metres[i] = nearest;
    const double rssi = p.MeanRssi(Receiver);
    if (rssi >= -110 && rssi <= -40 && nearest >= 100 && nearest <= 20000)
      fits[static_cast<size_t>(PointSites[i])].Add(nearest, SiteList[static_cast<size_t>(PointSites[i])].EirpDbm + RxGain - rssi);
  }
  std::vector<FitResult> results;
  for (const PathLossFit& fit : fits) results.push_back(fit.Result());
  Differences.assign(points.size(), NAN);
  for (size_t i = 0; i < points.size(); ++i) {
    if (PointSites[i] < 0 || metres[i] <= 0) continue;
    const FitResult& r = results[static_cast<size_t>(PointSites[i])];
    if (!r.Fitted) continue;
    const double predicted = r.Model.K1 + r.Model.K2 * std::log10(metres[i] / 1000.0);
    const double measured = SiteList[static_cast<size_t>(PointSites[i])].EirpDbm + RxGain - points[i].MeanRssi(Receiver);
    Differences[i] = predicted - measured;  // the RSSI above the model's
  }
}

bool RouteMapView::ValueOf(size_t index, double& value) const {
  if (!SiteList.empty()) {
    value = ModelDifference(index);
    return !std::isnan(value);
  }
  const RoutePoint& p = Track.Points()[index];
  value = p.HasRssi(Receiver) ? p.MeanRssi(Receiver) : 0.0;
  return p.HasRssi(Receiver);
}

void RouteMapView::UpdateScale() {
  const LevelCounts& levels = Track.Levels(Receiver);
  if (!SiteList.empty()) {
    Low = -15.0, High = 15.0;
  } else if (FixedScale || levels.Measured() == 0) {
    Low = kRampLowDbm, High = kRampHighDbm;
  } else {
    Low = levels.Percentile(0.02);
    High = std::max<double>(levels.Percentile(0.98), Low + 1.0);
  }
  Dots.clear();
}

const QImage& RouteMapView::Dot(int shade, bool faded) const {
  if (Dots.empty()) Dots.resize(2 * (kShades + 1));
  QImage& dot = Dots[static_cast<size_t>(shade + (faded ? kShades + 1 : 0))];
  if (dot.isNull()) {
    dot = QImage(6, 6, QImage::Format_ARGB32_Premultiplied);
    dot.fill(Qt::transparent);
    QColor colour = shade < kShades ? Colour(Low + (High - Low) * shade / (kShades - 1.0)) : QColor(150, 150, 150);
    if (faded) colour.setAlpha(45);
    QPainter p(&dot);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(QPointF(3, 3), 2.5, 2.5);
  }
  return dot;
}

void RouteMapView::Refresh() {
  Cache = Render();
  update();
}

QColor RouteMapView::Colour(double rssi) const {
  const Rgb c = RssiColourOn(rssi, Low, High);
  return QColor(c.Red, c.Green, c.Blue);
}

// Blue (weak) through green and yellow to red (strong), as the KML placemarks are.
QColor RouteMapView::RssiColour(double rssi) {
  const Rgb c = quillon::RssiColour(rssi);
  return QColor(c.Red, c.Green, c.Blue);
}

double RouteMapView::MapWidth() const { return std::max(width() - kLegendRoom, 50); }

void RouteMapView::FitView() {
  Fitted = true;
  const auto& points = Track.Points();
  if (!points.empty()) {
    double minX = MercatorX(points[0].Longitude), maxX = minX, minY = MercatorY(points[0].Latitude), maxY = minY;
    const auto take = [&](double latitude, double longitude) {
      const double x = MercatorX(longitude), y = MercatorY(latitude);
      minX = std::min(minX, x), maxX = std::max(maxX, x), minY = std::min(minY, y), maxY = std::max(maxY, y);
    };
    for (const RoutePoint& p : points) take(p.Latitude, p.Longitude);
    for (const Site& site : SiteList) take(site.Latitude, site.Longitude);  // the sites are shown too
    CentreX = (minX + maxX) / 2;
    CentreY = (minY + maxY) / 2;
    const double usableWidth = std::max(MapWidth() - 2 * kMargin, 50.0);
    const double usableHeight = std::max(height() - 2 * kMargin, 50);
    Scale = std::min({usableWidth / std::max(maxX - minX, 1.0), usableHeight / std::max(maxY - minY, 1.0), kMaxScale});
  }
  Refresh();
  emit ViewChanged();
}

void RouteMapView::ZoomAt(const QPointF& at, double factor) {
  const double x = CentreX + (at.x() - MapWidth() / 2) / Scale, y = CentreY - (at.y() - height() / 2.0) / Scale;
  Scale = std::clamp(Scale * factor, 1e-6, kMaxScale);
  CentreX = x - (at.x() - MapWidth() / 2) / Scale;
  CentreY = y + (at.y() - height() / 2.0) / Scale;
  Fitted = false;
  Refresh();
  emit ViewChanged();
}

void RouteMapView::Pan(const QPointF& pixels) {
  CentreX -= pixels.x() / Scale;
  CentreY += pixels.y() / Scale;
  Fitted = false;
  Refresh();
  emit ViewChanged();
}

QPointF RouteMapView::Project(double latitude, double longitude) const {
  return {MapWidth() / 2 + (MercatorX(longitude) - CentreX) * Scale,
          height() / 2.0 - (MercatorY(latitude) - CentreY) * Scale};
}

void RouteMapView::Unproject(const QPointF& at, double& latitude, double& longitude) const {
  longitude = (CentreX + (at.x() - MapWidth() / 2) / Scale) / kEarth * 180.0 / kPi;
  latitude = LatitudeOf(CentreY - (at.y() - height() / 2.0) / Scale);
}

QImage RouteMapView::Render() const {
  QImage image(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
  image.fill(QColor(250, 250, 245));
  QPainter p(&image);
  if (Track.Points().empty()) {
    p.setPen(Qt::darkGray);
    p.drawText(image.rect(), Qt::AlignCenter, "No route: index a file with GPS fixes first.");
    return image;
  }
  DrawBaseMap(p);
  // The bins under the route, each square filled with its mean RSSI's colour (a
  // square of a pixel or two as a plain rectangle).
  p.setPen(Qt::NoPen);
  const QRectF screen(image.rect());
  std::vector<std::pair<QRect, QRgb>> small;  // squares of a pixel or two, blended straight into the image
  for (size_t i = 0; i < Squares.size(); ++i) {
    QPolygonF square;
    for (const QPointF& corner : SquareCorners[i]) square << Pixel(corner);
    const QRectF box = square.boundingRect();
    if (!box.intersects(screen)) continue;
    QColor colour = Colour(Squares[i].MeanRssi);
    if (box.width() < 2.5 && box.height() < 2.5) {
      small.emplace_back(box.toAlignedRect() & image.rect(), colour.rgb());
    } else {
      colour.setAlpha(200);
      p.setBrush(colour);
      p.drawPolygon(square);
    }
  }
  if (!small.empty()) {
    p.end();
    for (const auto& [box, rgb] : small)
      for (int y = box.top(); y <= box.bottom(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = box.left(); x <= box.right(); ++x) {
          const QRgb under = line[x];
          const auto mix = [](int top, int bottom) { return (top * 200 + bottom * 55 + 127) / 255; };
          line[x] = qRgb(mix(qRed(rgb), qRed(under)), mix(qGreen(rgb), qGreen(under)), mix(qBlue(rgb), qBlue(under)));
        }
      }
    p.begin(&image);
  }
  p.setRenderHint(QPainter::Antialiasing);
  if (RouteShown) DrawRoute(p);
  DrawSites(p);
  DrawFurniture(p);
  return image;
}

// The base map's tiles of the zoom nearest to the view's scale, beneath everything.
void RouteMapView::DrawBaseMap(QPainter& p) const {
  if (!BaseMap) return;
  const double world = 2 * kPi * kEarth;
  const int z = std::clamp(static_cast<int>(std::lround(std::log2(Scale * world / 256.0))), BaseMap->MinZoom(),
                           BaseMap->MaxZoom());
  const double tiles = std::ldexp(1.0, z), tileMetres = world / tiles;
  const double left = CentreX - MapWidth() / 2 / Scale, right = CentreX + (width() - MapWidth() / 2) / Scale;
  const double top = CentreY + height() / 2.0 / Scale, bottom = CentreY - height() / 2.0 / Scale;
  const auto column = [&](double x) { return static_cast<int>(std::floor((x + world / 2) / tileMetres)); };
  const auto row = [&](double y) { return static_cast<int>(std::floor((world / 2 - y) / tileMetres)); };
  const int x0 = std::max(column(left), 0), x1 = std::min(column(right), static_cast<int>(tiles) - 1);
  const int y0 = std::max(row(top), 0), y1 = std::min(row(bottom), static_cast<int>(tiles) - 1);
  if ((x1 - x0 + 1) * (y1 - y0 + 1) > 400) return;  // a zoom the file has no tiles near enough for
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) {
      const QImage tile = BaseMap->Tile(z, x, y);
      if (tile.isNull()) continue;
      const double mx = x * tileMetres - world / 2, my = world / 2 - y * tileMetres;
      const QRectF place(MapWidth() / 2 + (mx - CentreX) * Scale, height() / 2.0 - (my - CentreY) * Scale,
                         tileMetres * Scale, tileMetres * Scale);
      p.drawImage(place, tile);
    }
}

// The route line, then the coloured points; with bins, the line alone and thin.
// Points off the screen or on a pixel already drawn are skipped.
void RouteMapView::DrawRoute(QPainter& p) const {
  const auto& points = Track.Points();
  const int w = width(), h = height();
  QPolygonF line;
  QPointF last(-1e9, -1e9);
  for (size_t i = 0; i < points.size(); ++i) {
    const QPointF at = Pixel(i);
    if (std::fabs(at.x() - last.x()) < 1 && std::fabs(at.y() - last.y()) < 1) continue;
    line << at;
    last = at;
  }
  // An opaque cosmetic pen without antialiasing, in short runs: a translucent or
  // antialiased line, or one long path, is rasterised many times slower. Over the
  // bins the line is drawn on a layer of its own, laid on them at a third of its
  // strength, so that the bins show through it.
  QImage layer;
  QPainter over;
  QPainter* painter = &p;
  if (!Squares.empty()) {
    layer = QImage(w, h, QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    over.begin(&layer);
    painter = &over;
  }
  QPen pen(Squares.empty() ? QColor(180, 180, 180) : QColor(20, 20, 20), 1.0);
  pen.setCosmetic(true);
  painter->setPen(pen);
  painter->setBrush(Qt::NoBrush);
  painter->setRenderHint(QPainter::Antialiasing, false);
  constexpr qsizetype kRun = 64;
  for (qsizetype from = 0; from + 1 < line.size(); from += kRun)
    painter->drawPolyline(line.constData() + from, static_cast<int>(std::min(kRun + 1, line.size() - from)));
  painter->setRenderHint(QPainter::Antialiasing);
  if (!Squares.empty()) {
    over.end();
    p.setOpacity(0.35);
    p.drawImage(0, 0, layer);
    p.setOpacity(1.0);
  }
  if (!Squares.empty()) return;
  std::vector<uint8_t> drawn(static_cast<size_t>(w) * static_cast<size_t>(h));
  const double span = High - Low;
  for (size_t i = 0; i < points.size(); ++i) {
    const QPointF at = Pixel(i);
    const int x = static_cast<int>(std::floor(at.x())), y = static_cast<int>(std::floor(at.y()));
    if (x < 0 || y < 0 || x >= w || y >= h) continue;
    uint8_t& taken = drawn[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)];
    if (taken) continue;
    taken = 1;
    double value = 0.0;
    const int shade =
        ValueOf(i, value) ? static_cast<int>(std::lround(std::clamp((value - Low) / span, 0.0, 1.0) * (kShades - 1))) : kShades;
    p.drawImage(QPointF(at.x() - 3, at.y() - 3), Dot(shade, ScanState && ScanState(points[i].Scan) == 1));
  }
}

// The sites: a black triangle and the name.
void RouteMapView::DrawSites(QPainter& p) const {
  p.setPen(Qt::black);
  for (const Site& site : SiteList) {
    const QPointF at = Project(site.Latitude, site.Longitude);
    p.setBrush(Qt::black);
    p.drawPolygon(QPolygonF({at + QPointF(0, -8), at + QPointF(7, 5), at + QPointF(-7, 5)}));
    p.drawText(at + QPointF(10, 5), QString::fromStdString(site.Name));
  }
}

// North arrow, scale bar (true metres at the map's centre) and the legend.
void RouteMapView::DrawFurniture(QPainter& p) const {
  p.setPen(QPen(Qt::black, 2));
  p.drawLine(20, 40, 20, 14);
  p.drawLine(20, 14, 15, 22);
  p.drawLine(20, 14, 25, 22);
  p.drawText(QRect(10, 40, 20, 16), Qt::AlignCenter, "N");

  const double metresPerPixel = std::cos(LatitudeOf(CentreY) * kPi / 180.0) / Scale;
  const double maxMetres = (width() / 4.0) * metresPerPixel;
  double metres = 1;
  for (double base = 1; base <= 1e7; base *= 10)
    for (double m : {1.0, 2.0, 5.0})
      if (m * base <= maxMetres) metres = m * base;
  const int barPixels = static_cast<int>(std::lround(metres / metresPerPixel));
  const int barY = height() - 16;
  p.fillRect(kMargin - 4, barY - 16, barPixels + 70, 24, QColor(255, 255, 255, 170));
  p.drawLine(kMargin, barY, kMargin + barPixels, barY);
  p.drawLine(kMargin, barY - 5, kMargin, barY + 1);
  p.drawLine(kMargin + barPixels, barY - 5, kMargin + barPixels, barY + 1);
  const QString label = metres >= 1000 ? QString("%1 km").arg(metres / 1000) : QString("%1 m").arg(metres);
  p.drawText(kMargin + barPixels + 6, barY + 4, label);

  const int legendX = width() - 80, top = kMargin, legendHeight = std::max(height() - 2 * kMargin - 60, 60);
  p.fillRect(legendX - 8, top - 24, 88, legendHeight + 86, QColor(250, 250, 245));
  for (int y = 0; y < legendHeight; ++y) {
    p.setPen(Colour(High - (High - Low) * y / (legendHeight - 1)));
    p.drawLine(legendX, top + y, legendX + 14, top + y);
  }
  p.setPen(Qt::black);
  p.setBrush(Qt::NoBrush);
  p.drawRect(legendX, top, 14, legendHeight);
  p.drawText(legendX - 4, top - 8, SiteList.empty() ? "RSSI (dBm)" : "vs model (dB)");
  for (int k = 0; k <= 3; ++k) {
    const double dbm = High - (High - Low) * k / 3.0;
    p.drawText(legendX + 18, top + (legendHeight - 1) * k / 3 + 4, QString::number(std::lround(dbm)));
  }
  p.fillRect(legendX, top + legendHeight + 12, 14, 10, QColor(150, 150, 150));
  p.drawText(legendX + 18, top + legendHeight + 21, "no data");
  if (!SiteList.empty()) {
    p.drawText(legendX - 4, top + legendHeight + 40, "above (red) or");
    p.drawText(legendX - 4, top + legendHeight + 54, "below the fit");
  } else {
    p.drawText(legendX - 4, top + legendHeight + 40, FixedScale ? "fixed scale" : "2nd-98th");
    if (!FixedScale) p.drawText(legendX - 4, top + legendHeight + 54, "percentile");
  }
}

void RouteMapView::paintEvent(QPaintEvent*) {
  if (Cache.size() != size()) Cache = Render();
  QPainter painter(this);
  if (Dragging) painter.fillRect(rect(), QColor(250, 250, 245));
  painter.drawImage(Dragging ? DraggedBy : QPoint(), Cache);
}

void RouteMapView::resizeEvent(QResizeEvent*) {
  if (Fitted)
    FitView();
  else
    Refresh();
}

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

void RouteMapView::mousePressEvent(QMouseEvent* event) {
  PressedAt = event->position().toPoint();
  DraggedBy = QPoint();
  Dragging = false;
}

void RouteMapView::mouseMoveEvent(QMouseEvent* event) {
  if (!(event->buttons() & Qt::LeftButton)) return;
  DraggedBy = event->position().toPoint() - PressedAt;
  Dragging = Dragging || DraggedBy.manhattanLength() > 3;
  if (Dragging) update();
}

void RouteMapView::mouseReleaseEvent(QMouseEvent* event) {
  if (Dragging) {
    Dragging = false;
    Pan(event->position().toPoint() - PressedAt);
    return;
  }
  const int index = PointAt(event->position().toPoint());
  if (index >= 0) emit PointClicked(index);
}

void RouteMapView::wheelEvent(QWheelEvent* event) {
  const double steps = event->angleDelta().y() / 120.0;
  if (steps != 0) ZoomAt(event->position(), std::pow(1.25, steps));
  event->accept();
}

void RouteMapView::keyPressEvent(QKeyEvent* event) {
  const QPointF centre(MapWidth() / 2, height() / 2.0);
  if (event->key() == Qt::Key_Plus || event->key() == Qt::Key_Equal)
    ZoomAt(centre, 1.5);
  else if (event->key() == Qt::Key_Minus)
    ZoomAt(centre, 1 / 1.5);
  else
    QWidget::keyPressEvent(event);
}

}  // namespace quillon
