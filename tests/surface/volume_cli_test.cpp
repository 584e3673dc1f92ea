// SPDX-License-Identifier: GPL-3.0-or-later
// volume and sections on the command line, as a user runs them.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "io/document.h"
#include "support/cli_runner.h"
#include "surface_support.h"

namespace aq {
namespace {

namespace fs = std::filesystem;
using test::CliResult;

class VolumeCli : public test::CliFixture {
protected:
    // Lines running east every `spacing` metres from y0 to y1, a sounding every metre from
    // x = 0 to 100, the seabed at level(x, y).
    std::string Survey(const std::string& name, double y0, double y1, double spacing,
                       const std::function<double(double, double)>& level, double xOffset = 0) const {
        std::vector<test::Sounding> points;
        for (double y = y0; y <= y1 + 1e-9; y += spacing)
            for (int i = 0; i <= 100; ++i) {
                const double x = std::min(100.0, i + xOffset);
                points.push_back({x, y, level(x, y)});
            }
        CVKDoc doc;
        test::AddSoundings(doc, points);
        const std::string path = File(name);
        EXPECT_TRUE(SaveDocument(doc, path, test::Quiet()));
        return path;
    }

    // The rows of the table printed, split at the tabs.
    static std::vector<std::vector<std::string>> Table(const std::string& out) {
        std::vector<std::vector<std::string>> rows;
        for (const std::string& line : test::Lines(out))
            if (!line.empty()) rows.push_back(test::Split(line, '\t'));
        return rows;
    }

    static const std::vector<std::string>* RowOf(const std::vector<std::vector<std::string>>& table, const std::string& m) {
        for (const auto& row : table)
            if (!row.empty() && row[0] == m) return &row;
        return nullptr;
    }

    static double Flat(double, double) { return -10; }
};

// The flat seabed at -10 m against a design at -12 m over 100 m x 60 m, by every method,
// and the same numbers in the CSV and the PDF report beside the table.
TEST_F(VolumeCli, DesignLevelByEveryMethodWithReportAndCsv) {
    const std::string survey = Survey("flat.son", 0, 60, 5, Flat);
    std::vector<std::string> args = {"open", survey, "volume", "--design-level", "-12", "--boundary-points",
                                     "0,0 100,0 100,60 0,60", "--centreline", "0,30,100,30", "--spacing", "10",
                                     "--width", "60", "--cell", "1", "--csv", File("v.csv"), "--difference",
                                     File("d.tif")};
#ifdef AQUENTA_PLOT
    // The report is drawn with Qt: a command line built without it refuses it.
    args.insert(args.end(), {"--report", File("v.pdf")});
#endif
    const CliResult r = Run(args);
    ASSERT_EQ(r.code, 0) << r.err;
    const auto table = Table(r.out);
    ASSERT_EQ(table.size(), 5u) << r.out;
    EXPECT_EQ(table[0], (std::vector<std::string>{"method", "cut_m3", "fill_m3", "net_m3", "cut_area_m2",
                                                  "fill_area_m2", "uncovered_m2", "diff_pct"}));
    for (const char* m : {"grid", "tin", "end-area", "prismoidal"}) {
        const auto* row = RowOf(table, m);
        ASSERT_TRUE(row) << m;
        EXPECT_EQ((*row)[1], "12000.00") << m;
        EXPECT_EQ((*row)[2], "0.00") << m;
        EXPECT_EQ((*row)[3], "12000.00") << m;
        EXPECT_EQ((*row)[4], "6000.00") << m;
        EXPECT_EQ((*row)[6], "0.00") << m;
        EXPECT_EQ((*row)[7], "0.00") << m;
    }
    // The CSV holds the printed rows word for word.
    const std::string csv = test::ReadAll(File("v.csv"));
    for (const auto& row : table) {
        std::string line;
        for (size_t i = 0; i < row.size(); ++i) line += (i ? "," : "") + row[i];
        EXPECT_NE(csv.find(line + "\n"), std::string::npos) << line << "\n" << csv;
    }
    EXPECT_NE(csv.find("input,Reference,design level -12 m"), std::string::npos) << csv;
#ifdef AQUENTA_PLOT
    EXPECT_EQ(test::ReadAll(File("v.pdf")).substr(0, 5), "%PDF-");
#endif
    const test::Raster d = test::ReadRaster(File("d.tif"));
    ASSERT_TRUE(d.ok);
    EXPECT_FLOAT_EQ(d.At(0, d.nx / 2, d.ny / 2), 2.0f);
}

// The mirror case, and two surveys of one seabed 0.25 m apart.
TEST_F(VolumeCli, FillAndASecondSurvey) {
    const std::string low = Survey("low.son", 0, 60, 5, [](double, double) { return -12.0; });
    CliResult r = Run({"open", low, "volume", "--design-level", "-10", "--cell", "1"});
    ASSERT_EQ(r.code, 0) << r.err;
    auto table = Table(r.out);
    for (const char* m : {"grid", "tin"}) {
        ASSERT_TRUE(RowOf(table, m)) << r.out;
        EXPECT_EQ((*RowOf(table, m))[2], "12000.00") << m;
        EXPECT_EQ((*RowOf(table, m))[3], "-12000.00") << m;
    }
    // Levels to the centimetre at every sounding of both (the records hold centimetres).
    const auto seabed = [](double x, double y) { return -8 - 0.02 * x + 0.02 * y; };
    const std::string before = Survey("before.son", 0, 60, 5, seabed);
    const std::string after = Survey("after.son", 0, 60, 4, [&](double x, double y) { return seabed(x, y) - 0.25; }, 0.5);
    r = Run({"open", before, "volume", "--against", after, "--cell", "1", "--max-edge", "8"});
    ASSERT_EQ(r.code, 0) << r.err;
    table = Table(r.out);
    for (const char* m : {"grid", "tin"}) {
        ASSERT_TRUE(RowOf(table, m)) << r.out;
        EXPECT_NEAR(std::stod((*RowOf(table, m))[1]), 1500, 1500 * 0.005) << m;
    }
}

// Boundaries from files GDAL reads; one that does not close, one GDAL cannot read and a
// design in another system are refused with the reason.
TEST_F(VolumeCli, BoundaryFilesAndBadInput) {
    const std::string survey = Survey("flat.son", 0, 60, 5, Flat);
    ASSERT_EQ(Run({"open", survey, "crs", "EPSG:32631", "save", File("utm.son")}).code, 0);
    // A polygon in the survey's own system.
    {
        std::ofstream f(File("area.geojson"));
        f << R"({"type":"FeatureCollection","crs":{"type":"name","properties":{"name":"EPSG:32631"}},"features":[)"
             R"({"type":"Feature","properties":{},"geometry":)"
             R"({"type":"Polygon","coordinates":[[[20,10],[80,10],[80,50],[20,50],[20,10]]]}}]})";
    }
    CliResult r = Run({"open", File("utm.son"), "volume", "--design-level", "-12", "--boundary", File("area.geojson"),
                       "--cell", "1", "--method", "tin"});
    ASSERT_EQ(r.code, 0) << r.err;
    auto table = Table(r.out);
    ASSERT_TRUE(RowOf(table, "tin")) << r.out;
    EXPECT_EQ((*RowOf(table, "tin"))[1], "4800.00");
    // A survey on a local grid has no relation to a file in another system.
    r = Run({"open", survey, "volume", "--design-level", "-12", "--boundary", File("area.geojson")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("local grid"), std::string::npos) << r.err;

    {
        std::ofstream f(File("open.geojson"));
        f << R"({"type":"FeatureCollection","crs":{"type":"name","properties":{"name":"EPSG:32631"}},"features":[)"
             R"({"type":"Feature","properties":{},"geometry":)"
             R"({"type":"LineString","coordinates":[[20,10],[80,10],[80,50]]}}]})";
    }
    r = Run({"open", File("utm.son"), "volume", "--design-level", "-12", "--boundary", File("open.geojson")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("does not close"), std::string::npos) << r.err;

    {
        std::ofstream f(File("junk.gpkg"));
        f << "not a geopackage";
    }
    r = Run({"open", survey, "volume", "--design-level", "-12", "--boundary", File("junk.gpkg")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find(File("junk.gpkg")), std::string::npos) << r.err;

    r = Run({"open", survey, "volume", "--design-level", "-12", "--boundary-points", "500,500 600,500 600,600"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("does not overlap the survey"), std::string::npos) << r.err;

    // A design raster in another system than the survey's.
    r = Run({"open", survey, "grid", File("design.tif"), "--cell", "5", "--crs", "EPSG:27700"});
    ASSERT_EQ(r.code, 0) << r.err;
    r = Run({"open", File("utm.son"), "volume", "--design", File("design.tif")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("one coordinate system"), std::string::npos) << r.err;
    // In its own system it is taken: the design is the survey's own surface, nothing to move.
    r = Run({"open", survey, "grid", File("same.tif"), "--cell", "5", "--crs", "EPSG:32631"});
    ASSERT_EQ(r.code, 0) << r.err;
    r = Run({"open", File("utm.son"), "volume", "--design", File("same.tif"), "--method", "tin"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ((*RowOf(Table(r.out), "tin"))[3], "0.00") << r.out;
    // So is a BAG, whose system carries a vertical part beside the survey's grid.
    r = Run({"open", survey, "grid", File("same.bag"), "--cell", "5", "--crs", "EPSG:32631"});
    ASSERT_EQ(r.code, 0) << r.err;
    r = Run({"open", File("utm.son"), "volume", "--design", File("same.bag"), "--method", "tin"});
    ASSERT_EQ(r.code, 0) << r.err;

    // Usage.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"volume"}, {"volume", "--design-level", "-1", "--design", "x.tif"},
          {"volume", "--design-level", "-1", "--method", "simpson"},
          {"volume", "--design-level", "-1", "--method", "sections"},
          {"volume", "--design-level", "-1", "--overdepth", "-1"},
          {"sections", "s.txt", "--centreline", "0,0,1,1", "--spacing", "1", "--width", "1"}}) {
        std::vector<std::string> all = {"open", survey};
        all.insert(all.end(), args.begin(), args.end());
        EXPECT_EQ(Run(all).code, 2) << args[0] << " " << (args.size() > 2 ? args[2] : "");
    }
}

// Sections as sheets (one PNG a sheet of three) and as CSV points.
TEST_F(VolumeCli, SectionSheetsAndPoints) {
    const std::string survey = Survey("slope.son", 0, 60, 5, [](double x, double) { return -10 - 0.05 * x; });
    const std::string after = Survey("after.son", 0, 60, 5, [](double x, double) { return -10.5 - 0.05 * x; });
    CliResult r;
#ifdef AQUENTA_PLOT
    r = Run({"open", survey, "sections", File("s.png"), "--centreline", "0,30,100,30", "--spacing", "20", "--width",
             "60", "--design-level", "-12", "--against", after});
    ASSERT_EQ(r.code, 0) << r.err;
    // Six sections: two sheets.
    EXPECT_TRUE(fs::exists(File("s.png")));
    EXPECT_TRUE(fs::exists(File("s-2.png")));
    EXPECT_FALSE(fs::exists(File("s-3.png")));
    EXPECT_EQ(test::ReadAll(File("s.png")).substr(1, 3), "PNG");
#endif

    r = Run({"open", survey, "sections", File("s.csv"), "--centreline", "0,30,100,30", "--spacing", "20", "--width",
             "60", "--step", "1", "--design-level", "-12", "--against", after});
    ASSERT_EQ(r.code, 0) << r.err;
    const auto lines = test::Lines(test::ReadAll(File("s.csv")));
    ASSERT_EQ(lines.size(), 1u + 6 * 61);
    EXPECT_EQ(lines[0], "section,chainage_m,offset_m,x,y,survey,against,design");
    // Section 2 at chainage 20 (x = 20): survey -11, the second survey -11.5, design -12.
    bool found = false;
    for (const std::string& line : lines) {
        const auto w = test::Split(line, ',');
        if (w.size() == 8 && w[0] == "2" && w[2] == "0.00") {
            found = true;
            EXPECT_EQ(w[1], "20.00");
            EXPECT_NEAR(std::stod(w[3]), 20, 1e-6);
            EXPECT_NEAR(std::stod(w[5]), -11, 1e-3);
            EXPECT_NEAR(std::stod(w[6]), -11.5, 1e-3);
            EXPECT_NEAR(std::stod(w[7]), -12, 1e-9);
        }
    }
    EXPECT_TRUE(found);
#ifdef AQUENTA_PLOT
    r = Run({"open", survey, "sections", File("s.pdf"), "--centreline", "0,30,100,30", "--spacing", "20", "--width",
             "60", "--design-level", "-12"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(test::ReadAll(File("s.pdf")).substr(0, 5), "%PDF-");
#else
    r = Run({"open", survey, "sections", File("s.pdf"), "--centreline", "0,30,100,30", "--spacing", "20", "--width",
             "60", "--design-level", "-12"});
    EXPECT_NE(r.code, 0);
    EXPECT_NE(r.err.find("write a .csv"), std::string::npos) << r.err;
#endif
}

}  // namespace
}  // namespace aq
