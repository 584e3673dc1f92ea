// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>

#include "processing/crossings.h"
#include "processing/lines.h"
#include "surface/surface.h"

namespace aq {
class CVKDoc;
class UserPort;
}  // namespace aq

// The node comparison: every live sounding of the crosslines against a surface of the
// main lines, judged by the same statistics and S-44 allowances as the crossings.
namespace aq::surface {

struct NodeOptions {
    // A raster to compare against (any GDAL reads, in the survey's coordinate system:
    // one in another system is refused); empty for the triangulated surface of the main
    // lines' live soundings.
    std::string surfacePath;
    // The cell of the triangulated surface, metres on the ground; 0 for a fifth of the
    // main lines' spacing (1 m when the spacing is not known).
    double cell = 0;
};

struct NodeResult {
    size_t mainSoundings = 0;   // the surface was made of (0 for a given raster)
    size_t crossSoundings = 0;  // live soundings of the crosslines
    // Crossline soundings with a surface value beneath them; the statistics are of these.
    // The others lie off the surface or beside an empty cell.
    size_t compared = 0;
    double cell = 0;  // metres, of the surface made
    // The differences: surface level less the crossline's level, positive where the
    // crossline finds the seabed deeper (as the crossings' Delta).
    CrossingStatistics stats;
    // A sentence the user should see beside the figures: the raster had no coordinate
    // system, so it was taken to be in the survey's. Empty when there is none.
    std::string warning;
    // The comparison failed because of the raster given (it cannot be read, or it is in
    // another coordinate system), not because of the survey.
    bool surfaceRefused = false;
};

// The surface level at a point of survey coordinates: bilinear between the four cell
// centres around it, NaN when the point is outside them or any of them is empty.
double SurfaceValueAt(const Surface& s, double x, double y);

// Compares the crosslines of `lines` (found on `doc`) with the surface. False with the
// reason: no crosslines, no main line soundings to make a surface of, a raster that
// cannot be read or is in another coordinate system than the survey, no surface value
// under any crossline sounding.
bool CompareNodes(const CVKDoc& doc, const LineSet& lines, const NodeOptions& options, NodeResult& out,
                  std::string& error, UserPort* progress = nullptr);

// "node_..." lines for the command line, after the crossing summary.
std::string NodeSummaryText(const NodeResult& result);

}  // namespace aq::surface
