// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "model/scriptedport.h"
#include "processing/flags.h"
#include "processing/recalc.h"
#include "support/builders.h"

namespace aq {
namespace {

using test::Append;
using test::At;

class FlagsTest : public testing::Test {
protected:
    // Positions far from the origin, depths between them, one depth before the first
    // position's time that is never given a position... and a tide.
    void Survey() {
        Append(doc, {test::Pos(At(10, 0, 0), 50000000, 600000000, 100), test::Depth(At(10, 0, 1), 800, 0, 127),
                     test::Pos(At(10, 0, 2), 50001000, 600001000, 120), test::Depth(At(10, 0, 3), 900, 0, 40),
                     test::Tide(At(10, 0, 4), 30), test::Pos(At(10, 0, 5), 50002000, 600002000, 140),
                     test::Depth(At(10, 0, 6), 1000, 0, 90)});
        Recalculate(doc, port);
    }

    std::vector<uint16_t> FlagsOf() const {
        std::vector<uint16_t> f;
        for (const auto& r : doc.Records) f.push_back(r.Flags);
        return f;
    }

    ScriptedPort port;
    CVKDoc doc;
};

TEST_F(FlagsTest, RestoreBringsBackEverythingButRemoveIsForGood) {
    Survey();
    doc.Records[1].Flags |= REC_DELETED;
    RangeValues v = InitialRangeValues(doc);
    v.QaMax = 100;
    ApplyRange(doc, v, port);
    EXPECT_TRUE(doc.Records[1].IsDeleted());
    Restore(doc, port);
    for (const auto& r : doc.Records) EXPECT_FALSE(r.IsDeleted());

    doc.Records[3].Flags |= REC_DELETED;
    Remove(doc, port);
    EXPECT_EQ(doc.Records.size(), 6u);
    Restore(doc, port);
    EXPECT_EQ(doc.Records.size(), 6u);
    EXPECT_EQ(port.statusText, "0 Event, 1 Tide, 3 Fix, 2 Depth, 0 Deleted");
}

TEST_F(FlagsTest, RangeWithItsInitialValuesKeepsTheSurveyAndRecordsWithoutPosition) {
    Survey();
    // A tide logged before any position never receives one: it stays at X, Y = 0.
    Append(doc, {test::Tide(At(9, 0, 0), 10)});
    doc.KindFlags &= static_cast<uint16_t>(~REC_DEPTH);  // no extension of positions
    Recalculate(doc, port);
    ASSERT_EQ(doc.Records[0].X, 0);
    RangeValues v = InitialRangeValues(doc);
    EXPECT_DOUBLE_EQ(v.XMin, 500000.0);
    EXPECT_DOUBLE_EQ(v.XMax, 500020.0);
    EXPECT_TRUE(v.Spatial);
    EXPECT_TRUE(ApplyRange(doc, v, port));
    // Confirming the dialog unchanged keeps every record that was inside, the outermost
    // too; a record without a position is not outside the plan window (it used to be
    // deleted for its X and Y of 0).
    for (size_t i = 0; i < doc.Records.size(); ++i) EXPECT_FALSE(doc.Records[i].IsDeleted()) << i;

    // A window on the plan still deletes what has a position outside it, interpolated
    // positions too (the tide at 10:00:04).
    v.XMax = 500005.0;
    EXPECT_TRUE(ApplyRange(doc, v, port));
    EXPECT_EQ(FlagsOf(), (std::vector<uint16_t>{0x40, 0x20, 0x10, 0x21, 0x11, 0x41, 0x21, 0x11}));
}

TEST_F(FlagsTest, RangeOnASurveyWithoutPositionsLeavesThePlanOut) {
    // Five depths and no position: the plan extents are empty (their minimum above their
    // maximum), and used to delete every record.
    for (int k = 0; k < 5; ++k)
        Append(doc, {test::Depth(At(10, 0, k), 500 + k * 10, 0, static_cast<uint8_t>(123 + k))});
    Recalculate(doc, port);
    RangeValues v = InitialRangeValues(doc);
    EXPECT_FALSE(v.Spatial);
    v.QaMax = 126;
    EXPECT_TRUE(ApplyRange(doc, v, port));
    EXPECT_EQ(FlagsOf(), (std::vector<uint16_t>{0x10, 0x10, 0x10, 0x10, 0x11}));
    EXPECT_EQ(port.Texts(), std::vector<std::string>{});
    EXPECT_EQ(port.statusText, "0 Event, 0 Tide, 0 Fix, 4 Depth, 1 Deleted");

    // Whatever the X and Y fields hold, also the wrong way round, they are not used.
    v.XMin = 10;
    v.XMax = -10;
    v.YMin = v.YMax = 123;
    EXPECT_TRUE(ApplyRange(doc, v, port));
    EXPECT_EQ(doc.CountDeleted, 1);
    // A survey whose positions are all deleted has no plan extents either.
    Append(doc, {test::Deleted(test::Pos(At(10, 0, 9), 500, 500))});
    Recalculate(doc, port);
    EXPECT_FALSE(InitialRangeValues(doc).Spatial);
    EXPECT_TRUE(ApplyRange(doc, InitialRangeValues(doc), port));
    EXPECT_EQ(doc.CountDepth, 4);
}

TEST_F(FlagsTest, RangeNeverDeletesEventsByLevel) {
    // An event keeps its number in Depth: 99 here, so its "seabed level" is -0.99 m
    // below its height; a level window below that used to delete it.
    Survey();
    Append(doc, {test::Event(At(10, 0, 3), 99), test::Event(At(10, 0, 9), 5)});
    Recalculate(doc, port);
    ASSERT_EQ(doc.Records[4].Flags, REC_EVENT);
    RangeValues v = InitialRangeValues(doc);
    v.ZMin = -12;
    v.ZMax = -5;  // every seabed below an interpolated depth lies in it, not the first fix's
    EXPECT_TRUE(ApplyRange(doc, v, port));
    EXPECT_EQ(doc.CountEvent, 2);
    EXPECT_EQ(doc.CountDepth, 3);
    EXPECT_EQ(doc.CountPos, 2);
    EXPECT_EQ(doc.CountTide, 1);
    EXPECT_TRUE(doc.Records[0].IsDeleted());

    // The time and plan tests still apply to events.
    Restore(doc, port);
    v = InitialRangeValues(doc);
    v.End = At(10, 0, 8);
    EXPECT_TRUE(ApplyRange(doc, v, port));
    EXPECT_EQ(doc.CountEvent, 1);
    EXPECT_TRUE(doc.Records.back().IsDeleted());
    Restore(doc, port);
    v = InitialRangeValues(doc);
    v.XMax = 500005.0;  // the event at 10:00:03 lies between the second and third position
    EXPECT_TRUE(ApplyRange(doc, v, port));
    EXPECT_TRUE(doc.Records[4].IsDeleted());
}

TEST_F(FlagsTest, RangeRefusesAMinimumAboveItsMaximum) {
    Survey();
    doc.SetModified(false, port);
    const RangeValues start = InitialRangeValues(doc);
    const std::vector<uint16_t> before = FlagsOf();
    const std::vector<std::pair<RangePair, void (*)(RangeValues&)>> swaps = {
        {RangePair::X, [](RangeValues& v) { std::swap(v.XMin, v.XMax); }},
        {RangePair::Y, [](RangeValues& v) { v.YMin = v.YMax + 0.01; }},
        {RangePair::Z, [](RangeValues& v) { v.ZMin = 2, v.ZMax = -12; }},
        {RangePair::Qa, [](RangeValues& v) { v.QaMin = 100, v.QaMax = 99; }},
        {RangePair::Time, [](RangeValues& v) { v.Start = v.End + 1; }},
    };
    for (const auto& [pair, swap] : swaps) {
        RangeValues v = start;
        swap(v);
        EXPECT_EQ(SwappedRangePair(v), pair);
        port.messages.clear();
        EXPECT_FALSE(ApplyRange(doc, v, port));
        EXPECT_EQ(port.Texts(), std::vector<std::string>{"The minimum must not be greater than the maximum."});
        // Nothing deleted, nothing stored, nothing to save.
        EXPECT_EQ(FlagsOf(), before);
        EXPECT_EQ(doc.QaMin, 0);
        EXPECT_EQ(doc.LevelMin, -1100);
        EXPECT_FALSE(doc.Modified);
    }
    // Equal ends are a window of one value, and allowed.
    RangeValues v = start;
    v.QaMin = v.QaMax = 90;
    EXPECT_EQ(SwappedRangePair(v), RangePair::None);
    EXPECT_TRUE(ApplyRange(doc, v, port));
    EXPECT_EQ(doc.CountDepth, 1);
}

TEST_F(FlagsTest, RangeKeepsOutermostPositionsAfterTheDecimalRoundTrip) {
    // 1234.56 m does not survive x 100 as a double exactly.
    Append(doc, {test::Pos(At(10, 0, 0), 123456, 200, 0), test::Pos(At(10, 0, 1), 123457, 300, 0),
                 test::Depth(At(10, 0, 2), 1), test::Pos(At(10, 0, 3), 123458, 400, 0)});
    Recalculate(doc, port);
    ApplyRange(doc, InitialRangeValues(doc), port);
    for (const auto& r : doc.Records) EXPECT_FALSE(r.IsDeleted());
    EXPECT_EQ(doc.XMin, 123456);
}

TEST_F(FlagsTest, RangeTestsEveryKindAndQualityOnlyOnDepths) {
    Survey();
    RangeValues v = InitialRangeValues(doc);
    v.QaMax = 126;
    ApplyRange(doc, v, port);
    EXPECT_TRUE(doc.Records[1].IsDeleted());  // quality 127
    EXPECT_FALSE(doc.Records[0].IsDeleted());

    Restore(doc, port);
    v = InitialRangeValues(doc);
    v.QaMin = 50;  // positions have quality 0 and stay
    v.Start = At(10, 0, 2);
    ApplyRange(doc, v, port);
    EXPECT_EQ(FlagsOf(), (std::vector<uint16_t>{0x21, 0x11, 0x20, 0x11, 0x40, 0x20, 0x10}));
    EXPECT_EQ(doc.QaMin, 50);
}

TEST_F(FlagsTest, RangeLevelWindowAndItsNewAxis) {
    Survey();
    RangeValues v = InitialRangeValues(doc);
    v.ZMin = -8.0;  // seabed levels: about -7, -7.8, -8.6 m
    ApplyRange(doc, v, port);
    EXPECT_TRUE(doc.Records.back().IsDeleted());
    EXPECT_FALSE(doc.Records[3].IsDeleted());
    // The axis is measured afresh around every record, deleted ones too, by Tide -
    // Depth as well as Z - Depth (-10 m for the deepest sounding); the entered window
    // does not stay in it (the top used to be the entered 2 m, widened to 3 m).
    EXPECT_EQ(doc.LevelMin, -1100);
    EXPECT_EQ(doc.LevelMax, 200);
}

TEST_F(FlagsTest, HiPassAndLoPassSmoothHeights) {
    auto three = [](CVKDoc& d, int z0, int z1, int z2) {
        Append(d, {test::Pos(At(10, 0, 0), 0, 0, z0), test::Pos(At(10, 0, 1), 0, 0, z1), test::Pos(At(10, 0, 2), 0, 0, z2)});
        Recalculate(d, test::Quiet());
    };
    CVKDoc hi, lo, pos, neg;
    three(hi, 0, 300, 0);
    HiPassZ(hi, test::Quiet());
    EXPECT_EQ(hi.Records[1].Z, 100);
    three(lo, 0, 300, 0);
    LoPassZ(lo, test::Quiet());
    EXPECT_EQ(lo.Records[1].Z, 0);
    three(pos, 1, 7, 2);
    LoPassZ(pos, test::Quiet());
    EXPECT_EQ(pos.Records[1].Z, 1);
    three(neg, -1, 7, -2);
    LoPassZ(neg, test::Quiet());
    EXPECT_EQ(neg.Records[1].Z, -1);

    // In place: the second smoothed record uses the first one's new height; deleted
    // positions and other kinds are skipped as neighbours.
    CVKDoc chain;
    Append(chain, {test::Pos(At(10, 0, 0), 0, 0, 0), test::Pos(At(10, 0, 1), 0, 0, 300),
                   test::Deleted(test::Pos(At(10, 0, 2), 0, 0, 5000)), test::Depth(At(10, 0, 3), 10),
                   test::Pos(At(10, 0, 4), 0, 0, 600), test::Pos(At(10, 0, 5), 0, 0, 900)});
    Recalculate(chain, test::Quiet());
    HiPassZ(chain, test::Quiet());
    EXPECT_EQ(chain.Records[1].Z, (0 + 300 + 600) / 3);
    EXPECT_EQ(chain.Records[2].Z, 5000);
    EXPECT_EQ(chain.Records[4].Z, (300 + 600 + 900) / 3);
    EXPECT_EQ(chain.Records[5].Z, 900);
}

TEST_F(FlagsTest, SectionBoxUsesTheKindsOfTheDocument) {
    Survey();
    const CVKData& tide = doc.Records[4];
    // A box around the tide's height point (its interpolated Z), which is not its own level.
    const CRect box{tide.ptHeight.x, tide.ptHeight.y, tide.ptHeight.x + 1, tide.ptHeight.y + 1};
    ASSERT_NE(tide.ptHeight, tide.ptTide);
    EXPECT_EQ(MarkInRect(doc, box, true, true, port), 1);
    EXPECT_TRUE(doc.Records[4].IsDeleted());
    EXPECT_TRUE(doc.Modified);
    EXPECT_EQ(port.statusText, "0 Event, 0 Tide, 3 Fix, 3 Depth, 1 Deleted");
    // Right and bottom edges are outside.
    const CRect edge{box.left - 5, box.top - 5, box.left, box.top};
    EXPECT_EQ(MarkInRect(doc, edge, false, true, port), 0);
    EXPECT_EQ(MarkInRect(doc, box, false, true, port), 1);
    EXPECT_FALSE(doc.Records[4].IsDeleted());
}

TEST_F(FlagsTest, PlanBoxAndTimeFrame) {
    Survey();
    EXPECT_EQ(MarkInRect(doc, CRect{-10, -10, 16000, 16000}, true, false, port), 7);
    EXPECT_EQ(port.Texts(), std::vector<std::string>{"All data deleted"});
    EXPECT_EQ(doc.TimeMin, -100);

    Restore(doc, port);
    const int32_t x0 = doc.Records[2].ptHeight.x;
    const int32_t x1 = doc.Records[4].ptHeight.x;
    doc.Records[3].Flags |= REC_DELETED;  // inside the frame: comes back
    MarkOutsideTimeFrame(doc, x0, x1, port);
    EXPECT_EQ(FlagsOf(), (std::vector<uint16_t>{0x21, 0x11, 0x20, 0x10, 0x40, 0x21, 0x11}));
    EXPECT_EQ(doc.TimeMin, static_cast<int32_t>(At(10, 0, 2)) - 100);
}

TEST_F(FlagsTest, ClearZZeroesHeightsAndDiscardsDeleted) {
    Survey();
    doc.Records[0].Flags |= REC_DELETED;
    ClearZ(doc, port);
    EXPECT_EQ(doc.Records.size(), 6u);
    for (const auto& r : doc.Records) EXPECT_EQ(r.Z, 0);
    EXPECT_EQ(doc.LevelMin, -1100);  // measured around the seabed levels
}

TEST_F(FlagsTest, RemovingEverythingEmptiesTheSurveyAndItsCounts) {
    Survey();
    doc.Selected = true;
    doc.SelectedIndex = 6;
    for (auto& r : doc.Records) r.Flags |= REC_DELETED;
    Remove(doc, port);
    EXPECT_TRUE(doc.Records.empty());
    EXPECT_EQ(doc.KindFlags, 0);
    EXPECT_EQ(doc.StatusText, "");
    EXPECT_EQ(doc.CountDeleted, 0);
    EXPECT_EQ(doc.SelectedRecord(), nullptr);
}

}  // namespace
}  // namespace aq
