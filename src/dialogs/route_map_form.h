// TRouteMapForm: the route map of the indexed file (View > Route Map). The drive
// route from the file's GPS fixes, north up and fitted to the window, each point
// coloured by the selected receiver's mean RSSI on a scale from -120 to -30 dBm
// (grey where the receiver measured nothing), with a legend and a scale bar in
// metres. Points of scans unchecked in the scan tree are drawn faded. Clicking a
// point shows its time, position and RSSI. "Coverage bins" draws the squares of the
// main window's bin size under the route, each coloured by the selected receiver's
// mean RSSI in it on the same scale. Pure painting, no network.
#pragma once
#include <QImage>
#include <QWidget>
#include <functional>

#include "indexing/route_bins.h"
#include "indexing/route_track.h"

class QCheckBox;
class QLabel;

namespace quillon {

class RouteMapView : public QWidget {
  Q_OBJECT
 public:
  explicit RouteMapView(QWidget* parent = nullptr);
  void SetRoute(const RouteTrack& route);
  void SetReceiver(int receiver);
  // State of a scan (2 converted, 1 left out); scans without one count as converted.
  void SetScanState(std::function<uint8_t(int32_t)> state);
  // Coverage bins of that many metres drawn under the route; 0: none.
  void SetBins(int metres);
  const std::vector<RouteBin>& Bins() const { return Squares; }
  void Refresh();
  const RouteTrack& Route() const { return Track; }
  // Index of the point nearest to a widget position within 10 pixels, or -1.
  int PointAt(const QPoint& position) const;
  QPointF Project(const RoutePoint& p) const { return Project(p.Latitude, p.Longitude); }
  QPointF Project(double latitude, double longitude) const;
  static QColor RssiColour(double rssi);
  QImage Render() const;

 signals:
  void PointClicked(int index);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void Fit();
  void UpdateBins();

  RouteTrack Track;
  int Receiver = 0;
  int BinMetres = 0;
  std::vector<RouteBin> Squares;
  std::function<uint8_t(int32_t)> ScanState;
  QImage Cache;
  // Projection: metres east/north of the centre to pixels.
  double CentreLat = 0, CentreLon = 0, PixelsPerMetre = 1, MetresPerDegreeLon = 111320;
};

class TRouteMapForm : public QWidget {
  Q_OBJECT
 public:
  explicit TRouteMapForm(QWidget* parent = nullptr);
  RouteMapView* Map() const { return View; }
  QString InfoText() const;
  void ShowPoint(int index);
  // The size of the bins "Coverage bins" draws (the main window's).
  void SetBinMetres(int metres);
  QCheckBox* BinsBox() const { return ShowBins; }

 private:
  RouteMapView* View;
  QLabel* Info;
  QCheckBox* ShowBins;
  int BinMetres = 50;
};

}  // namespace quillon
