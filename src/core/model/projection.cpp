// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/projection.h"

#include <cmath>
#include <cstdint>

#include "model/muldiv.h"

namespace aq {

namespace {

// WGS84 as the program has always held it.
constexpr double kA2 = 40680631590769.0;  // semi-major axis squared, m^2
constexpr double kB = 6356752.314;        // semi-minor axis, m
constexpr double kEp2 = 0.006739496819936062;
constexpr double kArc = 6367449.1458;
constexpr double kArc2 = -0.00251882792, kArc4 = 2.64354e-6, kArc6 = -3.45e-9, kArc8 = 5e-12;
constexpr double kK0 = 0.9996;

const double kQuarterPi = std::atan(1.0);

}  // namespace

double DegToRad(double degrees) { return degrees * kQuarterPi / 45.0; }
double RadToDeg(double radians) { return radians * 45.0 / kQuarterPi; }

int UtmZone(double longitude) {
    // Truncation toward zero of a negative quotient, so that exactly 180 gives 61.
    // Longitudes far out of range (a damaged file) clamp rather than overflow.
    const int32_t q = TruncToInt32((longitude + 180.0) / -6.0);
    return q == INT32_MIN ? INT32_MAX : 1 - q;
}

double ZoneCentralMeridian(double longitude) { return DegToRad((UtmZone(longitude) - 1) * 6.0 - 177.0); }

ProjectedPoint ProjectTM(double phi, double lambda, double lambda0) {
    // One sine and cosine give the multiple angles of the meridian arc; the series is
    // the same, and this runs twice as fast as a sine per term.
    const double s = std::sin(phi);
    const double c = std::cos(phi);
    const double s2 = 2.0 * s * c;
    const double c2phi = (c - s) * (c + s);
    const double s4 = 2.0 * s2 * c2phi;
    const double c4phi = (c2phi - s2) * (c2phi + s2);
    const double s6 = s4 * c2phi + c4phi * s2;
    const double s8 = 2.0 * s4 * c4phi;
    const double t = s / c;
    const double dl = lambda - lambda0;

    const double m = kArc * (phi + kArc2 * s2 + kArc4 * s4 + kArc6 * s6 + kArc8 * s8);
    const double eta2 = kEp2 * c * c;
    const double nu = kA2 / (kB * std::sqrt(1.0 + eta2));

    const double cc = c * c, tt = t * t, ll = dl * dl;
    const double c4 = cc * cc, l4 = ll * ll;
    const double c6 = c4 * cc, l6 = l4 * ll;
    const double c8 = c4 * c4, l8 = l4 * l4;
    const double t4 = tt * tt, t6 = t4 * tt;

    ProjectedPoint p;
    p.N = kK0 * (m + nu * (t / 2.0) * cc * ll +
                 nu * (t / 24.0) * c4 * l4 * (5.0 - tt + 9.0 * eta2 + 4.0 * eta2 * eta2) +
                 nu * (t / 720.0) * c6 * l6 * (61.0 - 58.0 * tt + t4 + 270.0 * eta2 - 330.0 * tt * eta2) +
                 nu * (t / 40320.0) * c8 * l8 * (1385.0 - 3111.0 * tt + 543.0 * t4 - t6));
    p.E = kK0 * (nu * c * dl + (nu / 6.0) * cc * c * ll * dl * (1.0 - tt + eta2) +
                 (nu / 120.0) * c4 * c * l4 * dl * (5.0 - 18.0 * tt + t4 + 14.0 * eta2 - 58.0 * tt * eta2) +
                 (nu / 5040.0) * c6 * c * l6 * dl * (61.0 - 479.0 * tt + 179.0 * t4 - t6));
    return p;
}

}  // namespace aq
