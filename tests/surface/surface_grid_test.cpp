// SPDX-License-Identifier: GPL-3.0-or-later
// The soundings a surface is made of, and the binning, IDW and line spacing against
// direct computations.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "export/export.h"
#include "export/textformats.h"
#include "model/doc.h"
#include "surface/grid.h"
#include "surface/soundings.h"
#include "surface_support.h"
#include "survey_gen.h"

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

Surface Make(const Soundings& s, Method m, double cell, int minCount = 1) {
    GridOptions o;
    o.method = m;
    o.cell = cell;
    o.minCount = minCount;
    Surface out;
    std::string error;
    EXPECT_TRUE(MakeSurface(s, o, out, error)) << error;
    return out;
}

// The soundings of a survey are what its XYZ export of depths writes, line for line.
TEST(Soundings, AreTheXyzExportsDepthsPointForPoint) {
    CVKDoc doc;
    gen::MakeSmallSurvey(doc, 900);
    ASSERT_GT(doc.CountDeleted, 0);
    const std::string path = std::filesystem::temp_directory_path() / ("aq_soundings_" + std::to_string(::getpid()) + ".xyz");
    ExportSelection depths;
    depths.EntityMask = REC_DEPTH;
    ASSERT_TRUE(ExportXyz(doc, path, depths, test::Quiet()));
    std::ifstream in(path);
    std::vector<Sounding> exported;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        Sounding p{};
        words >> p.x >> p.y >> p.level;
        exported.push_back(p);
    }
    std::filesystem::remove(path);

    Soundings s;
    std::string error;
    const CVKDoc* docs[] = {&doc};
    ASSERT_TRUE(CollectSoundings(docs, s, error)) << error;
    ASSERT_EQ(s.size(), exported.size());
    ASSERT_EQ(s.size(), static_cast<size_t>(doc.CountDepth));  // the live ones
    for (size_t i = 0; i < s.size(); ++i) {
        ASSERT_NEAR(s.x[i], exported[i].x, 0.0051) << i;
        ASSERT_NEAR(s.y[i], exported[i].y, 0.0051) << i;
        ASSERT_NEAR(s.z[i], exported[i].level, 0.0051) << i;
    }
    EXPECT_EQ(s.runs, (std::vector<size_t>{0, s.size()}));
}

TEST(Soundings, RefuseSurveysWithoutLiveDepthsOrInTwoKindsOfCoordinates) {
    std::string error;
    Soundings s;
    CVKDoc deleted;
    test::AddSoundings(deleted, {{1, 1, -2}, {2, 2, -3}});
    for (CVKData& r : deleted.Records) r.Flags |= REC_DELETED;
    const CVKDoc* one[] = {&deleted};
    EXPECT_FALSE(CollectSoundings(one, s, error));
    EXPECT_EQ(error, "The survey has no live depth soundings to make a surface of.");

    CVKDoc grid, geographic;
    test::AddSoundings(grid, {{1, 1, -2}});
    test::AddSoundings(geographic, {{1, 1, -2}});
    geographic.KindFlags |= REC_GEOGRAPHIC;
    geographic.PathName = "/data/day2.son";
    const CVKDoc* two[] = {&grid, &geographic};
    EXPECT_FALSE(CollectSoundings(two, s, error));
    EXPECT_NE(error.find("/data/day2.son is in longitude and latitude"), std::string::npos) << error;

    // Two days of one site make one set, a run each.
    CVKDoc day2;
    test::AddSoundings(day2, {{5, 5, -1}, {6, 6, -1}});
    const CVKDoc* days[] = {&grid, &day2};
    ASSERT_TRUE(CollectSoundings(days, s, error)) << error;
    EXPECT_EQ(s.runs, (std::vector<size_t>{0, 1, 3}));
}

// Hand-checked cells of 1 m: two soundings in one, one on an edge, empty cells between.
TEST(Binning, EveryMethodOnHandCheckedCells) {
    const Soundings s = Collect({{0.5, 0.5, -1}, {0.2, 0.7, -3}, {1.0, 0.5, -2}, {2.9, 0.1, -4}, {0.5, 1.0, -5}});
    struct Case {
        Method m;
        float twoSoundings;
    };
    for (const Case c : {Case{Method::Mean, -2}, Case{Method::Median, -2}, Case{Method::Shoalest, -1},
                         Case{Method::Deepest, -3}, Case{Method::Count, 2}, Case{Method::StdDev, 1}}) {
        SCOPED_TRACE(MethodName(c.m));
        const Surface g = Make(s, c.m, 1.0);
        // The grid's edges on whole metres around the soundings; rows from the north.
        ASSERT_EQ(g.nx, 3);
        ASSERT_EQ(g.ny, 2);
        EXPECT_EQ(g.west, 0);
        EXPECT_EQ(g.north, 2);
        EXPECT_EQ(g.cellX, 1);
        EXPECT_FLOAT_EQ(g.At(0, 1), c.twoSoundings);
        // A cell of one sounding: its level, a count of 1, no spread.
        const auto single = [&](float level) {
            return c.m == Method::Count ? 1.0f : c.m == Method::StdDev ? 0.0f : level;
        };
        // x = 1.0 is on an edge: the cell east of it; y = 1.0 likewise the cell north.
        EXPECT_FLOAT_EQ(g.At(1, 1), single(-2));
        EXPECT_FLOAT_EQ(g.At(2, 1), single(-4));
        EXPECT_FLOAT_EQ(g.At(0, 0), single(-5));
        EXPECT_TRUE(std::isnan(g.At(1, 0)));
        EXPECT_TRUE(std::isnan(g.At(2, 0)));
    }
    // Cells with fewer soundings than asked for are empty.
    const Surface two = Make(s, Method::Mean, 1.0, 2);
    EXPECT_FLOAT_EQ(two.At(0, 1), -2);
    EXPECT_EQ(std::count_if(two.elevation.begin(), two.elevation.end(), [](float v) { return !std::isnan(v); }), 1);
}

// Decimal cells: 0.1 m is not exact in binary, but a sounding at 0.3 m is on the edge
// of the fourth cell all the same.
TEST(Binning, EdgesOfDecimalCellsDoNotDependOnRounding) {
    const Soundings s = Collect({{100.0, 50.0, -1}, {100.3, 50.0, -2}, {100.7, 50.2, -3}});
    const Surface g = Make(s, Method::Count, 0.1);
    ASSERT_EQ(g.nx, 8);
    ASSERT_EQ(g.ny, 3);
    EXPECT_NEAR(g.west, 100.0, 1e-9);
    EXPECT_FLOAT_EQ(g.At(0, 2), 1);
    EXPECT_FLOAT_EQ(g.At(3, 2), 1);
    EXPECT_FLOAT_EQ(g.At(7, 0), 1);
    EXPECT_TRUE(std::isnan(g.At(2, 2)));
}

// A random survey binned by the library and by a direct loop over its soundings.
TEST(Binning, EveryMethodMatchesADirectComputation) {
    test::Random rnd(42);
    std::vector<Sounding> points;
    for (int i = 0; i < 4000; ++i)
        points.push_back({std::round(rnd.Uniform(0, 39.99) * 100) / 100, std::round(rnd.Uniform(0, 29.99) * 100) / 100,
                          std::round(rnd.Uniform(-12, -2) * 100) / 100});
    const Soundings s = Collect(points);
    const double cell = 2.5;
    std::map<std::pair<int, int>, std::vector<double>> cells;
    for (size_t i = 0; i < s.size(); ++i)
        cells[{static_cast<int>(std::floor(s.x[i] / cell)), static_cast<int>(std::floor(s.y[i] / cell))}].push_back(s.z[i]);
    for (const Method m : {Method::Mean, Method::Median, Method::Shoalest, Method::Deepest, Method::Count, Method::StdDev}) {
        SCOPED_TRACE(MethodName(m));
        const Surface g = Make(s, m, cell, 3);
        ASSERT_EQ(g.nx, 16);
        ASSERT_EQ(g.ny, 12);
        for (int row = 0; row < g.ny; ++row)
            for (int col = 0; col < g.nx; ++col) {
                auto v = cells[{col, g.ny - 1 - row}];
                if (v.size() < 3) {
                    EXPECT_TRUE(std::isnan(g.At(col, row)));
                    continue;
                }
                std::sort(v.begin(), v.end());
                const double mean = std::accumulate(v.begin(), v.end(), 0.0) / v.size();
                double ss = 0;
                for (double z : v) ss += (z - mean) * (z - mean);
                const size_t n = v.size();
                const double expected = m == Method::Mean       ? mean
                                        : m == Method::Median   ? (n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2)
                                        : m == Method::Shoalest ? v.back()
                                        : m == Method::Deepest  ? v.front()
                                        : m == Method::Count    ? static_cast<double>(n)
                                                                : std::sqrt(ss / n);
                EXPECT_NEAR(g.At(col, row), expected, 1e-5) << col << "," << row;
            }
    }
}

TEST(Binning, CountAndStandardDeviationBandsGoWithAnyMethod) {
    const Soundings s = Collect({{0.5, 0.5, -1}, {0.6, 0.4, -3}, {3.5, 0.5, -2}});
    GridOptions o;
    o.method = Method::Shoalest;
    o.cell = 1;
    o.countBand = o.stddevBand = true;
    Surface g;
    std::string error;
    ASSERT_TRUE(MakeSurface(s, o, g, error)) << error;
    EXPECT_EQ(g.count, (std::vector<uint32_t>{2, 0, 0, 1}));
    EXPECT_FLOAT_EQ(g.stddev[0], 1);
    EXPECT_TRUE(std::isnan(g.stddev[1]));
    EXPECT_FLOAT_EQ(g.stddev[3], 0);
    EXPECT_FLOAT_EQ(g.elevation[0], -1);
}

TEST(Idw, WeightsTheSoundingsWithinTheRadiusByTheirInverseSquareDistance) {
    // Cell centres at (0.5, 0.5) and (1.5, 0.5).
    const Soundings s = Collect({{0.0, 0.5, -1}, {0.5, 1.5, -2}, {1.5, 0.5, -7}, {5.0, 5.0, -9}});
    GridOptions o;
    o.method = Method::Idw;
    o.cell = 1;
    o.radius = 1.2;
    Surface g;
    std::string error;
    ASSERT_TRUE(MakeSurface(s, o, g, error)) << error;
    ASSERT_EQ(g.nx, 6);
    // (0.5, 0.5): distances 0.5, 1 and 1 (the -7 at (1.5, 0.5)).
    const double w1 = 1 / 0.25, w2 = 1.0, w3 = 1.0;
    EXPECT_NEAR(g.At(0, 5), (w1 * -1 + w2 * -2 + w3 * -7) / (w1 + w2 + w3), 1e-5);
    // A sounding at the centre gives its level.
    EXPECT_FLOAT_EQ(g.At(1, 5), -7);
    // Nothing within the radius: empty.
    EXPECT_TRUE(std::isnan(g.At(3, 2)));
    // Fewer than the least number asked for within the radius: empty.
    o.minCount = 3;
    ASSERT_TRUE(MakeSurface(s, o, g, error)) << error;
    EXPECT_FALSE(std::isnan(g.At(0, 5)));
    EXPECT_TRUE(std::isnan(g.At(5, 0)));
}

TEST(Idw, AgreesWithGdalGridInvdist) {
    const Soundings s = Collect(test::Lines(8, 60, 5, 0.4, [](double x, double y) {
        return -5 - 0.03 * (x - 2000) + 0.5 * std::sin((y - 1000) / 6);
    }));
    GridGeometry g;
    GridOptions o;
    o.method = Method::Idw;
    o.cell = 1;
    o.radius = 2.5;
    o.minCount = 2;
    std::string error;
    ASSERT_TRUE(PlanGrid(s, o, g, error)) << error;
    std::vector<float> level(g.Cells(), std::nanf(""));
    ASSERT_TRUE(IdwSoundings(s, g, o.radius, o.minCount, level.data(), error)) << error;

    const auto dir = std::filesystem::temp_directory_path() / ("aq_idw_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string vrt = test::WritePointsForGdal(dir, s.x, s.y, s.z);
    char extent[256];
    std::snprintf(extent, sizeof extent, "-txe %.17g %.17g -tye %.17g %.17g -outsize %lld %lld", g.x0,
                  g.x0 + g.nx * g.cell, g.y0, g.y0 + g.ny * g.cell, static_cast<long long>(g.nx),
                  static_cast<long long>(g.ny));
    const std::string out = (dir / "idw.tif").string();
    ASSERT_TRUE(test::Shell("gdal_grid -q -ot Float32 -a invdist:power=2:radius1=2.5:radius2=2.5:min_points=2:nodata=-9999 " +
                            std::string(extent) + " " + vrt + " " + out));
    const test::Raster r = test::ReadRaster(out);
    std::filesystem::remove_all(dir);
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.nx, g.nx);
    ASSERT_EQ(r.ny, g.ny);
    size_t both = 0;
    for (size_t i = 0; i < level.size(); ++i) {
        const bool ours = !std::isnan(level[i]), theirs = r.bands[0][i] != -9999;
        EXPECT_EQ(ours, theirs) << i;
        if (ours && theirs) {
            EXPECT_NEAR(level[i], r.bands[0][i], 1e-3) << i;
            ++both;
        }
    }
    EXPECT_GT(both, level.size() / 4);
}

TEST(LineSpacing, IsTheDistanceAcrossTheTrackNotAlongIt) {
    const auto flat = [](double, double) { return -5.0; };
    EXPECT_NEAR(MedianLineSpacing(Collect(test::Lines(12, 200, 10, 0.2, flat))), 10, 0.2);
    EXPECT_NEAR(MedianLineSpacing(Collect(test::Lines(6, 300, 25, 0.5, flat))), 25, 0.3);

    // The same lines run a second time 30 cm aside, as another day's survey of the same
    // plan: still 10 m apart, not 30 cm.
    CVKDoc day1, day2;
    test::AddSoundings(day1, test::Lines(12, 200, 10, 0.2, flat));
    std::vector<Sounding> shifted;
    for (Sounding p : test::Lines(12, 200, 10, 0.2, flat, 7)) shifted.push_back({p.x, p.y + 0.3, p.level});
    test::AddSoundings(day2, shifted);
    Soundings both;
    std::string error;
    const CVKDoc* docs[] = {&day1, &day2};
    ASSERT_TRUE(CollectSoundings(docs, both, error)) << error;
    EXPECT_NEAR(MedianLineSpacing(both), 10, 0.5);

    // A single line tells nothing.
    EXPECT_EQ(MedianLineSpacing(Collect(test::Lines(1, 200, 10, 0.2, flat))), 0);
}

TEST(PlanGrid, RefusesWhatCannotBeAGrid) {
    const Soundings s = Collect({{10, 10, -1}, {20, 30, -2}});
    GridGeometry g;
    GridOptions o;
    std::string error;
    o.cell = 0;
    EXPECT_FALSE(PlanGrid(s, o, g, error));
    EXPECT_EQ(error, "The cell size must be a length above 0 m, not 0.");
    o.cell = -2;
    EXPECT_FALSE(PlanGrid(s, o, g, error));
    o.cell = 1;
    o.extent = Extent{30, 0, 10, 40};
    EXPECT_FALSE(PlanGrid(s, o, g, error));
    EXPECT_NE(error.find("is empty"), std::string::npos) << error;
    o.extent = Extent{100, 100, 200, 200};
    EXPECT_FALSE(PlanGrid(s, o, g, error));
    EXPECT_EQ(error, "No sounding lies in the extent 100 100 200 200.");
    // A given extent starts at its own corner and grows to whole cells.
    o.extent = Extent{5, 5, 20.5, 31};
    ASSERT_TRUE(PlanGrid(s, o, g, error)) << error;
    EXPECT_EQ(g.x0, 5);
    EXPECT_EQ(g.nx, 16);
    EXPECT_EQ(g.ny, 26);
    // More cells than a raster may have, and more than memory holds: refused before
    // anything is allocated.
    o.extent.reset();
    o.cell = 1e-9;
    EXPECT_FALSE(PlanGrid(s, o, g, error));
    EXPECT_NE(error.find("larger than a raster can be"), std::string::npos) << error;
    o.cell = 0.0001;
    Surface out;
    EXPECT_FALSE(MakeSurface(s, o, out, error));
    EXPECT_NE(error.find("MB of memory"), std::string::npos) << error;
    EXPECT_TRUE(out.elevation.empty());
}

// In a geographic survey the cell is metres on the ground: rectangular in degrees.
TEST(Geographic, CellsAreMetresOnTheGround) {
    CVKDoc doc;
    test::AddSoundings(doc, {{3.10, 51.50, -1}, {3.12, 51.51, -2}});
    for (CVKData& r : doc.Records) {
        r.X = std::llround(r.X / 100.0 * 1e7);
        r.Y = std::llround(r.Y / 100.0 * 1e7);
    }
    doc.KindFlags |= REC_GEOGRAPHIC;
    Soundings s;
    std::string error;
    const CVKDoc* docs[] = {&doc};
    ASSERT_TRUE(CollectSoundings(docs, s, error)) << error;
    const Surface g = Make(s, Method::Mean, 100);
    // A degree of latitude at 51.5 degrees is 111.26 km, of longitude 69.4 km.
    EXPECT_NEAR(g.cellY * 111260, 100, 0.2);
    EXPECT_NEAR(g.cellX * 69440, 100, 0.3);
    EXPECT_NEAR(g.west, 3.10, g.cellX);
    EXPECT_NEAR(g.north, 51.51, g.cellY);
    EXPECT_EQ(std::count_if(g.elevation.begin(), g.elevation.end(), [](float v) { return !std::isnan(v); }), 2);
}

}  // namespace
}  // namespace aq::surface
