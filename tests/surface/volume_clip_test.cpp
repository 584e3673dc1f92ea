// SPDX-License-Identifier: GPL-3.0-or-later
// The boundary of a volume: pieces cut to it exactly (held to GEOS), on one thread or two
// alike, holes left out, cells on its edge weighted by the part inside.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "surface/areaclip.h"
#include "surface/volume.h"
#include "volume_support.h"

namespace aq {
namespace {

using surface::AreaClip;
using surface::Boundary;
using surface::Ring;
using surface::Soundings;
using test::Level;
using test::Row;

Ring RingOf(const std::vector<double>& xy) {
    Ring r;
    for (size_t i = 0; i + 1 < xy.size(); i += 2) r.x.push_back(xy[i]), r.y.push_back(xy[i + 1]);
    return r;
}

double RingArea(const std::vector<double>& xy) {
    double a = 0;
    const size_t n = xy.size() / 2;
    for (size_t i = 0; i < n; ++i) {
        const size_t j = (i + 1) % n;
        a += xy[2 * i] * xy[2 * j + 1] - xy[2 * j] * xy[2 * i + 1];
    }
    return std::fabs(a) / 2;
}

// A concave outer ring (clockwise, as a file may have it) with a hole, and a second
// polygon apart from it, far from the origin as survey coordinates are.
Boundary Awkward(double ox, double oy) {
    Boundary b;
    b.source = "test";
    std::vector<double> outer = {0, 0, 0, 60, 35, 60, 50, 25, 65, 60, 100, 60, 100, 0, 70, 12.5, 40, 3};
    std::vector<double> hole = {20, 20, 30, 20, 30, 30, 20, 30};
    std::vector<double> apart = {110, 0, 140, 10, 120, 40};
    for (std::vector<double>* r : {&outer, &hole, &apart})
        for (size_t i = 0; i < r->size(); i += 2) (*r)[i] += ox, (*r)[i + 1] += oy;
    b.polygons.push_back({RingOf(outer), RingOf(hole)});
    b.polygons.push_back({RingOf(apart)});
    return b;
}

class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}
    double Uniform(double lo, double hi) {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return lo + (hi - lo) * static_cast<double>(state_ >> 11) / 9007199254740992.0;
    }

private:
    uint64_t state_;
};

// Triangles, cells and overlaps of two triangles all over the boundary: the part inside
// and its centroid as GEOS has them.
TEST(AreaClip, CutsPiecesAsGeosDoes) {
    const double ox = 512345.25, oy = 5701234.5;
    AreaClip clip;
    std::string error;
    ASSERT_TRUE(clip.Make(Awkward(ox, oy), surface::Plane{}, error)) << error;
    Random rnd(7);
    int crossing = 0;
    for (int k = 0; k < 20000; ++k) {
        double xy[12];
        int n = 3;
        const double cx = ox + rnd.Uniform(-10, 150), cy = oy + rnd.Uniform(-10, 70);
        const double size = k % 3 == 0 ? 0.5 : k % 3 == 1 ? 4 : 25;  // a cell, a triangle, a large one
        if (k % 4 == 0) {
            // A cell, anticlockwise.
            const double h = size / 2;
            const double cell[8] = {cx - h, cy - h, cx + h, cy - h, cx + h, cy + h, cx - h, cy + h};
            std::copy(cell, cell + 8, xy);
            n = 4;
        } else {
            for (int i = 0; i < 3; ++i) xy[2 * i] = cx + rnd.Uniform(-size, size), xy[2 * i + 1] = cy + rnd.Uniform(-size, size);
            // Clockwise ones too.
        }
        double a = 0, x = 0, y = 0, ga = 0, gx = 0, gy = 0;
        clip.Clip(xy, n, a, x, y);
        clip.ClipWithGeos(xy, n, ga, gx, gy);
        const double scale = size * size;
        ASSERT_NEAR(a, ga, 1e-9 * scale) << "piece " << k;
        if (ga > 1e-6 * scale) {
            ASSERT_NEAR(x, gx, 1e-7 * size) << "piece " << k;
            ASSERT_NEAR(y, gy, 1e-7 * size) << "piece " << k;
            double whole = 0, wx, wy;
            AreaClip none;
            ASSERT_TRUE(none.Make(Boundary{}, surface::Plane{}, error));
            none.Clip(xy, n, whole, wx, wy);
            crossing += ga < whole * (1 - 1e-9);
        }
    }
    // Many of them do cross the edge.
    EXPECT_GT(crossing, 2000);
}

// A boundary kilometres across, whose blocks are larger than the pieces: long thin
// triangles of single-beam lines across its edges, cut through the rings held for each
// block, as GEOS cuts them.
TEST(AreaClip, CutsThinTrianglesOfALargeBoundaryAsGeosDoes) {
    Boundary b;
    std::string error;
    ASSERT_TRUE(surface::ParseBoundary("500100.3,5700020.7 502400.1,5700050.2 502300.5,5704970 501250.2,5704995 "
                                       "500200.9,5704940",
                                       b, error))
        << error;
    AreaClip clip;
    ASSERT_TRUE(clip.Make(b, surface::Plane{}, error)) << error;
    const double xs[] = {500100.3, 502400.1, 502300.5, 501250.2, 500200.9};
    const double ys[] = {5700020.7, 5700050.2, 5704970, 5704995, 5704940};
    Random rnd(11);
    int crossing = 0;
    for (int k = 0; k < 40000; ++k) {
        // A point near an edge, and a triangle from it: 0.25 m along a line, 5 m across.
        const int e = k % 5;
        const double t = rnd.Uniform(0, 1);
        const double px = xs[e] + t * (xs[(e + 1) % 5] - xs[e]) + rnd.Uniform(-8, 8);
        const double py = ys[e] + t * (ys[(e + 1) % 5] - ys[e]) + rnd.Uniform(-8, 8);
        const double along = rnd.Uniform(0.1, 0.4), across = rnd.Uniform(-6, 6), skew = rnd.Uniform(-0.3, 0.3);
        const double xy[6] = {px, py, px + along, py, px + skew, py + across};
        double a, x, y, ga, gx, gy;
        clip.Clip(xy, 3, a, x, y);
        clip.ClipWithGeos(xy, 3, ga, gx, gy);
        ASSERT_NEAR(a, ga, 1e-8) << "piece " << k;
        if (ga > 1e-6) {
            ASSERT_NEAR(x, gx, 1e-6) << "piece " << k;
            ASSERT_NEAR(y, gy, 1e-6) << "piece " << k;
        }
        const double whole = std::fabs(along * across - 0 * skew) / 2;
        crossing += ga > 1e-9 && ga < whole * (1 - 1e-6);
    }
    EXPECT_GT(crossing, 3000);
}

// Corners and edges of pieces exactly on the boundary's corners and edges.
TEST(AreaClip, PiecesOnTheEdgeItself) {
    AreaClip clip;
    std::string error;
    ASSERT_TRUE(clip.Make(Awkward(0, 0), surface::Plane{}, error)) << error;
    const std::vector<std::vector<double>> pieces = {
        {0, 0, 10, 0, 10, 10, 0, 10},      // the outer ring's corner
        {-5, 0, 5, 0, 5, 5, -5, 5},        // half outside along its edge
        {20, 20, 30, 20, 30, 30},          // half the hole
        {20, 20, 30, 20, 30, 30, 20, 30},  // the hole itself
        {50, 25, 60, 40, 40, 40},          // from the notch's corner
        {100, 60, 90, 60, 100, 50},        // a corner, on two edges
        // Pieces of no area (the part of a piece above a level can be one): nothing.
        {42.7, 42, 42.7, 42, 42.7, 42},
        {-0.3, 5, 0.2, 5, 0.6, 5},
        {-1, 1, 3, 1, 3, 1, 8, 1},
        // A corner twice.
        {10, 10, 20, 10, 20, 10, 15, 18},
    };
    for (const std::vector<double>& p : pieces) {
        double a, x, y, ga, gx, gy;
        const int n = static_cast<int>(p.size() / 2);
        clip.Clip(p.data(), n, a, x, y);
        clip.ClipWithGeos(p.data(), n, ga, gx, gy);
        EXPECT_NEAR(a, ga, 1e-9) << p[0] << " " << p[1];
        if (ga > 0) {
            EXPECT_NEAR(x, gx, 1e-9);
            EXPECT_NEAR(y, gy, 1e-9);
        }
    }
}

// Lines running east from y0 to y1 every dy, a sounding every `step` metres.
Soundings Survey(double y0, double y1, double dy, double x0, double x1, double step, double (*level)(double, double)) {
    return test::EastLines(test::Every(y0, y1, dy), x0, x1, step, level);
}

// A flat seabed within a boundary with a hole: the depth of cut times the area inside,
// by triangles cut at the rings and by cells weighted by their part inside; and the
// same on one thread as on two (the triangles' sums to the last digit, being summed tile
// by tile in the tiles' order).
TEST(VolumeBoundary, HoleIsLeftOutAndOneThreadMeasuresAsTwo) {
    const Soundings s = Survey(-10, 70, 2.5, -10, 150, 0.5, [](double, double) { return -10.0; });
    surface::VolumeOptions o;
    o.cell = 1;
    o.maxEdge = 6;
    o.tilePoints = 3000;  // many tiles
    o.boundary = Awkward(0, 0);
    const std::vector<double> outer = {0, 0, 0, 60, 35, 60, 50, 25, 65, 60, 100, 60, 100, 0, 70, 12.5, 40, 3};
    const double inside = RingArea(outer) - 100 + RingArea({110, 0, 140, 10, 120, 40});
    std::string error;
    surface::VolumeResult two, one;
    ASSERT_TRUE(surface::MeasureVolumes(s, Level(-12), o, two, error)) << error;
    o.threads = 1;
    ASSERT_TRUE(surface::MeasureVolumes(s, Level(-12), o, one, error)) << error;
    for (const char* m : {"grid", "tin"}) {
        EXPECT_NEAR(Row(two, m).cut, 2 * inside, 1e-8 * inside) << m;
        EXPECT_NEAR(Row(two, m).cutArea, inside, 1e-8 * inside) << m;
        EXPECT_NEAR(Row(two, m).uncovered, 0, 1e-6) << m;
        EXPECT_NEAR(Row(one, m).cut, Row(two, m).cut, 1e-9 * inside) << m;
    }
    EXPECT_EQ(Row(one, "tin").cut, Row(two, "tin").cut);
    EXPECT_EQ(Row(one, "tin").cutArea, Row(two, "tin").cutArea);
    EXPECT_NEAR(two.areaMeasured, inside, 1e-8 * inside);
}

// A seabed sloping east through the level, and a boundary that cuts cells in halves,
// quarters and three quarters: each cell counts its centre's difference over the part
// of it inside.
TEST(VolumeBoundary, CellsOnTheEdgeCountThePartInside) {
    const Soundings s = Survey(0, 40, 2, 0, 60, 0.5, [](double x, double) { return -10 - 0.05 * x; });
    surface::VolumeOptions o;
    o.tin = false;
    o.cell = 1;
    o.maxEdge = 5;
    std::string error;
    const double bx0 = 10.5, bx1 = 50.25, by0 = 5.75, by1 = 30.5;
    ASSERT_TRUE(surface::ParseBoundary("10.5,5.75 50.25,5.75 50.25,30.5 10.5,30.5", o.boundary, error)) << error;
    surface::VolumeResult r;
    ASSERT_TRUE(surface::MeasureVolumes(s, Level(-12), o, r, error)) << error;
    double cut = 0, fill = 0, cutArea = 0, fillArea = 0;
    for (int col = 0; col < 60; ++col)
        for (int row = 0; row < 40; ++row) {
            const double w = std::max(0.0, std::min(col + 1.0, bx1) - std::max(col + 0.0, bx0));
            const double h = std::max(0.0, std::min(row + 1.0, by1) - std::max(row + 0.0, by0));
            const double d = 2 - 0.05 * (col + 0.5);  // the survey less the level at the centre
            if (w * h == 0) continue;
            if (d > 0) cut += d * w * h, cutArea += w * h;
            if (d < 0) fill -= d * w * h, fillArea += w * h;
        }
    const VolumeFigures& g = Row(r, "grid");
    // float levels on the grid: a few millimetres over the area.
    EXPECT_NEAR(g.cut, cut, 1e-5 * cut);
    EXPECT_NEAR(g.fill, fill, 1e-5 * fill);
    EXPECT_NEAR(g.cutArea, cutArea, 1e-9 * cutArea);
    EXPECT_NEAR(g.fillArea, fillArea, 1e-9 * fillArea);
    EXPECT_NEAR(g.compared, (bx1 - bx0) * (by1 - by0), 1e-9);
}


// A boundary whose edges lie just short of survey lines, so that the grid over its box
// stops short of the centroids of the triangles that reach into it from the lines
// beyond: those triangles are measured all the same, by the TIN method made with the
// grid's surface and alone.
TEST(VolumeBoundary, TrianglesReachingInFromBeyondTheGrid) {
    const Soundings s = Survey(0, 60, 5, 0, 100, 1, [](double, double) { return -10.0; });
    surface::VolumeOptions o;
    o.cell = 1;
    o.maxEdge = 8;
    std::string error;
    ASSERT_TRUE(surface::ParseBoundary("10.3,4.6 83.1,4.6 83.1,50.4 10.3,50.4", o.boundary, error)) << error;
    const double area = (83.1 - 10.3) * (50.4 - 4.6);
    for (const bool grid : {true, false}) {
        o.grid = grid;
        surface::VolumeResult r;
        ASSERT_TRUE(surface::MeasureVolumes(s, Level(-12), o, r, error)) << error;
        EXPECT_NEAR(Row(r, "tin").cut, 2 * area, 1e-9 * area) << grid;
        EXPECT_NEAR(Row(r, "tin").uncovered, 0, 1e-6) << grid;
        if (grid) {
            EXPECT_NEAR(Row(r, "grid").cut, 2 * area, 1e-9 * area);
        }
    }
}


// A plane through the level at a line of soundings, far from the origin, within a
// boundary that cuts the triangles there: those triangles' parts above and below the
// level are slivers (a piece of no area has none inside the boundary either: the
// boundary tests above hold that); cut and fill are the plane's integrals.
TEST(VolumeBoundary, SeabedMeetingTheLevelAtSoundings) {
    Soundings s = Survey(0, 60, 5, 0, 100, 1, [](double x, double) { return -10 - 0.05 * x; });
    for (size_t i = 0; i < s.size(); ++i) s.x[i] += 500000, s.y[i] += 5700000;
    surface::VolumeOptions o;
    o.grid = false;
    o.cell = 1;
    o.maxEdge = 8;
    std::string error;
    ASSERT_TRUE(surface::ParseBoundary("500010.3,5700005.7 500083.1,5700005.7 500083.1,5700052.2 500010.3,5700052.2",
                                       o.boundary, error))
        << error;
    surface::VolumeResult r;
    ASSERT_TRUE(surface::MeasureVolumes(s, Level(-12), o, r, error)) << error;
    const double h = 52.2 - 5.7;
    const double cut = ((2 * 40 - 0.025 * 40 * 40) - (2 * 10.3 - 0.025 * 10.3 * 10.3)) * h;
    const double fill = ((0.025 * 83.1 * 83.1 - 2 * 83.1) - (0.025 * 40 * 40 - 2 * 40)) * h;
    // (float levels: -10 - 0.05 x is not exact)
    EXPECT_NEAR(Row(r, "tin").cut, cut, 1e-6 * cut);
    EXPECT_NEAR(Row(r, "tin").fill, fill, 1e-6 * fill);
    EXPECT_NEAR(Row(r, "tin").cutArea, (40 - 10.3) * h, 1e-9 * h);
    EXPECT_NEAR(Row(r, "tin").fillArea, (83.1 - 40) * h, 1e-9 * h);
}

}  // namespace
}  // namespace aq
