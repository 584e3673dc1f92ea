// SPDX-License-Identifier: GPL-3.0-or-later
// Dredging quantities as the front ends show them: the figures of each way of measuring,
// the cross sections, the picture of the difference, and the text and CSV made of them.
// Plain data: the surface library fills it, the command line, the window and the report
// read it.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace aq {

// What one way of measuring gives. Cut is where the survey lies above the reference
// (material to remove), fill where it lies below.
struct VolumeFigures {
    std::string method;        // "grid", "tin", "end-area", "prismoidal"
    double cut = 0;            // m3
    double fill = 0;           // m3
    double cutArea = 0;        // m2 on the plan
    double fillArea = 0;       // m2
    double compared = 0;       // m2 where both surfaces are, within the area measured
    double uncovered = 0;      // m2 of the area measured that is not covered by both
    // With an overdepth allowance: the cut above the design (the cut itself) and the
    // material between the design and the design less the allowance.
    bool overdepth = false;
    double withinOverdepth = 0;  // m3
    double Net() const { return cut - fill; }
};

// The table every front end prints, a row of words per method after the header:
// method, cut m3, fill m3, net m3, cut area m2, fill area m2, uncovered m2, the
// difference from the TIN's net (the first row's when there is no TIN) in percent of its
// cut plus fill, and with an overdepth the volume above the design and within the
// allowance. Volumes and areas to 0.01.
std::vector<std::vector<std::string>> VolumeTable(const std::vector<VolumeFigures>& rows);

// The difference between two rows' nets in percent of the reference row's cut plus fill
// (0 when that is 0).
double DifferencePercent(const VolumeFigures& row, const VolumeFigures& reference);

// A cross section at a station of the centre line: the levels across it, at `offset`
// metres from the line (negative to the left looking along it), NaN where a surface is
// not there. `design` and `against` are empty when the section has none.
struct SectionProfile {
    double chainage = 0;       // metres along the centre line
    double x = 0, y = 0;       // the station, survey coordinates
    std::vector<double> offset;
    std::vector<double> px, py;   // each point in survey coordinates
    std::vector<double> survey;   // the survey measured
    std::vector<double> against;  // a second survey
    std::vector<double> design;   // the design
    // Of the survey against the reference (the design, else the second survey), m2.
    double cutArea = 0;
    double fillArea = 0;
    double coveredWidth = 0;  // metres across where both are
    double width = 0;         // metres across within the area measured
};

// The difference surface (survey less reference) for the plan picture: cells from the
// north-west corner, NaN where either is missing; the boundary's rings in the same
// coordinates. `groundX`, `groundY` are a cell's size on the ground, in metres, for a
// picture true to scale.
struct DifferencePicture {
    double west = 0, north = 0, cellX = 1, cellY = 1;
    double groundX = 1, groundY = 1;
    int nx = 0, ny = 0;
    std::vector<float> difference;
    std::vector<std::vector<std::pair<double, double>>> boundary;
    bool Empty() const { return nx <= 0 || ny <= 0; }
};

// Everything the volume report holds.
struct VolumeReport {
    std::string title = "Volumes";
    // Inputs and settings as "name", "value" lines: surveys, reference, boundary,
    // coordinate system, cell, longest edge, overdepth, sections.
    std::vector<std::pair<std::string, std::string>> inputs;
    std::vector<VolumeFigures> figures;
    DifferencePicture plan;
    std::vector<SectionProfile> sections;
    std::string reference = "design";  // what the sections call the reference
};

// The report's CSV: the inputs as "input,NAME,VALUE" lines, the table (as VolumeTable
// gives it), and one line per cross section. Written through the export file rules
// (replaced whole or not at all). Empty on success, else the message naming the file.
std::string WriteVolumeCsv(const VolumeReport& report, const std::string& path);

// The points of the cross sections: chainage, offset, x, y, and the levels of each
// surface the sections have. Empty on success, else the message naming the file.
std::string WriteSectionsCsv(const std::vector<SectionProfile>& sections, const std::string& path);

// "12345.67".
std::string Fixed2(double v);

}  // namespace aq
