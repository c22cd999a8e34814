// The route map driven as a user drives it (Qt Test, offscreen): zoom about the
// cursor, drag, Fit, the measured colour scale against percentiles computed here,
// the receiver's colours, the status line on a new file, the window's size, and an
// MBTiles base map made with GDAL drawn where it belongs.
#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "analysis/geodesic.h"
#include "analysis/path_loss_fit.h"
#include "dialogs/report_error.h"
#include "window_fixture.h"
#include "dialogs/route_map_form.h"
#include "klf-synth/log_writer.h"
#include "reader/log_reader.h"

using namespace quillon;

namespace {
constexpr int kFixes = 300;

// A drive east and north-east: receiver 1 measures a spread of levels (with
// some -120s, nothing measured), receiver 2 a constant strong level.
std::vector<int8_t> Rx1Samples(int fix) {
  std::vector<int8_t> samples;
  for (int k = 0; k < 6; ++k) samples.push_back(static_cast<int8_t>(k == 5 && fix % 7 == 0 ? -120 : -110 + (fix * 13 + k * 29) % 71));
  return samples;
}

void SpreadLog(klf::LogWriter& log, int32_t latitudeOffset) {
  log.Band(3, {32000, 36000, 6400, 0}, {32000, 36000, 6400, 0});
  log.SingleDefinition(32400, 32400);
  for (int s = 0; s < kFixes; ++s) {
    klf::GpsFields f;
    f.Hour = 9 + s / 3600, f.Minute = s / 60 % 60, f.Second = s % 60;
    f.LatitudeMas = 163800000 + latitudeOffset + s * 150 + (s % 40) * 90;  // about 45.5 N
    f.LongitudeMas = -264600000 + s * 400;
    log.Gps(f);
    log.Single(1, Rx1Samples(s));
    log.Single(2, {-50, -50});
  }
}

// Colours equal but for the antialiasing's rounding.
bool Near(const QColor& a, const QColor& b) {
  return std::abs(a.red() - b.red()) <= 2 && std::abs(a.green() - b.green()) <= 2 && std::abs(a.blue() - b.blue()) <= 2;
}

double Distance(const QPointF& a, const QPointF& b) { return std::hypot(a.x() - b.x(), a.y() - b.y()); }

void SendMouse(QWidget* w, QEvent::Type type, const QPointF& at, Qt::MouseButtons buttons) {
  QMouseEvent event(type, at, w->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &event);
}
}  // namespace

class RouteMapTest : public QObject {
  Q_OBJECT
  WindowForms forms;
  std::unique_ptr<TMainForm>& form = forms.form;
  QTemporaryDir dir{QDir::tempPath() + "/quillon-map-XXXXXX"};
  std::vector<std::string> errors;

  QString MakeLog(const QString& name, int32_t latitudeOffset) {
    klf::LogWriter log;
    SpreadLog(log, latitudeOffset);
    const QString path = dir.filePath(name);
    log.WriteTo(path.toStdString());
    return path;
  }
  void ChooseInput(const QString& path) { QVERIFY(forms.ChooseInput(path)); }
  RouteMapView* OpenMap() {
    form->ShowRouteMap();
    form->RouteMap()->resize(1000, 640);
    QCoreApplication::processEvents();
    return form->RouteMap()->Map();
  }
  bool AllShown(RouteMapView* map) {
    for (const RoutePoint& p : map->Route().Points()) {
      const QPointF at = map->Project(p);
      if (at.x() < 0 || at.y() < 0 || at.x() > map->width() - 90 || at.y() > map->height()) return false;
    }
    return true;
  }

 private slots:
  void init() {
    SetReportSink([this](int, const std::string& text) { errors.push_back(text); });
    errors.clear();
    forms.Make();
  }
  void cleanup() {
    form.reset();
    SetReportSink({});
  }

  void ZoomPanAndFit() {
    ChooseInput(MakeLog("drive.klf", 0));
    RouteMapView* map = OpenMap();
    QCOMPARE(map->Route().Points().size(), size_t{kFixes});
    QVERIFY(AllShown(map));
    // The wheel keeps the place under the cursor where it is.
    const RoutePoint& p = map->Route().Points()[120];
    const QPointF cursor = map->Project(p) + QPointF(13, -7);
    double lat = 0, lon = 0;
    map->Unproject(cursor, lat, lon);
    const double apart = Distance(map->Project(map->Route().Points()[100]), map->Project(map->Route().Points()[140]));
    QWheelEvent wheel(cursor, map->mapToGlobal(cursor), QPoint(), QPoint(0, 240), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(map, &wheel);
    QVERIFY(Distance(map->Project(lat, lon), cursor) < 0.01);
    const double zoomed = Distance(map->Project(map->Route().Points()[100]), map->Project(map->Route().Points()[140]));
    QVERIFY(std::fabs(zoomed / apart - 1.5625) < 1e-6);
    QVERIFY(!AllShown(map));
    // Dragging moves the map with the mouse.
    const QPointF before = map->Project(p);
    SendMouse(map, QEvent::MouseButtonPress, QPointF(200, 200), Qt::LeftButton);
    SendMouse(map, QEvent::MouseMove, QPointF(230, 180), Qt::LeftButton);
    SendMouse(map, QEvent::MouseMove, QPointF(240, 225), Qt::LeftButton);
    SendMouse(map, QEvent::MouseButtonRelease, QPointF(240, 225), Qt::NoButton);
    QVERIFY(Distance(map->Project(p), before + QPointF(40, 25)) < 1e-6);
    // + and - zoom about the centre; Fit shows every fix again.
    QTest::keyClick(map, Qt::Key_Minus);
    QVERIFY(std::fabs(Distance(map->Project(map->Route().Points()[100]), map->Project(map->Route().Points()[140])) /
                          zoomed - 1 / 1.5) < 1e-6);
    form->RouteMap()->FitButton()->click();
    QVERIFY(AllShown(map));
  }

  void ColourScaleAndReceiver() {
    ChooseInput(MakeLog("drive.klf", 0));
    RouteMapView* map = OpenMap();
    // The legend spans the 2nd to 98th percentile of receiver 1's measured samples.
    std::vector<int> measured;
    for (int s = 0; s < kFixes; ++s)
      for (int8_t v : Rx1Samples(s))
        if (v != -120) measured.push_back(v);
    std::sort(measured.begin(), measured.end());
    const auto percentile = [&](double share) {
      return measured[static_cast<size_t>(std::ceil(share * static_cast<double>(measured.size()))) - 1];
    };
    QCOMPARE(map->ScaleLow(), double(percentile(0.02)));
    QCOMPARE(map->ScaleHigh(), double(percentile(0.98)));
    // A point is drawn in its receiver's colour on that scale; -120 left out of its mean.
    const RoutePoint& p = map->Route().Points()[140];
    double sum = 0;
    int count = 0;
    for (int8_t v : Rx1Samples(140))
      if (v != -120) sum += v, ++count;
    QCOMPARE(count, 5);
    QCOMPARE(p.MeanRssi(0), sum / count);
    QVERIFY(Near(QColor(map->Render().pixel(map->Project(p).toPoint())), map->Colour(p.MeanRssi(0))));
    form->RouteMap()->FixedScaleBox()->setChecked(true);
    QCOMPARE(map->ScaleLow(), -120.0);
    QCOMPARE(map->ScaleHigh(), -30.0);
    // Receiver 2 chosen in the main window recolours the open map (-50 dBm: red-orange).
    form->Receiver2->setChecked(true);
    const QColor strong = QColor(map->Render().pixel(map->Project(p).toPoint()));
    QVERIFY(Near(strong, RouteMapView::RssiColour(-50)));
  }

  void StatusLineAndSize() {
    ChooseInput(MakeLog("a.klf", 0));
    OpenMap();
    TRouteMapForm* window = form->RouteMap();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    const QSize size = window->size();
    window->ShowPoint(10);
    QVERIFY(window->InfoText().contains("Receiver #1"));
    window->BinsBox()->setChecked(true);
    form->seBinMetres->setValue(350);
    window->FixedScaleBox()->setChecked(true);
    window->RouteBox()->setChecked(false);
    window->ShowPoint(20);
    QCoreApplication::processEvents();
    QCOMPARE(window->size(), size);
    // Another file: its route, and no line about a point of the last one.
    ChooseInput(MakeLog("b.klf", 36000));
    QVERIFY(!window->InfoText().contains("Receiver #1"));
    QCOMPARE(window->Map()->Route().Points().front().Latitude, (163800000 + 36000) / 3600000.0);
  }

  void BaseMapFromMbtiles() {
    ChooseInput(MakeLog("drive.klf", 0));
    RouteMapView* map = OpenMap();
    form->RouteMap()->RouteBox()->setChecked(false);
    // A red square of the drive's middle, as GDAL writes a base map.
    const RoutePoint& middle = map->Route().Points()[150];
    const double west = middle.Longitude - 0.004, east = middle.Longitude + 0.004;
    const double south = middle.Latitude - 0.003, north = middle.Latitude + 0.003;
    const QString tif = dir.filePath("red.tif"), tiles = dir.filePath("red.mbtiles");
    const QString make = QString("gdal_create -q -of GTiff -outsize 64 64 -bands 3 -ot Byte -burn 255 -burn 0 -burn 0 "
                                 "-a_srs EPSG:4326 -a_ullr %1 %2 %3 %4 %5 && gdal_translate -q -of MBTILES %5 %6")
                             .arg(west, 0, 'f', 6).arg(north, 0, 'f', 6).arg(east, 0, 'f', 6).arg(south, 0, 'f', 6)
                             .arg(tif, tiles);
    QVERIFY(std::system(make.toLocal8Bit().constData()) == 0);
    QVERIFY(form->RouteMap()->LoadBaseMap(tiles));
    const QImage image = map->Render();
    const auto red = [&](double lat, double lon) {
      const QColor c(image.pixel(map->Project(lat, lon).toPoint()));
      return c.red() > 200 && c.green() < 60 && c.blue() < 60;
    };
    QVERIFY(red(middle.Latitude, middle.Longitude));
    QVERIFY(red(north - 0.0004, west + 0.0006) && red(south + 0.0004, east - 0.0006));
    QVERIFY(!red(north + 0.0012, middle.Longitude) && !red(middle.Latitude, east + 0.0015));
    // A file that is no tile file: an Error that names it, the map as it was.
    const QString text = dir.filePath("text.mbtiles");
    QFile file(text);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not a database");
    file.close();
    QVERIFY(!form->RouteMap()->LoadBaseMap(text));
    QVERIFY(!errors.empty() && errors.back().find(text.toStdString()) == 0);
    QVERIFY(red(middle.Latitude, middle.Longitude));
  }

  void SitesColourByTheModel() {
    ChooseInput(MakeLog("drive.klf", 0));
    RouteMapView* map = OpenMap();
    const QString sites = dir.filePath("sites.csv");
    QFile file(sites);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("name,latitude,longitude,eirp_dbm,frequency_mhz\nTower,45.518,-73.49,40,1944\n");
    file.close();
    QVERIFY(form->RouteMap()->LoadSites(sites));
    // The fit made here from PROJ's distances, as the survey analysis makes it.
    const auto& points = map->Route().Points();
    PathLossFit fit;
    for (const RoutePoint& p : points) {
      const double d = GeodesicDistance(45.518, -73.49, p.Latitude, p.Longitude);
      if (p.HasRssi(0) && p.MeanRssi(0) >= -110 && p.MeanRssi(0) <= -40 && d >= 100 && d <= 20000)
        fit.Add(d, 40 - p.MeanRssi(0));
    }
    const FitResult r = fit.Result();
    QVERIFY(r.Fitted);
    const QImage image = map->Render();
    QCOMPARE(QColor(image.pixel(map->Project(45.518, -73.49).toPoint())), QColor(Qt::black));  // the site
    for (size_t i : {size_t{40}, size_t{150}, size_t{260}}) {
      const double d = GeodesicDistance(45.518, -73.49, points[i].Latitude, points[i].Longitude);
      const double expected = r.Model.K1 + r.Model.K2 * std::log10(d / 1000.0) - (40 - points[i].MeanRssi(0));
      QVERIFY(std::fabs(map->ModelDifference(i) - expected) < 1e-6);
      map->ZoomAt(map->Project(points[i]), 6);  // the point's neighbours well apart
      const QColor shown(map->Render().pixel(map->Project(points[i]).toPoint()));
      QVERIFY2(Near(shown, map->Colour(std::clamp(expected, -15.0, 15.0))), qPrintable(shown.name()));
      map->FitView();
    }
    QCOMPARE(map->ScaleLow(), -15.0);
    form->RouteMap()->ShowPoint(150);
    QVERIFY(form->RouteMap()->InfoText().contains("against the fit of Tower"));
    // A wrong file is named; no sites: RSSI colours again.
    QVERIFY(!form->RouteMap()->LoadSites(dir.filePath("none.csv")));
    QVERIFY(!errors.empty() && errors.back().find("none.csv") != std::string::npos);
    QVERIFY(form->RouteMap()->LoadSites(QString()));
    QVERIFY(map->ScaleLow() < -50);
  }
};

int RunRouteMapTests(int argc, char** argv) {
  RouteMapTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "route_map_tests.moc"
