// The part of PROJ's interface the bin grid uses, for a build without PROJ: no
// system can be created, so a grid reports that it cannot be set up.
#pragma once
#include <cmath>

struct PJ_CONTEXT {};
struct PJ {};
union PJ_COORD {
  double v[4];
  struct {
    double x, y;
  } xy;
};
enum PJ_DIRECTION { PJ_FWD = 1, PJ_INV = -1 };
enum PJ_TYPE { PJ_TYPE_UNKNOWN, PJ_TYPE_PROJECTED_CRS };
enum PJ_LOG_LEVEL { PJ_LOG_NONE };

inline PJ_CONTEXT* proj_context_create() { return nullptr; }
inline void proj_context_destroy(PJ_CONTEXT*) {}
inline void proj_log_level(PJ_CONTEXT*, PJ_LOG_LEVEL) {}
inline PJ* proj_create(PJ_CONTEXT*, const char*) { return nullptr; }
inline PJ* proj_create_crs_to_crs(PJ_CONTEXT*, const char*, const char*, void*) { return nullptr; }
inline PJ* proj_normalize_for_visualization(PJ_CONTEXT*, PJ*) { return nullptr; }
inline PJ* proj_crs_get_coordinate_system(PJ_CONTEXT*, PJ*) { return nullptr; }
inline int proj_cs_get_axis_info(PJ_CONTEXT*, PJ*, int, const char**, const char**, const char**, double*,
                                 const char**, const char**, const char**) {
  return 0;
}
inline PJ_TYPE proj_get_type(PJ*) { return PJ_TYPE_UNKNOWN; }
inline void proj_destroy(PJ*) {}
inline int proj_context_errno(PJ_CONTEXT*) { return 0; }
inline const char* proj_context_errno_string(PJ_CONTEXT*, int) { return "this build of the program has no PROJ"; }
inline PJ_COORD proj_coord(double x, double y, double z, double t) { return PJ_COORD{{x, y, z, t}}; }
inline PJ_COORD proj_trans(PJ*, PJ_DIRECTION, PJ_COORD) { return PJ_COORD{{NAN, NAN, NAN, NAN}}; }
