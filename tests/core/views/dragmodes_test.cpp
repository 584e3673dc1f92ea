// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "model/scriptedport.h"
#include "processing/recalc.h"
#include "support/builders.h"
#include "ui/dragbox.h"
#include "views/dragmodes.h"
#include "views/planview.h"
#include "views/sectionview.h"

namespace aq {
namespace {

using test::Append;
using test::At;

// A line run east and back west over a slope, a tide and an event, recalculated.
struct DragFixture : ::testing::Test {
    ScriptedPort port;
    CVKDoc doc;
    CVKPView plan;
    CVKView section;

    void SetUp() override {
        plan.HasFocus = section.HasFocus = true;
        for (int s = 0; s < 10; ++s) {
            const int along = s < 5 ? s : 9 - s;
            Append(doc, {test::Pos(At(10, 0, s * 2), 100000 + along * 1000, 500000 + s * 10, 100),
                         test::Depth(At(10, 0, s * 2 + 1), 500 + along * 100)});
        }
        Append(doc, {test::Tide(At(10, 0, 5), 40), test::Event(At(10, 0, 7), 3)});
        Recalculate(doc, port);
    }
    int Deleted() const {
        int n = 0;
        for (const CVKData& r : doc.Records) n += r.IsDeleted();
        return n;
    }
    static constexpr CRect kEverything{-20000, -20000, 40000, 40000};
};

TEST(DragBox, CornersInAnyOrderAndTheSmallestBoxThatActs) {
    EXPECT_EQ(NormalisedBox({100, 50}, {10, 200}), (CRect{10, 50, 100, 200}));
    EXPECT_FALSE(BoxIsBigEnough(CRect{0, 0, 4, 100}));  // 4 wide: a shaky click
    EXPECT_FALSE(BoxIsBigEnough(CRect{0, 0, 100, 4}));
    EXPECT_TRUE(BoxIsBigEnough(CRect{0, 0, 5, 5}));
    // Far corners do not overflow the size test.
    EXPECT_TRUE(BoxIsBigEnough(CRect{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}));
}

TEST_F(DragFixture, TimeFrameKeepsTheFrameOnlyInTheSection) {
    // The plan has no time axis: nothing happens, but the mode is spent.
    plan.DragMode = DRAG_TIMEFRAME;
    EXPECT_TRUE(ApplyDragBox(doc, plan, false, CRect{0, 0, 5000, 15000}, port).applied);
    EXPECT_EQ(plan.DragMode, DRAG_VIEW);
    EXPECT_EQ(Deleted(), 0);

    // Deleted earlier inside the frame comes back; outside goes.
    const int32_t x0 = doc.Records[4].ptHeight.x, x1 = doc.Records[12].ptHeight.x;
    std::vector<bool> outside;
    for (const CVKData& r : doc.Records) outside.push_back(r.ptHeight.x < x0 || r.ptHeight.x > x1);
    doc.Records[8].Flags |= REC_DELETED;
    section.DragMode = DRAG_TIMEFRAME;
    ApplyDragBox(doc, section, true, CRect{x0, -20000, x1, 40000}, port);
    for (size_t i = 0; i < doc.Records.size(); ++i) EXPECT_EQ(doc.Records[i].IsDeleted(), outside[i]) << i;
    EXPECT_EQ(section.DragMode, DRAG_VIEW);
}

TEST_F(DragFixture, EnquireListsAndTheFieldTestsNeedMoreThanThreeRecords) {
    section.DragMode = DRAG_ENQUIRE;
    BoxResult r = ApplyDragBox(doc, section, true, CRect{-20000, -20000, -10000, -10000}, port);
    EXPECT_TRUE(r.listing);  // over empty ground: an empty list
    EXPECT_TRUE(r.collected.empty());
    doc.Records[0].Flags |= REC_DELETED;
    plan.DragMode = DRAG_ENQUIRE;
    r = ApplyDragBox(doc, plan, false, kEverything, port);
    EXPECT_EQ(r.collected.size(), doc.Records.size());  // deleted ones too

    // Three records in the box: no test, no message, and the mode is still spent.
    const CPoint p = doc.Records[2].ptPlan;
    plan.DragMode = DRAG_PATCHTEST;
    r = ApplyDragBox(doc, plan, false, CRect{p.x - 1, p.y - 1, p.x + 300, p.y + 300}, port);
    ASSERT_LE(doc.CollectInRect(CRect{p.x - 1, p.y - 1, p.x + 300, p.y + 300}, false).size(), 3u);
    EXPECT_TRUE(r.message.empty());
    EXPECT_TRUE(port.messages.empty());
    EXPECT_EQ(plan.DragMode, DRAG_VIEW);

    plan.DragMode = DRAG_GRADIENT;
    r = ApplyDragBox(doc, plan, false, kEverything, port);
    ASSERT_EQ(port.Texts(), std::vector<std::string>{r.message});
    EXPECT_EQ(r.message.rfind("GRADIENT TEST RESULTS\n", 0), 0u);
    plan.DragMode = DRAG_PATCHTEST;
    r = ApplyDragBox(doc, plan, false, kEverything, port);
    EXPECT_EQ(r.message.rfind("PATCH TEST RESULTS\n", 0), 0u);
}

}  // namespace
}  // namespace aq
