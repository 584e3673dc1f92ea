// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "model/scriptedport.h"
#include "processing/recalc.h"
#include "support/builders.h"

namespace aq {
namespace {

using test::Append;
using test::At;

class RecalcTest : public testing::Test {
protected:
    ScriptedPort port;
    CVKDoc doc;
};

TEST_F(RecalcTest, SortsOnWholeSecondsKeepingTheOrderOfEqualSeconds) {
    Append(doc, {test::Depth(At(10, 0, 7), 1), test::Depth(At(10, 0, 5), 2, 50), test::Depth(At(10, 0, 5), 3, 20)});
    Recalculate(doc, port);
    ASSERT_EQ(doc.Records.size(), 3u);
    EXPECT_EQ(doc.Records[0].Hundredths, 50);
    EXPECT_EQ(doc.Records[1].Hundredths, 20);
    EXPECT_EQ(doc.Records[2].Time, At(10, 0, 7));
    EXPECT_FALSE(doc.NeedsSort);
}

TEST_F(RecalcTest, MergesThreeImportsAndFollowsTheSelection) {
    // Three imports appended one after another, each in time order.
    for (int i = 0; i < 50; ++i) Append(doc, {test::Depth(At(10, 0, i), 100 + i)});
    for (int i = 0; i < 50; i += 5) Append(doc, {test::Pos(At(10, 0, i), i * 100, 0)});
    for (int i = 0; i < 50; i += 25) Append(doc, {test::Tide(At(10, 0, i), i)});
    doc.Selected = true;
    doc.SelectedIndex = 50;  // the first position
    Recalculate(doc, port);
    for (size_t i = 1; i < doc.Records.size(); ++i) ASSERT_LE(doc.Records[i - 1].Time, doc.Records[i].Time);
    // Equal seconds keep their import order: depth, then position, then tide.
    EXPECT_EQ(doc.Records[0].Flags, REC_DEPTH);
    EXPECT_EQ(doc.Records[1].Flags, REC_POSITION);
    EXPECT_EQ(doc.Records[2].Flags, REC_TIDE);
    ASSERT_NE(doc.SelectedRecord(), nullptr);
    EXPECT_EQ(doc.SelectedRecord()->Flags, REC_POSITION);
    EXPECT_EQ(doc.SelectedRecord()->Time, At(10, 0, 0));
}

TEST_F(RecalcTest, InterpolatesPositionsIntoDepthsWithinTheLimit) {
    Append(doc, {test::Pos(At(10, 0, 0), 0, 0, 0), test::Depth(At(10, 0, 30), 500), test::Pos(At(10, 1, 0), 6000, 1000, 40),
                 test::Depth(At(10, 1, 1), 600)});
    Recalculate(doc, port);
    EXPECT_EQ(doc.Records[1].X, 3000);
    EXPECT_EQ(doc.Records[1].Y, 500);
    EXPECT_EQ(doc.Records[1].Z, 20);
    // The position between the depths takes the depth.
    EXPECT_EQ(doc.Records[2].Depth, 500 + 97);
}

TEST_F(RecalcTest, TideLimitIsTwoHundredTimesThePositionLimit) {
    doc.InterpLimit = 1;
    Append(doc, {test::Tide(At(9, 30, 30), 100), test::Pos(At(10, 0, 0), 0, 0), test::Depth(At(10, 0, 30), 500),
                 test::Pos(At(10, 1, 0), 6000, 0), test::Tide(At(10, 30, 30), 300)});
    Recalculate(doc, port);
    const CVKData& d = doc.Records[2];
    ASSERT_EQ(d.Flags, REC_DEPTH);
    EXPECT_EQ(d.X, 0);     // a 30 s gap exceeds 10 s
    EXPECT_EQ(d.Tide, 200);  // 30 min gaps are within 2000 s

    CVKDoc far;
    Append(far, {test::Tide(At(9, 20, 0), 100), test::Depth(At(10, 0, 0), 500), test::Tide(At(10, 40, 0), 300),
                 test::Depth(At(10, 41, 0), 500)});
    far.InterpLimit = 1;
    Recalculate(far, test::Quiet());
    EXPECT_EQ(far.Records[1].Tide, 0);  // 40 min away: not interpolated
}

TEST_F(RecalcTest, FirstRecordCanBeANeighbourButIsNeverInterpolated) {
    Append(doc, {test::Pos(At(10, 0, 0), 0, 0), test::Depth(At(10, 0, 5), 100), test::Pos(At(10, 0, 10), 1000, 0),
                 test::Depth(At(10, 0, 11), 100)});
    Recalculate(doc, port);
    EXPECT_EQ(doc.Records[1].X, 500);
}

TEST_F(RecalcTest, DeletedRecordsAreNeitherChangedNorUsed) {
    Append(doc, {test::Tide(At(10, 0, 0), 100), test::Depth(At(10, 0, 1), 5), test::Deleted(test::Tide(At(10, 0, 2), 900)),
                 test::Depth(At(10, 0, 3), 5), test::Tide(At(10, 0, 4), 500), test::Depth(At(10, 0, 5), 5)});
    Recalculate(doc, port);
    EXPECT_EQ(doc.Records[1].Tide, 200);  // between 100 and 500, not 900
    EXPECT_EQ(doc.Records[3].Tide, 400);
    EXPECT_EQ(doc.Records[2].Tide, 900);
    EXPECT_EQ(doc.Records[2].Depth, 0);
}

TEST_F(RecalcTest, DepthsOutsideThePositionsTakeTheEndPositions) {
    Append(doc, {test::Depth(At(10, 0, 0), 1), test::Depth(At(10, 0, 1), 1), test::Pos(At(10, 0, 2), 111, 222, 3),
                 test::Pos(At(10, 0, 4), 444, 555, 6), test::Depth(At(10, 0, 5), 1), test::Depth(At(10, 0, 6), 1)});
    Recalculate(doc, port);
    for (int i : {0, 1}) {
        EXPECT_EQ(doc.Records[i].X, 111);
        EXPECT_EQ(doc.Records[i].Y, 222);
        EXPECT_EQ(doc.Records[i].Z, 3);
    }
    for (int i : {4, 5}) {
        EXPECT_EQ(doc.Records[i].X, 444);
        EXPECT_EQ(doc.Records[i].Z, 6);
    }
    EXPECT_EQ(doc.FirstPosIndex, 2);
    EXPECT_EQ(doc.LastPosIndex, 3);
    EXPECT_EQ(doc.XMin, 111);
    EXPECT_EQ(doc.XMax, 444);
    EXPECT_EQ(doc.YMin, 222);
    EXPECT_EQ(doc.YMax, 555);
}

TEST_F(RecalcTest, LevelAxisIsMeasuredFromTheRecordsOnEveryRecalculation) {
    // Seabed levels from -3.4 m to +0.6 m.
    Append(doc, {test::Pos(At(10, 0, 0), 0, 0, 60), test::Depth(At(10, 0, 1), 340), test::Pos(At(10, 0, 2), 0, 0, 0),
                 test::Depth(At(10, 0, 3), 100)});
    doc.Records[1].Z = 0;
    Recalculate(doc, port);
    EXPECT_EQ(doc.LevelMin, -400);
    EXPECT_EQ(doc.LevelMax, 100);
    // Recalculating an unchanged survey keeps its axis (it used to widen by a metre at
    // each end every time), and the view points with it.
    const std::vector<CVKData> once = doc.Records;
    Recalculate(doc, port);
    Recalculate(doc, port);
    EXPECT_EQ(doc.LevelMin, -400);
    EXPECT_EQ(doc.LevelMax, 100);
    EXPECT_EQ(doc.Records, once);
    // A level window entered elsewhere does not stick either; the axis follows the
    // records, and narrows when the deepest sounding becomes shallower (-1.2 m).
    doc.LevelMin = -9000;
    doc.LevelMax = 9000;
    doc.Records[1].Depth = 150;
    Recalculate(doc, port);
    EXPECT_EQ(doc.LevelMin, -200);
    EXPECT_EQ(doc.LevelMax, 100);
}

TEST_F(RecalcTest, TimeAxisAndViewPoints) {
    Append(doc, {test::Pos(At(10, 0, 0), 0, 10000, 0), test::Depth(At(10, 0, 50), 200),
                 test::Pos(At(10, 1, 40), 20000, 0, 100)});
    Recalculate(doc, port);
    const int32_t t0 = static_cast<int32_t>(At(10, 0, 0));
    EXPECT_EQ(doc.TimeMin, t0 - 100);
    EXPECT_EQ(doc.TimeMax, t0 + 200);
    EXPECT_EQ(doc.LevelMin, -300);
    EXPECT_EQ(doc.LevelMax, 200);
    const CVKData& d = doc.Records[1];  // X 10000, Y 5000, Z 50, depth 200
    EXPECT_EQ(d.ptPlan, (CPoint{7500, 7500}));
    EXPECT_EQ(d.ptHeight.x, 7500);
    EXPECT_EQ(d.ptHeight.y, 4500);    // (200 - 50) / 500 of the span
    EXPECT_EQ(d.ptTide.y, 6000);      // level 0
    EXPECT_EQ(d.ptSeabed.y, 10500);   // level -150
    EXPECT_EQ(d.ptDepthUp.y, -1500);  // level +250
    EXPECT_EQ(doc.Records[0].ptPlan, (CPoint{0, 0}));
    EXPECT_EQ(doc.Records[2].ptPlan, (CPoint{15000, 15000}));
    EXPECT_EQ(port.statusText, "0 Event, 0 Tide, 2 Fix, 1 Depth, 0 Deleted");
    EXPECT_TRUE(doc.Modified);
    // Each long phase shows its progress and closes it again.
    EXPECT_EQ(port.phases,
              (std::vector<std::string>{"Time Sorting Data", "Interpolating Values", "Updating Values"}));
    EXPECT_EQ(port.openPhases, 0);
}

TEST_F(RecalcTest, OneLiveRecordGivesTwoHundredSecondsOfAxis) {
    Append(doc, {test::Deleted(test::Depth(At(9, 0, 0), 1)), test::Depth(At(10, 0, 0), 1)});
    Recalculate(doc, port);
    EXPECT_EQ(doc.TimeMin, static_cast<int32_t>(At(10, 0, 0)) - 100);
    EXPECT_EQ(doc.TimeMax, static_cast<int32_t>(At(10, 0, 0)) + 100);
    // A zero span maps to -1 and nothing fails.
    EXPECT_EQ(doc.Records[1].ptPlan, (CPoint{-1, -1}));
}

TEST_F(RecalcTest, AllDeletedIsReportedAndTheAxisFallsBack) {
    Append(doc, {test::Deleted(test::Depth(At(9, 0, 0), 1)), test::Deleted(test::Pos(At(9, 0, 1), 1, 1))});
    Recalculate(doc, port);
    EXPECT_EQ(port.Texts(), std::vector<std::string>{"All data deleted"});
    EXPECT_EQ(doc.TimeMin, -100);
    EXPECT_EQ(doc.TimeMax, 100);
    EXPECT_EQ(doc.KindFlags, REC_DEPTH | REC_POSITION | REC_DELETED);
    EXPECT_EQ(port.statusText, "0 Event, 0 Tide, 0 Fix, 0 Depth, 2 Deleted");
}

TEST_F(RecalcTest, EmptyDocumentOnlyRedraws) {
    Recalculate(doc, port);
    EXPECT_TRUE(port.phases.empty());
    EXPECT_FALSE(doc.Modified);
    EXPECT_EQ(port.viewsChanged, 1);
}

}  // namespace
}  // namespace aq
