// SPDX-License-Identifier: GPL-3.0-or-later
#include "surface/nodecompare.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <new>
#include <vector>

#include "export/export.h"
#include "export/textformats.h"
#include "model/doc.h"
#include "surface/grid.h"
#include "surface/raster.h"
#include "surface/soundings.h"
#include "surface/volume.h"

namespace aq::surface {

double SurfaceValueAt(const Surface& s, double x, double y) {
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    if (s.nx <= 0 || s.ny <= 0 || !(s.cellX > 0) || !(s.cellY > 0)) return nan;
    // Position among the cell centres: column 0 at the first centre.
    const double fc = (x - s.west) / s.cellX - 0.5;
    const double fr = (s.north - y) / s.cellY - 0.5;
    if (!(fc >= 0 && fr >= 0 && fc <= s.nx - 1 && fr <= s.ny - 1)) return nan;
    int c0 = static_cast<int>(std::floor(fc)), r0 = static_cast<int>(std::floor(fr));
    // On the last centre of a row or column the cell before it carries the point.
    if (c0 == s.nx - 1 && c0 > 0) --c0;
    if (r0 == s.ny - 1 && r0 > 0) --r0;
    const int c1 = std::min(c0 + 1, s.nx - 1), r1 = std::min(r0 + 1, s.ny - 1);
    const double u = fc - c0, v = fr - r0;
    const double z00 = s.At(c0, r0), z10 = s.At(c1, r0), z01 = s.At(c0, r1), z11 = s.At(c1, r1);
    if (std::isnan(z00) || std::isnan(z10) || std::isnan(z01) || std::isnan(z11)) return nan;
    return (1 - v) * ((1 - u) * z00 + u * z10) + v * ((1 - u) * z01 + u * z11);
}

namespace {

constexpr uint32_t kNoLine = std::numeric_limits<uint32_t>::max();

struct CrossSounding {
    double x, y;   // survey coordinates
    double level;  // metres, as the XYZ export writes it
    double depth;  // the measured depth, metres, for the allowance
};

// A raster in another coordinate system than the survey would put its levels under the
// wrong soundings, or under none: refused. One that does not say is taken at its word
// that it lies in the survey's, with a warning.
bool CheckSurfaceCrs(const CVKDoc& doc, const std::string& path, const Surface& surface, NodeResult& out,
                     std::string& error) {
    const CoordinateSystem survey = DocumentCrs(doc);
    if (surface.crs.wkt.empty()) {
        out.warning = "The surface \"" + path + "\" has no coordinate system: it is taken to be in the survey's, " +
                      survey.name + ".";
        return true;
    }
    if (SameCoordinateSystem(surface.crs, survey)) return true;
    error = "The surface \"" + path + "\" is in " + (surface.crs.name.empty() ? "an unnamed system" : surface.crs.name) +
            " and the survey in " + survey.name + ": bring them into one coordinate system first";
    error += CurrentCrs(doc) == UnknownGridCrs()
                 ? " (the survey's grid coordinates have no recorded coordinate system: if they are in the "
                   "surface's, declare it)."
                 : ".";
    return false;
}

}  // namespace

bool CompareNodes(const CVKDoc& doc, const LineSet& lines, const NodeOptions& options, NodeResult& out,
                  std::string& error, UserPort* progress) {
    out = NodeResult{};
    const size_t mains = lines.Count(LineKind::Main), crosses = lines.Count(LineKind::Cross);
    if (crosses == 0) {
        error = "The node comparison needs crosslines: the survey has none. Name the crosslines, or change the "
                "heading tolerance.";
        return false;
    }
    if (options.surfacePath.empty() && mains == 0) {
        error = "The node comparison needs main lines to make a surface of: the survey has none.";
        return false;
    }
    if (!(options.cell >= 0) || !std::isfinite(options.cell)) {
        error = "The cell of the surface must be more than 0 metres.";
        return false;
    }

    // The line of each live sounding, by record.
    std::vector<uint32_t> lineOf;
    try {
        lineOf.assign(doc.Records.size(), kNoLine);
    } catch (const std::bad_alloc&) {
        error = "Not enough memory to compare the crosslines with a surface.";
        return false;
    }
    for (size_t k = 0; k < lines.Lines.size(); ++k) {
        const SurveyLine& l = lines.Lines[k];
        if (l.Kind == LineKind::Other) continue;
        for (uint32_t i = l.SoundingBegin; i < l.SoundingEnd; ++i) lineOf[lines.Soundings[i]] = static_cast<uint32_t>(k);
    }

    const bool geographic = doc.IsGeographic();
    Soundings main;
    main.geographic = geographic;
    std::vector<CrossSounding> cross;
    {
        ExportSelection selection;
        selection.EntityMask = REC_DEPTH;
        double xmin = std::numeric_limits<double>::infinity(), xmax = -xmin, ymin = xmin, ymax = -xmin;
        std::vector<double> mx, my;
        uint32_t lastMain = kNoLine;
        exporting::ForEachXyzPoint(doc, selection, 0, doc.Records.size(),
                                   [&](size_t index, const CVKData& r, const exporting::XyzPoint& p) {
                                       const uint32_t line = lineOf[index];
                                       if (line == kNoLine) return true;
                                       if (lines.Lines[line].Kind == LineKind::Cross) {
                                           cross.push_back({p.x, p.y, p.level, r.Depth / 100.0});
                                           return true;
                                       }
                                       if (line != lastMain) {
                                           main.runs.push_back(mx.size());
                                           lastMain = line;
                                       }
                                       mx.push_back(p.x);
                                       my.push_back(p.y);
                                       main.z.push_back(static_cast<float>(p.level));
                                       xmin = std::min(xmin, p.x);
                                       xmax = std::max(xmax, p.x);
                                       ymin = std::min(ymin, p.y);
                                       ymax = std::max(ymax, p.y);
                                       return true;
                                   });
        main.runs.push_back(mx.size());
        if (geographic && !mx.empty()) main.plane = Plane::Geographic((xmin + xmax) / 2, (ymin + ymax) / 2);
        main.x.resize(mx.size());
        main.y.resize(my.size());
        for (size_t i = 0; i < mx.size(); ++i) {
            main.x[i] = main.plane.PlaneX(mx[i]);
            main.y[i] = main.plane.PlaneY(my[i]);
        }
    }
    out.crossSoundings = cross.size();
    if (cross.empty()) {
        error = "The crosslines have no live depth soundings to compare.";
        return false;
    }

    Surface surface;
    if (!options.surfacePath.empty()) {
        if (!ReadSurface(options.surfacePath, surface, error) || !CheckSurfaceCrs(doc, options.surfacePath, surface, out, error)) {
            out.surfaceRefused = true;
            return false;
        }
    } else {
        if (main.empty()) {
            error = "The main lines have no live depth soundings to make a surface of.";
            return false;
        }
        out.mainSoundings = main.size();
        GridOptions grid;
        grid.method = Method::Tin;
        grid.cell = options.cell;
        if (grid.cell == 0) grid.cell = ContourCell(main, MedianLineSpacing(main));
        if (!(grid.cell > 0)) grid.cell = 1.0;
        out.cell = grid.cell;
        if (!MakeSurface(main, grid, surface, error, progress)) return false;
    }

    std::vector<double> deltas, depths;
    deltas.reserve(cross.size());
    depths.reserve(cross.size());
    for (const CrossSounding& c : cross) {
        const double z = SurfaceValueAt(surface, c.x, c.y);
        if (std::isnan(z)) continue;
        deltas.push_back(z - c.level);
        depths.push_back(c.depth);
    }
    out.compared = deltas.size();
    if (deltas.empty()) {
        error = options.surfacePath.empty()
                    ? std::string("The surface of the main lines has no value under any crossline sounding: the "
                                  "crosslines do not run over the main lines.")
                    : options.surfacePath + ": the surface has no value under any crossline sounding.";
        return false;
    }
    out.stats = DifferenceStatistics(deltas, depths);
    return true;
}

std::string NodeSummaryText(const NodeResult& r) {
    std::string s;
    s += "node_cross_soundings=" + std::to_string(r.crossSoundings) + "\n";
    s += "node_compared=" + std::to_string(r.compared) + "\n";
    if (r.cell > 0) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "node_cell_m=%g\n", r.cell);
        s += buf;
    }
    return s + CrossingStatisticsText(r.stats, "node_");
}

}  // namespace aq::surface
