// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/control.h"

#include "model/archive.h"

namespace aq {

void ClsqData::Write(ArchiveWriter& ar) const {
    for (double v : {GridX, GridY, Latitude, Longitude, LonDeg, LonMin, LonSec, LatDeg, LatMin, LatSec}) ar.Double(v);
    ar.Text(LatHemisphere);
    ar.Text(LonHemisphere);
    ar.I32(Use);
    ar.Text(Name);
    ar.Double(ProjE);
    ar.Double(ProjN);
}

void ClsqData::Read(ArchiveReader& ar) {
    for (double* v : {&GridX, &GridY, &Latitude, &Longitude, &LonDeg, &LonMin, &LonSec, &LatDeg, &LatMin, &LatSec})
        *v = ar.Double();
    LatHemisphere = ar.Text();
    LonHemisphere = ar.Text();
    Use = ar.I32();
    Name = ar.Text();
    ProjE = ar.Double();
    ProjN = ar.Double();
}

}  // namespace aq
