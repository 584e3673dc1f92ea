// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace aq {

// Degrees to radians and back, as degrees x atan(1) / 45.
double DegToRad(double degrees);
double RadToDeg(double radians);

// UTM zone of a longitude in degrees: 1 for -180, 31 for 0, 61 for exactly 180.
int UtmZone(double longitude);
// Central meridian, in radians, of the zone holding a longitude in degrees.
double ZoneCentralMeridian(double longitude);

struct ProjectedPoint {
    double E = 0;  // metres east of the central meridian
    double N = 0;  // metres north of the equator
};

// Transverse Mercator on WGS84 with the UTM scale factor, by the eighth-order series;
// no false easting or northing. Latitude, longitude and central meridian in radians;
// the longitude difference is used as it comes, without wrapping.
ProjectedPoint ProjectTM(double latitude, double longitude, double centralMeridian);

}  // namespace aq
