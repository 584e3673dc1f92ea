// SPDX-License-Identifier: GPL-3.0-or-later
// The only unit that includes CGAL: its templates are built here once.
#include "surface/tin.h"

#include <CGAL/Delaunay_triangulation_2.h>
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Triangulation_vertex_base_with_info_2.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <new>
#include <utility>
#include <vector>

#include "model/parallel.h"
#include "surface/buckets.h"

namespace aq::surface {

namespace {

using Kernel = CGAL::Exact_predicates_inexact_constructions_kernel;
using VertexBase = CGAL::Triangulation_vertex_base_with_info_2<uint32_t, Kernel>;
using Tds = CGAL::Triangulation_data_structure_2<VertexBase>;
using Delaunay = CGAL::Delaunay_triangulation_2<Kernel, Tds>;
using Point = Kernel::Point_2;

// A tile: cells [c0, c1) x [r0, r1), rows counted from the south.
struct Tile {
    int64_t c0, c1, r0, r1;
};

// Puts the level of every kept triangle at the centres of the tile's cells inside it.
void Rasterise(const Delaunay& dt, const Soundings& s, const GridGeometry& g, const Tile& t, double maxEdge,
               float* level) {
    const double l2 = maxEdge * maxEdge;
    const double inv = 1.0 / g.cell;
    for (const auto f : dt.finite_face_handles()) {
        const Point& a = f->vertex(0)->point();
        const Point& b = f->vertex(1)->point();
        const Point& c = f->vertex(2)->point();
        const double bx = b.x() - a.x(), by = b.y() - a.y();
        const double cx = c.x() - a.x(), cy = c.y() - a.y();
        const double ex = c.x() - b.x(), ey = c.y() - b.y();
        if (bx * bx + by * by > l2 || cx * cx + cy * cy > l2 || ex * ex + ey * ey > l2) continue;
        const double det = bx * cy - by * cx;  // twice the area; the faces turn anticlockwise
        if (!(det > 0)) continue;
        // The cells whose centres the triangle's box holds, within the tile.
        const double xmin = std::min({a.x(), b.x(), c.x()}), xmax = std::max({a.x(), b.x(), c.x()});
        const double ymin = std::min({a.y(), b.y(), c.y()}), ymax = std::max({a.y(), b.y(), c.y()});
        const int64_t col0 = std::max<int64_t>(t.c0, static_cast<int64_t>(std::ceil((xmin - g.x0) * inv - 0.5)));
        const int64_t col1 = std::min<int64_t>(t.c1 - 1, static_cast<int64_t>(std::floor((xmax - g.x0) * inv - 0.5)));
        const int64_t row0 = std::max<int64_t>(t.r0, static_cast<int64_t>(std::ceil((ymin - g.y0) * inv - 0.5)));
        const int64_t row1 = std::min<int64_t>(t.r1 - 1, static_cast<int64_t>(std::floor((ymax - g.y0) * inv - 0.5)));
        if (col0 > col1 || row0 > row1) continue;
        const double za = s.z[f->vertex(0)->info()];
        const double dzb = s.z[f->vertex(1)->info()] - za;
        const double dzc = s.z[f->vertex(2)->info()] - za;
        // A centre on an edge (within rounding) is inside both triangles of the edge,
        // which give it the same level: no cell falls between two triangles.
        constexpr double eps = 1e-9;
        for (int64_t row = row0; row <= row1; ++row) {
            const double dy = g.y0 + (static_cast<double>(row) + 0.5) * g.cell - a.y();
            float* out = level + static_cast<size_t>(g.ny - 1 - row) * static_cast<size_t>(g.nx);
            for (int64_t col = col0; col <= col1; ++col) {
                const double dx = g.x0 + (static_cast<double>(col) + 0.5) * g.cell - a.x();
                const double wb = (dx * cy - dy * cx) / det;
                const double wc = (bx * dy - by * dx) / det;
                if (wb < -eps || wc < -eps || wb + wc > 1 + eps) continue;
                out[col] = static_cast<float>(za + wb * dzb + wc * dzc);
            }
        }
    }
}

}  // namespace

bool TinSoundings(const Soundings& s, const GridGeometry& g, double maxEdge, float* level, std::string& error,
                  UserPort* progress, size_t tilePoints) {
    if (!(maxEdge > 0) || !std::isfinite(maxEdge)) {
        error = "The longest edge of the triangles must be a length above 0 m.";
        return false;
    }
    Phase phase(progress, "Triangulating Soundings");
    const size_t n = s.size();
    // Soundings as far as this outside a tile may make its triangles.
    const double margin = 2 * maxEdge + g.cell;
    const int64_t cellsAcross = std::max(g.nx, g.ny);
    int64_t side = cellsAcross;  // of a tile, in cells
    if (n > tilePoints) {
        const double perCell = static_cast<double>(n) / static_cast<double>(g.Cells());
        const auto dense = static_cast<int64_t>(std::sqrt(static_cast<double>(tilePoints) / perCell));
        const auto wide = static_cast<int64_t>(std::ceil(8 * margin / g.cell));
        side = std::min(cellsAcross, std::max({dense, wide, int64_t{16}}));
    }
    const int64_t tx = (g.nx + side - 1) / side, ty = (g.ny + side - 1) / side;
    const double size = static_cast<double>(side) * g.cell;
    // One bucket a tile, with rings of buckets around the grid for the margin, as far as
    // there are soundings out there.
    double reach = 0;
    if (n > 0) {
        const auto [xlo, xhi] = std::minmax_element(s.x.begin(), s.x.end());
        const auto [ylo, yhi] = std::minmax_element(s.y.begin(), s.y.end());
        reach = std::max({g.x0 - *xlo, *xhi - (g.x0 + static_cast<double>(g.nx) * g.cell), g.y0 - *ylo,
                          *yhi - (g.y0 + static_cast<double>(g.ny) * g.cell), 0.0});
    }
    const auto ring = static_cast<int64_t>(std::ceil(margin / size));  // tiles a tile's margin reaches
    const auto outside = static_cast<int64_t>(std::ceil(std::min(margin, reach) / size));
    try {
        const Buckets buckets(s.x, s.y, g.x0 - static_cast<double>(outside) * size,
                              g.y0 - static_cast<double>(outside) * size, size, static_cast<int>(tx + 2 * outside),
                              static_cast<int>(ty + 2 * outside));
        const size_t tiles = static_cast<size_t>(tx * ty);
        std::vector<std::vector<std::pair<Point, uint32_t>>> points(2);
        std::atomic<bool> failed{false};
        ParallelSettings settings;
        settings.minimum = 2;
        settings.slices = std::min<size_t>(tiles, 32);
        settings.sliceMinimum = 2;
        ParallelFor(
            tiles, settings,
            [&](unsigned part, size_t b, size_t e) {
                std::vector<std::pair<Point, uint32_t>>& pts = points[std::min<unsigned>(part, 1)];
                for (size_t k = b; k < e && !failed.load(); ++k) {
                    const auto a = static_cast<int64_t>(k) % tx, r = static_cast<int64_t>(k) / tx;
                    Tile tile{a * side, std::min(g.nx, (a + 1) * side), r * side, std::min(g.ny, (r + 1) * side)};
                    const double xlo = g.x0 + static_cast<double>(tile.c0) * g.cell - margin;
                    const double xhi = g.x0 + static_cast<double>(tile.c1) * g.cell + margin;
                    const double ylo = g.y0 + static_cast<double>(tile.r0) * g.cell - margin;
                    const double yhi = g.y0 + static_cast<double>(tile.r1) * g.cell + margin;
                    try {
                        pts.clear();
                        const int64_t br0 = std::max<int64_t>(0, r + outside - ring);
                        const int64_t br1 = std::min<int64_t>(buckets.Ny() - 1, r + outside + ring);
                        const int64_t bc0 = std::max<int64_t>(0, a + outside - ring);
                        const int64_t bc1 = std::min<int64_t>(buckets.Nx() - 1, a + outside + ring);
                        for (int64_t br = br0; br <= br1; ++br)
                            for (int64_t bc = bc0; bc <= bc1; ++bc)
                                for (const uint32_t i : buckets.In(bc, br))
                                    if (s.x[i] >= xlo && s.x[i] <= xhi && s.y[i] >= ylo && s.y[i] <= yhi)
                                        pts.emplace_back(Point(s.x[i], s.y[i]), i);
                        if (pts.size() < 3) continue;
                        Delaunay dt;
                        dt.insert(pts.begin(), pts.end());
                        Rasterise(dt, s, g, tile, maxEdge, level);
                    } catch (const std::bad_alloc&) {
                        failed.store(true);
                    }
                }
            },
            [&](size_t done) { phase.At(done, tiles); });
        if (failed.load()) throw std::bad_alloc();
    } catch (const std::bad_alloc&) {
        error = "Not enough memory to triangulate " + std::to_string(n) + " soundings.";
        return false;
    }
    return true;
}

}  // namespace aq::surface
