// SPDX-License-Identifier: GPL-3.0-or-later
// The area the volumes are measured in, on the plane, with GDAL's geometry (GEOS)
// cutting the pieces that cross its edge.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "surface/soundings.h"
#include "surface/volume.h"

namespace aq::surface {

class AreaClip {
public:
    AreaClip();
    ~AreaClip();
    AreaClip(const AreaClip&) = delete;
    AreaClip& operator=(const AreaClip&) = delete;

    // The boundary (survey coordinates) on the plane. False with the reason: a polygon
    // GEOS finds invalid (a ring crossing itself), one of no area.
    bool Make(const Boundary& boundary, const Plane& plane, std::string& error);
    // Whether there is a boundary at all; without one everything is inside.
    bool Active() const { return geometry_ != nullptr; }
    double Area() const { return area_; }
    void Bounds(double& xmin, double& ymin, double& xmax, double& ymax) const;

    enum class Where { Outside, Inside, Crossing };
    // Where a box lies, from blocks classified once: Crossing when that does not tell
    // (the piece must then go through Clip). Safe from any thread.
    Where Box(double xmin, double ymin, double xmax, double ymax) const;

    // The part of a convex polygon (x y pairs, either way round) within the boundary: its
    // area and centroid (area 0 when none). Exact but for rounding, without GEOS: each
    // ring of the boundary is cut by the polygon's edges in turn (Sutherland and
    // Hodgman), which keeps the area of any ring, holes counted negative. Safe from any
    // thread.
    void Clip(const double* xy, int n, double& area, double& cx, double& cy) const;
    // The same through GEOS (GDAL's intersection): what the tests hold Clip to. From one
    // thread at a time.
    void ClipWithGeos(const double* xy, int n, double& area, double& cx, double& cy) const;
    // The parts of a segment within the boundary, as fractions of its length, in order.
    // From one thread at a time.
    std::vector<std::pair<double, double>> Inside(double x0, double y0, double x1, double y1) const;

private:
    struct Geometry;
    std::unique_ptr<Geometry> geometry_;
    double area_ = 0;
    double xmin_ = 0, ymin_ = 0, xmax_ = 0, ymax_ = 0;
    double block_ = 1;
    int bx_ = 0, by_ = 0;
    std::vector<unsigned char> blocks_;  // Where, a block
    // The boundary's rings, outer rings anticlockwise and holes clockwise, each as x y
    // pairs from ringStart_[k] to ringStart_[k + 1].
    std::vector<double> rings_;
    std::vector<size_t> ringStart_;
    // Near the edge, the rings cut to a window: the block and as far again east and north
    // (a polygon no wider than a block whose box begins in the block lies within it), in
    // coordinates from the block's corner. local_[b] is -1 for a block with none.
    struct Local {
        double ox = 0, oy = 0;
        std::vector<double> xy;
        std::vector<size_t> start;
    };
    std::vector<Local> locals_;
    std::vector<int32_t> local_;
};

}  // namespace aq::surface
