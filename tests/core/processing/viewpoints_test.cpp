// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "model/doc.h"
#include "processing/recalc.h"
#include "support/builders.h"

namespace aq {
namespace {

// The places the command line converts from survey units land where the recalculation
// puts the records at those places, in a grid and a geographic survey.
TEST(ViewPoints, PlacesMapAsTheRecordsDo) {
    for (const uint16_t geographic : {uint16_t{0}, uint16_t{REC_GEOGRAPHIC}}) {
        CVKDoc doc;
        const int64_t scale = geographic ? 1000 : 1;
        doc.AddRecord(CVKData::OfPosition(1000, 12345 * scale, 67890 * scale, 150, REC_POSITION | geographic, 0));
        doc.AddRecord(CVKData::OfDepth(1500, 730, 100, REC_DEPTH, 0));
        doc.AddRecord(CVKData::OfPosition(1900, 99999 * scale, 11111 * scale, -40, REC_POSITION | geographic, 0));
        doc.AddRecord(CVKData::OfKind(2000, 120, REC_TIDE, 0));
        doc.NeedsSort = true;
        Recalculate(doc, test::Quiet());
        for (const CVKData& r : doc.Records) {
            EXPECT_EQ(PlanPointOf(doc, r.X, r.Y), r.ptPlan) << r.Time;
            EXPECT_EQ(SectionXOf(doc, r.Time), r.ptHeight.x) << r.Time;
            EXPECT_EQ(SectionYOf(doc, r.Tide + r.Z), r.ptHeight.y) << r.Time;
            EXPECT_EQ(SectionYOf(doc, r.Tide), r.ptTide.y) << r.Time;
            EXPECT_EQ(SectionYOf(doc, r.Tide + r.Z - r.Depth), r.ptSeabed.y) << r.Time;
        }
        // The extent's corners are the plane's.
        EXPECT_EQ(SectionXOf(doc, doc.TimeMin), 0);
        EXPECT_EQ(SectionXOf(doc, doc.TimeMax), 15000);
        EXPECT_EQ(SectionYOf(doc, doc.LevelMax), 0);
    }
}

}  // namespace
}  // namespace aq
