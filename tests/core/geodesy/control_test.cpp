// SPDX-License-Identifier: GPL-3.0-or-later
#include <cmath>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "geodesy/controlpoints.h"
#include "geodesy/utm.h"
#include "model/docfile.h"
#include "model/muldiv.h"
#include "model/projection.h"
#include "model/scriptedport.h"
#include "processing/recalc.h"
#include "support/builders.h"

namespace aq {
namespace {

constexpr double kPi = std::numbers::pi;

ControlPageValues Page(const std::string& name, double lat, double lon, double gx, double gy) {
    ControlPageValues v;
    v.Name = name;
    v.LatHemisphere = lat < 0 ? "S" : "N";
    v.LonHemisphere = lon < 0 ? "W" : "E";
    v.LatDeg = std::fabs(lat);
    v.LonDeg = std::fabs(lon);
    v.GridX = gx;
    v.GridY = gy;
    return v;
}

class ControlTest : public testing::Test {
protected:
    void SetUp() override { doc.KindFlags = REC_POSITION | REC_GEOGRAPHIC; }

    // Stations in a cross about 50.1 N 1.2 W (west, east, north, south, 1 km out), each
    // put on a site grid that is the projected plane scaled by `scale` and turned
    // clockwise by turns[i] degrees about the grid point (1000, 5000).
    void Stations(std::vector<double> turns, double scale = 1) {
        const double lats[] = {50.1, 50.1, 50.109, 50.091};
        const double lons[] = {-1.214, -1.186, -1.2, -1.2};
        const size_t n = turns.size();
        const double cm = ZoneCentralMeridian(-1.2);
        std::vector<ProjectedPoint> pr;
        ProjectedPoint centre;
        for (size_t i = 0; i < n; ++i) {
            pr.push_back(ProjectTM(DegToRad(lats[i]), DegToRad(lons[i]), cm));
            centre.E += pr.back().E / n;
            centre.N += pr.back().N / n;
        }
        for (size_t i = 0; i < n; ++i) {
            const double a = turns[i] * kPi / 180;
            const double dx = pr[i].E - centre.E, dy = pr[i].N - centre.N;
            const double gx = 1000 + scale * (dx * std::cos(a) + dy * std::sin(a));
            const double gy = 5000 + scale * (dy * std::cos(a) - dx * std::sin(a));
            ASSERT_TRUE(AddControl(doc, Page("S" + std::to_string(i), lats[i], lons[i], gx, gy), port));
        }
    }

    // The largest distance between a station's grid values and where the set maps it.
    double WorstMisfit() const {
        double worst = 0;
        for (const ClsqData& p : doc.Control.Points) {
            const GridPoint g = *doc.Control.ToLocalGrid(p.Latitude, p.Longitude);
            worst = std::max(worst, std::hypot(g.x - p.GridX, g.y - p.GridY));
        }
        return worst;
    }

    ScriptedPort port;
    CVKDoc doc;
};

TEST_F(ControlTest, DegreesMinutesSecondsAndHemispheres) {
    ControlPageValues v = Page("Pier", -33, 3, 0, 0);
    v.LatMin = 51;
    v.LatSec = 36;
    v.LonMin = 30;
    v.LonHemisphere = "W";
    ClsqData p;
    AcceptControlPage(p, v);
    EXPECT_DOUBLE_EQ(p.Longitude, -3.5);
    EXPECT_DOUBLE_EQ(p.Latitude, -(33 + 51 / 60.0 + 36 / 3600.0));
    v.LonHemisphere = "E";
    v.LatHemisphere = "N";
    AcceptControlPage(p, v);
    EXPECT_DOUBLE_EQ(p.Longitude, 3.5);
    EXPECT_GT(p.Latitude, 33.8);

    // The page opens with the station's values and "Use this station" checked.
    p.Use = 0;
    const ControlPageValues start = ControlPageStart(p);
    EXPECT_TRUE(start.Use);
    EXPECT_EQ(start.Name, "Pier");
    EXPECT_EQ(start.LonMin, 30);
}

TEST_F(ControlTest, OnePointDerivesNothingAndAnUncheckedOneIsDropped) {
    ASSERT_TRUE(AddControl(doc, Page("A", 50, -1, 100, 200), port));
    EXPECT_FALSE(doc.Control.ToLocalGrid(50, -1));
    EXPECT_EQ(doc.Control.ProjCentreE, 0);
    EXPECT_TRUE(doc.Modified);  // the points are saved with the survey
    ControlPageValues off = Page("B", 50, -1, 0, 0);
    off.Use = false;
    EXPECT_FALSE(AddControl(doc, off, port));
    EXPECT_EQ(doc.Control.Points.size(), 1u);
}

TEST_F(ControlTest, ScaleOfTwoPointsAndTheirSelfTest) {
    // 100.04 m apart in the projection for each 100 m on the grid, not turned.
    Stations({0, 0}, 100 / 100.04);
    const CVKlsq& set = doc.Control;
    EXPECT_NEAR(set.Scale, 100 / 100.04, 1e-12);
    EXPECT_NEAR(std::remainder(set.Rotation, 2 * kPi), 0, 1e-9);
    EXPECT_DOUBLE_EQ(set.CentralMeridian, DegToRad(-3));
    EXPECT_NEAR(set.GridCentreX, 1000, 1e-6);
    EXPECT_LT(WorstMisfit(), 1e-6);

    SelfTest(doc, port);
    std::vector<std::string> said = port.Texts();
    ASSERT_EQ(said.size(), 3u);
    char head[64];
    std::snprintf(head, sizeof head, "UTM ZONE 30\nScale %.3f Rotation %.3f", set.Scale, set.Rotation * 180 / kPi);
    EXPECT_EQ(said[0], head);
    // Zero misfits may print with a sign.
    for (std::string& s : said) std::erase(s, '-');
    EXPECT_EQ(said[1], "S0 Errors:\ndx = 0.00m dy = 0.00m");
    EXPECT_EQ(said[2], "S1 Errors:\ndx = 0.00m dy = 0.00m");
}

TEST_F(ControlTest, RotationsBothWaysAndAcrossNorth) {
    Stations({25, 25, 25}, 1.0003);
    EXPECT_NEAR(doc.Control.Rotation, 25 * kPi / 180, 1e-4);
    EXPECT_NEAR(doc.Control.Scale, 1.0003, 1e-6);
    EXPECT_LT(WorstMisfit(), 0.01);

    // A small turn the other way is just under a whole turn, and still maps correctly.
    doc.Control.Points.clear();
    Stations({-0.5, -0.5, -0.5});
    EXPECT_NEAR(doc.Control.Rotation, 2 * kPi - 0.5 * kPi / 180, 1e-4);
    EXPECT_LT(WorstMisfit(), 0.01);
    SelfTest(doc, port);
    EXPECT_NE(port.Texts().front().find("Rotation 359.500"), std::string::npos) << port.Texts().front();

    // Stations off by a degree either way give differences of 1 and 359 degrees: they
    // average to 0 as neighbours, not to 180 as opposites would.
    doc.Control.Points.clear();
    Stations({1, 1, -1, -1});
    const double r = doc.Control.Rotation;
    EXPECT_LT(std::min(r, 2 * kPi - r), 0.01 * kPi / 180) << r;
    EXPECT_LT(WorstMisfit(), 25);  // a degree at 1 km; half a turn would put it 2 km out
}

TEST_F(ControlTest, StationsOnTheProjectedCentreStayOutOfTheMeans) {
    // On the central meridian the northings of +-0.001 degrees cancel exactly, so the
    // middle station projects onto the centre.
    const double n = ProjectTM(DegToRad(0.001), DegToRad(3), DegToRad(3)).N;
    ASSERT_TRUE(AddControl(doc, Page("S", -0.001, 3, 500, 1000 - 0.5 * n), port));
    ASSERT_TRUE(AddControl(doc, Page("C", 0, 3, 500, 1000), port));
    ASSERT_TRUE(AddControl(doc, Page("N", 0.001, 3, 500, 1000 + 0.5 * n), port));
    ASSERT_EQ(doc.Control.Points[1].ProjN, doc.Control.ProjCentreN);
    EXPECT_DOUBLE_EQ(doc.Control.Scale, 0.5);
    EXPECT_DOUBLE_EQ(doc.Control.Rotation, 0);
    EXPECT_NEAR(doc.Control.ToLocalGrid(0.0005, 3)->y, 1000 + 0.25 * n, 1e-6);

    // With every station on the centre nothing is left to measure: the set keeps the
    // rotation and scale it had.
    doc.Control.Points.clear();
    doc.Control.Rotation = 0.25;
    doc.Control.Scale = 1.5;
    ASSERT_TRUE(AddControl(doc, Page("A", 50, -1, 10, 20), port));
    ASSERT_TRUE(AddControl(doc, Page("A again", 50, -1, 10, 20), port));
    EXPECT_EQ(doc.Control.Rotation, 0.25);
    EXPECT_EQ(doc.Control.Scale, 1.5);
}

TEST_F(ControlTest, EditControlDeletesWhatUseNoLongerKeeps) {
    Stations({0, 0, 0, 0});
    doc.SetModified(false, port);
    EditControl(doc, {}, port);  // Cancel
    EXPECT_EQ(doc.Control.Points.size(), 4u);
    EXPECT_FALSE(doc.Modified);

    // OK with "Use this station" unchecked on the second page.
    std::vector<std::optional<ControlPageValues>> pages(4);
    pages[1] = ControlPageStart(doc.Control.Points[1]);
    pages[1]->Use = false;
    pages[3] = ControlPageStart(doc.Control.Points[3]);
    pages[3]->Name = "Renamed";
    EditControl(doc, pages, port);
    ASSERT_EQ(doc.Control.Points.size(), 3u);
    EXPECT_EQ(doc.Control.Points[1].Name, "S2");
    EXPECT_EQ(doc.Control.Points[2].Name, "Renamed");
    EXPECT_TRUE(doc.Modified);

    // Stations stored with Use 0 go at any Edit Control, Cancel included, and the
    // derived values stay once fewer than two are left...
    doc.Control.Points[0].Use = 0;
    doc.Control.Points[2].Use = 0;
    EditControl(doc, {}, port);
    ASSERT_EQ(doc.Control.Points.size(), 1u);
    EXPECT_EQ(doc.Control.Points[0].Name, "S2");
    EXPECT_NEAR(doc.Control.Scale, 1, 1e-9);

    // ...unless their page is accepted, which always shows the station in use.
    doc.Control.Points[0].Use = 0;
    std::vector<std::optional<ControlPageValues>> one{ControlPageStart(doc.Control.Points[0])};
    EditControl(doc, one, port);
    ASSERT_EQ(doc.Control.Points.size(), 1u);
    EXPECT_EQ(doc.Control.Points[0].Use, 1);
}

TEST_F(ControlTest, ApplyControlMovesGeographicPositionsOntoTheGrid) {
    Stations({10, 10, 10}, 1.0002);
    const CVKlsq set = doc.Control;
    test::Append(doc, {test::Pos(test::At(10, 0, 0), -12000000, 501000000), test::Depth(test::At(10, 0, 1), 500),
                       test::Pos(test::At(10, 0, 2), -11990000, 501010000)});
    for (CVKData& r : doc.Records)
        if (r.Flags & REC_POSITION) r.Flags |= REC_GEOGRAPHIC;
    doc.KindFlags |= REC_GEOGRAPHIC;
    Recalculate(doc, port);
    doc.SetModified(false, port);

    ApplyControl(doc, port);
    EXPECT_FALSE(doc.IsGeographic());
    EXPECT_TRUE(doc.Modified);
    const GridPoint first = *set.ToLocalGrid(50.1, -1.2);
    const GridPoint last = *set.ToLocalGrid(50.101, -1.199);
    EXPECT_EQ(doc.Records[0].Flags, REC_POSITION);
    EXPECT_EQ(doc.Records[0].X, static_cast<int64_t>(first.x * 100));
    EXPECT_EQ(doc.Records[0].Y, static_cast<int64_t>(first.y * 100));
    EXPECT_EQ(doc.Records[2].X, static_cast<int64_t>(last.x * 100));
    // The depth between them is interpolated afresh, in grid centimetres.
    EXPECT_NEAR(doc.Records[1].X, (doc.Records[0].X + doc.Records[2].X) / 2, 1);
}

TEST_F(ControlTest, ConvertToUtmLeavesTheSetItsOwnMeridian) {
    // Stations about 1.2 W (zone 30), a survey about 6.5 E (zone 32) converted to UTM,
    // then File > New, which keeps the stations, and positions by the stations again.
    Stations({10, 10, 10}, 1.0002);
    const CVKlsq set = doc.Control;
    const auto fix = [](int64_t t, double lon, double lat) {
        return CVKData::OfPositionReal(t, lon, lat, 0, REC_POSITION | REC_GEOGRAPHIC, 0);
    };
    test::Append(doc, {fix(test::At(9, 0, 0), 6.5, 51.0), fix(test::At(9, 0, 1), 6.6, 51.0)});
    Recalculate(doc, port);
    ConvertToUtm(doc, port);
    EXPECT_DOUBLE_EQ(doc.Control.CentralMeridian, DegToRad(-3));
    doc.New(port);
    test::Append(doc, {fix(test::At(10, 0, 0), -1.2, 50.1), test::Depth(test::At(10, 0, 1), 500),
                       fix(test::At(10, 0, 2), -1.199, 50.101)});
    Recalculate(doc, port);
    const CVKData before = doc.Records[0];
    ApplyControl(doc, port);
    // Projected about 9 E against centres projected about 3 W, the first fix landed
    // hundreds of kilometres away.
    const GridPoint first = *set.ToLocalGrid(CoordToReal(before.Y, true), CoordToReal(before.X, true));
    EXPECT_EQ(doc.Records[0].X, TruncToInt32(first.x * 100.0));
    EXPECT_EQ(doc.Records[0].Y, TruncToInt32(first.y * 100.0));
    EXPECT_LT(WorstMisfit(), 0.01);
    SelfTest(doc, port);
    ASSERT_FALSE(port.Texts().empty());
    EXPECT_EQ(port.Texts().front().substr(0, 11), "UTM ZONE 30");
}

TEST_F(ControlTest, LoadingDerivesTheSetAgain) {
    Stations({0, 0});
    const CVKlsq derived = doc.Control;
    for (ClsqData& p : doc.Control.Points) p.ProjE = p.ProjN = 0;
    doc.Control.Scale = 7;
    const std::vector<uint8_t> bytes = SaveDocumentBytes(doc);

    CVKDoc back;
    ASSERT_TRUE(LoadDocumentBytes(back, bytes.data(), bytes.size()));
    EXPECT_EQ(back.Control.Points, derived.Points);
    EXPECT_DOUBLE_EQ(back.Control.Scale, derived.Scale);
    EXPECT_DOUBLE_EQ(back.Control.ProjCentreN, derived.ProjCentreN);
}

}  // namespace
}  // namespace aq
