// SPDX-License-Identifier: GPL-3.0-or-later
// Dredging quantities: the volume between the survey's surface and a reference (a design
// level, a design surface or a second survey) within an area, by the grid of their
// difference, by the prisms of their overlaid triangulations, and by the end areas of
// cross sections along a centre line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "surface/grid.h"
#include "surface/soundings.h"
#include "surface/surface.h"
#include "views/volumes.h"

namespace aq::surface {

// A closed ring, in survey coordinates; the last point is not the first again.
struct Ring {
    std::vector<double> x, y;
};

// The area measured: polygons, each an outer ring and any holes, in survey coordinates.
struct Boundary {
    std::vector<std::vector<Ring>> polygons;
    std::string source;  // the file or "listed coordinates", for the report
    bool Empty() const { return polygons.empty(); }
};

// The polygons of a vector file GDAL reads (GeoPackage, Shapefile, KML, a DXF's closed
// polylines, ...): every polygon of its layers, and every line that closes on itself,
// brought into the survey's coordinate system when the file has another (refused for a
// survey on a local grid). False with the reason: a file GDAL cannot read, one holding
// no polygon, a line that does not close.
bool ReadBoundary(const std::string& path, const CoordinateSystem& crs, Boundary& out, std::string& error);

// Coordinates listed as text: "X,Y X,Y X,Y ..." or one "X Y" (or "X,Y") pair a line; at
// least three corners. False with the reason.
bool ParseBoundary(const std::string& text, Boundary& out, std::string& error);

// A centre line, in survey coordinates.
struct Polyline {
    std::vector<double> x, y;
};

// The first line of a vector file (any line, or a polygon's outer ring), in the survey's
// system; or "X1,Y1,X2,Y2" for two points. False with the reason.
bool ReadCentreLine(const std::string& pathOrPoints, const CoordinateSystem& crs, Polyline& out, std::string& error);

// A triangulated design, in survey coordinates.
struct TinModel {
    std::vector<double> x, y;
    std::vector<double> z;
    std::vector<uint32_t> triangles;  // three corners each
    size_t Triangles() const { return triangles.size() / 3; }
};

enum class ReferenceKind { Level, Raster, Tin, Survey };

// What the survey is measured against.
struct Reference {
    ReferenceKind kind = ReferenceKind::Level;
    double level = 0;   // Level
    Surface raster;     // Raster: linear in the two triangles of each square of cell centres
    TinModel tin;       // Tin: a design of points, 3D polylines or 3D faces
    Soundings survey;   // Survey: another survey's soundings, triangulated as the survey is
    std::string description;
};

// A design surface from a file: a raster GDAL reads (GeoTIFF, ASCII grid, an XYZ grid),
// XYZ points ("X Y Z" a line, spaces or commas) triangulated, or a DXF of 3D faces (taken
// as they are) or 3D polylines and points (channel templates: triangulated with the
// polylines kept as edges). A design in another coordinate system than the survey's is
// refused. False with the reason.
bool ReadDesign(const std::string& path, const CoordinateSystem& crs, Reference& out, std::string& error);

struct VolumeOptions {
    bool grid = true;
    bool tin = true;
    bool sections = false;
    // The grid: cells of `cell` metres (0: a fifth of the line spacing, as contours
    // choose it), the surfaces made by `method` on them.
    double cell = 0;
    Method method = Method::Tin;
    // The triangles' longest edge, metres (0: 3 x the median line spacing).
    double maxEdge = 0;
    // Paid overdepth below the design, metres (0: none).
    double overdepth = 0;
    Boundary boundary;
    // Cross sections every `spacing` metres along the centre line, `width` metres
    // across, sampled every `step` metres (0: the width over 200, at most the cell).
    Polyline centreLine;
    double spacing = 0;
    double width = 0;
    double step = 0;
    // Tiles of the triangulation, and threads measuring at once (1 or 2), for the tests.
    size_t tilePoints = 0;
    unsigned threads = 2;
};

struct VolumeResult {
    std::vector<VolumeFigures> figures;  // in the order grid, tin, end-area, prismoidal
    std::vector<SectionProfile> sections;
    // The survey less the reference on the grid, where both are and within the area
    // (NaN elsewhere), with the survey's coordinate system: to be shown or written.
    Surface difference;
    double areaMeasured = 0;  // m2: the boundary's, or the survey's coverage
    double cell = 0;          // the grid's cell, metres
    double maxEdge = 0;       // the triangles' longest edge, metres
};

// Measures the survey against the reference. The survey's soundings (the reference's too
// when it is a survey) are on their plane; the boundary, centre line and designs in
// survey coordinates. False with the reason: no overlap between the survey and the
// reference within the area, options out of range, not enough memory.
bool MeasureVolumes(const Soundings& survey, const Reference& reference, const VolumeOptions& options,
                    VolumeResult& out, std::string& error, UserPort* progress = nullptr);

// Only the cross sections, of the survey and any of a second survey and a design (each
// may be absent: `second`, `design` null); the areas against the design, else the second
// survey.
bool MeasureSections(const Soundings& survey, const Soundings* second, const Reference* design,
                     const VolumeOptions& options, std::vector<SectionProfile>& out, std::string& error,
                     UserPort* progress = nullptr);

// Whether two surveys' (or a survey's and a file's) systems are one; a system not given
// (no WKT) matches any.
bool SameCoordinateSystem(const CoordinateSystem& a, const CoordinateSystem& b);

// The report of a measurement: the inputs named (`survey` the survey's file or files, the
// centre line's source as given), the figures, the plan and the sections.
VolumeReport ReportOf(const VolumeResult& result, const VolumeOptions& options, const std::string& survey,
                      const Reference& reference, const std::string& centreLine, const CoordinateSystem& crs,
                      const Plane& plane);

// The picture of a difference surface and boundary for the report and the window.
DifferencePicture PictureOf(const Surface& difference, const Boundary& boundary, const Plane& plane);

}  // namespace aq::surface
