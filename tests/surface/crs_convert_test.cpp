// SPDX-License-Identifier: GPL-3.0-or-later
// Convert to Coordinate System against PROJ's own tools, its undo, and what it refuses.
#include <cmath>
#include <string>
#include <vector>

#include <proj.h>

#include <gtest/gtest.h>

#include "crs_support.h"
#include "geodesy/controlpoints.h"
#include "geodesy/utm.h"
#include "history/history.h"
#include "model/projection.h"
#include "model/scriptedport.h"
#include "surface/convertcrs.h"
#include "surface/crs.h"

namespace aq {
namespace {

// The stored fields of every record, and the document state a conversion changes.
struct Stored {
    std::vector<std::array<int64_t, 4>> records;  // Time, X, Y, Flags
    uint16_t kindFlags = 0;
    SurveyCrs crs;
    bool operator==(const Stored&) const = default;
};

Stored StoredOf(const CVKDoc& doc) {
    Stored s;
    for (const CVKData& r : doc.Records) s.records.push_back({r.Time, r.X, r.Y, r.Flags});
    s.kindFlags = doc.KindFlags;
    s.crs = doc.Crs;
    return s;
}

// Whole centimetres hold a coordinate to half a centimetre; a millimetre more is PROJ's
// own difference from cs2cs, which is none.
constexpr double kCentimetreRounding = 0.005 + 0.001;

class CrsConvertTest : public testing::Test {
protected:
    ScriptedPort port;
    CVKDoc doc;
};

TEST_F(CrsConvertTest, TransverseMercatorDefinitionIsConvertToUtmsOwnProjection) {
    // PROJ's tmerc with the recorded definition against the program's series, over a
    // zone's width from the tropics to the high north and south.
    PJ_CONTEXT* ctx = proj_context_create();
    PJ* op = proj_create_crs_to_crs(ctx, "EPSG:4326", ZoneCrs(31).Definition.c_str(), nullptr);
    ASSERT_NE(op, nullptr);
    PJ* norm = proj_normalize_for_visualization(ctx, op);
    ASSERT_NE(norm, nullptr);
    const double meridian = DegToRad(3.0);
    for (double lat : {-70.0, -45.0, -10.0, 0.0, 0.5, 30.0, 50.1, 60.0, 72.0}) {
        for (double dlon : {-3.0, -2.2, -0.7, 0.0, 0.3, 1.5, 3.0}) {
            const PJ_COORD p = proj_trans(norm, PJ_FWD, proj_coord(3.0 + dlon, lat, 0, 0));
            const ProjectedPoint ours = ProjectTM(DegToRad(lat), DegToRad(3.0 + dlon), meridian);
            EXPECT_NEAR(ours.E, p.xy.x, 0.001) << lat << " " << dlon;
            EXPECT_NEAR(ours.N, p.xy.y, 0.001) << lat << " " << dlon;
        }
    }
    proj_destroy(norm);
    proj_destroy(op);
    proj_context_destroy(ctx);
}

TEST_F(CrsConvertTest, ToUtmZone31AndOnToTheNationalGridAgreeWithCs2cs) {
    test::GeographicSurvey(doc, test::Zone31Points());
    const std::vector<CVKData> before = doc.Records;
    std::vector<std::pair<double, double>> latLon;
    for (const CVKData& r : before) latLon.emplace_back(CoordToReal(r.Y, true), CoordToReal(r.X, true));
    const auto expected = test::Cs2cs("EPSG:4326", "EPSG:32631", latLon);
    if (expected.size() != before.size()) GTEST_SKIP() << "cs2cs is not at hand";

    ASSERT_TRUE(surface::ConvertToCrs(doc, "EPSG:32631", port));
    EXPECT_TRUE(port.messages.empty()) << port.Texts()[0];
    EXPECT_FALSE(doc.IsGeographic());
    EXPECT_EQ(doc.Crs, (SurveyCrs{CrsKind::Projected, "EPSG:32631"}));
    // Every record, the deleted ones too, kept and converted.
    ASSERT_EQ(doc.Records.size(), before.size());
    for (size_t i = 0; i < before.size(); ++i) {
        const CVKData& r = doc.Records[i];
        EXPECT_EQ(r.IsDeleted(), before[i].IsDeleted()) << i;
        EXPECT_FALSE(r.Has(REC_GEOGRAPHIC)) << i;
        if (r.IsLive(REC_DEPTH)) continue;  // interpolated again from the converted positions
        if (before[i].X == 0 && before[i].Y == 0) {
            // A record that never had a position keeps none.
            EXPECT_TRUE(r.X == 0 && r.Y == 0) << i;
            continue;
        }
        EXPECT_NEAR(r.X / 100.0, expected[i].first, kCentimetreRounding) << i;
        EXPECT_NEAR(r.Y / 100.0, expected[i].second, kCentimetreRounding) << i;
    }

    // On from one EPSG system to another, through the datum transformation PROJ picks.
    std::vector<std::pair<double, double>> utm;
    for (const CVKData& r : doc.Records) utm.emplace_back(r.X / 100.0, r.Y / 100.0);
    const auto grid = test::Cs2cs("EPSG:32631", "EPSG:27700", utm);
    ASSERT_EQ(grid.size(), utm.size());
    ASSERT_TRUE(surface::ConvertToCrs(doc, "27700", port));
    // Marseille lies far outside the British grid's area: converted, with a warning.
    ASSERT_EQ(port.messages.size(), 1u);
    EXPECT_NE(port.messages[0].text.find("outside the area EPSG:27700 (OSGB36 / British National Grid)"),
              std::string::npos)
        << port.messages[0].text;
    for (size_t i = 0; i < doc.Records.size(); ++i) {
        if (doc.Records[i].IsLive(REC_DEPTH) || before[i].X == 0) continue;
        EXPECT_NEAR(doc.Records[i].X / 100.0, grid[i].first, kCentimetreRounding) << i;
        EXPECT_NEAR(doc.Records[i].Y / 100.0, grid[i].second, kCentimetreRounding) << i;
    }
    EXPECT_EQ(surface::DocumentCrs(doc).epsg, 27700);
}

TEST_F(CrsConvertTest, AGridWhoseAxesAreNorthingFirstStillGetsEastingsInX) {
    // NZTM 2000 lists northing before easting; the survey's X stays the easting.
    test::GeographicSurvey(doc, {{174.7633, -36.8485}, {174.77, -36.85}, {172.6362, -43.5321}, {168.6626, -45.0312}});
    std::vector<std::pair<double, double>> latLon;
    for (const CVKData& r : doc.Records) latLon.emplace_back(CoordToReal(r.Y, true), CoordToReal(r.X, true));
    const auto northEast = test::Cs2cs("EPSG:4326", "EPSG:2193", latLon);
    if (northEast.size() != latLon.size()) GTEST_SKIP() << "cs2cs is not at hand";
    ASSERT_TRUE(surface::ConvertToCrs(doc, "EPSG:2193", port));
    for (size_t i = 0; i < doc.Records.size(); i += 2) {
        EXPECT_NEAR(doc.Records[i].X / 100.0, northEast[i].second, kCentimetreRounding) << i;
        EXPECT_NEAR(doc.Records[i].Y / 100.0, northEast[i].first, kCentimetreRounding) << i;
    }
}

TEST_F(CrsConvertTest, FromConvertToUtmAddsTheFalseEasting) {
    test::GeographicSurvey(doc, {{1.2, 50.1}, {1.21, 50.11}, {2.9, 50.2}, {3.4, 49.9}, {5.9, 51.0}});
    ConvertToUtm(doc, port);
    const std::vector<CVKData> tm = doc.Records;
    ASSERT_TRUE(surface::ConvertToCrs(doc, "EPSG:32631", port));
    for (size_t i = 0; i < tm.size(); ++i) {
        if (!tm[i].Has(REC_POSITION)) continue;
        // Both on WGS 84, the same meridian and scale: only the false easting differs.
        EXPECT_NEAR(doc.Records[i].X, tm[i].X + 50000000, 1) << i;
        EXPECT_NEAR(doc.Records[i].Y, tm[i].Y, 1) << i;
    }
}

TEST_F(CrsConvertTest, ANationalGridWithoutADatumTransformationIsConvertedWithAWarning) {
    // Belgium in the Belge Lambert 50 of BD50, to which PROJ knows no way from WGS 84
    // but a guess: the survey may lie metres out, and the user must hear it.
    test::GeographicSurvey(doc, {{4.35, 50.85}, {4.36, 50.85}, {4.37, 50.86}, {4.38, 50.86}});
    ASSERT_TRUE(surface::ConvertToCrs(doc, "EPSG:21500", port));
    ASSERT_EQ(port.messages.size(), 1u);
    EXPECT_EQ(port.messages[0].severity, Severity::Warning);
    EXPECT_EQ(port.messages[0].text.rfind("PROJ knows no datum transformation to EPSG:21500 (BD50 (Brussels) / "
                                          "Belge Lambert 50)", 0),
              0u)
        << port.messages[0].text;
}

TEST_F(CrsConvertTest, UndoRestoresEveryRecordAndTheSystem) {
    test::GeographicSurvey(doc, test::Zone31Points());
    UndoHistory history;
    for (const char* target : {"EPSG:32631", "EPSG:2154"}) {
        const Stored before = StoredOf(doc);
        ASSERT_TRUE(Undoable(&history, doc, "Convert to Coordinate System", UndoScope::Records, port,
                             [&] { return surface::ConvertToCrs(doc, target, port); }));
        const Stored after = StoredOf(doc);
        ASSERT_NE(after, before);
        ASSERT_TRUE(history.Undo(doc, port));
        EXPECT_EQ(StoredOf(doc), before) << target;
        EXPECT_EQ(CurrentCrs(doc), before.crs.Recorded() ? before.crs : GeographicCrs());
        ASSERT_TRUE(history.Redo(doc, port));
        EXPECT_EQ(StoredOf(doc), after) << target;
    }
    // A declaration is a step of its own too.
    const Stored converted = StoredOf(doc);
    ASSERT_TRUE(Undoable(&history, doc, "Coordinate System", UndoScope::Records, port,
                         [&] { return surface::DeclareCrs(doc, "EPSG:32631", port); }));
    EXPECT_EQ(doc.Crs.Definition, "EPSG:32631");
    ASSERT_TRUE(history.Undo(doc, port));
    EXPECT_EQ(StoredOf(doc), converted);
}

TEST_F(CrsConvertTest, RefusesWithAReasonAndChangesNothing) {
    test::GeographicSurvey(doc, test::Zone31Points());
    struct Case {
        const char* target;
        const char* words;
    };
    for (const Case& c : {Case{"EPSG:999999", "EPSG:999999 is not a coordinate system PROJ knows"},
                          Case{"EPSG:4326", "EPSG:4326 (WGS 84) is a geographic system"},
                          Case{"EPSG:2263", "measures in US survey foot"},
                          Case{"EPSG:7405", "compound system, with heights; give its horizontal part, EPSG:27700."},
                          Case{"EPSG:5701", "is not a coordinate system of eastings and northings"},
                          Case{"UTM31", "\"UTM31\" is not an EPSG code"}}) {
        port.messages.clear();
        const Stored before = StoredOf(doc);
        EXPECT_FALSE(surface::ConvertToCrs(doc, c.target, port)) << c.target;
        ASSERT_EQ(port.messages.size(), 1u) << c.target;
        EXPECT_EQ(port.messages[0].severity, Severity::Error);
        EXPECT_NE(port.messages[0].text.find(c.words), std::string::npos) << port.messages[0].text;
        EXPECT_EQ(StoredOf(doc), before);
    }

    // Positions PROJ cannot project, or that the survey could not hold: the first is named.
    for (const auto& [lonLat, target, words] :
         {std::tuple{std::pair{89.0, 0.0}, "EPSG:32631", "PROJ cannot convert record 4 ("},
          std::tuple{std::pair{170.0, 0.0}, "EPSG:32731", "record 4 ("}}) {
        CVKDoc far;
        ScriptedPort said;
        test::GeographicSurvey(far, {{1.2, 50.1}, {1.3, 50.2}, lonLat, {1.4, 50.3}});
        const Stored before = StoredOf(far);
        EXPECT_FALSE(surface::ConvertToCrs(far, target, said));
        ASSERT_EQ(said.messages.size(), 1u);
        EXPECT_NE(said.messages[0].text.find(words), std::string::npos) << said.messages[0].text;
        EXPECT_EQ(StoredOf(far), before);
    }

    // A grid with no known relation to the earth: the site grid, and a grid nobody named.
    ControlPageValues a, b;
    a.Name = "A";
    a.LonDeg = 1.19;
    a.LatDeg = 50.09;
    b.Name = "B";
    b.LonDeg = 1.21;
    b.LatDeg = 50.11;
    b.GridX = b.GridY = 2000;
    AddControl(doc, a, port);
    AddControl(doc, b, port);
    ApplyControl(doc, port);
    port.messages.clear();
    EXPECT_FALSE(surface::ConvertToCrs(doc, "EPSG:32631", port));
    ASSERT_EQ(port.messages.size(), 1u);
    EXPECT_NE(port.messages[0].text.find("local site grid"), std::string::npos) << port.messages[0].text;
    doc.Crs = SurveyCrs{};
    doc.Control = CVKlsq{};
    port.messages.clear();
    EXPECT_FALSE(surface::ConvertToCrs(doc, "EPSG:32631", port));
    ASSERT_EQ(port.messages.size(), 1u);
    EXPECT_NE(port.messages[0].text.find("no recorded coordinate system"), std::string::npos);
}

TEST_F(CrsConvertTest, DeclaringTheSystemOfAGridSurvey) {
    test::GeographicSurvey(doc, test::Zone31Points());
    EXPECT_FALSE(surface::DeclareCrs(doc, "EPSG:27700", port));
    EXPECT_NE(port.Texts().back().find("The survey is geographic"), std::string::npos);
    EXPECT_FALSE(doc.Crs.Recorded());

    ConvertToUtm(doc, port);
    doc.Crs = SurveyCrs{};  // as a survey saved before systems were kept
    EXPECT_TRUE(surface::DeclareCrs(doc, "+proj=tmerc +lon_0=3 +k=0.9996 +datum=WGS84 +units=m", port));
    EXPECT_EQ(doc.Crs.Kind, CrsKind::Projected);
    EXPECT_EQ(doc.Crs.Definition.rfind("PROJCRS[", 0), 0u) << doc.Crs.Definition;
    // Now known, it converts.
    ASSERT_TRUE(surface::ConvertToCrs(doc, "EPSG:32631", port));
    EXPECT_EQ(surface::DocumentCrs(doc).name, "WGS 84 / UTM zone 31N");

    EXPECT_TRUE(surface::DeclareCrs(doc, "32631", port));
    EXPECT_EQ(doc.Crs.Definition, "EPSG:32631");
    EXPECT_FALSE(surface::DeclareCrs(doc, "EPSG:2263", port));
    EXPECT_FALSE(surface::DeclareCrs(doc, "EPSG:4258", port));
    EXPECT_EQ(doc.Crs.Definition, "EPSG:32631");
    // A local engineering system may be declared (a site grid from elsewhere).
    EXPECT_TRUE(surface::DeclareCrs(doc, UnknownGridCrs().Definition, port));
    EXPECT_EQ(doc.Crs.Kind, CrsKind::LocalGrid);
}

}  // namespace
}  // namespace aq
