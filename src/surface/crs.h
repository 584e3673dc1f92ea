// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace aq {
class CVKDoc;
}

namespace aq::surface {

enum class CrsKind {
    Geographic,          // longitude and latitude on WGS84 (EPSG:4326)
    TransverseMercator,  // Convert to UTM: the zone's central meridian, k0 0.9996, no false origin
    Projected,           // any projected system the user converted to (EPSG:NNNN)
    LocalGrid,           // a site grid fitted to control points: a local engineering system
};

// A survey's coordinate system as GDAL and PROJ take it.
struct CoordinateSystem {
    CrsKind kind = CrsKind::Geographic;
    std::string name;  // "WGS 84", "Transverse Mercator, central meridian 3°E (UTM zone 31 without false origin)"
    std::string wkt;   // OGC WKT2 for GDAL's SetSpatialRef/SetProjection; never empty
};

// The coordinate system the document's coordinates are in.
CoordinateSystem DocumentCrs(const CVKDoc& doc);

}  // namespace aq::surface
