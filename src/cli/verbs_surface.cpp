// SPDX-License-Identifier: GPL-3.0-or-later
// Surfaces: grid and contours.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cliport.h"
#include "io/document.h"
#include "surface/contours.h"
#include "surface/crs.h"
#include "surface/gdalfile.h"
#include "surface/grid.h"
#include "surface/raster.h"
#include "surface/soundings.h"
#include "values.h"
#include "verbs.h"

namespace aq::cli {

namespace {

using surface::Method;

// What grid and contours share: the surveys, the surface's making, the system written.
struct SurfaceArgs {
    std::string path;
    std::optional<double> cell;
    std::optional<Method> method;
    std::optional<double> radius, maxEdge;
    std::optional<int> minCount;
    std::optional<surface::Extent> extent;
    std::optional<std::string> crs;
    std::vector<std::string> also;
    bool countBand = false, stddevBand = false;
    // contours
    std::optional<double> interval;
    std::vector<double> levels;
    std::optional<std::string> from;
};

// The options of the surface made from the surveys; false for one that is not.
bool TakeSurfaceOption(Args& a, const std::string& option, SurfaceArgs& s) {
    if (option == "--cell") {
        Once(s.cell, option);
        s.cell = TakeNumber(a, option);
    } else if (option == "--method") {
        Once(s.method, option);
        const std::string word = a.Take("a method after --method");
        s.method = surface::MethodByName(word);
        if (!s.method)
            throw UsageError("--method takes mean, median, shoalest, deepest, count, stddev, idw or tin, not \"" +
                             word + "\"");
    } else if (option == "--radius") {
        Once(s.radius, option);
        s.radius = TakeNumber(a, option);
    } else if (option == "--max-edge") {
        Once(s.maxEdge, option);
        s.maxEdge = TakeNumber(a, option);
    } else if (option == "--min-count") {
        Once(s.minCount, option);
        const std::string word = a.Take("N after --min-count");
        const auto n = ParseInteger(word, 1, INT32_MAX);
        if (!n) throw UsageError("--min-count takes a whole number of soundings from 1 up, not \"" + word + "\"");
        s.minCount = static_cast<int>(*n);
    } else if (option == "--extent") {
        Once(s.extent, option);
        surface::Extent e;
        e.xmin = TakeNumber(a, option);
        e.ymin = TakeNumber(a, option);
        e.xmax = TakeNumber(a, option);
        e.ymax = TakeNumber(a, option);
        s.extent = e;
    } else if (option == "--crs") {
        Once(s.crs, option);
        s.crs = a.Take("a coordinate system after --crs");
    } else if (option == "--also") {
        s.also.push_back(a.Take("SURVEY.son after --also"));
    } else {
        return false;
    }
    return true;
}

// Options that only some methods take.
void CheckMethodOptions(const SurfaceArgs& s, Method method) {
    if (s.radius && method != Method::Idw) throw UsageError("--radius is for --method idw");
    if (s.maxEdge && method != Method::Tin) throw UsageError("--max-edge is for --method tin");
    if (s.minCount && method == Method::Tin)
        throw UsageError("--min-count is for the binning methods and idw; a triangulated cell is empty "
                         "outside the triangles (see --max-edge)");
}

// The coordinate system --crs names, checked before any verb runs.
void CheckCrs(const SurfaceArgs& s) {
    if (!s.crs) return;
    surface::CoordinateSystem crs;
    std::string error;
    if (!surface::CrsFromDefinition(*s.crs, crs, error)) throw UsageError("--crs: " + error);
}

// The system the output is written in: the one --crs names (checked when the verb was
// read), or the surface's own.
surface::CoordinateSystem CrsToWrite(const SurfaceArgs& s, const surface::CoordinateSystem& own) {
    if (!s.crs) return own;
    surface::CoordinateSystem crs;
    std::string error;
    return surface::CrsFromDefinition(*s.crs, crs, error) ? crs : own;
}

// The soundings of the open survey and those --also names.
bool Gather(Context& c, const char* verb, const SurfaceArgs& s, surface::Soundings& out) {
    std::vector<std::unique_ptr<CVKDoc>> others;
    std::vector<const CVKDoc*> docs = {&c.doc};
    for (const std::string& path : s.also) {
        auto doc = std::make_unique<CVKDoc>();
        // Opening says why it failed.
        if (!OpenDocument(*doc, path, c.port)) return false;
        surface::CheckRecordedCrs(*doc, c.port);
        docs.push_back(doc.get());
        others.push_back(std::move(doc));
    }
    std::string error;
    if (!surface::CollectSoundings(docs, out, error, &c.port)) return Fail(c, std::string(verb) + ": " + error);
    return true;
}

surface::GridOptions OptionsOf(const SurfaceArgs& s) {
    surface::GridOptions o;
    o.method = s.method.value_or(surface::kDefaultMethod);
    o.cell = s.cell.value_or(0);
    o.extent = s.extent;
    o.minCount = s.minCount.value_or(1);
    o.radius = s.radius.value_or(0);
    o.maxEdge = s.maxEdge.value_or(0);
    o.countBand = s.countBand;
    o.stddevBand = s.stddevBand;
    return o;
}

// ---- grid ----

bool RunGrid(Context& c, const SurfaceArgs& s) {
    surface::Surface grid;
    {
        surface::Soundings soundings;
        if (!Gather(c, "grid", s, soundings)) return false;
        surface::GridOptions o = OptionsOf(s);
        // A BAG's uncertainty is the standard deviation of the soundings in each cell.
        if (surface::RasterFormatOf(s.path) == surface::RasterFormat::Bag) o.stddevBand = true;
        std::string error;
        if (!surface::MakeSurface(soundings, o, grid, error, &c.port)) return Fail(c, "grid: " + error);
    }
    grid.crs = CrsToWrite(s, surface::DocumentCrs(c.doc));
    std::string error;
    if (!surface::WriteSurface(grid, s.path, error, &c.port)) return Fail(c, "grid: " + error);
    return true;
}

Step ParseGrid(Args& a, const CommandInfo&) {
    SurfaceArgs s;
    s.path = a.Take("FILE");
    while (!a.AtEnd() && a.Peek().starts_with("--")) {
        const std::string option = a.Take("option");
        if (TakeSurfaceOption(a, option, s)) continue;
        if (option == "--bands") {
            const std::string word = a.Take("count, stddev or count,stddev after --bands");
            size_t start = 0;
            while (start <= word.size()) {
                const size_t comma = std::min(word.find(',', start), word.size());
                const std::string band = word.substr(start, comma - start);
                if (band == "count")
                    s.countBand = true;
                else if (band == "stddev")
                    s.stddevBand = true;
                else
                    throw UsageError("--bands takes count and stddev separated by a comma, not \"" + word + "\"");
                start = comma + 1;
            }
        } else {
            throw UsageError("unknown option " + option);
        }
    }
    const auto format = surface::RasterFormatOf(s.path);
    if (!format)
        throw UsageError("grid writes " + std::string(surface::kRasterExtensions) + " files; the name \"" + s.path +
                         "\" ends in none of them");
    if (!s.cell) throw UsageError("grid needs --cell M, the size of a cell in metres");
    if ((s.countBand || s.stddevBand) && *format != surface::RasterFormat::GeoTiff)
        throw UsageError("--bands is for GeoTIFF (.tif); a BAG always has the standard deviation as its uncertainty");
    CheckMethodOptions(s, s.method.value_or(surface::kDefaultMethod));
    CheckCrs(s);
    return [s](Context& c) { return RunGrid(c, s); };
}

// ---- contours ----

bool RunContours(Context& c, const SurfaceArgs& s) {
    surface::Surface grid;
    std::string error;
    if (s.from) {
        if (!surface::ReadSurface(*s.from, grid, error)) return Fail(c, "contours: " + error);
        grid.crs = CrsToWrite(s, grid.crs);
    } else {
        surface::Soundings soundings;
        if (!Gather(c, "contours", s, soundings)) return false;
        surface::GridOptions o = OptionsOf(s);
        if (!s.cell) {
            o.cell = surface::ContourCell(soundings, surface::MedianLineSpacing(soundings));
            if (!(o.cell > 0))
                return Fail(c, "contours: The soundings do not show how far apart the survey lines are (a single "
                               "line?), which gives the cell of the surface: give it (--cell), or a surface (--from).");
        }
        if (!surface::MakeSurface(soundings, o, grid, error, &c.port)) return Fail(c, "contours: " + error);
        grid.crs = CrsToWrite(s, surface::DocumentCrs(c.doc));
    }
    surface::ContourLevels levels;
    levels.interval = s.interval.value_or(0);
    levels.levels = s.levels;
    std::vector<surface::ContourLine> lines;
    if (!surface::MakeContours(grid, levels, lines, error, &c.port)) return Fail(c, "contours: " + error);
    const surface::CoordinateSystem crs = grid.crs;
    grid = surface::Surface{};
    if (!surface::WriteContours(lines, crs, s.path, error, &c.port)) return Fail(c, "contours: " + error);
    return true;
}

Step ParseContours(Args& a, const CommandInfo&) {
    SurfaceArgs s;
    s.path = a.Take("FILE");
    while (!a.AtEnd() && a.Peek().starts_with("--")) {
        const std::string option = a.Take("option");
        if (option == "--interval") {
            Once(s.interval, option);
            s.interval = TakeNumber(a, option);
        } else if (option == "--levels") {
            if (!s.levels.empty()) throw UsageError("--levels given twice");
            const std::string word = a.Take("L1,L2,... after --levels");
            size_t start = 0;
            while (start <= word.size()) {
                const size_t comma = std::min(word.find(',', start), word.size());
                const auto v = ParseReal(word.substr(start, comma - start));
                if (!v) throw UsageError("--levels takes levels in metres separated by commas, not \"" + word + "\"");
                s.levels.push_back(*v);
                start = comma + 1;
            }
        } else if (option == "--from") {
            Once(s.from, option);
            s.from = a.Take("SURFACE after --from");
        } else if (!TakeSurfaceOption(a, option, s)) {
            throw UsageError("unknown option " + option);
        }
    }
    if (!surface::ContourFormatOf(s.path))
        throw UsageError("contours writes " + std::string(surface::kContourExtensions) + " files; the name \"" +
                         s.path + "\" ends in none of them");
    if (s.interval.has_value() == !s.levels.empty())
        throw UsageError("contours needs either --interval M or --levels L1,L2,...");
    if (s.from && (s.cell || s.method || s.radius || s.maxEdge || s.minCount || s.extent || !s.also.empty()))
        throw UsageError("--from contours a surface already made: --cell, --method, --radius, --max-edge, "
                         "--min-count, --extent and --also make one from the surveys instead");
    CheckMethodOptions(s, s.method.value_or(surface::kDefaultMethod));
    CheckCrs(s);
    return [s](Context& c) { return RunContours(c, s); };
}

constexpr VerbParser kSurfaceParsers[] = {{"grid", ParseGrid}, {"contours", ParseContours}};

}  // namespace

std::span<const VerbParser> SurfaceParsers() { return kSurfaceParsers; }

}  // namespace aq::cli
