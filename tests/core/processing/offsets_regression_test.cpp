// SPDX-License-Identifier: GPL-3.0-or-later
// Offsets on a survey from a damaged document file: stored offsets, times and
// coordinates at the ends of their fields. Found by fuzzing; the shifts overflowed.
#include <gtest/gtest.h>

#include "model/scriptedport.h"
#include "processing/offsets.h"
#include "processing/recalc.h"
#include "support/builders.h"

namespace aq {
namespace {

TEST(OffsetsRegression, ShiftsWrapAsTheStoredIntegersDo) {
    ScriptedPort port;
    CVKDoc doc;
    test::Append(doc, {test::Pos(1000, 0, 0), test::Tide(2000, 10)});
    doc.Records[0].X = INT64_MAX;
    doc.Records[0].Y = INT64_MIN;
    doc.PosTimeOffset = INT64_MIN;  // as the file held it
    doc.TideTimeOffset = INT64_MAX;
    Recalculate(doc, port);

    OffsetValues v = InitialOffsetValues(doc);
    ASSERT_EQ(v.PosTime, 0);  // the low word of the stored offset
    v.East = 0.01;
    v.North = -0.01;
    ASSERT_TRUE(OffsetPositions(doc, v, port));
    // 0 - INT64_MIN wraps to INT64_MIN; INT64_MAX + 1 cm to INT64_MIN.
    const CVKData* pos = nullptr;
    for (const CVKData& r : doc.Records)
        if (r.Flags & REC_POSITION) pos = &r;
    ASSERT_NE(pos, nullptr);
    EXPECT_EQ(pos->Time, static_cast<int64_t>(uint64_t{1000} + (uint64_t{1} << 63)));
    EXPECT_EQ(pos->X, INT64_MIN);
    EXPECT_EQ(pos->Y, INT64_MAX);
    EXPECT_EQ(doc.PosTimeOffset, 0);

    v = InitialOffsetValues(doc);
    v.TideTime = -1;
    ASSERT_TRUE(OffsetTide(doc, v, port));
    for (const CVKData& r : doc.Records) {
        if (r.Flags & REC_TIDE) {
            EXPECT_EQ(r.Time, 2000 - 1 - INT64_MAX);
        }
    }
    EXPECT_EQ(doc.TideTimeOffset, -1);
}

}  // namespace
}  // namespace aq
