// SPDX-License-Identifier: GPL-3.0-or-later
#include "surface/grid.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cmath>
#include <limits>
#include <new>
#include <span>
#include <vector>

#include "model/parallel.h"
#include "model/platform.h"
#include "surface/buckets.h"
#include "surface/tin.h"

namespace aq::surface {

namespace {

constexpr float kEmpty = std::numeric_limits<float>::quiet_NaN();

// A sounding within a millionth of a cell of an edge is on it: cell sizes such as 0.1 m
// are not exact in binary, and the edge between two cells must not depend on rounding.
constexpr double kEdge = 1e-6;

struct MethodInfo {
    Method method;
    const char* name;
};
constexpr MethodInfo kMethods[] = {
    {Method::Mean, "mean"},   {Method::Median, "median"}, {Method::Shoalest, "shoalest"}, {Method::Deepest, "deepest"},
    {Method::Count, "count"}, {Method::StdDev, "stddev"}, {Method::Idw, "idw"},           {Method::Tin, "tin"},
};

std::string Metres(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

// Column and row (from the north) of a plane point; false outside the grid.
inline bool Locate(const GridGeometry& g, double inv, double px, double py, int64_t& col, int64_t& row) {
    const double fx = std::floor((px - g.x0) * inv + kEdge);
    const double fy = std::floor((py - g.y0) * inv + kEdge);
    if (!(fx >= 0 && fy >= 0 && fx < static_cast<double>(g.nx) && fy < static_cast<double>(g.ny))) return false;
    col = static_cast<int64_t>(fx);
    row = g.ny - 1 - static_cast<int64_t>(fy);
    return true;
}

// Runs f(i, cell) for every sounding inside the grid, on two threads for a large
// survey: each takes the rows of its half and passes over the soundings of the other,
// so no two threads ever touch one cell.
template <class F>
void ForEachInCell(const Soundings& s, const GridGeometry& g, F&& f) {
    const double inv = 1.0 / g.cell;
    const size_t n = s.size();
    ParallelSettings settings;
    settings.minimum = n >= (size_t{1} << 16) ? 2 : std::numeric_limits<size_t>::max();
    ParallelFor(static_cast<size_t>(g.ny), settings, [&](unsigned, size_t rb, size_t re) {
        const auto lo = static_cast<int64_t>(rb), hi = static_cast<int64_t>(re);
        for (size_t i = 0; i < n; ++i) {
            int64_t col, row;
            if (!Locate(g, inv, s.x[i], s.y[i], col, row) || row < lo || row >= hi) continue;
            f(i, static_cast<size_t>(row * g.nx + col));
        }
    });
}

// Runs f(begin, end) over ranges of cells on two threads, `slices` times reporting.
template <class F>
void ForCells(uint64_t cells, Phase& phase, uint64_t done, uint64_t total, F&& f) {
    ParallelSettings settings;
    settings.minimum = size_t{1} << 16;
    settings.slices = 8;
    settings.sliceMinimum = size_t{1} << 20;
    ParallelFor(
        static_cast<size_t>(cells), settings, [&](unsigned, size_t b, size_t e) { f(b, e); },
        [&](size_t d) { phase.At(done + d, total); });
}

}  // namespace

const char* MethodName(Method m) {
    for (const MethodInfo& info : kMethods)
        if (info.method == m) return info.name;
    return "?";
}

std::optional<Method> MethodByName(std::string_view name) {
    for (const MethodInfo& info : kMethods)
        if (name == info.name) return info.method;
    return std::nullopt;
}

bool IsBinning(Method m) { return m != Method::Idw && m != Method::Tin; }

bool GridGeometry::CellOf(double px, double py, size_t& index) const {
    int64_t col, row;
    if (!Locate(*this, 1.0 / cell, px, py, col, row)) return false;
    index = static_cast<size_t>(row * nx + col);
    return true;
}

bool PlanGrid(const Soundings& s, const GridOptions& o, GridGeometry& g, std::string& error) {
    if (!(o.cell > 0) || !std::isfinite(o.cell)) {
        error = "The cell size must be a length above 0 m, not " + Metres(o.cell) + ".";
        return false;
    }
    g = GridGeometry{};
    g.cell = o.cell;
    double nx = 0, ny = 0;
    if (o.extent) {
        const Extent& e = *o.extent;
        if (!(e.xmax > e.xmin && e.ymax > e.ymin) || !std::isfinite(e.xmax - e.xmin) || !std::isfinite(e.ymax - e.ymin)) {
            error = "The extent " + Metres(e.xmin) + " " + Metres(e.ymin) + " " + Metres(e.xmax) + " " +
                    Metres(e.ymax) + " is empty: it needs XMIN < XMAX and YMIN < YMAX.";
            return false;
        }
        g.x0 = s.plane.PlaneX(e.xmin);
        g.y0 = s.plane.PlaneY(e.ymin);
        nx = std::max(1.0, std::ceil((s.plane.PlaneX(e.xmax) - g.x0) / o.cell - kEdge));
        ny = std::max(1.0, std::ceil((s.plane.PlaneY(e.ymax) - g.y0) / o.cell - kEdge));
    } else {
        if (s.empty()) {
            error = "There are no soundings to make a surface of.";
            return false;
        }
        const auto [xlo, xhi] = std::minmax_element(s.x.begin(), s.x.end());
        const auto [ylo, yhi] = std::minmax_element(s.y.begin(), s.y.end());
        g.x0 = std::floor(*xlo / o.cell + kEdge) * o.cell;
        g.y0 = std::floor(*ylo / o.cell + kEdge) * o.cell;
        nx = std::floor((*xhi - g.x0) / o.cell + kEdge) + 1;
        ny = std::floor((*yhi - g.y0) / o.cell + kEdge) + 1;
    }
    if (!(nx <= INT_MAX && ny <= INT_MAX && nx * ny <= 9.0e18)) {
        error = "A grid of " + Metres(nx) + " x " + Metres(ny) + " cells of " + Metres(o.cell) +
                " m is larger than a raster can be: choose a larger cell or a smaller extent.";
        return false;
    }
    g.nx = static_cast<int64_t>(nx);
    g.ny = static_cast<int64_t>(ny);
    if (o.extent) {
        size_t index;
        bool any = false;
        for (size_t i = 0; i < s.size() && !any; ++i) any = g.CellOf(s.x[i], s.y[i], index);
        if (!any) {
            error = "No sounding lies in the extent " + Metres(o.extent->xmin) + " " + Metres(o.extent->ymin) + " " +
                    Metres(o.extent->xmax) + " " + Metres(o.extent->ymax) + ".";
            return false;
        }
    }
    return true;
}

uint64_t MemoryNeeded(const GridGeometry& g, const GridOptions& o, size_t soundings) {
    const uint64_t cells = g.Cells();
    const uint64_t n = soundings;
    // The surface itself.
    uint64_t bytes = cells * 4 + (o.countBand ? cells * 4 : 0) + (o.stddevBand ? cells * 4 : 0);
    // The binning's lists: a count and an end a cell, a level a sounding.
    const uint64_t lists = cells * 8 + n * 4;
    switch (o.method) {
        case Method::Idw:
            // The buckets are at least a cell wide.
            bytes += std::max(cells * 4 + n * 4, (o.countBand || o.stddevBand) ? lists : 0);
            break;
        case Method::Tin: {
            // The tiles' buckets and two tiles' triangulations at a time (about 230 bytes a
            // vertex with its faces, its sorting and its triangles handed on; margins
            // counted generously).
            const uint64_t tile = std::min<uint64_t>(n, TinTilePoints(static_cast<size_t>(n)));
            bytes += std::max(n * 4 + 2 * tile * 2 * 230, (o.countBand || o.stddevBand) ? lists : 0);
            break;
        }
        default: bytes += lists; break;
    }
    return bytes;
}

bool BinSoundings(const Soundings& s, const GridGeometry& g, Method m, int minCount, const BinOutputs& out,
                  std::string& error, UserPort* progress) {
    const uint64_t cells = g.Cells();
    Phase phase(progress, "Gridding Soundings");
    const uint64_t total = cells * 3;
    try {
        // Each cell's soundings together: a count a cell, then where its list ends, then
        // the levels put in place; the cells are then done one by one.
        std::vector<uint32_t> ownCount;
        uint32_t* count = out.count;
        if (!count) {
            ownCount.assign(cells, 0);
            count = ownCount.data();
        } else {
            std::fill(count, count + cells, 0u);
        }
        ForEachInCell(s, g, [&](size_t, size_t c) { ++count[c]; });
        phase.At(cells, total);
        std::vector<uint32_t> end(cells);
        uint32_t at = 0;
        for (uint64_t c = 0; c < cells; ++c) {
            end[c] = at;
            at += count[c];
        }
        std::vector<float> levels(at);
        // `end` is each list's start until its levels are in; then its end.
        ForEachInCell(s, g, [&](size_t i, size_t c) { levels[end[c]++] = s.z[i]; });
        phase.At(cells * 2, total);

        const auto minimum = static_cast<uint32_t>(std::max(1, minCount));
        ForCells(cells, phase, cells * 2, total, [&](size_t b, size_t e) {
            for (size_t c = b; c < e; ++c) {
                const uint32_t n = count[c];
                const std::span<float> v(levels.data() + (end[c] - n), n);
                const bool empty = n < minimum;
                double mean = 0;
                if (!empty && (out.stddev || m == Method::Mean || m == Method::StdDev)) {
                    double sum = 0;
                    for (const float z : v) sum += z;
                    mean = sum / n;
                }
                float sd = kEmpty;
                if (!empty && (out.stddev || m == Method::StdDev)) {
                    double ss = 0;
                    for (const float z : v) ss += (z - mean) * (z - mean);
                    sd = static_cast<float>(std::sqrt(ss / n));
                }
                if (out.stddev) out.stddev[c] = sd;
                if (!out.level) continue;
                float level = kEmpty;
                if (!empty) {
                    switch (m) {
                        case Method::Mean: level = static_cast<float>(mean); break;
                        case Method::Median: {
                            const auto mid = v.begin() + n / 2;
                            std::nth_element(v.begin(), mid, v.end());
                            level = *mid;
                            // Of an even count, the mean of the middle two.
                            if (n % 2 == 0)
                                level = static_cast<float>((static_cast<double>(*std::max_element(v.begin(), mid)) + *mid) / 2);
                            break;
                        }
                        case Method::Shoalest: level = *std::max_element(v.begin(), v.end()); break;
                        case Method::Deepest: level = *std::min_element(v.begin(), v.end()); break;
                        case Method::Count: level = static_cast<float>(n); break;
                        case Method::StdDev: level = sd; break;
                        case Method::Idw:
                        case Method::Tin: break;
                    }
                }
                out.level[c] = level;
            }
        });
    } catch (const std::bad_alloc&) {
        error = "Not enough memory to bin " + std::to_string(s.size()) + " soundings into " + std::to_string(cells) +
                " cells.";
        return false;
    }
    return true;
}

bool IdwSoundings(const Soundings& s, const GridGeometry& g, double radius, int minCount, float* level,
                  std::string& error, UserPort* progress) {
    if (!(radius > 0) || !std::isfinite(radius)) {
        error = "The search radius must be a length above 0 m, not " + Metres(radius) + ".";
        return false;
    }
    const uint64_t cells = g.Cells();
    Phase phase(progress, "Gridding Soundings");
    try {
        // Buckets at least a cell and a radius wide around the grid: a centre's soundings
        // are in the 3 x 3 buckets around it, or a few more for a radius of many cells.
        const double size = std::max(radius, g.cell);
        const double width = static_cast<double>(g.nx) * g.cell + 2 * radius;
        const double height = static_cast<double>(g.ny) * g.cell + 2 * radius;
        const Buckets buckets(s.x, s.y, g.x0 - radius, g.y0 - radius, size, static_cast<int>(std::ceil(width / size)) + 1,
                              static_cast<int>(std::ceil(height / size)) + 1);
        const double r2 = radius * radius;
        const auto minimum = static_cast<uint64_t>(std::max(1, minCount));
        ParallelSettings settings;
        settings.minimum = 2;
        settings.slices = 16;
        settings.sliceMinimum = 64;
        ParallelFor(
            static_cast<size_t>(g.ny), settings,
            [&](unsigned, size_t rb, size_t re) {
                for (size_t row = rb; row < re; ++row) {
                    const double cy = g.CentreY(static_cast<int64_t>(row));
                    const int64_t br0 = buckets.Row(cy - radius), br1 = buckets.Row(cy + radius);
                    float* out = level + row * static_cast<size_t>(g.nx);
                    for (int64_t col = 0; col < g.nx; ++col) {
                        const double cx = g.CentreX(col);
                        const int64_t bc0 = buckets.Column(cx - radius), bc1 = buckets.Column(cx + radius);
                        double sw = 0, swz = 0;
                        uint64_t n = 0;
                        bool exact = false;
                        float at = 0;
                        for (int64_t br = br0; br <= br1; ++br)
                            for (int64_t bc = bc0; bc <= bc1; ++bc)
                                for (const uint32_t i : buckets.In(bc, br)) {
                                    const double dx = s.x[i] - cx, dy = s.y[i] - cy;
                                    const double d2 = dx * dx + dy * dy;
                                    if (d2 > r2) continue;
                                    ++n;
                                    // A sounding at the centre is its level (no division by 0).
                                    if (d2 < 1e-13) {
                                        if (!exact) at = s.z[i];
                                        exact = true;
                                        continue;
                                    }
                                    sw += 1.0 / d2;
                                    swz += s.z[i] / d2;
                                }
                        out[col] = n < minimum ? kEmpty : exact ? at : static_cast<float>(swz / sw);
                    }
                }
            },
            [&](size_t done) { phase.At(done, static_cast<uint64_t>(g.ny)); });
    } catch (const std::bad_alloc&) {
        error = "Not enough memory to weight " + std::to_string(s.size()) + " soundings into " + std::to_string(cells) +
                " cells.";
        return false;
    }
    return true;
}

double ContourCell(const Soundings& s, double lineSpacing) {
    if (!(lineSpacing > 0) || s.empty()) return 0;
    const double wanted = lineSpacing / 5;
    double power = std::pow(10.0, std::floor(std::log10(wanted)));
    const double m = wanted / power;
    int step = m >= 5 ? 5 : m >= 2 ? 2 : 1;
    const auto [xlo, xhi] = std::minmax_element(s.x.begin(), s.x.end());
    const auto [ylo, yhi] = std::minmax_element(s.y.begin(), s.y.end());
    for (;;) {
        const double cell = step * power;
        const double cells = (std::floor((*xhi - *xlo) / cell) + 2) * (std::floor((*yhi - *ylo) / cell) + 2);
        if (cells <= 16.0e6) return cell;
        if (step == 5) {
            step = 1;
            power *= 10;
        } else {
            step = step == 1 ? 2 : 5;
        }
    }
}

bool MakeSurface(const Soundings& s, const GridOptions& o, Surface& out, std::string& error, UserPort* progress) {
    GridGeometry g;
    if (!PlanGrid(s, o, g, error)) return false;
    if (IsBinning(o.method) || o.method == Method::Idw) {
        if (o.minCount < 1) {
            error = "The least number of soundings a cell needs must be 1 or more, not " + std::to_string(o.minCount) + ".";
            return false;
        }
    }
    const double radius = o.radius > 0 ? o.radius : 2 * o.cell;
    if (o.method == Method::Idw && (o.radius < 0 || !std::isfinite(o.radius))) {
        error = "The search radius must be a length above 0 m, not " + Metres(o.radius) + ".";
        return false;
    }
    const uint64_t need = MemoryNeeded(g, o, s.size());
    const uint64_t have = platform::PhysicalMemoryBytes();
    if (have > 0 && need > have / 4 * 3) {
        error = "A grid of " + std::to_string(g.nx) + " x " + std::to_string(g.ny) + " cells of " + Metres(o.cell) +
                " m would need about " + std::to_string((need >> 20) + 1) + " MB of memory, more than this machine "
                "has to give (" + std::to_string(have >> 20) + " MB): choose a larger cell or a smaller extent.";
        return false;
    }
    double maxEdge = o.maxEdge;
    if (o.method == Method::Tin) {
        if (maxEdge < 0 || !std::isfinite(maxEdge)) {
            error = "The longest edge must be a length above 0 m, not " + Metres(maxEdge) + ".";
            return false;
        }
        if (maxEdge == 0) {
            const double spacing = MedianLineSpacing(s);
            if (!(spacing > 0)) {
                error = "The soundings do not show how far apart the survey lines are (a single line?), which "
                        "gives the longest edge of the triangles: give it (--max-edge).";
                return false;
            }
            maxEdge = 3 * spacing;
        }
    }
    out = Surface{};
    out.west = s.plane.SurveyX(g.x0);
    out.north = s.plane.SurveyY(g.y0 + static_cast<double>(g.ny) * g.cell);
    out.cellX = g.cell / s.plane.kx;
    out.cellY = g.cell / s.plane.ky;
    out.nx = static_cast<int>(g.nx);
    out.ny = static_cast<int>(g.ny);
    try {
        const size_t cells = g.Cells();
        out.elevation.assign(cells, kEmpty);
        if (o.countBand) out.count.resize(cells);
        if (o.stddevBand) out.stddev.resize(cells);
    } catch (const std::bad_alloc&) {
        out = Surface{};
        error = "Not enough memory for a grid of " + std::to_string(g.nx) + " x " + std::to_string(g.ny) + " cells.";
        return false;
    }
    BinOutputs bins;
    bins.count = o.countBand ? out.count.data() : nullptr;
    bins.stddev = o.stddevBand ? out.stddev.data() : nullptr;
    bool ok = true;
    if (IsBinning(o.method)) {
        bins.level = out.elevation.data();
        ok = BinSoundings(s, g, o.method, o.minCount, bins, error, progress);
    } else {
        if (bins.count || bins.stddev) ok = BinSoundings(s, g, Method::Count, o.minCount, bins, error, progress);
        if (ok && o.method == Method::Idw)
            ok = IdwSoundings(s, g, radius, o.minCount, out.elevation.data(), error, progress);
        if (ok && o.method == Method::Tin) ok = TinSoundings(s, g, maxEdge, out.elevation.data(), error, progress);
    }
    if (!ok) out = Surface{};
    return ok;
}

}  // namespace aq::surface
