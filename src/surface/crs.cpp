// SPDX-License-Identifier: GPL-3.0-or-later
#include "surface/crs.h"

#include <proj.h>

#include <cmath>
#include <memory>
#include <string>

#include "model/doc.h"

namespace aq::surface {
namespace {

std::string WktOf(const std::string& definition) {
    PJ_CONTEXT* ctx = proj_context_create();
    PJ* crs = proj_create(ctx, definition.c_str());
    std::string wkt;
    if (crs) {
        if (const char* text = proj_as_wkt(ctx, crs, PJ_WKT2_2019, nullptr)) wkt = text;
        proj_destroy(crs);
    }
    proj_context_destroy(ctx);
    return wkt;
}

}  // namespace

CoordinateSystem DocumentCrs(const CVKDoc& doc) {
    CoordinateSystem crs;
    if (doc.IsGeographic()) {
        crs.kind = CrsKind::Geographic;
        crs.name = "WGS 84";
        crs.wkt = WktOf("EPSG:4326");
        return crs;
    }
    const double lon0 = doc.Control.CentralMeridian * 180.0 / M_PI;
    crs.kind = CrsKind::TransverseMercator;
    crs.name = "Transverse Mercator, central meridian " + std::to_string(lon0);
    crs.wkt = WktOf("+proj=tmerc +lat_0=0 +lon_0=" + std::to_string(lon0) +
                    " +k=0.9996 +x_0=0 +y_0=0 +datum=WGS84 +units=m +type=crs");
    return crs;
}

}  // namespace aq::surface
