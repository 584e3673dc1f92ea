// SPDX-License-Identifier: GPL-3.0-or-later
// The triangulated surface and the tiles of the triangulation; the triangulation itself
// (CGAL) is in volumetin.cpp, the one unit that includes CGAL's triangulations.
#include "surface/tin.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <vector>

#include "surface/surface.h"

namespace aq::surface {

namespace {

// Puts the level of each triangle at the centres of the tile's cells inside it.
void Rasterise(const Soundings& s, const GridGeometry& g, const TinTile& t, const uint32_t* corners, size_t count,
               float* level) {
    const double inv = 1.0 / g.cell;
    for (size_t k = 0; k < count; ++k) {
        const uint32_t ia = corners[3 * k], ib = corners[3 * k + 1], ic = corners[3 * k + 2];
        const double ax = s.x[ia], ay = s.y[ia];
        const double bx = s.x[ib] - ax, by = s.y[ib] - ay;
        const double cx = s.x[ic] - ax, cy = s.y[ic] - ay;
        const double det = bx * cy - by * cx;  // twice the area; the corners turn anticlockwise
        // The cells whose centres the triangle's box holds, within the tile.
        const double xmin = ax + std::min({0.0, bx, cx}), xmax = ax + std::max({0.0, bx, cx});
        const double ymin = ay + std::min({0.0, by, cy}), ymax = ay + std::max({0.0, by, cy});
        const int64_t col0 = std::max<int64_t>(t.c0, static_cast<int64_t>(std::ceil((xmin - g.x0) * inv - 0.5)));
        const int64_t col1 = std::min<int64_t>(t.c1 - 1, static_cast<int64_t>(std::floor((xmax - g.x0) * inv - 0.5)));
        if (col0 > col1) continue;
        const int64_t row0 = std::max<int64_t>(t.r0, static_cast<int64_t>(std::ceil((ymin - g.y0) * inv - 0.5)));
        const int64_t row1 = std::min<int64_t>(t.r1 - 1, static_cast<int64_t>(std::floor((ymax - g.y0) * inv - 0.5)));
        if (row0 > row1) continue;
        const double za = s.z[ia];
        const double dzb = s.z[ib] - za;
        const double dzc = s.z[ic] - za;
        // A centre on an edge (within rounding) is inside both triangles of the edge,
        // which give it the same level: no cell falls between two triangles.
        constexpr double eps = 1e-9;
        for (int64_t row = row0; row <= row1; ++row) {
            const double dy = g.y0 + (static_cast<double>(row) + 0.5) * g.cell - ay;
            float* out = level + static_cast<size_t>(g.ny - 1 - row) * static_cast<size_t>(g.nx);
            for (int64_t col = col0; col <= col1; ++col) {
                const double dx = g.x0 + (static_cast<double>(col) + 0.5) * g.cell - ax;
                const double wb = (dx * cy - dy * cx) / det;
                const double wc = (bx * dy - by * dx) / det;
                if (wb < -eps || wc < -eps || wb + wc > 1 + eps) continue;
                out[col] = static_cast<float>(za + wb * dzb + wc * dzc);
            }
        }
    }
}

}  // namespace

bool TinTile::Owns(const uint32_t* c, double ax, double ay, double bx, double by, double cx, double cy) const {
    // The corners from the lowest index on, turning as they do: one order however the
    // triangle was found, so that its centroid rounds alike in every tile.
    const double px[3] = {ax, bx, cx}, py[3] = {ay, by, cy};
    const int first = c[0] < c[1] ? (c[0] < c[2] ? 0 : 2) : (c[1] < c[2] ? 1 : 2);
    const int second = (first + 1) % 3, third = (first + 2) % 3;
    const double gx = (px[first] + px[second] + px[third]) / 3, gy = (py[first] + py[second] + py[third]) / 3;
    return gx >= x0 && gx < x1 && gy >= y0 && gy < y1;
}

TinTiles PlanTinTiles(const Soundings& s, const GridGeometry& g, double maxEdge, size_t tilePoints) {
    TinTiles t;
    t.g = g;
    t.margin = 2 * maxEdge + g.cell;
    const size_t n = s.size();
    if (tilePoints == 0) tilePoints = TinTilePoints(n);
    const int64_t nx = std::max<int64_t>(g.nx, 1), ny = std::max<int64_t>(g.ny, 1);
    int64_t side = std::max(nx, ny);
    if (n > tilePoints && g.Cells() > 0) {
        const double perCell = static_cast<double>(n) / static_cast<double>(g.Cells());
        const auto dense = static_cast<int64_t>(std::sqrt(static_cast<double>(tilePoints) / perCell));
        const auto wide = static_cast<int64_t>(std::ceil(8 * t.margin / g.cell));
        side = std::min(side, std::max({dense, wide, int64_t{16}}));
    }
    // As many tiles as that side takes each way, sharing the grid evenly.
    t.tx = (nx + side - 1) / side;
    t.ty = (ny + side - 1) / side;
    t.sideX = (nx + t.tx - 1) / t.tx;
    t.sideY = (ny + t.ty - 1) / t.ty;
    return t;
}

bool TinSoundings(const Soundings& s, const GridGeometry& g, double maxEdge, float* level, std::string& error,
                  UserPort* progress, size_t tilePoints, const TriangleBatch* owned, unsigned threads) {
    if (!(maxEdge > 0) || !std::isfinite(maxEdge)) {
        error = "The longest edge of the triangles must be a length above 0 m.";
        return false;
    }
    TinTiles tiles = PlanTinTiles(s, g, maxEdge, tilePoints);
    tiles.threads = threads;
    return TriangulateTiles(
        s, tiles, maxEdge,
        [&](unsigned part, const TinTile& tile, const uint32_t* corners, size_t ownedCount, size_t count) {
            Rasterise(s, g, tile, corners, count, level);
            if (owned) (*owned)(part, tile.index, corners, ownedCount);
        },
        error, progress, "Triangulating Soundings");
}

}  // namespace aq::surface
