// SPDX-License-Identifier: GPL-3.0-or-later
// Volumes against a design or a second survey, on seabeds whose answers are known.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "surface/volume.h"
#include "volume_support.h"

namespace aq {
namespace {

using surface::Soundings;
using test::Level;
using test::Row;
using test::Every;
using test::EastLines;

surface::VolumeOptions Options(bool sections = false) {
    surface::VolumeOptions o;
    o.cell = 1;
    o.maxEdge = 8;
    if (sections) {
        o.sections = true;
        o.centreLine.x = {0, 100};
        o.centreLine.y = {30, 30};
        o.spacing = 10;
        o.width = 60;
        o.step = 0.5;
    }
    return o;
}

// Each method's figures within `tolerance` (a fraction) of the expected ones.
void ExpectFigures(const surface::VolumeResult& r, const std::string& method, double cut, double fill,
                   double tolerance) {
    const VolumeFigures& f = Row(r, method);
    EXPECT_NEAR(f.cut, cut, std::max(1e-6, cut * tolerance)) << method;
    EXPECT_NEAR(f.fill, fill, std::max(1e-6, fill * tolerance)) << method;
}

surface::VolumeResult Measure(const Soundings& s, const surface::Reference& ref, const surface::VolumeOptions& o) {
    surface::VolumeResult r;
    std::string error;
    EXPECT_TRUE(surface::MeasureVolumes(s, ref, o, r, error)) << error;
    return r;
}

// A flat seabed at -10 m against a design at -12 m over 100 m x 60 m: 12 000 m3 to dredge,
// and in the mirror case as much to fill, by every method.
TEST(Volumes, FlatSeabedAgainstADesignLevel) {
    const Soundings high = EastLines(Every(0, 60, 5), 0, 100, 1, [](double, double) { return -10.0; });
    surface::VolumeResult r = Measure(high, Level(-12), Options(true));
    for (const char* m : {"grid", "tin", "end-area", "prismoidal"}) {
        ExpectFigures(r, m, 12000, 0, 1e-9);
        EXPECT_NEAR(Row(r, m).cutArea, 6000, 1e-6) << m;
        EXPECT_EQ(Row(r, m).fillArea, 0) << m;
        EXPECT_NEAR(Row(r, m).uncovered, 0, 1e-6) << m;
    }
    const Soundings low = EastLines(Every(0, 60, 5), 0, 100, 1, [](double, double) { return -12.0; });
    r = Measure(low, Level(-10), Options(true));
    for (const char* m : {"grid", "tin", "end-area", "prismoidal"}) {
        ExpectFigures(r, m, 0, 12000, 1e-9);
        EXPECT_NEAR(Row(r, m).Net(), -12000, 1e-6) << m;
        EXPECT_NEAR(Row(r, m).fillArea, 6000, 1e-6) << m;
    }
}

// A plane sloping east through the design level: cut to the west of x = 40, fill east of
// it, each with its own area.
TEST(Volumes, SlopedPlaneSplitsIntoCutAndFill) {
    const Soundings s = EastLines(Every(0, 60, 5), 0, 100, 1, [](double x, double) { return -10 - 0.05 * x; });
    const surface::VolumeResult r = Measure(s, Level(-12), Options(true));
    for (const char* m : {"grid", "tin", "end-area", "prismoidal"}) {
        ExpectFigures(r, m, 2400, 5400, m[0] == 'g' || m[0] == 't' ? 1e-6 : 0.02);
        EXPECT_NEAR(Row(r, m).Net(), -3000, 3000 * (m[0] == 'g' || m[0] == 't' ? 1e-6 : 0.02)) << m;
    }
    // The sections see the plan areas only at their stations; the others exactly.
    for (const char* m : {"grid", "tin"}) {
        EXPECT_NEAR(Row(r, m).cutArea, 2400, 1e-6) << m;
        EXPECT_NEAR(Row(r, m).fillArea, 3600, 1e-6) << m;
    }
}

// A pyramid rising 4 m above the level from its 100 m x 60 m base: a third of base times
// height. Grid and TIN within 0.5 %, the sections within 2 %.
TEST(Volumes, PyramidAgainstALevel) {
    const auto pyramid = [](double x, double y) {
        return -12 + 4 * (1 - std::max(std::fabs(x - 50) / 50, std::fabs(y - 30) / 30));
    };
    const Soundings s = EastLines(Every(0, 60, 1), 0, 100, 1, pyramid);
    const surface::VolumeResult r = Measure(s, Level(-12), Options(true));
    ExpectFigures(r, "grid", 8000, 0, 0.005);
    ExpectFigures(r, "tin", 8000, 0, 0.005);
    ExpectFigures(r, "end-area", 8000, 0, 0.02);
    ExpectFigures(r, "prismoidal", 8000, 0, 0.02);
}

// A boundary whose corners are nowhere near a sounding cuts triangles and cells: the
// volume is the boundary's area times the depth of cut.
TEST(Volumes, BoundaryCutsTrianglesAndCells) {
    const Soundings s = EastLines(Every(0, 60, 5), 0, 100, 1, [](double, double) { return -10.0; });
    surface::VolumeOptions o = Options();
    std::string error;
    ASSERT_TRUE(surface::ParseBoundary("10.3,5.7 83.1,12.2 90.4,51.9 60.5,55.9 22.2,40.05", o.boundary, error)) << error;
    const double xs[] = {10.3, 83.1, 90.4, 60.5, 22.2}, ys[] = {5.7, 12.2, 51.9, 55.9, 40.05};
    double area = 0;
    for (int i = 0; i < 5; ++i) area += xs[i] * ys[(i + 1) % 5] - xs[(i + 1) % 5] * ys[i];
    area = std::fabs(area) / 2;
    const surface::VolumeResult r = Measure(s, Level(-12.5), o);
    ExpectFigures(r, "grid", 2.5 * area, 0, 1e-9);
    ExpectFigures(r, "tin", 2.5 * area, 0, 1e-9);
    EXPECT_NEAR(Row(r, "tin").cutArea, area, 1e-6);
    EXPECT_NEAR(Row(r, "tin").uncovered, 0, 1e-6);
    EXPECT_NEAR(r.areaMeasured, area, 1e-6);

    // A boundary reaching past the survey: what lies beyond is uncovered, not zero.
    ASSERT_TRUE(surface::ParseBoundary("-20 -10\n120 -10\n120 70\n-20 70", o.boundary, error)) << error;
    const surface::VolumeResult wide = Measure(s, Level(-12), o);
    for (const char* m : {"grid", "tin"}) {
        ExpectFigures(wide, m, 12000, 0, 1e-9);
        EXPECT_NEAR(Row(wide, m).uncovered, 140.0 * 80 - 6000, 1e-6) << m;
    }
}

// Two surveys of one sloping seabed on different lines, the second 0.25 m deeper: the
// first stands 0.25 m above it everywhere both are.
TEST(Volumes, TwoSurveysOfOneSeabedShiftedBy25cm) {
    const auto seabed = [](double x, double y) { return -8 - 0.03 * x + 0.02 * y; };
    const Soundings before = EastLines(Every(0, 60, 5), 0, 100, 1, seabed);
    const Soundings after =
        EastLines(Every(0, 60, 4), 0, 100, 0.7, [&](double x, double y) { return seabed(x, y) - 0.25; });
    surface::Reference ref;
    ref.kind = surface::ReferenceKind::Survey;
    ref.survey = after;
    const surface::VolumeResult r = Measure(before, ref, Options(true));
    // float levels: a few millimetres of rounding over the area.
    ExpectFigures(r, "grid", 1500, 0, 0.002);
    ExpectFigures(r, "tin", 1500, 0, 0.002);
    ExpectFigures(r, "end-area", 1500, 0, 0.02);
    ExpectFigures(r, "prismoidal", 1500, 0, 0.02);
    EXPECT_NEAR(Row(r, "tin").cutArea, 6000, 1e-3);
}

// Lines missing from the middle of the survey leave a gap wider than the longest edge:
// it is reported as uncovered within the boundary, and measures nothing.
TEST(Volumes, GapIsReportedAsUncovered) {
    std::vector<double> lines = Every(0, 25, 5);
    for (const double y : Every(35, 60, 5)) lines.push_back(y);
    const Soundings s = EastLines(lines, 0, 100, 1, [](double, double) { return -10.0; });
    surface::VolumeOptions o = Options(true);
    std::string error;
    ASSERT_TRUE(surface::ParseBoundary("0,0 100,0 100,60 0,60", o.boundary, error));
    const surface::VolumeResult r = Measure(s, Level(-12), o);
    for (const char* m : {"grid", "tin", "end-area", "prismoidal"}) {
        ExpectFigures(r, m, 10000, 0, 1e-6);
        EXPECT_NEAR(Row(r, m).uncovered, 1000, 1e-3) << m;
    }
}

// The overdepth allowance: material between the design and the allowance below it, where
// the seabed reaches below the design.
TEST(Volumes, OverdepthBelowTheDesign) {
    // -10 m in the west half, -12.2 m in the east half (a step), design -12, allowance 0.5.
    const Soundings s = EastLines(Every(0, 60, 5), 0, 100, 0.5, [](double x, double) { return x <= 50 ? -10.0 : -12.2; });
    surface::VolumeOptions o = Options();
    o.overdepth = 0.5;
    std::string error;
    ASSERT_TRUE(surface::ParseBoundary("0,0 40,0 40,60 0,60", o.boundary, error));
    surface::VolumeResult r = Measure(s, Level(-12), o);
    // Within the west part: 2 m above design over 2400 m2, the full allowance below it.
    ExpectFigures(r, "tin", 4800, 0, 1e-9);
    EXPECT_NEAR(Row(r, "tin").withinOverdepth, 0.5 * 2400, 1e-6);
    EXPECT_NEAR(Row(r, "grid").withinOverdepth, 0.5 * 2400, 1e-6);
    // East of the step only 0.3 m of the allowance is material.
    ASSERT_TRUE(surface::ParseBoundary("60,0 100,0 100,60 60,60", o.boundary, error));
    r = Measure(s, Level(-12), o);
    // (float levels: -12.2 m is not exact)
    ExpectFigures(r, "tin", 0, 0.2 * 2400, 1e-5);
    EXPECT_NEAR(Row(r, "tin").withinOverdepth, 0.3 * 2400, 1e-2);
}

// A design surface from a raster, linear between its cell centres: a flat survey over a
// design sloping north gives the mean difference times the area.
TEST(Volumes, DesignRasterIsLinearBetweenItsCentres) {
    const Soundings s = EastLines(Every(0, 60, 5), 0, 100, 1, [](double, double) { return -10.0; });
    surface::Reference ref;
    ref.kind = surface::ReferenceKind::Raster;
    surface::Surface& d = ref.raster;
    // Centres from -5 to 105 east and -5 to 65 north, every 10 m.
    d.west = -10, d.north = 70, d.cellX = d.cellY = 10, d.nx = 12, d.ny = 8;
    for (int row = 0; row < d.ny; ++row)
        for (int col = 0; col < d.nx; ++col) d.elevation.push_back(static_cast<float>(-12 - 0.02 * d.CentreY(row)));
    // The design from -12 m in the south to -13.2 m in the north: 2.6 m below on average.
    const surface::VolumeResult r = Measure(s, ref, Options(true));
    for (const char* m : {"grid", "tin", "end-area", "prismoidal"}) ExpectFigures(r, m, 2.6 * 6000, 0, 1e-5);
}

TEST(Volumes, RefusesWhatCannotBeMeasured) {
    const Soundings s = EastLines(Every(0, 60, 5), 0, 100, 1, [](double, double) { return -10.0; });
    surface::VolumeOptions o = Options();
    surface::VolumeResult r;
    std::string error;
    ASSERT_TRUE(surface::ParseBoundary("500,500 600,500 600,600", o.boundary, error));
    EXPECT_FALSE(surface::MeasureVolumes(s, Level(-12), o, r, error));
    EXPECT_NE(error.find("overlap"), std::string::npos) << error;

    // A design that lies elsewhere.
    surface::Reference far;
    far.kind = surface::ReferenceKind::Survey;
    far.survey = EastLines(Every(1000, 1060, 5), 1000, 1100, 1, [](double, double) { return -12.0; });
    EXPECT_FALSE(surface::MeasureVolumes(s, far, Options(), r, error));
    EXPECT_NE(error.find("do not overlap"), std::string::npos) << error;

    o = Options();
    o.cell = -1;
    EXPECT_FALSE(surface::MeasureVolumes(s, Level(-12), o, r, error));
    EXPECT_NE(error.find("cell"), std::string::npos) << error;

    // A boundary crossing itself, and listed coordinates that are not.
    ASSERT_TRUE(surface::ParseBoundary("0,0 100,60 100,0 0,60", o.boundary, error));
    o.cell = 1;
    EXPECT_FALSE(surface::MeasureVolumes(s, Level(-12), o, r, error));
    EXPECT_NE(error.find("not a valid polygon"), std::string::npos) << error;
    EXPECT_FALSE(surface::ParseBoundary("0,0 100,60 100", o.boundary, error));
    EXPECT_FALSE(surface::ParseBoundary("0,0 1,x 3,4", o.boundary, error));
    EXPECT_FALSE(surface::ParseBoundary("0,0 1,1", o.boundary, error));
}

// A survey triangulated in tiles measures what it measures whole.
TEST(Volumes, TilesMeasureAsTheWhole) {
    const Soundings s = EastLines(Every(0, 300, 3), 0, 400, 0.5, [](double x, double y) {
        return -10 + 1.5 * std::sin(x / 23) * std::cos(y / 17);
    });
    surface::VolumeOptions o = Options();
    o.grid = false;
    const surface::VolumeResult whole = Measure(s, Level(-10), o);
    o.tilePoints = 5000;
    const surface::VolumeResult tiled = Measure(s, Level(-10), o);
    EXPECT_NEAR(Row(tiled, "tin").cut, Row(whole, "tin").cut, 1e-6 * Row(whole, "tin").cut);
    EXPECT_NEAR(Row(tiled, "tin").fill, Row(whole, "tin").fill, 1e-6 * Row(whole, "tin").fill);
    EXPECT_NEAR(Row(tiled, "tin").compared, 120000, 1e-6);
}


// A DXF (R12, as CAD programs write for exchange) of 3D polylines, each a list of x y z.
std::string WriteTemplates(const std::string& name, const std::vector<std::vector<double>>& lines) {
    const std::string path = (std::filesystem::temp_directory_path() / name).string();
    std::ofstream out(path);
    out << "0\nSECTION\n2\nENTITIES\n";
    for (const std::vector<double>& l : lines) {
        out << "0\nPOLYLINE\n8\nTEMPLATES\n66\n1\n10\n0.0\n20\n0.0\n30\n0.0\n70\n8\n";
        for (size_t i = 0; i + 2 < l.size(); i += 3)
            out << "0\nVERTEX\n8\nTEMPLATES\n10\n" << l[i] << "\n20\n" << l[i + 1] << "\n30\n" << l[i + 2]
                << "\n70\n32\n";
        out << "0\nSEQEND\n8\nTEMPLATES\n";
    }
    out << "0\nENDSEC\n0\nEOF\n";
    return path;
}

// A channel's design as templates across it and lines along it that cross them between
// their vertices (no vertex of one on the other): the triangulation makes corners where
// they cross, which take the levels along the lines through them, so that the design has
// no holes. On a plane, the volume of a flat survey over it is the plane's mean depth
// below the survey times the area.
TEST(Volumes, CrossingDesignTemplatesLeaveNoHoles) {
    const auto plane = [](double x, double y) { return -12 - 0.01 * x + 0.02 * y; };
    std::vector<std::vector<double>> lines;
    // Templates across the channel (running north), their vertices at y = -10 and 70 only.
    for (const double x : {-10.0, 25.0, 55.0, 80.0, 110.0})
        lines.push_back({x, -10, plane(x, -10), x, 70, plane(x, 70)});
    // Lines along it (running east), crossing every template mid-segment.
    for (const double y : {-10.0, 12.5, 33.3, 51.7, 70.0})
        lines.push_back({-10, y, plane(-10, y), 110, y, plane(110, y)});
    const std::string path = WriteTemplates("aquenta_crossing_templates.dxf", lines);
    surface::Reference design;
    std::string error;
    ASSERT_TRUE(surface::ReadDesign(path, surface::CoordinateSystem{}, design, error)) << error;
    std::filesystem::remove(path);
    ASSERT_EQ(design.kind, surface::ReferenceKind::Tin);
    // Every crossing of the inner lines is a corner with a level on the plane.
    ASSERT_GE(design.tin.x.size(), 20u + 9u);
    for (size_t i = 0; i < design.tin.x.size(); ++i)
        EXPECT_NEAR(design.tin.z[i], plane(design.tin.x[i], design.tin.y[i]), 1e-9) << i;
    // The triangles cover the design's whole box.
    double area = 0;
    for (size_t t = 0; t < design.tin.Triangles(); ++t) {
        const uint32_t a = design.tin.triangles[3 * t], b = design.tin.triangles[3 * t + 1], c = design.tin.triangles[3 * t + 2];
        area += std::fabs((design.tin.x[b] - design.tin.x[a]) * (design.tin.y[c] - design.tin.y[a]) -
                          (design.tin.y[b] - design.tin.y[a]) * (design.tin.x[c] - design.tin.x[a])) / 2;
    }
    EXPECT_NEAR(area, 120.0 * 80, 1e-6);
    // The survey at -10 m over 100 m x 60 m: the plane's mean over it is -12 - 0.5 + 0.6.
    const Soundings s = EastLines(Every(0, 60, 5), 0, 100, 1, [](double, double) { return -10.0; });
    const surface::VolumeResult r = Measure(s, design, Options(true));
    for (const char* m : {"grid", "tin"}) {
        ExpectFigures(r, m, 1.9 * 6000, 0, 1e-6);
        EXPECT_NEAR(Row(r, m).uncovered, 0, 1e-6) << m;
    }
    ExpectFigures(r, "end-area", 1.9 * 6000, 0, 0.02);
}

// The grid's surface by TIN and the TIN method from one triangulation measure what each
// measures from its own, tiled or whole.
TEST(Volumes, GridAndTinTogetherMeasureAsApart) {
    const Soundings s = EastLines(Every(0, 240, 3), 0, 300, 1, [](double x, double y) {
        return -10 + 1.5 * std::sin(x / 23) * std::cos(y / 17);
    });
    for (const size_t tiles : {size_t{0}, size_t{3000}}) {
        surface::VolumeOptions o = Options();
        o.tilePoints = tiles;
        const surface::VolumeResult both = Measure(s, Level(-10), o);
        o.grid = false;
        const surface::VolumeResult tin = Measure(s, Level(-10), o);
        o.grid = true;
        o.tin = false;
        const surface::VolumeResult grid = Measure(s, Level(-10), o);
        for (const auto& [m, alone] : {std::pair{"tin", &tin}, std::pair{"grid", &grid}}) {
            EXPECT_NEAR(Row(both, m).cut, Row(*alone, m).cut, 1e-9 * Row(*alone, m).cut) << m << " " << tiles;
            EXPECT_NEAR(Row(both, m).fill, Row(*alone, m).fill, 1e-9 * Row(*alone, m).fill) << m << " " << tiles;
            EXPECT_NEAR(Row(both, m).compared, Row(*alone, m).compared, 1e-6) << m << " " << tiles;
        }
    }
}

// Tiles far from the origin (survey coordinates of a projected grid), on one thread and
// on two: the same triangles as one triangulation of it all, to the last digit.
TEST(Volumes, TilesOnOneThreadOrTwoMeasureAsTheWhole) {
    Soundings s = EastLines(Every(0, 300, 5), 0, 300, 0.25, [](double x, double y) {
        return -10 + 1.5 * std::sin(x / 23) * std::cos(y / 17);
    });
    // Along-track wander, rounded to the centimetre: points all but on a line.
    for (size_t i = 0; i < s.size(); ++i) {
        s.x[i] = std::round((s.x[i] + 500000 + 0.03 * std::sin(i * 1.7)) * 100) / 100;
        s.y[i] = std::round((s.y[i] + 5700000 + 0.05 * std::cos(i * 2.3)) * 100) / 100;
    }
    surface::VolumeOptions o = Options();
    o.grid = false;
    o.maxEdge = 15;
    const surface::VolumeResult whole = Measure(s, Level(-10), o);
    o.tilePoints = 6000;
    const surface::VolumeResult two = Measure(s, Level(-10), o);
    o.threads = 1;
    const surface::VolumeResult one = Measure(s, Level(-10), o);
    EXPECT_NEAR(Row(two, "tin").cut, Row(whole, "tin").cut, 1e-9 * Row(whole, "tin").cut);
    EXPECT_NEAR(Row(two, "tin").fill, Row(whole, "tin").fill, 1e-9 * Row(whole, "tin").fill);
    EXPECT_NEAR(Row(two, "tin").compared, Row(whole, "tin").compared, 1e-6);
    EXPECT_EQ(Row(one, "tin").cut, Row(two, "tin").cut);
    EXPECT_EQ(Row(one, "tin").compared, Row(two, "tin").compared);
}

}  // namespace
}  // namespace aq
