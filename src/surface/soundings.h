// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <vector>

namespace aq {
class CVKDoc;
class UserPort;
}  // namespace aq

namespace aq::surface {

// The plane surfaces are made on, in metres. A grid survey's eastings and northings are
// metres already and are taken as they are. A geographic survey's longitudes and
// latitudes are scaled to metres east and north of a point near its middle, by the
// lengths of a degree there on the WGS 84 ellipsoid: a straight scale, so that a grid of
// square cells on the plane is a grid of rectangular cells in degrees, and the cell
// sizes, search radii and edge lengths the user gives in metres hold on the ground.
struct Plane {
    double x0 = 0;  // survey coordinates of the plane's origin
    double y0 = 0;
    double kx = 1;  // metres per survey unit east and north
    double ky = 1;

    double PlaneX(double x) const { return (x - x0) * kx; }
    double PlaneY(double y) const { return (y - y0) * ky; }
    double SurveyX(double px) const { return x0 + px / kx; }
    double SurveyY(double py) const { return y0 + py / ky; }
    // The plane of a geographic survey whose middle is at this longitude and latitude.
    static Plane Geographic(double lon, double lat);
};

// The live depth soundings of one or more surveys, as the XYZ export writes them (the
// corrected position and the exported level), on the plane: 20 bytes a sounding.
struct Soundings {
    Plane plane;
    bool geographic = false;
    std::vector<double> x;  // plane metres
    std::vector<double> y;
    std::vector<float> z;  // level, metres
    // Each survey's soundings are one run, in the survey's record order: run k is
    // [runs[k], runs[k + 1]). Headings along the track come from neighbours of a run.
    std::vector<size_t> runs;

    size_t size() const { return z.size(); }
    bool empty() const { return z.empty(); }
};

// Gathers the live depth soundings of the surveys (the first is the open document)
// through the XYZ export's own point loop: every record that `export xyz --kinds d`
// writes, at the position and level it writes. False with the reason when the surveys
// are not all in one coordinate system, or hold no live depth sounding between them.
// `progress` shows the phase "Gathering Soundings" when given.
bool CollectSoundings(std::span<const CVKDoc* const> docs, Soundings& out, std::string& error,
                      UserPort* progress = nullptr);

// How far apart the survey lines are: the median across-track spacing in metres, or 0
// when the soundings do not tell (a single line, too few soundings).
//
// From up to 20 000 soundings spread evenly through the runs: each takes its heading
// from its neighbours along the run (the chord between the nearest soundings before and
// after it at least half a metre apart), and looks for the nearest sounding that lies
// across the track from it, within 45 degrees of square to the heading. Soundings of
// its own line lie along the heading and are passed over, those of the lines either
// side are found. A neighbour nearer than max(1 m, 4 x the median step between
// consecutive soundings) counts as the same line run again (a second pass, another
// day's survey of the same plan) and is passed over too. The median of the distances
// found is the line spacing: turns, tie lines and crossings are few beside the main
// lines and do not move it.
double MedianLineSpacing(const Soundings& s);

}  // namespace aq::surface
