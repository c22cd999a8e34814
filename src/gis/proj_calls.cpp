#include "gis/proj_calls.h"

#include <geodesic.h>
#include <proj.h>

#include <cmath>

namespace quillon {

namespace {

// A PROJ context of the caller's own (PROJ's objects are used by one thread at a time).
struct Context {
  PJ_CONTEXT* Ctx = proj_context_create();
  Context() { proj_log_level(Ctx, PJ_LOG_NONE); }
  ~Context() { proj_context_destroy(Ctx); }
  Context(const Context&) = delete;
  Context& operator=(const Context&) = delete;
};

class ProjProjection final : public MetricProjection {
 public:
  ~ProjProjection() override {
    if (Pj) proj_destroy(Pj);
  }
  bool SetUp(int code, std::string& error) {
    const std::string system = "EPSG:" + std::to_string(code);
    PJ* raw = proj_create_crs_to_crs(C.Ctx, "EPSG:4326", system.c_str(), nullptr);
    if (raw) {
      // Longitude and latitude in, easting and northing out, whatever the systems' axis order.
      Pj = proj_normalize_for_visualization(C.Ctx, raw);
      proj_destroy(raw);
    }
    if (!Pj) error = proj_context_errno_string(C.Ctx, proj_context_errno(C.Ctx));
    return Pj != nullptr;
  }
  bool Forward(double lon, double lat, double& e, double& n) const override {
    const PJ_COORD c = proj_trans(Pj, PJ_FWD, proj_coord(lon, lat, 0, 0));
    e = c.xy.x, n = c.xy.y;
    return std::isfinite(e) && std::isfinite(n);
  }
  void Inverse(double e, double n, double& lon, double& lat) const override {
    const PJ_COORD c = proj_trans(Pj, PJ_INV, proj_coord(e, n, 0, 0));
    lon = c.xy.x, lat = c.xy.y;
  }

 private:
  Context C;
  PJ* Pj = nullptr;
};

const geod_geodesic& Wgs84() {
  static const geod_geodesic ellipsoid = [] {
    geod_geodesic g;
    geod_init(&g, 6378137.0, 1.0 / 298.257223563);
    return g;
  }();
  return ellipsoid;
}

}  // namespace

std::string ProjCheckCrs(int code) {
  const std::string name = "EPSG:" + std::to_string(code);
  Context c;
  PJ* system = proj_create(c.Ctx, name.c_str());
  if (!system) return name + " is not a coordinate system PROJ knows.";
  std::string problem;
  if (proj_get_type(system) != PJ_TYPE_PROJECTED_CRS) {
    problem = name + " is not a projected coordinate system: bins need one in metres.";
  } else {
    PJ* cs = proj_crs_get_coordinate_system(c.Ctx, system);
    double toMetres = 0.0;
    if (!cs || !proj_cs_get_axis_info(c.Ctx, cs, 0, nullptr, nullptr, nullptr, &toMetres, nullptr, nullptr, nullptr) ||
        toMetres != 1.0)
      problem = name + " does not measure in metres: bins need a system in metres.";
    if (cs) proj_destroy(cs);
  }
  proj_destroy(system);
  return problem;
}

std::unique_ptr<MetricProjection> ProjMakeProjection(int code, std::string& error) {
  auto projection = std::make_unique<ProjProjection>();
  if (!projection->SetUp(code, error)) return nullptr;
  return projection;
}

GeodesicLine ProjInverse(double lat1, double lon1, double lat2, double lon2) {
  GeodesicLine line;
  double area = 0;
  geod_geninverse(&Wgs84(), lat1, lon1, lat2, lon2, &line.Metres, &line.Azimuth1, &line.Azimuth2, &line.Reduced,
                  &line.Scale12, &line.Scale21, &area);
  return line;
}

}  // namespace quillon
