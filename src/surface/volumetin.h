// SPDX-License-Identifier: GPL-3.0-or-later
// The triangulations of the volumes, made with CGAL in volumetin.cpp alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/parallel.h"
#include "surface/soundings.h"
#include "surface/tin.h"

namespace aq::surface {

// Every triangle of the Delaunay triangulation of the soundings whose edges are all at
// most `maxEdge` metres long, once. A large survey is triangulated a tile at a time, two
// at once, each with the soundings of a margin of twice the longest edge around it (as
// the triangulated surface is); a triangle belongs to the tile its centroid lies in.
// `tilePoints` 0 takes the surface's own tile size. `within`, when given (x0 y0 x1 y1),
// is a box outside which no triangle is wanted: those wholly outside it may be left out.
// False with the reason (not enough memory).
bool ForEachTriangle(const Soundings& s, double maxEdge, size_t tilePoints, TriangleBatch batch, std::string& error,
                     UserPort* progress, const char* phase, const double* within = nullptr, unsigned threads = 2);

// The levels of the soundings' triangulated surface (as ForEachTriangle has it) at the
// points of straight lines: for each line (points px[k], py[k] in order along it), the
// soundings within twice the longest edge of it are triangulated and each point located;
// NaN where no kept triangle holds it. False with the reason (not enough memory).
bool SampleAlongLines(const Soundings& s, double maxEdge, const std::vector<std::vector<double>>& px,
                      const std::vector<std::vector<double>>& py, std::vector<std::vector<double>>& z,
                      std::string& error);

// The Delaunay triangulation of design points with the listed polylines (indices into
// the points) kept as edges, over the points' convex hull. Points at one position are
// taken once (the first). Where two polylines cross, the triangulation makes a corner:
// it is added to the points with the level linear along the polylines through it (their
// mean where they differ there). False with the reason.
bool TriangulateDesign(std::vector<double>& x, std::vector<double>& y, std::vector<double>& z,
                       const std::vector<std::vector<uint32_t>>& polylines, std::vector<uint32_t>& triangles,
                       std::string& error);

// Where two triangles overlap, as a convex polygon: `a` and `b` are x0 y0 x1 y1 x2 y2;
// the corners go into `out` as x y pairs, anticlockwise, at most 6 of them. Returns the
// number of corners, 0 when the triangles share no area.
int TriangleOverlap(const double a[6], const double b[6], double out[12]);

}  // namespace aq::surface
