// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "surface/crs.h"
#include "surface/surface.h"

namespace aq::surface {

enum class ContourFormat {
    GeoPackage,  // .gpkg: a layer "contours", each line with its id and level
    Shapefile,   // .shp (with .shx, .dbf, .prj): the same fields
    Dxf,         // .dxf: 3D polylines at their level, on the layer CONTOURS
    Kml,         // .kml: longitude and latitude (WGS 84), each placemark named by its level
};

// The format a file's extension asks for (any case); none for another extension.
std::optional<ContourFormat> ContourFormatOf(const std::string& path);
inline constexpr char kContourExtensions[] = ".gpkg, .shp, .dxf or .kml";

// The levels to draw: every multiple of `interval` from `base` within the surface's
// range, or the listed levels (when `levels` is not empty).
struct ContourLevels {
    double interval = 0;
    double base = 0;
    std::vector<double> levels;
};

// A contour line in the surface's coordinates: x0, y0, x1, y1, ...
struct ContourLine {
    double level = 0;
    std::vector<double> xy;
};

// Traces the contours of the surface with GDAL's contour generator (lines through the
// cell centres, broken where a cell is empty). False with the reason: no levels, an
// interval not above 0, more than 100 000 levels across the surface's range.
bool MakeContours(const Surface& s, const ContourLevels& levels, std::vector<ContourLine>& out, std::string& error,
                  UserPort* progress = nullptr);

// Writes the lines in the format of the file's extension, in the coordinate system
// given; KML in longitude and latitude, into which a projected system is transformed
// through PROJ (refused for a local grid, which has no known relation to the earth).
// The file is replaced whole or not at all (GdalOutput). False with the message.
bool WriteContours(const std::vector<ContourLine>& lines, const CoordinateSystem& crs, const std::string& path,
                   std::string& error, UserPort* progress = nullptr);

}  // namespace aq::surface
