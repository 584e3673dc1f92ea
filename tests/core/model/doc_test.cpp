// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "model/doc.h"
#include "model/scriptedport.h"
#include "processing/recalc.h"
#include "support/builders.h"

namespace aq {
namespace {

using test::At;

TEST(Document, NewResetsEverythingButTheControlPoints) {
    CVKDoc doc;
    ScriptedPort port;
    test::Append(doc, {test::Depth(At(10, 0, 0), 100)});
    doc.Control.Points.resize(2);
    doc.InterpLimit = 3;
    doc.SoundVelocity = 1400;
    doc.ColourMode = COLOUR_QUALITY;
    doc.Colours[3] = 0x123456;
    doc.ImportedFiles = "a\n";
    doc.SetStatusText("1 Event", port);
    doc.PathName = "/data/first.son";
    doc.New(port);
    // Untitled again: what New brings in must not be saved over or named as the old file.
    EXPECT_EQ(doc.PathName, "");
    EXPECT_TRUE(doc.Records.empty());
    EXPECT_EQ(doc.Control.Points.size(), 2u);
    EXPECT_EQ(doc.InterpLimit, 10);
    EXPECT_EQ(doc.SoundVelocity, 1500.0);
    EXPECT_EQ(doc.ColourMode, COLOUR_POINT_TYPE);
    EXPECT_EQ(doc.Colours, (std::array<uint32_t, 8>{0, 0xFF00FF, 0x0000FF, 0x00FFFF, 0x00FF00, 0xFFFF00, 0xFF0000,
                                                    0xFFFFFF}));
    EXPECT_EQ(doc.TimeMin, INT32_MIN);
    EXPECT_EQ(doc.TimeMax, -1);
    EXPECT_EQ(doc.KindFlags, 0);
    EXPECT_EQ(doc.ImportedFiles, "");
    EXPECT_EQ(port.statusText, "");
}

TEST(Document, CountsAndStatusText) {
    CVKDoc doc;
    auto add = [&](int n, CVKData r) {
        for (int i = 0; i < n; ++i) doc.Records.push_back(r);
    };
    add(12, test::Depth(0, 1));
    add(5, test::Pos(0, 1, 1));
    add(3, test::Tide(0, 1));
    add(1, test::Event(0, 1));
    add(2, test::Deleted(test::Depth(0, 1)));
    add(1, CVKData::OfKind(0, 0, 0x30, 0));  // two kinds at once: counted nowhere
    doc.UpdateCounts(test::Quiet());
    EXPECT_EQ(doc.StatusText, "1 Event, 3 Tide, 5 Fix, 12 Depth, 2 Deleted");
    doc.KindFlags = REC_GEOGRAPHIC;
    EXPECT_EQ(doc.CountsText(), "1 Event, 3 Tide, 5 L/L, 12 Depth, 2 Deleted");
}

TEST(Document, ColourIndexBySchemes) {
    CVKDoc doc;
    EXPECT_EQ(doc.ColourIndex(test::Depth(0, 1)), 6);
    EXPECT_EQ(doc.ColourIndex(test::Pos(0, 1, 1)), 2);
    EXPECT_EQ(doc.ColourIndex(test::Tide(0, 1)), 4);
    EXPECT_EQ(doc.ColourIndex(test::Event(0, 1)), 1);
    EXPECT_EQ(doc.ColourIndex(test::Deleted(test::Depth(0, 1))), 0);

    doc.ColourMode = COLOUR_ELEVATION;
    doc.LevelMin = -300;
    doc.LevelMax = 300;
    CVKData r = test::Depth(0, 300);  // seabed level -300: the minimum
    EXPECT_EQ(doc.ColourIndex(r), 7);
    r.Depth = -300;  // level +300: the maximum
    EXPECT_EQ(doc.ColourIndex(r), 1);
    r.Depth = 400;  // a band below the minimum
    EXPECT_EQ(doc.ColourIndex(r), 0);

    doc.ColourMode = COLOUR_QUALITY;
    r.Quality = 127;  // MulDiv gives 6: ~6 & 7 = 1
    EXPECT_EQ(doc.ColourIndex(r), 1);
    r.Quality = 0;
    EXPECT_EQ(doc.ColourIndex(r), 7);
}

TEST(Document, FindNearestCollectAndAnimate) {
    CVKDoc doc;
    ScriptedPort port;
    test::Append(doc, {test::Pos(At(10, 0, 0), 0, 0), test::Depth(At(10, 0, 1), 100), test::Pos(At(10, 0, 2), 1000, 1000),
                       test::Deleted(test::Depth(At(10, 0, 3), 100)), test::Pos(At(10, 0, 4), 2000, 2000)});
    Recalculate(doc, port);

    // Plan view: the deleted depth at the middle position ties with it; the earlier wins.
    const CPoint mid = doc.Records[2].ptPlan;
    doc.FindNearest(mid, false, port);
    ASSERT_TRUE(doc.Selected);
    EXPECT_EQ(doc.SelectedIndex, 2);
    // Nothing within 29999 logical units: no selection at all.
    doc.FindNearest(CPoint{60000, 60000}, false, port);
    EXPECT_FALSE(doc.Selected);
    // Section view of a survey with depths compares seabed points.
    doc.FindNearest(doc.Records[3].ptSeabed, true, port);
    EXPECT_EQ(doc.SelectedIndex, 3);

    doc.Animating = true;
    doc.SelectedIndex = 4;
    doc.AnimateStep(port);
    EXPECT_EQ(doc.SelectedIndex, 0);  // wraps to the first record
    doc.AnimateStep(port);
    EXPECT_EQ(doc.SelectedIndex, 1);

    // Fewer than two records: the selection stays as it was.
    CVKDoc one;
    test::Append(one, {test::Depth(At(9, 0, 0), 1)});
    one.Selected = true;
    one.FindNearest(CPoint{}, false, test::Quiet());
    EXPECT_TRUE(one.Selected);

    // Section boxes pick each kind by its own point; deleted records come too.
    const CRect all{-100000, -100000, 100000, 100000};
    EXPECT_EQ(doc.CollectInRect(all, true).size(), 5u);
    const CPoint seabed = doc.Records[3].ptSeabed;
    const auto hits = doc.CollectInRect(CRect{seabed.x, seabed.y, seabed.x + 1, seabed.y + 1}, true);
    EXPECT_EQ(hits, (std::vector<int32_t>{3}));
    // Plan points run from (0, 15000) south-west to (15000, 0) north-east; the deleted
    // depth never got a position and sits with the first record.
    const auto plan = doc.CollectInRect(CRect{0, mid.y, mid.x, 15000}, false);
    EXPECT_EQ(plan, (std::vector<int32_t>{1}));  // right and bottom edges excluded
    EXPECT_EQ(doc.CollectInRect(CRect{0, mid.y, mid.x + 1, 15001}, false), (std::vector<int32_t>{0, 1, 2, 3}));
}

}  // namespace
}  // namespace aq
