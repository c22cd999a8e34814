// The GIS module's calls into PROJ: projections to systems in metres (the coverage
// bins'), the check of a system named for the bins, and geodesics on WGS 84.
#pragma once
#include <memory>
#include <string>

#include "gis/gis_module.h"

namespace quillon {

std::string ProjCheckCrs(int code);
std::unique_ptr<MetricProjection> ProjMakeProjection(int code, std::string& error);
GeodesicLine ProjInverse(double lat1, double lon1, double lat2, double lon2);

}  // namespace quillon
