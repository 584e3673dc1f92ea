// SPDX-License-Identifier: GPL-3.0-or-later
// The triangulated surface: against gdal_grid's linear interpolation, its gaps, its tiles.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "model/doc.h"
#include "surface/grid.h"
#include "surface/soundings.h"
#include "surface/tin.h"
#include "surface_support.h"

namespace aq::surface {
namespace {

using test::Sounding;

Soundings Collect(const std::vector<Sounding>& points) {
    CVKDoc doc;
    test::AddSoundings(doc, points);
    Soundings s;
    std::string error;
    const CVKDoc* docs[] = {&doc};
    EXPECT_TRUE(CollectSoundings(docs, s, error)) << error;
    return s;
}

struct Tin {
    GridGeometry g;
    std::vector<float> level;
};

Tin Triangulate(const Soundings& s, double cell, double maxEdge, size_t tilePoints = kTinTilePoints) {
    Tin t;
    GridOptions o;
    o.cell = cell;
    std::string error;
    EXPECT_TRUE(PlanGrid(s, o, t.g, error)) << error;
    t.level.assign(t.g.Cells(), std::nanf(""));
    EXPECT_TRUE(TinSoundings(s, t.g, maxEdge, t.level.data(), error, nullptr, tilePoints)) << error;
    return t;
}

double Seabed(double x, double y) { return -6 - 0.02 * (x - 2000) + 0.8 * std::sin((y - 1000) / 7) * std::cos((x - 2000) / 11); }

TEST(Tin, EqualsGdalGridLinearWhereBothGiveALevel) {
    // Soundings scattered at random: four of them on one circle, where two
    // triangulations may cut the quadrilateral either way, are left to chance.
    test::Random rnd(5);
    std::vector<Sounding> points;
    for (int i = 0; i < 2500; ++i) {
        const double x = std::round(rnd.Uniform(2000, 2040) * 100) / 100;
        const double y = std::round(rnd.Uniform(1000, 1020) * 100) / 100;
        points.push_back({x, y, std::round(Seabed(x, y) * 100) / 100});
    }
    const Soundings s = Collect(points);
    // The longest edge drops the slivers along the outline, which two triangulations
    // may also cut differently.
    const Tin t = Triangulate(s, 0.5, 3);

    const auto dir = std::filesystem::temp_directory_path() / ("aq_tin_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string vrt = test::WritePointsForGdal(dir, s.x, s.y, s.z);
    char extent[256];
    std::snprintf(extent, sizeof extent, "-txe %.17g %.17g -tye %.17g %.17g -outsize %lld %lld", t.g.x0,
                  t.g.x0 + t.g.nx * t.g.cell, t.g.y0, t.g.y0 + t.g.ny * t.g.cell, static_cast<long long>(t.g.nx),
                  static_cast<long long>(t.g.ny));
    const std::string out = (dir / "linear.tif").string();
    ASSERT_TRUE(test::Shell("gdal_grid -q -ot Float32 -a linear:radius=0:nodata=-9999 " + std::string(extent) + " " +
                            vrt + " " + out));
    const test::Raster r = test::ReadRaster(out);
    std::filesystem::remove_all(dir);
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.nx, t.g.nx);
    ASSERT_EQ(r.ny, t.g.ny);
    size_t both = 0, onlyOne = 0;
    for (size_t i = 0; i < t.level.size(); ++i) {
        const bool ours = !std::isnan(t.level[i]), theirs = r.bands[0][i] != -9999;
        if (ours && theirs) {
            ++both;
            EXPECT_NEAR(t.level[i], r.bands[0][i], 0.001) << i;
        } else if (ours && !theirs) {
            ++onlyOne;
        }
    }
    EXPECT_GT(both, t.level.size() / 2);
    // Only cell centres on the outline of the survey may fall on one side or the other.
    EXPECT_LE(onlyOne, both / 200) << onlyOne;
}

// On a sloping plane every triangle is the plane itself.
TEST(Tin, IsExactOnAPlane) {
    const auto plane = [](double x, double y) { return -3 - 0.05 * (x - 2000) + 0.02 * (y - 1000); };
    const Soundings s = Collect(test::Lines(6, 50, 5, 0.5, plane));
    const Tin t = Triangulate(s, 1, 20);
    size_t filled = 0;
    for (int64_t row = 0; row < t.g.ny; ++row)
        for (int64_t col = 0; col < t.g.nx; ++col) {
            const float v = t.level[static_cast<size_t>(row * t.g.nx + col)];
            if (std::isnan(v)) continue;
            ++filled;
            // Levels are kept to the centimetre, so the plane's own is within half of one.
            ASSERT_NEAR(v, plane(t.g.CentreX(col), t.g.CentreY(row)), 0.006) << col << "," << row;
        }
    EXPECT_GT(filled, static_cast<size_t>(t.g.Cells() * 8 / 10));
}

// Lines 5 m apart with one left out: the triangles across the 10 m gap are longer than
// the longest edge kept and the gap stays empty; between the other lines all is filled.
TEST(Tin, LeavesGapsWiderThanTheLongestEdgeEmpty) {
    std::vector<Sounding> points;
    for (const Sounding& p : test::Lines(8, 60, 5, 0.5, Seabed))
        if (std::abs(p.y - 1020) > 1) points.push_back(p);  // the fifth line is missing
    const Soundings s = Collect(points);
    ASSERT_NEAR(MedianLineSpacing(s), 5, 0.2);
    const Tin t = Triangulate(s, 1, 3 * 5.0 - 6);  // 9 m: across a line, not across the gap
    const auto at = [&](double x, double y) {
        size_t i;
        EXPECT_TRUE(t.g.CellOf(x, y, i));
        return t.level[i];
    };
    for (double x = 2005.5; x < 2055; x += 5) {
        EXPECT_FALSE(std::isnan(at(x, 1002.5))) << x;
        EXPECT_FALSE(std::isnan(at(x, 1012.5))) << x;
        EXPECT_TRUE(std::isnan(at(x, 1017.5))) << x;
        EXPECT_TRUE(std::isnan(at(x, 1022.5))) << x;
        EXPECT_FALSE(std::isnan(at(x, 1027.5))) << x;
    }
    // With the default, three line spacings, the gap is bridged.
    GridOptions o;
    o.method = Method::Tin;
    o.cell = 1;
    Surface bridged;
    std::string error;
    ASSERT_TRUE(MakeSurface(s, o, bridged, error)) << error;
    size_t i;
    ASSERT_TRUE(t.g.CellOf(2030.5, 1020.5, i));
    EXPECT_FALSE(std::isnan(bridged.elevation[i]));
}

// A survey triangulated tile by tile gives the surface of one triangulation of it all.
TEST(Tin, TilesMakeTheSameSurfaceAsOneTriangulation) {
    const Soundings s = Collect(test::Lines(60, 150, 2.5, 0.5, Seabed));
    ASSERT_GT(s.size(), size_t{2000});
    const Tin whole = Triangulate(s, 1, 7.5);
    const Tin tiled = Triangulate(s, 1, 7.5, 2000);
    ASSERT_EQ(whole.level.size(), tiled.level.size());
    size_t filled = 0;
    for (size_t i = 0; i < whole.level.size(); ++i) {
        ASSERT_EQ(std::isnan(whole.level[i]), std::isnan(tiled.level[i])) << i;
        if (std::isnan(whole.level[i])) continue;
        ++filled;
        ASSERT_FLOAT_EQ(whole.level[i], tiled.level[i]) << i;
    }
    EXPECT_GT(filled, whole.level.size() / 2);
}

}  // namespace
}  // namespace aq::surface
