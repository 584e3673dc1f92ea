// SPDX-License-Identifier: GPL-3.0-or-later
// Convert to UTM of a geographic survey from a damaged document file, its extents at
// the ends of the field. The midpoint of the extents overflowed.
#include <gtest/gtest.h>

#include "geodesy/utm.h"
#include "model/muldiv.h"
#include "model/projection.h"
#include "processing/recalc.h"
#include "support/builders.h"

namespace aq {
namespace {

TEST(UtmRegression, MidpointOfExtentsAtTheEndsOfTheField) {
    CVKDoc doc;
    test::Append(doc, {CVKData::OfPosition(1000, 0, 0, 0, REC_POSITION | REC_GEOGRAPHIC, 0),
                       CVKData::OfPosition(1001, 0, 0, 0, REC_POSITION | REC_GEOGRAPHIC, 0)});
    doc.Records[0].X = INT64_MAX - 1;
    doc.Records[1].X = INT64_MAX;
    Recalculate(doc, test::Quiet());
    ASSERT_EQ(doc.XMin, INT32_MAX);  // the extents start from the 32-bit limits
    ASSERT_EQ(doc.XMax, INT64_MAX);
    const CVKData first = doc.Records[0];
    ConvertToUtm(doc, test::Quiet());
    // (2^31 - 1) + (2^63 - 1) wraps to 2^31 - 2 - 2^63, halved toward zero: a zone far
    // out of range, which the zone arithmetic clamps.
    const double lambda0 = ZoneCentralMeridian(-4611686017353646081.0 / 1e7);
    const ProjectedPoint p =
        ProjectTM(DegToRad(CoordToReal(first.Y, true)), DegToRad(CoordToReal(first.X, true)), lambda0);
    EXPECT_EQ(doc.Records[0].X, TruncToInt32(p.E * 100.0));
    EXPECT_EQ(doc.Records[0].Y, TruncToInt32(p.N * 100.0));
    EXPECT_FALSE(doc.IsGeographic());
}

}  // namespace
}  // namespace aq
