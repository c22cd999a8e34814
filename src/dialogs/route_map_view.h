// RouteMapView: the drive route of the indexed file, drawn north up in Web
// Mercator. Each fix is a point coloured by the selected receiver's mean RSSI
// (grey where it measured nothing), on a scale over the file's measured levels
// (their 2nd to 98th percentile, -120 dBm left out) or the fixed -120 to -30 dBm;
// points of scans unchecked in the scan tree are faded. Coverage bins are drawn
// beneath a thin route line; the route can be hidden; an offline MBTiles base map
// goes beneath everything. The wheel zooms about the cursor, + and - about the
// centre, dragging pans, FitView() shows the whole drive (and the sites); the scale bar and the
// north arrow follow. Drawing skips points off the screen and points that fall on
// a pixel already drawn, so its cost follows the screen, not the drive.
#pragma once
#include <QImage>
#include <QWidget>
#include <array>
#include <cmath>
#include <functional>
#include <memory>

#include "analysis/sites.h"
#include "indexing/level_counts.h"
#include "indexing/route_bins.h"
#include "indexing/route_track.h"

namespace quillon {

class MbTiles;

class RouteMapView : public QWidget {
  Q_OBJECT
 public:
  explicit RouteMapView(QWidget* parent = nullptr);
  ~RouteMapView() override;
  void SetRoute(const RouteTrack& route);
  void SetReceiver(int receiver);
  // State of a scan (2 converted, 1 left out); scans without one count as converted.
  void SetScanState(std::function<uint8_t(int32_t)> state);
  // Coverage bins of that many metres drawn under the route; 0: none.
  void SetBins(int metres);
  void SetFixedScale(bool fixed);
  void SetRouteShown(bool shown);
  // Survey sites: each point is coloured by how far its mean RSSI lies above (red)
  // or below (blue) the path-loss model fitted to the points of its nearest site,
  // -15 to +15 dB, and the sites are marked. No sites: the RSSI colours again.
  void SetSites(const std::vector<Site>& sites, double rxGainDb = 0.0);
  // A point's mean RSSI less the model's (NaN where none), and its site (-1: none).
  double ModelDifference(size_t index) const { return index < Differences.size() ? Differences[index] : NAN; }
  int SiteOf(size_t index) const { return index < PointSites.size() ? PointSites[index] : -1; }
  const std::vector<Site>& Sites() const { return SiteList; }
  // The base map; false with the reason when the file cannot be read (an empty
  // path takes the base map away).
  bool SetBaseMap(const QString& path, QString& error);
  const std::vector<RouteBin>& Bins() const { return Squares; }
  void Refresh();
  const RouteTrack& Route() const { return Track; }

  void FitView();
  // Zooms by `factor` keeping the place under `at` (widget pixels) where it is.
  void ZoomAt(const QPointF& at, double factor);
  void Pan(const QPointF& pixels);

  // Index of the point nearest to a widget position within 10 pixels, or -1.
  int PointAt(const QPoint& position) const;
  QPointF Project(const RoutePoint& p) const { return Project(p.Latitude, p.Longitude); }
  QPointF Project(double latitude, double longitude) const;
  void Unproject(const QPointF& at, double& latitude, double& longitude) const;
  // The colour scale in force, dBm.
  double ScaleLow() const { return Low; }
  double ScaleHigh() const { return High; }
  QColor Colour(double rssi) const;
  // The fixed ramp, -120 to -30 dBm.
  static QColor RssiColour(double rssi);
  QImage Render() const;

 signals:
  void PointClicked(int index);
  void ViewChanged();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void UpdateBins();
  void UpdateScale();
  void UpdateDifferences();
  // What colours point i: its mean RSSI, or with sites its difference from the model.
  bool ValueOf(size_t index, double& value) const;
  double MapWidth() const;
  void DrawBaseMap(class QPainter& p) const;
  void DrawRoute(QPainter& p) const;
  void DrawFurniture(QPainter& p) const;
  void DrawSites(QPainter& p) const;
  // A point's dot: the ramp in 1024 steps, then grey; faded for scans left out.
  const QImage& Dot(int shade, bool faded) const;
  QPointF Pixel(const QPointF& mercator) const {
    return {MapWidth() / 2 + (mercator.x() - CentreX) * Scale, height() / 2.0 - (mercator.y() - CentreY) * Scale};
  }
  QPointF Pixel(size_t index) const { return Pixel(Mercator[index]); }

  RouteTrack Track;
  std::vector<QPointF> Mercator;  // each point's Web Mercator metres
  mutable std::vector<QImage> Dots;  // made on first use, for the scale in force
  int Receiver = 0;
  int BinMetres = 0;
  bool FixedScale = false, RouteShown = true;
  double Low = -120.0, High = -30.0;
  std::vector<RouteBin> Squares;
  std::vector<Site> SiteList;
  double RxGain = 0.0;
  std::vector<double> Differences;
  std::vector<int> PointSites;
  std::vector<std::array<QPointF, 4>> SquareCorners;  // in Web Mercator metres
  std::function<uint8_t(int32_t)> ScanState;
  std::unique_ptr<MbTiles> BaseMap;
  QImage Cache;
  // The view: the Web Mercator metres at the map's centre and pixels per such metre.
  double CentreX = 0, CentreY = 0, Scale = 1;
  bool Fitted = true;  // follows the window's size until the user zooms or pans
  QPoint PressedAt, DraggedBy;
  bool Dragging = false;
};

}  // namespace quillon
