// SPDX-License-Identifier: GPL-3.0-or-later
#include "geodesy/utm.h"

#include "model/muldiv.h"
#include "model/projection.h"
#include "processing/flags.h"
#include "processing/recalc.h"

namespace aq {

void ConvertToUtm(CVKDoc& doc, UserPort& port) {
    if (!doc.IsGeographic()) return;
    // One zone for the whole survey, even one that crosses a zone boundary.
    // The sum wraps as the stored integers do: a damaged file's extents must not overflow.
    const int64_t sum = static_cast<int64_t>(static_cast<uint64_t>(doc.XMin) + static_cast<uint64_t>(doc.XMax));
    const double midLongitude = CoordToReal(sum / 2, true);
    // The control-point set keeps its own meridian: its centres were projected with it,
    // and Apply Control must project with it again, whatever zone the data were in.
    const double lambda0 = ZoneCentralMeridian(midLongitude);
    // The data's own zone, which is not the control points' meridian: only the
    // recorded coordinate system says which meridian the survey was projected with.
    const SurveyCrs crs = ZoneCrs(UtmZone(midLongitude));

    doc.WillWrite(kFieldX | kFieldY | kFieldFlags);
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
    doc.Crs = crs;
    doc.SetModified(true, port);
    Recalculate(doc, port);
    Remove(doc, port);
}

}  // namespace aq
