// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "model/scriptedport.h"
#include "processing/offsets.h"
#include "processing/recalc.h"
#include "support/builders.h"

namespace aq {
namespace {

using test::Append;
using test::At;

class OffsetsTest : public testing::Test {
protected:
    void SetUp() override {
        Append(doc, {test::Pos(At(10, 0, 0), 100000, 200000, 50), test::Depth(At(10, 0, 10), 1000),
                     test::Event(At(10, 0, 12), 7), test::Tide(At(10, 0, 15), 120),
                     test::Pos(At(10, 0, 20), 102000, 200000, 50), test::Depth(At(10, 0, 30), 13)});
        Recalculate(doc, port);
    }

    std::vector<int64_t> TimesOf(uint16_t kind) const {
        std::vector<int64_t> t;
        for (const CVKData& r : doc.Records)
            if (r.Flags & kind) t.push_back(r.Time);
        return t;
    }

    const CVKData& First(uint16_t kind) const {
        for (const CVKData& r : doc.Records)
            if (r.Flags & kind) return r;
        throw std::logic_error("no record of that kind");
    }

    ScriptedPort port;
    CVKDoc doc;
};

TEST_F(OffsetsTest, PositionTimeDeltasApplyOnceAndEventsStay) {
    OffsetValues v = InitialOffsetValues(doc);
    v.PosTime = 5;
    ASSERT_TRUE(OffsetPositions(doc, v, port));
    EXPECT_EQ(TimesOf(REC_POSITION), (std::vector<int64_t>{At(10, 0, 5), At(10, 0, 25)}));
    EXPECT_EQ(doc.PosTimeOffset, 5);

    // The same dialog again moves nothing; 5 to 3 moves back by 2.
    ASSERT_TRUE(OffsetPositions(doc, v, port));
    EXPECT_EQ(TimesOf(REC_POSITION), (std::vector<int64_t>{At(10, 0, 5), At(10, 0, 25)}));
    v.PosTime = 3;
    ASSERT_TRUE(OffsetPositions(doc, v, port));
    EXPECT_EQ(TimesOf(REC_POSITION), (std::vector<int64_t>{At(10, 0, 3), At(10, 0, 23)}));

    EXPECT_EQ(TimesOf(REC_EVENT), (std::vector<int64_t>{At(10, 0, 12)}));
    EXPECT_EQ(TimesOf(REC_DEPTH), (std::vector<int64_t>{At(10, 0, 10), At(10, 0, 30)}));
    EXPECT_EQ(InitialOffsetValues(doc).PosTime, 3);
    EXPECT_TRUE(port.messages.empty());
}

TEST_F(OffsetsTest, EnteredMetresTruncateToCentimetres) {
    OffsetValues v = InitialOffsetValues(doc);
    v.East = 0.019;
    v.North = -0.019;
    v.Elevation = 1.5;
    ASSERT_TRUE(OffsetPositions(doc, v, port));
    EXPECT_EQ(doc.EastOffset, 1);
    EXPECT_EQ(doc.NorthOffset, -1);
    EXPECT_EQ(doc.ElevOffset, 150);
    EXPECT_EQ(First(REC_POSITION).X, 100001);
    EXPECT_EQ(First(REC_POSITION).Y, 199999);
    EXPECT_EQ(First(REC_POSITION).Z, 200);
    // The depth between the positions takes the shifted ones afresh.
    EXPECT_EQ(First(REC_DEPTH).X, 101001);

    // 0.29 m is 28.999999999999996 after scaling: it still stores 29 cm, and the dialog
    // confirmed as it opens moves nothing.
    v.East = 0.29;
    ASSERT_TRUE(OffsetPositions(doc, v, port));
    EXPECT_EQ(doc.EastOffset, 29);
    EXPECT_EQ(First(REC_POSITION).X, 100029);
    ASSERT_TRUE(OffsetPositions(doc, InitialOffsetValues(doc), port));
    EXPECT_EQ(doc.EastOffset, 29);
    EXPECT_EQ(First(REC_POSITION).X, 100029);
    EXPECT_EQ(First(REC_POSITION).Z, 200);
}

TEST_F(OffsetsTest, SoundVelocityRescalesDepthsWithTheirTruncations) {
    EXPECT_EQ(RescaleDepth(1000, 1500, 1530), 1020);
    EXPECT_EQ(RescaleDepth(1010, 1500, 1530), 1030);  // 10.302 m
    EXPECT_EQ(RescaleDepth(13, 1480, 1480), 12);      // 129.99999999999997 tenths
    EXPECT_EQ(RescaleDepth(-50, 1500, 1530), -51);
    EXPECT_EQ(RescaleDepth(30000, 1300, 2000), INT16_MAX);

    // The depth offset goes on before the rescaling, so it is scaled with the depth.
    OffsetValues v = InitialOffsetValues(doc);
    v.Depth = 0.10;
    v.SoundVelocity = 1530;
    ASSERT_TRUE(OffsetDepths(doc, v, port));
    EXPECT_EQ(First(REC_DEPTH).Depth, 1030);
    EXPECT_EQ(doc.DepthOffset, 10);
    EXPECT_EQ(doc.SoundVelocity, 1530);
    // Events carry their value in Depth and are left alone.
    EXPECT_EQ(First(REC_EVENT).Depth, 7);

    // At 1480 m/s, confirming the dialog unchanged takes a centimetre off 13 cm.
    doc.SoundVelocity = 1480;
    doc.Records.back().Depth = 13;
    ASSERT_TRUE(OffsetDepths(doc, InitialOffsetValues(doc), port));
    EXPECT_EQ(doc.Records.back().Depth, 12);
}

TEST_F(OffsetsTest, TideOffsetsAndDeletedRecordsDiscarded) {
    doc.Records[1].Flags |= REC_DELETED;
    OffsetValues v = InitialOffsetValues(doc);
    v.Tide = -0.2;
    v.TideTime = -60;
    ASSERT_TRUE(OffsetTide(doc, v, port));
    EXPECT_EQ(doc.Records.size(), 5u);
    EXPECT_EQ(doc.CountDeleted, 0);
    EXPECT_EQ(First(REC_TIDE).Tide, 100);
    EXPECT_EQ(TimesOf(REC_TIDE), (std::vector<int64_t>{At(9, 59, 15)}));
    // Sorted into its new place.
    EXPECT_EQ(doc.Records.front().Flags, REC_TIDE);
    EXPECT_EQ(doc.TideOffset, -20);
    EXPECT_EQ(doc.TideTimeOffset, -60);
}

TEST_F(OffsetsTest, RefusedValuesChangeNothing) {
    const std::vector<CVKData> before = doc.Records;
    OffsetValues v = InitialOffsetValues(doc);
    v.SoundVelocity = 1299.9;
    EXPECT_FALSE(OffsetDepths(doc, v, port));
    v.SoundVelocity = 1500;
    // 400 m does not fit the stored depth offset and would turn into -255.36 m.
    v.Depth = 400;
    EXPECT_FALSE(OffsetDepths(doc, v, port));
    v = InitialOffsetValues(doc);
    v.Elevation = 3e7;
    EXPECT_FALSE(OffsetPositions(doc, v, port));
    EXPECT_EQ(port.Texts(), (std::vector<std::string>{"Please enter a number between 1300 and 2000.",
                                                      "Please enter a number between -327.68 and 327.67.",
                                                      "Please enter a number between -21474836.48 and 21474836.47."}));
    EXPECT_EQ(doc.Records, before);
    EXPECT_EQ(doc.SoundVelocity, 1500);
    EXPECT_EQ(doc.DepthOffset, 0);

    // The limits themselves are fine.
    v = InitialOffsetValues(doc);
    v.SoundVelocity = 2000;
    v.Depth = -327.68;
    EXPECT_TRUE(OffsetDepths(doc, v, port));
    EXPECT_EQ(doc.DepthOffset, -32768);
}

}  // namespace
}  // namespace aq
