// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "processing/hpr.h"
#include "support/builders.h"

namespace aq {
namespace {

using test::At;

// A depth with its logged angles at a plan position, as recalculation leaves it.
CVKData TiltedDepth(int64_t x, int64_t y, int pitch, int roll) {
    CVKData d = test::Depth(At(10, 0, 1), 500);
    d.X = x;
    d.Y = y;
    d.Pitch = static_cast<int16_t>(pitch);
    d.Roll = static_cast<int16_t>(roll);
    return d;
}

class HprTest : public testing::Test {
protected:
    void SetUp() override {
        doc.ElevOffset = 200;
        doc.SounderImported = 1;
    }
    CVKDoc doc;
};

TEST_F(HprTest, PitchIsResolvedAgainstTheCourse) {
    // Pitch 5 degrees at 2 m: 0.17498 m of tilt, fore-and-aft.
    doc.Records = {test::Pos(At(10, 0, 0), 0, 0), TiltedDepth(0, 1000, 500, 0)};
    ApplyHpr(doc);
    EXPECT_EQ(doc.Records[1].Pitch, 0);  // moving north
    EXPECT_EQ(doc.Records[1].Roll, 17);
    EXPECT_TRUE(doc.Records[1].Has(REC_HPR));
    EXPECT_TRUE(doc.KindFlags & REC_HPR);
    EXPECT_FALSE(doc.Records[0].Has(REC_HPR));
    EXPECT_FALSE(doc.Modified);

    CVKDoc east;
    east.ElevOffset = 200;
    east.Records = {test::Pos(At(10, 0, 0), 0, 0), TiltedDepth(1000, 0, 500, 0)};
    ApplyHpr(east);
    EXPECT_EQ(east.Records[1].Pitch, 17);  // moving east
    EXPECT_EQ(east.Records[1].Roll, 0);
}

TEST_F(HprTest, OtherRecordsTakeTheAnglesOfTheDepthBefore) {
    CVKData between = test::Pos(At(10, 0, 2), 0, 2000);
    between.Pitch = 999;  // never read from a position
    CVKData done = TiltedDepth(0, 3000, -500, 0);
    done.Flags |= REC_HPR;
    doc.Records = {TiltedDepth(0, 0, 0, 1000), TiltedDepth(0, 1000, 0, -1000), between, done,
                   TiltedDepth(0, 1000, 0, 0)};
    ApplyHpr(doc);
    // The first record keeps its angles and is never marked.
    EXPECT_EQ(doc.Records[0].Roll, 1000);
    EXPECT_FALSE(doc.Records[0].Has(REC_HPR));
    // Roll -10 degrees at 2 m, heading north: 0.3527 m, all of it across the course.
    EXPECT_EQ(doc.Records[1].Pitch, 35);
    EXPECT_EQ(doc.Records[1].Roll, 0);
    EXPECT_EQ(doc.Records[2].Pitch, 35);
    EXPECT_TRUE(doc.Records[2].Has(REC_HPR));
    // Already converted: skipped, and its position is not the course's start.
    EXPECT_EQ(doc.Records[3].Pitch, -500);
    // Heading back south from the position at 20 m: level again.
    EXPECT_EQ(doc.Records[4].Pitch, 0);
    EXPECT_EQ(doc.Records[4].Roll, 0);
}

TEST_F(HprTest, StandingStillResolvesAgainstNorth) {
    doc.Records = {TiltedDepth(500, 500, 0, 0), TiltedDepth(500, 500, 500, 0)};
    ApplyHpr(doc);
    EXPECT_EQ(doc.Records[1].Pitch, 0);
    EXPECT_EQ(doc.Records[1].Roll, 17);
}

}  // namespace
}  // namespace aq
