// SPDX-License-Identifier: GPL-3.0-or-later
// grid and contours on the command line, as a user runs them.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "io/document.h"
#include "processing/recalc.h"
#include "support/cli_runner.h"
#include "surface_support.h"
#include "survey_gen.h"

namespace aq {
namespace {

namespace fs = std::filesystem;
using test::CliResult;

class SurfaceCli : public test::CliFixture {
protected:
    // A boat running `lines` lines east and back, 10 m apart, 60 m long, a fix a second
    // and five depths a second; the seabed at `level(x, y)`.
    template <class Level>
    std::string Survey(const std::string& name, int lines, Level level) const {
        CVKDoc doc;
        int64_t t = test::At(9, 0, 0);
        for (int k = 0; k < lines; ++k) {
            for (int s = 0; s <= 30; ++s, ++t) {
                const int32_t x = 50'000'000 + (k % 2 == 0 ? s : 30 - s) * 200;
                doc.AddRecord(test::Pos(t, x, 570'000'000 + k * 1000));
                for (int d = 0; d < 5 && s < 30; ++d) doc.AddRecord(test::Depth(t, 500, static_cast<uint8_t>(d * 20)));
            }
            t += 20;  // the turn
        }
        doc.KindFlags = REC_POSITION | REC_DEPTH;
        doc.NeedsSort = true;
        Recalculate(doc, test::Quiet());
        // Each depth now has its place: set the seabed there.
        for (CVKData& r : doc.Records)
            if (r.IsLive(REC_DEPTH)) r.Depth = static_cast<int16_t>(std::lround(-level(r.X / 100.0, r.Y / 100.0) * 100));
        const std::string path = File(name);
        EXPECT_TRUE(SaveDocument(doc, path, test::Quiet()));
        return path;
    }

    static double Flat(double, double) { return -5; }
};

// The soundings a grid is made of are the points export xyz writes of the depths: each
// cell holds as many, with the same mean, as the exported points that fall in it.
TEST_F(SurfaceCli, GridAndExportXyzAgreePointForPoint) {
    CVKDoc doc;
    gen::MakeSmallSurvey(doc, 1200);
    ASSERT_TRUE(SaveDocument(doc, File("small.son"), test::Quiet()));
    const CliResult r = Run({"open", File("small.son"), "export", "xyz", File("points.xyz"), "--kinds", "d", "grid",
                             File("grid.tif"), "--cell", "5", "--method", "mean", "--bands", "count", "--crs",
                             "EPSG:32631"});
    ASSERT_EQ(r.code, 0) << r.err;
    const test::Raster g = test::ReadRaster(File("grid.tif"));
    ASSERT_TRUE(g.ok);
    ASSERT_EQ(g.bands.size(), 2u);
    std::map<std::pair<int, int>, std::pair<int, double>> cells;
    std::ifstream in(File("points.xyz"));
    std::string line;
    size_t points = 0;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        double x = 0, y = 0, z = 0;
        words >> x >> y >> z;
        const int col = static_cast<int>(std::floor((x - g.transform[0]) / 5 + 1e-6));
        const int row = static_cast<int>(std::floor((g.transform[3] - y) / 5 - 1e-6));
        auto& c = cells[{col, row}];
        ++c.first;
        c.second += z;
        ++points;
    }
    ASSERT_GT(points, 5000u);
    size_t counted = 0;
    for (int row = 0; row < g.ny; ++row)
        for (int col = 0; col < g.nx; ++col) {
            const auto it = cells.find({col, row});
            const int n = it == cells.end() ? 0 : it->second.first;
            EXPECT_EQ(g.At(1, col, row), n) << col << "," << row;
            counted += static_cast<size_t>(g.At(1, col, row));
            if (n > 0) EXPECT_NEAR(g.At(0, col, row), it->second.second / n, 1e-4);
            else EXPECT_EQ(g.At(0, col, row), g.nodata[0]);
        }
    EXPECT_EQ(counted, points);
}

TEST_F(SurfaceCli, OtherSurveysOfTheSiteGoIntoOneSurface) {
    const std::string day1 = Survey("day1.son", 4, Flat);
    const std::string day2 = Survey("day2.son", 6, Flat);
    CliResult r = Run({"open", day1, "grid", File("one.tif"), "--cell", "2", "--method", "count"});
    ASSERT_EQ(r.code, 0) << r.err;
    r = Run({"open", day1, "grid", File("both.tif"), "--cell", "2", "--method", "count", "--also", day2, "--also", day2});
    ASSERT_EQ(r.code, 0) << r.err;
    const test::Raster one = test::ReadRaster(File("one.tif")), both = test::ReadRaster(File("both.tif"));
    double n1 = 0, n2 = 0;
    for (float v : one.bands[0]) n1 += v == one.nodata[0] ? 0 : v;
    for (float v : both.bands[0]) n2 += v == both.nodata[0] ? 0 : v;
    EXPECT_EQ(n1, 4 * 30 * 5);
    EXPECT_EQ(n2, (4 + 6 + 6) * 30 * 5);
    r = Run({"open", day1, "grid", File("x.tif"), "--cell", "2", "--also", File("nothing.son")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find(File("nothing.son")), std::string::npos) << r.err;
}

// A seabed sloping evenly down to the east: its contours run north-south, each where
// the slope has its level.
TEST_F(SurfaceCli, ContoursOfASlopedSurveyAreStraightAndInTheirPlaces) {
    const auto slope = [](double x, double) { return -2 - (x - 500000) / 10; };  // -2 m to -8 m
    const std::string survey = Survey("slope.son", 8, slope);
    const CliResult r = Run({"open", survey, "contours", File("c.gpkg"), "--levels", "-3,-4.5,-7", "--crs", "EPSG:32631"});
    ASSERT_EQ(r.code, 0) << r.err;
    const test::Layer layer = test::ReadLayer(File("c.gpkg"));
    ASSERT_TRUE(layer.ok);
    EXPECT_TRUE(test::SameSystem(layer.wkt, "EPSG:32631"));
    std::map<double, size_t> vertices;
    for (const test::Line& line : layer.lines) {
        ASSERT_TRUE(line.level == -3 || line.level == -4.5 || line.level == -7) << line.level;
        const double x = 500000 + (-2 - line.level) * 10;
        for (size_t i = 0; i < line.x.size(); ++i) {
            EXPECT_NEAR(line.x[i], x, 0.01) << line.level;
            EXPECT_GE(line.y[i], 5700000 - 1);
            EXPECT_LE(line.y[i], 5700070 + 1);
        }
        vertices[line.level] += line.x.size();
    }
    // Each runs across all the lines, 70 m.
    EXPECT_EQ(vertices.size(), 3u);
    for (const auto& [level, n] : vertices) EXPECT_GT(n, 30u) << level;

    // The same from a grid written first.
    ASSERT_EQ(Run({"open", survey, "grid", File("s.tif"), "--cell", "0.5", "--crs", "EPSG:32631"}).code, 0);
    ASSERT_EQ(Run({"contours", File("c.shp"), "--interval", "1", "--from", File("s.tif")}).code, 0);
    const test::Layer from = test::ReadLayer(File("c.shp"));
    ASSERT_FALSE(from.lines.empty());
    EXPECT_TRUE(test::SameSystem(from.wkt, "EPSG:32631"));
    for (const test::Line& line : from.lines)
        for (double x : line.x) EXPECT_NEAR(x, 500000 + (-2 - line.level) * 10, 0.01);
}

TEST_F(SurfaceCli, BadInputIsRefusedWithAClearMessage) {
    const std::string survey = Survey("s.son", 3, Flat);
    const auto run = [&](std::vector<std::string> verbs) {
        verbs.insert(verbs.begin(), {"open", survey});
        return Run(verbs);
    };
    CliResult r = run({"grid", File("g.tif"), "--cell", "0"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "grid: The cell size must be a length above 0 m, not 0.\n");
    r = run({"grid", File("g.tif"), "--cell", "1", "--extent", "500010", "5700000", "500000", "5700010"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("is empty: it needs XMIN < XMAX and YMIN < YMAX"), std::string::npos) << r.err;
    r = run({"grid", File("g.png"), "--cell", "1"});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("grid writes .tif, .asc, .xyz or .bag files"), std::string::npos) << r.err;
    r = run({"grid", File("g.tif"), "--cell", "0.00001"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("MB of memory, more than this machine has to give"), std::string::npos) << r.err;
    r = run({"grid", File("g.tif"), "--cell", "1", "--method", "mean", "--max-edge", "5"});
    EXPECT_EQ(r.code, 2);
    r = run({"grid", File("g.tif"), "--cell", "1", "--crs", "EPSG:99999999"});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("--crs: PROJ does not know the coordinate system"), std::string::npos) << r.err;
    std::ofstream(File("junk.tif")) << "junk";
    r = Run({"contours", File("c.gpkg"), "--interval", "1", "--from", File("junk.tif")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("contours: GDAL cannot read " + File("junk.tif")), std::string::npos) << r.err;
    r = Run({"contours", File("c.gpkg"), "--interval", "1", "--levels", "1,2"});
    EXPECT_EQ(r.code, 2);
    // Depths that are all deleted are no soundings.
    r = run({"delete-box", "section", "-1000", "-1000", "16000", "16000", "grid", File("g.tif"), "--cell", "1"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("grid: The survey has no live depth soundings to make a surface of."), std::string::npos)
        << r.err;
    // A contour file in longitude and latitude from a site grid of its own.
    r = run({"contours", File("c.kml"), "--interval", "1", "--crs",
             "ENGCRS[\"Harbour grid\",EDATUM[\"Harbour\"],CS[Cartesian,2],AXIS[\"easting\",east,LENGTHUNIT[\"metre\",1]],"
             "AXIS[\"northing\",north,LENGTHUNIT[\"metre\",1]]]"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Harbour grid is a local grid"), std::string::npos) << r.err;
    for (const char* name : {"g.tif", "g.png", "c.gpkg", "c.kml"}) EXPECT_FALSE(fs::exists(File(name))) << name;
}

}  // namespace
}  // namespace aq
