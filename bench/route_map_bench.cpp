// The route map's redraw after a zoom, on the route of a large drive: the route
// the indexing keeps of the log (at most 200,000 points, what a 200 MB drive gives)
// drawn in a 1000 x 700 map, fitted, zoomed in and out about the centre, and panned.
//   route_map_bench [--benchmark_*]   (QUILLON_BENCH_LOG=path, QUILLON_BENCH_MB=200)
// The log is made by the simulator when the path does not exist yet.
#include <benchmark/benchmark.h>
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "dialogs/route_map_view.h"
#include "indexing/index_run.h"
#include "bench_log.h"
#include "reader/file_type.h"
#include "reader/log_reader.h"

using namespace quillon;

namespace {

class RouteOf : public SilentIndexHost {
 public:
  void ShowRoute(const RouteTrack& route) override { Route = route; }
  RouteTrack Route;
};

const RouteTrack& DriveRoute() {
  static RouteOf host;
  static bool made = false;
  if (made) return host.Route;
  EnsureLog();
  IndexRun(Reader, host, LogPath(), DetectFileType(LogPath())).Execute();
  made = true;
  return host.Route;
}

RouteMapView& Map() {
  static RouteMapView* view = [] {
    auto* v = new RouteMapView();
    v->resize(1000, 700);
    v->SetRoute(DriveRoute());
    return v;
  }();
  return *view;
}

void BM_RouteMapFitted(benchmark::State& state) {
  RouteMapView& map = Map();
  map.FitView();
  for (auto _ : state) benchmark::DoNotOptimize(map.Render());
  state.counters["points"] = static_cast<double>(map.Route().Points().size());
}
BENCHMARK(BM_RouteMapFitted)->Unit(benchmark::kMillisecond);

// Each iteration is one zoom (in, then out) with the redraw it makes.
void BM_RouteMapZoom(benchmark::State& state) {
  RouteMapView& map = Map();
  map.FitView();
  const QPointF centre(455, 350);
  for (int i = 0; i < state.range(0); ++i) map.ZoomAt(centre, 1.5);
  bool in = true;
  for (auto _ : state) {
    map.ZoomAt(centre, in ? 1.5 : 1 / 1.5);
    in = !in;
  }
}
BENCHMARK(BM_RouteMapZoom)->Arg(0)->Arg(4)->Arg(10)->Unit(benchmark::kMillisecond);

void BM_RouteMapPan(benchmark::State& state) {
  RouteMapView& map = Map();
  map.FitView();
  map.ZoomAt(QPointF(455, 350), 8);
  int sign = 1;
  for (auto _ : state) {
    map.Pan(QPointF(120 * sign, -60 * sign));
    sign = -sign;
  }
}
BENCHMARK(BM_RouteMapPan)->Unit(benchmark::kMillisecond);

// Coverage bins of 50 metres beneath the thin route, fitted and zoomed.
void BM_RouteMapBins(benchmark::State& state) {
  RouteMapView& map = Map();
  map.SetBins(50);
  map.FitView();
  for (int i = 0; i < state.range(0); ++i) map.ZoomAt(QPointF(455, 350), 1.5);
  for (auto _ : state) benchmark::DoNotOptimize(map.Render());
  state.counters["bins"] = static_cast<double>(map.Bins().size());
  map.SetBins(0);
}
BENCHMARK(BM_RouteMapBins)->Arg(0)->Arg(6)->Unit(benchmark::kMillisecond);

void BM_RouteMapBinsNoRoute(benchmark::State& state) {
  RouteMapView& map = Map();
  map.SetBins(50);
  map.SetRouteShown(false);
  map.FitView();
  for (auto _ : state) benchmark::DoNotOptimize(map.Render());
  map.SetRouteShown(true);
  map.SetBins(0);
}
BENCHMARK(BM_RouteMapBinsNoRoute)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
