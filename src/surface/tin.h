// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "model/parallel.h"
#include "surface/grid.h"
#include "surface/soundings.h"

namespace aq::surface {

// The triangulated surface: the Delaunay triangulation of the soundings (CGAL), and in
// each triangle whose edges are all at most `maxEdge` metres long the level linear
// between its corners, at every cell centre inside it (on an edge: either triangle's,
// which agree there). Cells in no such triangle are left as they are, so gaps between
// lines wider than the longest edge are not bridged. Where soundings share a position
// the triangulation keeps the first of them.
//
// A large survey is triangulated a tile at a time, two tiles at once, each with the
// soundings of a margin of twice the longest edge around it: a triangle of the whole
// survey's triangulation that is kept over a tile's cells has its corners within one
// edge of them, so the tile's triangulation has it too. Memory stays at two tiles'
// triangulations however large the survey.
//
// Soundings a tile is sized to hold at least (a triangulation takes some 180 bytes a
// sounding); a survey of no more is triangulated whole.
inline constexpr size_t kTinTilePoints = size_t{1} << 17;
// ... and at most: larger surveys take larger tiles, a forty-eighth of the survey (two
// tiles' triangulations and what goes with them then take some 12 bytes a sounding of the
// survey), so that the margins, triangulated twice, are a smaller share of the work.
inline constexpr size_t kTinTilePointsMost = size_t{1} << 19;

// The soundings a tile of a survey of n soundings is sized for.
inline size_t TinTilePoints(size_t n) { return std::clamp(n / 48, kTinTilePoints, kTinTilePointsMost); }

// Gets a batch of triangles: `count` triples of corners (indices into the soundings),
// each anticlockwise, from part 0 or 1 (the thread it runs on: two parts never share a
// batch's memory). Each tile of the triangulation gives one batch at most, `tile` its
// number: the tiles come in no fixed order, so what is summed over batches is summed in
// the order of their tiles to come out the same every time.
using TriangleBatch = CallRef<void(unsigned part, size_t tile, const uint32_t* corners, size_t count)>;

// `level` has g's cells, rows from the north. False with the reason when the
// triangulation could not be made (not enough memory). `tilePoints` is for the tests (0:
// the size the survey's takes). `owned`, when given, is handed every kept triangle of the
// whole triangulation once, as ForEachTriangle would be, from the same triangulations:
// the volumes measure their prisms and make their grid in one pass.
// `threads` (1 or 2) is for the tests too.
bool TinSoundings(const Soundings& s, const GridGeometry& g, double maxEdge, float* level, std::string& error,
                  UserPort* progress = nullptr, size_t tilePoints = 0, const TriangleBatch* owned = nullptr,
                  unsigned threads = 2);

// ---- the tiles (volumetin.cpp holds the triangulation itself) ----

// Squares of cells of a grid in which the soundings are triangulated, each with the
// soundings of a margin around it.
struct TinTiles {
    GridGeometry g;        // the tiles cover its cells; their edges are its cell edges
    int64_t sideX = 1, sideY = 1;  // cells across a tile, east and north
    int64_t tx = 1, ty = 1;
    double margin = 0;     // metres
    unsigned threads = 2;  // triangulating at once
};

// One tile: cells [c0, c1) x [r0, r1) of the grid, rows from the south, and the area it
// owns the triangles of (by their centroid): its cells', reaching on to infinity at the
// grid's edges, so that each triangle has one owner.
struct TinTile {
    size_t index = 0;  // row by row from the south-west
    int64_t c0 = 0, c1 = 0, r0 = 0, r1 = 0;
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    // Whether a triangle (its corners' indices and positions, in any order) is this
    // tile's: its centroid, taken from its corners in one order whichever the tile found
    // it in, lies in the area.
    bool Owns(const uint32_t* corners, double ax, double ay, double bx, double by, double cx, double cy) const;
};

// The tiles for the soundings over the grid: of about `tilePoints` soundings (0: as many
// as the survey's size takes, between kTinTilePoints and kTinTilePointsMost), and wide
// beside their margin of twice the longest edge and a cell; as nearly square as the grid
// divides evenly into (no sliver of a tile at its edge, with a whole margin round it).
TinTiles PlanTinTiles(const Soundings& s, const GridGeometry& g, double maxEdge, size_t tilePoints);

// Gets the kept triangles of a tile's triangulation (edges at most the longest edge,
// anticlockwise), all of them: the `owned` the tile owns first, then those of its margin.
// From part 0 or 1.
using TileTriangles =
    CallRef<void(unsigned part, const TinTile& tile, const uint32_t* corners, size_t owned, size_t count)>;

// Triangulates the tiles, two at once, each a Delaunay triangulation (CGAL) of the
// soundings within its margin, and hands each tile's kept triangles to `work`. The
// tiles are taken largest first, each thread taking the next when it is done with one.
// False with the reason (not enough memory).
bool TriangulateTiles(const Soundings& s, const TinTiles& tiles, double maxEdge, TileTriangles work,
                      std::string& error, UserPort* progress, const char* phase);

}  // namespace aq::surface
