// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "model/surveycrs.h"

namespace aq {
class CVKDoc;
class UserPort;
}

namespace aq::surface {

// Geographic: longitude and latitude on WGS84 (EPSG:4326). TransverseMercator: Convert
// to UTM, the zone's central meridian, k0 0.9996, no false origin. Projected: any
// projected system the survey was converted to or declared in (EPSG:NNNN). LocalGrid: a
// site grid fitted to control points, or a grid nobody named: a local engineering system.
using CrsKind = aq::CrsKind;

// A survey's coordinate system as GDAL and PROJ take it.
struct CoordinateSystem {
    CrsKind kind = CrsKind::Geographic;
    // "WGS 84", "WGS 84 / Transverse Mercator 3E (UTM zone 31 without false origin)",
    // "WGS 84 / UTM zone 31N", "Local site grid (control points)"
    std::string name;
    std::string wkt;         // OGC WKT2 (2019) on one line, for GDAL's SetSpatialRef/SetProjection; never empty
    std::string definition;  // what the document keeps and PROJ takes: "EPSG:32631", "+proj=tmerc ...", a WKT
    int epsg = 0;            // the EPSG code of the system, 0 when it has none
    // Why the system recorded with the survey could not be used, so that the default
    // stands in for it; empty when all is well.
    std::string problem;
};

// The coordinate system the document's coordinates are in.
CoordinateSystem DocumentCrs(const CVKDoc& doc);

// A document just opened: a recorded system PROJ cannot take (a sidecar edited by hand,
// or written where PROJ knows codes this one does not) is told of as a warning through
// the port and given up for the default.
void CheckRecordedCrs(CVKDoc& doc, UserPort& port);

// What PROJ makes of a text naming a system, for a survey's grid coordinates.
struct GridCrsCheck {
    bool ok = false;
    CrsKind kind = CrsKind::Projected;
    std::string name;        // PROJ's name of it
    int epsg = 0;            // its EPSG code, 0 when none
    std::string definition;  // "EPSG:NNNN" when PROJ knows it by one, else its WKT2 on one line
    std::string why;         // when not ok: a sentence saying why it cannot hold the survey
};

// A survey on a grid holds eastings and northings in metres: only a projected system
// measuring metres east and north will do, or (with allowLocal) a local engineering
// one. `text` is "EPSG:NNNN", any other code PROJ knows, a PROJ string or a WKT.
GridCrsCheck ExamineGridCrs(const std::string& text, bool allowLocal);

// "EPSG:27700" (any case) or "27700": the code; 0 for any other text.
int ParseEpsgCode(const std::string& text);

}  // namespace aq::surface
