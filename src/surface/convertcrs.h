// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace aq {
class CVKDoc;
class UserPort;
}

namespace aq::surface {

// Why the survey's positions cannot be converted to another system at all: a site grid
// of control points, or a grid whose system nobody recorded, has no known relation to
// the earth. Empty when they can.
std::string ConversionSourceRefusal(const CVKDoc& doc);

// Edit > Transform > Convert to Coordinate System: every position of the survey, from
// its current system (WGS 84, the transverse Mercator of Convert to UTM, or an earlier
// EPSG system) into the projected system of an EPSG code ("EPSG:32631" or "32631"),
// through PROJ. Deleted records are converted and kept. The survey becomes a grid one
// in that system and is recalculated.
//
// Refuses, changing nothing and saying why through the port: a text that is
// no EPSG code, a code PROJ does not know, a system that is not projected or not in
// metres east and north, a survey whose system is a local grid, and positions PROJ
// cannot transform or the survey could not hold (the first such record is named).
// Warns, after converting, when PROJ knew no datum transformation between the two
// systems or the survey lies outside the area the target system is meant for.
bool ConvertToCrs(CVKDoc& doc, const std::string& target, UserPort& port);

// crs DEFINITION: says which system a grid survey's coordinates are in, without
// changing them (grid coordinates imported from elsewhere, or a survey saved before
// systems were recorded). Any projected system in metres east and north, or a local
// engineering one. A geographic survey is refused: it is WGS 84.
bool DeclareCrs(CVKDoc& doc, const std::string& definition, UserPort& port);

}  // namespace aq::surface
