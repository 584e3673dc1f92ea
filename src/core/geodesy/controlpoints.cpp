// SPDX-License-Identifier: GPL-3.0-or-later
#include "geodesy/controlpoints.h"

#include <cstdio>
#include <vector>

#include "model/muldiv.h"
#include "model/projection.h"
#include "processing/recalc.h"

namespace aq {

ControlPageValues ControlPageStart(const ClsqData& p) {
    ControlPageValues v;
    v.Name = p.Name;
    v.Use = true;
    v.LonDeg = p.LonDeg;
    v.LonMin = p.LonMin;
    v.LonSec = p.LonSec;
    v.LonHemisphere = p.LonHemisphere;
    v.LatDeg = p.LatDeg;
    v.LatMin = p.LatMin;
    v.LatSec = p.LatSec;
    v.LatHemisphere = p.LatHemisphere;
    v.GridX = p.GridX;
    v.GridY = p.GridY;
    return v;
}

void AcceptControlPage(ClsqData& p, const ControlPageValues& v) {
    p.Name = v.Name;
    p.Use = v.Use ? 1 : 0;
    p.LonDeg = v.LonDeg;
    p.LonMin = v.LonMin;
    p.LonSec = v.LonSec;
    p.LonHemisphere = v.LonHemisphere;
    p.LatDeg = v.LatDeg;
    p.LatMin = v.LatMin;
    p.LatSec = v.LatSec;
    p.LatHemisphere = v.LatHemisphere;
    p.GridX = v.GridX;
    p.GridY = v.GridY;
    p.Longitude = p.LonDeg + p.LonMin / 60.0 + p.LonSec / 3600.0;
    if (p.LonHemisphere.find('W') != std::string::npos) p.Longitude = -p.Longitude;
    p.Latitude = p.LatDeg + p.LatMin / 60.0 + p.LatSec / 3600.0;
    if (p.LatHemisphere.find('S') != std::string::npos) p.Latitude = -p.Latitude;
}

bool AddControl(CVKDoc& doc, const ControlPageValues& values, UserPort& port) {
    ClsqData point;
    AcceptControlPage(point, values);
    if (point.Use != 1) return false;
    doc.Control.Points.push_back(std::move(point));
    doc.Control.Recompute();
    // The points are saved with the survey: closing must offer to save them.
    doc.SetModified(true, port);
    return true;
}

void EditControl(CVKDoc& doc, std::span<const std::optional<ControlPageValues>> accepted, UserPort& port) {
    std::vector<ClsqData>& points = doc.Control.Points;
    const std::vector<ClsqData> before = points;
    for (size_t i = 0; i < accepted.size() && i < points.size(); ++i)
        if (accepted[i]) AcceptControlPage(points[i], *accepted[i]);
    // From the last to the first, as pages are numbered by position.
    for (size_t i = points.size(); i-- > 0;)
        if (points[i].Use == 0) points.erase(points.begin() + static_cast<std::ptrdiff_t>(i));
    const bool changed = points != before;
    doc.Control.Recompute();
    if (changed) doc.SetModified(true, port);
}

void ApplyControl(CVKDoc& doc, UserPort& port) {
    const CVKlsq& set = doc.Control;
    if (!set.IsUsable() || !doc.IsGeographic()) return;
    doc.WillWrite(kFieldX | kFieldY | kFieldFlags);
    for (CVKData& r : doc.Records) {
        if (!(r.Flags & (REC_POSITION | REC_GEOGRAPHIC))) continue;
        const std::optional<GridPoint> g = set.ToLocalGrid(CoordToReal(r.Y, true), CoordToReal(r.X, true));
        r.Flags &= 0xDFF;
        r.X = TruncToInt32(g->x * 100.0);
        r.Y = TruncToInt32(g->y * 100.0);
    }
    doc.KindFlags &= 0xDFF;
    doc.Crs = SiteGridCrs(set);
    doc.SetModified(true, port);
    Recalculate(doc, port);
}

void SelfTest(CVKDoc& doc, UserPort& port) {
    const CVKlsq& set = doc.Control;
    if (!set.IsUsable()) return;
    char text[256];
    std::snprintf(text, sizeof text, "UTM ZONE %d\nScale %.3f Rotation %.3f", UtmZone(RadToDeg(set.CentralMeridian)),
                  set.Scale, RadToDeg(set.Rotation));
    port.Message(text, Severity::Info);
    for (const ClsqData& p : set.Points) {
        const GridPoint g = *set.ToLocalGrid(p.Latitude, p.Longitude);
        std::snprintf(text, sizeof text, " Errors:\ndx = %.2fm dy = %.2fm", g.x - p.GridX, g.y - p.GridY);
        port.Message(p.Name + text, Severity::Info);
    }
}

}  // namespace aq
