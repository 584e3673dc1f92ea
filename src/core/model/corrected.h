// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cmath>
#include <cstdint>
#include <numbers>

#include "model/data.h"

// The position and level of a record as the exports write them and the quality checks
// measure them: the stored values plus the displacements Apply HPR left in the record.
namespace aq {

// Metres along a meridian and along a parallel at the equator per degree, for turning
// the displacements of Apply HPR into degrees in a geographic survey.
inline constexpr double METRES_PER_DEGREE_LATITUDE = 110574.0;
inline constexpr double METRES_PER_DEGREE_LONGITUDE = 111320.0;

// Easting (longitude) plus the roll displacement of a record corrected by Apply HPR.
// The displacement is in metres: in a geographic survey it becomes degrees of
// longitude at the record's latitude first.
inline double CorrectedX(const CVKData& r, bool geographic) {
    const double x = CoordToReal(r.X, geographic);
    const double metres = r.MetresIfHpr(r.Roll);
    if (!geographic || metres == 0.0) return x + metres;
    // Meridians meet at the poles, where no east-west displacement can be given.
    const double c = std::cos(CoordToReal(r.Y, true) * (std::numbers::pi / 180.0));
    return std::abs(c) < 1e-9 ? x : x + metres / (METRES_PER_DEGREE_LONGITUDE * c);
}
// Northing (latitude) plus the pitch displacement, in degrees of latitude in a
// geographic survey.
inline double CorrectedY(const CVKData& r, bool geographic) {
    const double metres = r.MetresIfHpr(r.Pitch);
    return CoordToReal(r.Y, geographic) + (geographic ? metres / METRES_PER_DEGREE_LATITUDE : metres);
}
// Height plus the heave displacement.
inline double CorrectedZ(const CVKData& r) { return r.Z / 100.0 + r.MetresIfHpr(r.Heave); }
// Seabed level plus the heave displacement, in metres; the sum is exact in centimetres.
inline double ExportedLevel(const CVKData& r) {
    return (int64_t{r.Tide} + r.Z - r.Depth) / 100.0 + r.MetresIfHpr(r.Heave);
}

}  // namespace aq
