// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace aq {

class ArchiveReader;
class ArchiveWriter;

// One control point: a station known both in WGS84 and on the site grid.
struct ClsqData {
    double GridX = 0;
    double GridY = 0;
    double Latitude = 0;   // signed decimal degrees, south negative
    double Longitude = 0;  // signed decimal degrees, west negative
    double LonDeg = 0, LonMin = 0, LonSec = 0;
    double LatDeg = 0, LatMin = 0, LatSec = 0;
    double ProjE = 0, ProjN = 0;  // projected, metres; derived
    std::string LatHemisphere = "N";
    std::string LonHemisphere = "E";
    int32_t Use = 1;
    std::string Name;

    void Write(ArchiveWriter& ar) const;
    void Read(ArchiveReader& ar);

    friend bool operator==(const ClsqData&, const ClsqData&) = default;
};

// A position on the site grid, metres.
struct GridPoint {
    double x = 0;
    double y = 0;
};

// The control-point set and the site-grid transform derived from it.
struct CVKlsq {
    std::vector<ClsqData> Points;
    double GridCentreX = 0, GridCentreY = 0;
    double ProjCentreE = 0, ProjCentreN = 0;
    double Rotation = 0;  // radians, 0 <= value < 2 pi
    double Scale = 1;
    double CentralMeridian = 0;  // radians; the points' own, never the survey data's

    // A transform can be derived from two points or more.
    bool IsUsable() const { return Points.size() > 1; }

    // Derives the central meridian, the projections, the centres, the rotation and the
    // scale from the points; does nothing while the set is not usable, so the derived
    // values keep what they had. Defined with the projection, in localgrid.cpp.
    void Recompute();
    // The site-grid position of a WGS84 latitude and longitude in degrees; nothing
    // while the set is not usable.
    std::optional<GridPoint> ToLocalGrid(double latitude, double longitude) const;
};

// Smallest stored size of one control point (ten doubles, three empty texts, Use, two doubles).
inline constexpr size_t CONTROL_POINT_MIN_BYTES = 80 + 1 + 1 + 4 + 1 + 16;

}  // namespace aq
