// SPDX-License-Identifier: GPL-3.0-or-later
// The site-grid transform of the control-point set: a similarity from the transverse
// Mercator plane to the grid, found by averaging over the points.
#include <cmath>

#include "model/control.h"
#include "model/projection.h"

namespace aq {

namespace {

const double kTwoPi = 8.0 * std::atan(1.0);
const double kPi = 4.0 * std::atan(1.0);

struct Polar {
    double bearing;   // from the northing axis toward the easting axis, 0 <= value < 2 pi
    double distance;  // 0 for no difference at all
};

Polar BearingDistance(double dx, double dy) {
    Polar p;
    p.bearing = std::atan2(dx, dy);
    if (p.bearing < 0) p.bearing += kTwoPi;
    const double sq = dx * dx + dy * dy;
    p.distance = sq > 0 ? std::sqrt(sq) : 0.0;
    return p;
}

}  // namespace

void CVKlsq::Recompute() {
    if (!IsUsable()) return;
    const double n = static_cast<double>(Points.size());

    double lonSum = 0;
    for (const ClsqData& p : Points) lonSum += p.Longitude;
    CentralMeridian = ZoneCentralMeridian(lonSum / n);

    GridCentreX = GridCentreY = ProjCentreE = ProjCentreN = 0;
    for (ClsqData& p : Points) {
        GridCentreX += p.GridX;
        GridCentreY += p.GridY;
        const ProjectedPoint pr = ProjectTM(DegToRad(p.Latitude), DegToRad(p.Longitude), CentralMeridian);
        p.ProjE = pr.E;
        p.ProjN = pr.N;
        ProjCentreE += p.ProjE;
        ProjCentreN += p.ProjN;
    }
    GridCentreX /= n;
    GridCentreY /= n;
    ProjCentreE /= n;
    ProjCentreN /= n;

    // A point on the projected centre has no direction and no distance to measure: it
    // stays out of both means rather than making the scale undefined.
    double rotationSum = 0, scaleSum = 0, first = 0;
    int counted = 0;
    for (const ClsqData& p : Points) {
        const Polar g = BearingDistance(p.GridX - GridCentreX, p.GridY - GridCentreY);
        const Polar pr = BearingDistance(p.ProjE - ProjCentreE, p.ProjN - ProjCentreN);
        if (pr.distance == 0) continue;
        double diff = g.bearing - pr.bearing;
        if (diff < 0) diff += kTwoPi;
        // Differences either side of north (359 and 1 degrees) are neighbours, not
        // opposites: take each within half a turn of the first before averaging, or a
        // grid aligned with the projection comes out turned half round.
        if (counted == 0) {
            first = diff;
        } else if (diff - first > kPi) {
            diff -= kTwoPi;
        } else if (diff - first <= -kPi) {
            diff += kTwoPi;
        }
        rotationSum += diff;
        scaleSum += g.distance / pr.distance;
        ++counted;
    }
    if (counted == 0) return;  // keep the previous rotation and scale

    double rotation = rotationSum / counted;
    // Within half a turn of a value in [0, 2 pi), so one step brings it back; a hair
    // below zero rounds up to 2 pi and must go round again.
    if (rotation < 0) rotation += kTwoPi;
    if (rotation >= kTwoPi) rotation -= kTwoPi;
    Rotation = rotation;
    Scale = scaleSum / counted;
}

std::optional<GridPoint> CVKlsq::ToLocalGrid(double latitude, double longitude) const {
    if (!IsUsable()) return std::nullopt;
    const ProjectedPoint pr = ProjectTM(DegToRad(latitude), DegToRad(longitude), CentralMeridian);
    const Polar p = BearingDistance(pr.E - ProjCentreE, pr.N - ProjCentreN);
    const double theta = Rotation + p.bearing;
    const double r = Scale * p.distance;
    return GridPoint{GridCentreX + r * std::sin(theta), GridCentreY + r * std::cos(theta)};
}

}  // namespace aq
