// SPDX-License-Identifier: GPL-3.0-or-later
#include "processing/hpr.h"

#include <algorithm>
#include <cmath>

#include "model/muldiv.h"

namespace aq {

namespace {

const double kPi = 4.0 * std::atan(1.0);

double Radians(double degrees) { return degrees * kPi / 180.0; }

// A displacement already in centimetres, truncated; beyond the 16-bit field it
// saturates instead of changing sign.
int16_t Truncate16(double cm) {
    return static_cast<int16_t>(std::clamp(TruncToInt32(cm), int32_t{INT16_MIN}, int32_t{INT16_MAX}));
}

}  // namespace

void ApplyHpr(CVKDoc& doc) {
    const double h = doc.ElevOffset / 100.0;
    const bool geo = doc.IsGeographic();
    double p = 0, r = 0;      // angles of the last depth
    double e0 = 0, n0 = 0;    // the previous record's plan position
    std::vector<CVKData>& recs = doc.Records;
    doc.WillWrite(kFieldPitch | kFieldRoll | kFieldFlags);
    for (size_t i = 0; i < recs.size(); ++i) {
        CVKData& rec = recs[i];
        if (rec.Flags & REC_HPR) continue;
        if (rec.Flags & REC_DEPTH) {
            p = Radians(rec.Pitch / 100.0);
            r = Radians(rec.Roll / 100.0);
        }
        const double e = CoordToReal(rec.X, geo);
        const double n = CoordToReal(rec.Y, geo);
        // The tilt moves the point by the height times the tangent of each angle.
        const double a = h * std::tan(r);
        const double b = h * std::tan(p);
        double theta = std::atan2(a, b);
        if (theta < 0) theta += 2.0 * kPi;
        const double sq = a * a + b * b;
        const double rho = sq > 0 ? std::sqrt(sq) : 0.0;
        if (i > 0) {
            // Resolved against the course from the previous record; standing still
            // gives north.
            double c = std::atan2(e - e0, n - n0);
            if (c < 0) c += 2.0 * kPi;
            rec.Pitch = Truncate16(100.0 * rho * std::sin(c - theta));
            rec.Roll = Truncate16(100.0 * rho * std::cos(c - theta));
            rec.Flags |= REC_HPR;
            doc.KindFlags |= REC_HPR;
        }
        e0 = e;
        n0 = n;
    }
}

}  // namespace aq
