// SPDX-License-Identifier: GPL-3.0-or-later
#include <cmath>

#include <gtest/gtest.h>

#include "geodesy/utm.h"
#include "model/projection.h"
#include "model/scriptedport.h"
#include "processing/recalc.h"
#include "support/builders.h"

namespace aq {
namespace {

using test::At;

CVKData Geo(int64_t t, double lon, double lat) {
    return CVKData::OfPosition(t, static_cast<int32_t>(lon * 1e7), static_cast<int32_t>(lat * 1e7), 250,
                               REC_POSITION | REC_GEOGRAPHIC, 0);
}

class UtmTest : public testing::Test {
protected:
    // Where the record's stored degrees project to, in stored centimetres.
    static std::pair<int64_t, int64_t> Expected(const CVKData& r, double lambda0) {
        const ProjectedPoint p = ProjectTM(DegToRad(r.Y / 1e7), DegToRad(r.X / 1e7), lambda0);
        return {static_cast<int64_t>(std::trunc(p.E * 100)), static_cast<int64_t>(std::trunc(p.N * 100))};
    }

    ScriptedPort port;
    CVKDoc doc;
};

TEST_F(UtmTest, ConvertsEveryPositionIntoTheZoneOfTheMiddle) {
    // South of the equator and west of the 3 E meridian: both coordinates negative.
    CVKData grid = CVKData::OfPosition(At(10, 0, 3), 22000000, -330050000, 0, REC_POSITION, 0);
    grid.Flags |= 0x1000;
    test::Append(doc, {Geo(At(10, 0, 0), 2.1, -33.0), test::Depth(At(10, 0, 1), 800),
                       test::Deleted(Geo(At(10, 0, 2), 2.15, -33.002)), grid, Geo(At(10, 0, 4), 2.3, -33.01)});
    Recalculate(doc, port);
    ASSERT_TRUE(doc.IsGeographic());
    const std::vector<CVKData> before = doc.Records;
    doc.SetModified(false, port);

    ConvertToUtm(doc, port);
    const double lambda0 = DegToRad(3);
    // The control-point set is not the data's: its meridian stays as it was.
    EXPECT_EQ(doc.Control.CentralMeridian, 0.0);
    EXPECT_FALSE(doc.IsGeographic());
    EXPECT_TRUE(doc.Modified);
    ASSERT_EQ(doc.Records.size(), 4u);  // the deleted one is gone
    EXPECT_EQ(doc.CountDeleted, 0);

    EXPECT_EQ(doc.Records[0].Flags, REC_POSITION);
    EXPECT_EQ(std::make_pair(doc.Records[0].X, doc.Records[0].Y), Expected(before[0], lambda0));
    EXPECT_LT(doc.Records[0].X, -8000000);
    EXPECT_LT(doc.Records[0].Y, -365000000);
    EXPECT_EQ(doc.Records[0].Z, 250);
    // A grid record of a geographic document is taken as degrees too.
    EXPECT_EQ(doc.Records[2].Flags, REC_POSITION);
    EXPECT_EQ(std::make_pair(doc.Records[2].X, doc.Records[2].Y), Expected(before[3], lambda0));
    EXPECT_EQ(std::make_pair(doc.Records[3].X, doc.Records[3].Y), Expected(before[4], lambda0));
    // The depth takes its position from the converted ones.
    EXPECT_EQ(doc.Records[1].Flags, REC_DEPTH);
    EXPECT_GT(doc.Records[1].X, doc.Records[0].X);
    EXPECT_LT(doc.Records[1].X, doc.Records[2].X);
}

TEST_F(UtmTest, OneZoneServesASurveyAcrossABoundary) {
    test::Append(doc, {Geo(At(10, 0, 0), 5.9, 50.0), Geo(At(10, 0, 1), 6.2, 50.0)});
    Recalculate(doc, port);
    ConvertToUtm(doc, port);
    // The middle, 6.05 E, lies in zone 32: both project about 9 E.
    EXPECT_EQ(doc.Records[0].X, Expected(Geo(0, 5.9, 50.0), DegToRad(9)).first);
    EXPECT_EQ(doc.Records[1].X, Expected(Geo(0, 6.2, 50.0), DegToRad(9)).first);
    EXPECT_LT(doc.Records[0].X, doc.Records[1].X);
    EXPECT_LT(doc.Records[1].X, 0);

    // Nothing happens to a document that is no longer geographic.
    const std::vector<CVKData> after = doc.Records;
    ConvertToUtm(doc, port);
    EXPECT_EQ(doc.Records, after);
}

}  // namespace
}  // namespace aq
