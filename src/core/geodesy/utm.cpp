// SPDX-License-Identifier: GPL-3.0-or-later
#include "geodesy/utm.h"

#include "geodesy/projection.h"
#include "model/muldiv.h"
#include "processing/flags.h"
#include "processing/recalc.h"

namespace aq {

void ConvertToUtm(CVKDoc& doc) {
    if (!doc.IsGeographic()) return;
    // One zone for the whole survey, even one that crosses a zone boundary.
    const double midLongitude = CoordToReal((doc.XMin + doc.XMax) / 2, true);
    const double lambda0 = ZoneCentralMeridian(midLongitude);
    doc.Control.CentralMeridian = lambda0;

    for (CVKData& r : doc.Records) {
        if (!(r.Flags & (REC_POSITION | REC_GEOGRAPHIC))) continue;
        // A grid position in a geographic document is read as degrees too.
        const double lon = CoordToReal(r.X, true);
        const double lat = CoordToReal(r.Y, true);
        const ProjectedPoint p = ProjectTM(DegToRad(lat), DegToRad(lon), lambda0);
        r.Flags &= 0xDFF;
        r.X = TruncToInt32(p.E * 100.0);
        r.Y = TruncToInt32(p.N * 100.0);
    }
    doc.KindFlags &= 0xDFF;
    doc.SetModified(true);
    Recalculate(doc);
    Remove(doc);
}

}  // namespace aq
