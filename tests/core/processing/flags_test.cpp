// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "processing/flags.h"
#include "processing/recalc.h"
#include "support/builders.h"
#include "ui/scriptedport.h"

namespace aq {
namespace {

using test::Append;
using test::At;

class FlagsTest : public testing::Test {
protected:
    void SetUp() override { doc.SetPort(&port); }

    // Positions far from the origin, depths between them, one depth before the first
    // position's time that is never given a position... and a tide.
    void Survey() {
        Append(doc, {test::Pos(At(10, 0, 0), 50000000, 600000000, 100), test::Depth(At(10, 0, 1), 800, 0, 127),
                     test::Pos(At(10, 0, 2), 50001000, 600001000, 120), test::Depth(At(10, 0, 3), 900, 0, 40),
                     test::Tide(At(10, 0, 4), 30), test::Pos(At(10, 0, 5), 50002000, 600002000, 140),
                     test::Depth(At(10, 0, 6), 1000, 0, 90)});
        Recalculate(doc);
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
    ApplyRange(doc, v);
    EXPECT_TRUE(doc.Records[1].IsDeleted());
    Restore(doc);
    for (const auto& r : doc.Records) EXPECT_FALSE(r.IsDeleted());

    doc.Records[3].Flags |= REC_DELETED;
    Remove(doc);
    EXPECT_EQ(doc.Records.size(), 6u);
    Restore(doc);
    EXPECT_EQ(doc.Records.size(), 6u);
    EXPECT_EQ(port.statusText, "0 Event, 1 Tide, 3 Fix, 2 Depth, 0 Deleted");
}

TEST_F(FlagsTest, RangeWithItsInitialValuesKeepsTheSurveyButFlagsRecordsWithoutPosition) {
    Survey();
    // A tide logged before any position never receives one: it stays at X, Y = 0.
    Append(doc, {test::Tide(At(9, 0, 0), 10)});
    doc.KindFlags &= static_cast<uint16_t>(~REC_DEPTH);  // no extension of positions
    Recalculate(doc);
    ASSERT_EQ(doc.Records[0].X, 0);
    const RangeValues v = InitialRangeValues(doc);
    EXPECT_DOUBLE_EQ(v.XMin, 500000.0);
    EXPECT_DOUBLE_EQ(v.XMax, 500020.0);
    ApplyRange(doc, v);
    EXPECT_TRUE(doc.Records[0].IsDeleted());
    // Confirming the dialog unchanged keeps every record that was inside, the outermost too.
    for (size_t i = 1; i < doc.Records.size(); ++i) EXPECT_FALSE(doc.Records[i].IsDeleted()) << i;
}

TEST_F(FlagsTest, RangeKeepsOutermostPositionsAfterTheDecimalRoundTrip) {
    // 1234.56 m does not survive x 100 as a double exactly.
    Append(doc, {test::Pos(At(10, 0, 0), 123456, 200, 0), test::Pos(At(10, 0, 1), 123457, 300, 0),
                 test::Depth(At(10, 0, 2), 1), test::Pos(At(10, 0, 3), 123458, 400, 0)});
    Recalculate(doc);
    ApplyRange(doc, InitialRangeValues(doc));
    for (const auto& r : doc.Records) EXPECT_FALSE(r.IsDeleted());
    EXPECT_EQ(doc.XMin, 123456);
}

TEST_F(FlagsTest, RangeTestsEveryKindAndQualityOnlyOnDepths) {
    Survey();
    RangeValues v = InitialRangeValues(doc);
    v.QaMax = 126;
    ApplyRange(doc, v);
    EXPECT_TRUE(doc.Records[1].IsDeleted());  // quality 127
    EXPECT_FALSE(doc.Records[0].IsDeleted());

    Restore(doc);
    v = InitialRangeValues(doc);
    v.QaMin = 50;  // positions have quality 0 and stay
    v.Start = At(10, 0, 2);
    ApplyRange(doc, v);
    EXPECT_EQ(FlagsOf(), (std::vector<uint16_t>{0x21, 0x11, 0x20, 0x11, 0x40, 0x20, 0x10}));
    EXPECT_EQ(doc.QaMin, 50);
}

TEST_F(FlagsTest, RangeLevelWindowAndItsNewAxis) {
    Survey();
    RangeValues v = InitialRangeValues(doc);
    v.ZMin = -8.0;  // seabed levels: about -7, -7.8, -8.6 m
    ApplyRange(doc, v);
    EXPECT_TRUE(doc.Records.back().IsDeleted());
    EXPECT_FALSE(doc.Records[3].IsDeleted());
    // The axis starts from the window and widens around every record, deleted ones
    // too, by Tide - Depth as well as Z - Depth (-10 m for the deepest sounding).
    EXPECT_EQ(doc.LevelMin, -1100);
    EXPECT_EQ(doc.LevelMax, 300);  // the entered 2 m, widened
}

TEST_F(FlagsTest, HiPassAndLoPassSmoothHeights) {
    auto three = [](CVKDoc& d, int z0, int z1, int z2) {
        Append(d, {test::Pos(At(10, 0, 0), 0, 0, z0), test::Pos(At(10, 0, 1), 0, 0, z1), test::Pos(At(10, 0, 2), 0, 0, z2)});
        Recalculate(d);
    };
    CVKDoc hi, lo, pos, neg;
    three(hi, 0, 300, 0);
    HiPassZ(hi);
    EXPECT_EQ(hi.Records[1].Z, 100);
    three(lo, 0, 300, 0);
    LoPassZ(lo);
    EXPECT_EQ(lo.Records[1].Z, 0);
    three(pos, 1, 7, 2);
    LoPassZ(pos);
    EXPECT_EQ(pos.Records[1].Z, 1);
    three(neg, -1, 7, -2);
    LoPassZ(neg);
    EXPECT_EQ(neg.Records[1].Z, -1);

    // In place: the second smoothed record uses the first one's new height; deleted
    // positions and other kinds are skipped as neighbours.
    CVKDoc chain;
    Append(chain, {test::Pos(At(10, 0, 0), 0, 0, 0), test::Pos(At(10, 0, 1), 0, 0, 300),
                   test::Deleted(test::Pos(At(10, 0, 2), 0, 0, 5000)), test::Depth(At(10, 0, 3), 10),
                   test::Pos(At(10, 0, 4), 0, 0, 600), test::Pos(At(10, 0, 5), 0, 0, 900)});
    Recalculate(chain);
    HiPassZ(chain);
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
    EXPECT_EQ(MarkInRect(doc, box, true, true), 1);
    EXPECT_TRUE(doc.Records[4].IsDeleted());
    EXPECT_TRUE(doc.Modified);
    EXPECT_EQ(port.statusText, "0 Event, 0 Tide, 3 Fix, 3 Depth, 1 Deleted");
    // Right and bottom edges are outside.
    const CRect edge{box.left - 5, box.top - 5, box.left, box.top};
    EXPECT_EQ(MarkInRect(doc, edge, false, true), 0);
    EXPECT_EQ(MarkInRect(doc, box, false, true), 1);
    EXPECT_FALSE(doc.Records[4].IsDeleted());
}

TEST_F(FlagsTest, PlanBoxAndTimeFrame) {
    Survey();
    EXPECT_EQ(MarkInRect(doc, CRect{-10, -10, 16000, 16000}, true, false), 7);
    EXPECT_EQ(port.Texts(), std::vector<std::string>{"All data deleted"});
    EXPECT_EQ(doc.TimeMin, -100);

    Restore(doc);
    const int32_t x0 = doc.Records[2].ptHeight.x;
    const int32_t x1 = doc.Records[4].ptHeight.x;
    doc.Records[3].Flags |= REC_DELETED;  // inside the frame: comes back
    MarkOutsideTimeFrame(doc, x0, x1);
    EXPECT_EQ(FlagsOf(), (std::vector<uint16_t>{0x21, 0x11, 0x20, 0x10, 0x40, 0x21, 0x11}));
    EXPECT_EQ(doc.TimeMin, static_cast<int32_t>(At(10, 0, 2)) - 100);
}

TEST_F(FlagsTest, ClearZZeroesHeightsAndDiscardsDeleted) {
    Survey();
    doc.Records[0].Flags |= REC_DELETED;
    ClearZ(doc);
    EXPECT_EQ(doc.Records.size(), 6u);
    for (const auto& r : doc.Records) EXPECT_EQ(r.Z, 0);
    EXPECT_EQ(doc.LevelMin, -1100);  // from -10 cm, widened around the seabed levels
}

TEST_F(FlagsTest, RemovingEverythingEmptiesTheSurveyAndItsCounts) {
    Survey();
    doc.Selected = true;
    doc.SelectedIndex = 6;
    for (auto& r : doc.Records) r.Flags |= REC_DELETED;
    Remove(doc);
    EXPECT_TRUE(doc.Records.empty());
    EXPECT_EQ(doc.KindFlags, 0);
    EXPECT_EQ(doc.StatusText, "");
    EXPECT_EQ(doc.CountDeleted, 0);
    EXPECT_EQ(doc.SelectedRecord(), nullptr);
}

}  // namespace
}  // namespace aq
