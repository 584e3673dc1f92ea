// SPDX-License-Identifier: GPL-3.0-or-later
#include "surface/nodecompare.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "processing/crossings.h"
#include "support/qc_survey.h"
#include "surface/crs.h"
#include "surface/grid.h"
#include "surface/raster.h"

namespace aq::surface {
namespace {

// Main lines every 20 m north from 0 to 200 over 0 to 300 east, crosslines running from
// 20 m south of them to 20 m north at these eastings, 0.10 m deep, over a plane sloping
// 5 % east and north; soundings every 0.2 m along the lines.
test::QcSurveyLayout SlopingPlane() {
    test::QcSurveyLayout layout = test::GridLayout(11, {25, 51.3, 100, 175, 250});
    for (size_t i = 11; i < layout.lines.size(); ++i) layout.lines[i].depthOffset = 10;
    layout.depth = [](double x, double y) { return 500.0 + 5.0 * x + 5.0 * y; };
    layout.noise = 2;
    return layout;
}

size_t CrossSoundings(const LineSet& lines) {
    size_t n = 0;
    for (const SurveyLine& l : lines.Lines)
        if (l.Kind == LineKind::Cross) n += l.SoundingCount();
    return n;
}

TEST(NodeCompare, CrosslinesAgainstTheMainLinesSurfaceGiveTheBias) {
    CVKDoc doc;
    test::BuildQcSurvey(doc, SlopingPlane());
    const LineSet lines = FindLines(doc, LineOptions{});
    ASSERT_EQ(lines.Count(LineKind::Main), 11u);
    ASSERT_EQ(lines.Count(LineKind::Cross), 5u);

    NodeResult r;
    std::string error;
    ASSERT_TRUE(CompareNodes(doc, lines, NodeOptions{}, r, error)) << error;
    EXPECT_EQ(r.crossSoundings, CrossSoundings(lines));
    EXPECT_GE(r.crossSoundings, 5u * 1200u);
    EXPECT_NEAR(r.stats.Mean, 0.10, 0.005);
    EXPECT_LT(r.stats.StdDev, 0.03);
    EXPECT_EQ(r.stats.Count, r.compared);
    // Over the surface: the 1001 soundings of each crossline from north 0 to 200, less
    // those within half a cell of the surface's north and south edges.
    ASSERT_GT(r.cell, 0);
    const size_t edge = static_cast<size_t>(std::ceil(r.cell / 2 / 0.2)) + 1;
    EXPECT_LE(r.compared, 5u * 1001u);
    EXPECT_GE(r.compared, 5u * (1001u - 2 * edge));
    // The statistics are the crossings' own, of these differences.
    EXPECT_DOUBLE_EQ(r.stats.PercentWithin[0], 100.0);
    EXPECT_TRUE(r.stats.Pass[0]);
    const std::string text = NodeSummaryText(r);
    const size_t bias = text.find("node_bias_m=");
    ASSERT_NE(bias, std::string::npos) << text;
    EXPECT_NEAR(std::stod(text.substr(bias + 12)), 0.10, 0.0051) << text;
    EXPECT_NE(text.find("node_pass_exclusive=yes"), std::string::npos) << text;

    // A finer cell compares more of them, with the same bias.
    NodeOptions fine;
    fine.cell = 0.5;
    NodeResult f;
    ASSERT_TRUE(CompareNodes(doc, lines, fine, f, error)) << error;
    EXPECT_DOUBLE_EQ(f.cell, 0.5);
    EXPECT_GE(f.compared, r.compared);
    EXPECT_NEAR(f.stats.Mean, 0.10, 0.005);
}

// The plane of SlopingPlane as a raster over the survey, `below` metres deeper, in the
// given system.
Surface PlaneRaster(const CoordinateSystem& crs, double below = 0) {
    Surface plane;
    plane.west = -10;
    plane.north = 230;
    plane.cellX = plane.cellY = 5;
    plane.nx = 66;
    plane.ny = 52;
    plane.elevation.resize(plane.Cells());
    for (int row = 0; row < plane.ny; ++row)
        for (int col = 0; col < plane.nx; ++col)
            plane.elevation[plane.Index(col, row)] =
                static_cast<float>(-(5.0 + 0.05 * plane.CentreX(col) + 0.05 * plane.CentreY(row)) - below);
    plane.crs = crs;
    return plane;
}

TEST(NodeCompare, AGivenRasterIsReadAndOneElsewhereIsRefused) {
    CVKDoc doc;
    test::BuildQcSurvey(doc, SlopingPlane());
    const LineSet lines = FindLines(doc, LineOptions{});
    const auto dir = std::filesystem::temp_directory_path() / ("aq_nodes_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);

    // The plane itself, 0.5 m deeper than the main lines, as a grid over the survey.
    Surface plane = PlaneRaster(CoordinateSystem{}, 0.5);
    const std::string path = (dir / "plane.tif").string();
    std::string error;
    ASSERT_TRUE(WriteSurface(plane, path, error)) << error;

    NodeOptions o;
    o.surfacePath = path;
    NodeResult r;
    ASSERT_TRUE(CompareNodes(doc, lines, o, r, error)) << error;
    // Every crossline sounding lies over the raster; the crosslines read 0.10 m deep and
    // the raster 0.50 m deep, so the crosslines are 0.40 m shallower than it.
    EXPECT_EQ(r.compared, r.crossSoundings);
    EXPECT_NEAR(r.stats.Mean, -0.40, 0.005);
    EXPECT_FALSE(r.stats.Pass[0]);
    EXPECT_EQ(r.mainSoundings, 0u);

    // The same raster moved a kilometre east holds no value under them.
    plane.west += 1000;
    const std::string away = (dir / "away.tif").string();
    ASSERT_TRUE(WriteSurface(plane, away, error)) << error;
    o.surfacePath = away;
    EXPECT_FALSE(CompareNodes(doc, lines, o, r, error));
    EXPECT_NE(error.find(away), std::string::npos) << error;
    EXPECT_NE(error.find("no value under any crossline sounding"), std::string::npos) << error;

    o.surfacePath = (dir / "missing.tif").string();
    EXPECT_FALSE(CompareNodes(doc, lines, o, r, error));
    EXPECT_NE(error.find("missing.tif"), std::string::npos) << error;
    std::filesystem::remove_all(dir);
}

// A raster says where its cells lie only in its own coordinate system: one in another
// than the survey's is refused, naming the file and both systems; our own rasters of the
// survey, in every format, are taken; one that names no system is taken with a warning.
TEST(NodeCompare, ARasterMustBeInTheSurveysCoordinateSystem) {
    const auto dir = std::filesystem::temp_directory_path() / ("aq_nodes_crs_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::string error;
    const auto compare = [&](const CVKDoc& doc, const std::string& path, NodeResult& r) {
        NodeOptions o;
        o.surfacePath = path;
        return CompareNodes(doc, FindLines(doc, LineOptions{}), o, r, error);
    };

    // Surveys on the transverse Mercator of Convert to UTM, on a UTM zone and on a
    // national grid.
    const std::pair<CrsKind, std::string> systems[] = {{CrsKind::TransverseMercator, ZoneCrs(31).Definition},
                                                       {CrsKind::Projected, "EPSG:32631"},
                                                       {CrsKind::Projected, "EPSG:27700"}};
    std::vector<CoordinateSystem> made;
    for (const auto& [kind, definition] : systems) {
        CVKDoc doc;
        test::BuildQcSurvey(doc, SlopingPlane());
        doc.Crs = SurveyCrs{kind, definition};
        const CoordinateSystem crs = DocumentCrs(doc);
        ASSERT_TRUE(crs.problem.empty()) << crs.problem;
        made.push_back(crs);
        for (const char* ext : {".tif", ".asc", ".xyz", ".bag"}) {
            const std::string path = (dir / ("own" + std::to_string(made.size()) + ext)).string();
            ASSERT_TRUE(WriteSurface(PlaneRaster(crs), path, error)) << error;
            NodeResult r;
            EXPECT_TRUE(compare(doc, path, r)) << crs.name << " " << ext << ": " << error;
            EXPECT_TRUE(r.warning.empty()) << r.warning;
            EXPECT_EQ(r.compared, r.crossSoundings) << ext;
        }
    }

    // The UTM survey against the national grid's raster, and the other way round.
    CVKDoc utm;
    test::BuildQcSurvey(utm, SlopingPlane());
    utm.Crs = SurveyCrs{CrsKind::Projected, "EPSG:32631"};
    const std::string british = (dir / "british.tif").string();
    ASSERT_TRUE(WriteSurface(PlaneRaster(made[2]), british, error)) << error;
    NodeResult r;
    EXPECT_FALSE(compare(utm, british, r));
    EXPECT_TRUE(r.surfaceRefused);
    EXPECT_NE(error.find("\"" + british + "\""), std::string::npos) << error;
    EXPECT_NE(error.find(made[2].name), std::string::npos) << error;
    EXPECT_NE(error.find(made[1].name), std::string::npos) << error;
    EXPECT_EQ(error.find("declare"), std::string::npos) << error;

    // A survey whose grid nobody named is told how to say it.
    CVKDoc unknown;
    test::BuildQcSurvey(unknown, SlopingPlane());
    EXPECT_FALSE(compare(unknown, british, r));
    EXPECT_TRUE(r.surfaceRefused);
    EXPECT_NE(error.find("declare"), std::string::npos) << error;

    // No system at all: taken, with a warning naming the file and the survey's system.
    const std::string bare = (dir / "bare.tif").string();
    ASSERT_TRUE(WriteSurface(PlaneRaster(CoordinateSystem{}), bare, error)) << error;
    ASSERT_TRUE(compare(utm, bare, r)) << error;
    EXPECT_FALSE(r.surfaceRefused);
    EXPECT_NE(r.warning.find("\"" + bare + "\" has no coordinate system"), std::string::npos) << r.warning;
    EXPECT_NE(r.warning.find(made[1].name), std::string::npos) << r.warning;
    EXPECT_NEAR(r.stats.Mean, 0.10, 0.005);

    // A raster that cannot be read is the surface's fault too; a survey without
    // crosslines is not.
    EXPECT_FALSE(compare(utm, (dir / "missing.tif").string(), r));
    EXPECT_TRUE(r.surfaceRefused);
    CVKDoc mainOnly;
    test::BuildQcSurvey(mainOnly, test::GridLayout(4, {}));
    NodeOptions o;
    o.surfacePath = british;
    EXPECT_FALSE(CompareNodes(mainOnly, FindLines(mainOnly, LineOptions{}), o, r, error));
    EXPECT_FALSE(r.surfaceRefused);
    std::filesystem::remove_all(dir);
}

TEST(NodeCompare, SurveysWithoutTheLinesItNeedsAreRefused) {
    // Main lines only.
    CVKDoc mainOnly;
    test::QcSurveyLayout layout = test::GridLayout(4, {});
    test::BuildQcSurvey(mainOnly, layout);
    NodeResult r;
    std::string error;
    EXPECT_FALSE(CompareNodes(mainOnly, FindLines(mainOnly, LineOptions{}), NodeOptions{}, r, error));
    EXPECT_NE(error.find("needs crosslines"), std::string::npos) << error;

    // Every line named a crossline: nothing to make the surface of.
    CVKDoc doc;
    test::BuildQcSurvey(doc, SlopingPlane());
    LineOptions all;
    all.CrossLines = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    EXPECT_FALSE(CompareNodes(doc, FindLines(doc, all), NodeOptions{}, r, error));
    EXPECT_NE(error.find("main lines to make a surface of"), std::string::npos) << error;

    // Crosslines that run beside the main lines, never over them.
    CVKDoc apart;
    test::QcSurveyLayout beside = test::GridLayout(4, {500, 600}, 0, 300, -20);
    test::BuildQcSurvey(apart, beside);
    EXPECT_FALSE(CompareNodes(apart, FindLines(apart, LineOptions{}), NodeOptions{}, r, error));
    EXPECT_NE(error.find("no value under any crossline sounding"), std::string::npos) << error;
}

TEST(NodeCompare, BilinearBetweenCellCentresAndEmptyCellsGiveNothing) {
    Surface s;
    s.west = 0;
    s.north = 20;
    s.cellX = s.cellY = 10;
    s.nx = s.ny = 2;
    s.elevation = {1, 2, 3, 4};  // north row, then south
    // The centres are (5, 15), (15, 15), (5, 5), (15, 5).
    EXPECT_DOUBLE_EQ(SurfaceValueAt(s, 5, 15), 1);
    EXPECT_DOUBLE_EQ(SurfaceValueAt(s, 15, 5), 4);
    EXPECT_DOUBLE_EQ(SurfaceValueAt(s, 10, 10), 2.5);
    EXPECT_DOUBLE_EQ(SurfaceValueAt(s, 12.5, 15), 1.75);
    EXPECT_TRUE(std::isnan(SurfaceValueAt(s, 4.9, 10)));   // outside the centres
    EXPECT_TRUE(std::isnan(SurfaceValueAt(s, 10, 15.1)));
    s.elevation[3] = NAN;
    EXPECT_TRUE(std::isnan(SurfaceValueAt(s, 10, 10)));
}

}  // namespace
}  // namespace aq::surface
