// TRouteMapForm: the window of View > Route Map: the route map of the indexed file
// (RouteMapView) with its controls: Fit, zoom in and out, the route shown or not,
// the coverage bins of the main window's bin size, the fixed -120 to -30 dBm scale
// instead of the file's measured range, and an offline base map (an MBTiles file).
// Clicking a point shows its time, position and RSSI below the map; the line is
// cleared when another file's route arrives. The window keeps its size whatever
// the options and the line say. With survey sites loaded the points show how far
// each lies above or below the path-loss model fitted to them.
#pragma once
#include <QWidget>

#include "dialogs/route_map_view.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace quillon {

class TRouteMapForm : public QWidget {
  Q_OBJECT
 public:
  explicit TRouteMapForm(QWidget* parent = nullptr);
  RouteMapView* Map() const { return View; }
  // A new file's route: shown whole, the clicked point's line cleared.
  void SetRoute(const RouteTrack& route);
  QString InfoText() const;
  void ShowPoint(int index);
  // The size of the bins "Coverage bins" draws (the main window's).
  void SetBinMetres(int metres);
  // The base map from an MBTiles file; false after an Error message naming it.
  bool LoadBaseMap(const QString& path);
  // Survey sites from a sites file (the command line's --sites); an empty path
  // takes them away. False after an Error message naming the file and line.
  bool LoadSites(const QString& path);
  QCheckBox* BinsBox() const { return ShowBins; }
  QCheckBox* RouteBox() const { return ShowRoute; }
  QCheckBox* FixedScaleBox() const { return FixedScale; }
  QPushButton* FitButton() const { return Fit; }

 private:
  void ChooseBaseMap();
  void ChooseSites();
  void ShowBinsText();

  RouteMapView* View;
  QLabel* Info;
  QCheckBox *ShowBins, *ShowRoute, *FixedScale;
  QPushButton *Fit, *ZoomIn, *ZoomOut, *BaseMap, *NoBaseMap, *SitesButton, *NoSites;
  int BinMetres = 50;
};

}  // namespace quillon
