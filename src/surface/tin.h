// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "surface/grid.h"
#include "surface/soundings.h"

namespace aq::surface {

// The triangulated surface: the Delaunay triangulation of the soundings (CGAL), and in
// each triangle whose edges are all at most `maxEdge` metres long the level linear
// between its corners, at every cell centre inside it (on an edge: either triangle's,
// which agree there). Cells in no such triangle are left as they are, so gaps between
// lines wider than the longest edge are not bridged. Where soundings share a position
// the triangulation keeps one of them.
//
// A large survey is triangulated a tile at a time, two tiles at once, each with the
// soundings of a margin of twice the longest edge around it: a triangle of the whole
// survey's triangulation that is kept over a tile's cells has its corners within one
// edge of them, so the tile's triangulation has it too. Memory stays at two tiles'
// triangulations however large the survey.
//
// Soundings a tile is sized to hold (a triangulation takes some 180 bytes a sounding);
// a survey of no more is triangulated whole.
inline constexpr size_t kTinTilePoints = size_t{1} << 17;

// `level` has g's cells, rows from the north. False with the reason when the
// triangulation could not be made (not enough memory). `tilePoints` is for the tests.
bool TinSoundings(const Soundings& s, const GridGeometry& g, double maxEdge, float* level, std::string& error,
                  UserPort* progress = nullptr, size_t tilePoints = kTinTilePoints);

}  // namespace aq::surface
