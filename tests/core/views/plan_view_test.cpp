// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>

#include "model/doc.h"
#include "processing/recalc.h"
#include "support/builders.h"
#include "ui/commands.h"
#include "views/planview.h"
#include "views/recordingcanvas.h"

namespace aq {
namespace {

using Op = RecordingCanvas::Op;
using test::At;

// Eastings 1000 m to 2500 m, northings 5000 m to 6500 m, on a 1700 x 1700 pixel screen
// (10 logical units a pixel at the initial window).
struct PlanFixture : ::testing::Test {
    CVKDoc doc;
    CVKPView view;
    RecordingCanvas canvas;

    void SetUp() override {
        view.ScreenArea = {0, 0, 1700, 1700};
        view.HasFocus = true;
    }

    // Records laid out by hand: index i at plan point pts[i].
    void Layout(std::initializer_list<std::pair<uint16_t, CPoint>> recs) {
        int i = 0;
        for (const auto& [flags, p] : recs) {
            CVKData r = CVKData::Zeroed();
            r.Time = At(10, 0, i++);
            r.Flags = flags;
            r.ptPlan = p;
            doc.Records.push_back(r);
            doc.KindFlags |= flags;
        }
        doc.XMin = 100000;
        doc.XMax = 250000;
        doc.YMin = 500000;
        doc.YMax = 650000;
        doc.FirstPosIndex = 0;
        doc.LastPosIndex = static_cast<int32_t>(doc.Records.size()) - 1;
        doc.UpdateCounts();
    }

    void SixPositions() {
        Layout({{REC_POSITION, {0, 0}},
                {REC_POSITION, {1000, 1000}},
                {REC_POSITION, {2000, 2000}},
                {REC_POSITION, {3000, 3000}},
                {REC_POSITION, {4000, 4000}},
                {REC_POSITION, {5000, 5000}}});
    }
};

TEST(GridStepTest, SmallestPowerOfTenGivingTenStepsAtMost) {
    EXPECT_EQ(GridStep(0, 90), 10);
    EXPECT_EQ(GridStep(0, 100), 10);
    EXPECT_EQ(GridStep(0, 110), 100);
    EXPECT_EQ(GridStep(100000, 250000), 100000);
    EXPECT_EQ(GridStep(0, 1000), 100);
    EXPECT_EQ(GridStep(0, 1100), 1000);
    EXPECT_EQ(GridStep(0, 1110), 1000);
    EXPECT_EQ(GridStep(5, 5), 10);
    EXPECT_EQ(GridStep(10, -10), 10);  // an empty range still gets a step
}

TEST_F(PlanFixture, GridLinesAndLabelsInsideTheWindowOnly) {
    SixPositions();
    view.Draw(canvas, doc);
    // Eastings step 1000 m: 1000.0 at x 0 and 2000.0 at x 10000; 3000 m is past XMax.
    std::vector<std::string> texts = canvas.Texts();
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[0], "1000.0");
    EXPECT_EQ(texts[1], "2000.0");
    EXPECT_EQ(texts[2], "5000.0");
    EXPECT_EQ(texts[3], "6000.0");
    auto lines = canvas.Of(Op::Line);
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0].from, (CPoint{0, -1000}));
    EXPECT_EQ(lines[0].to, (CPoint{0, 16000}));
    EXPECT_EQ(lines[1].from, (CPoint{10000, -1000}));
    EXPECT_EQ(lines[2].from, (CPoint{-1000, 15000}));  // 5000 m is the south edge
    EXPECT_EQ(lines[3].from, (CPoint{-1000, 5000}));   // 6000 m
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(lines[i].pen, COLOUR_GRID);
        EXPECT_EQ(lines[i].penWidth, 0);
    }
    const auto textCalls = canvas.Of(Op::Text);
    EXPECT_EQ(textCalls[0].from, (CPoint{0, 16000}));
    EXPECT_EQ(textCalls[2].from, (CPoint{-1000, 15000}));
    EXPECT_EQ(textCalls[0].fontHeight, 250);
    EXPECT_TRUE(textCalls[0].transparent);
    EXPECT_EQ(textCalls[0].anchor, TextAnchor::LeftBottom);

    // A line exactly on the window's edge is left out.
    canvas.calls.clear();
    view.Window = {0, 5000, 10000, 15000};
    view.Draw(canvas, doc);
    EXPECT_TRUE(canvas.Texts().empty());
}

TEST_F(PlanFixture, GeographicLabelsAndTitle) {
    SixPositions();
    doc.KindFlags |= REC_GEOGRAPHIC;
    doc.XMin = -52000000;  // -5.2 degrees
    doc.XMax = -50000000;
    doc.YMin = 500000000;
    doc.YMax = 502000000;
    doc.PathName = "/surveys/harbour.son";
    view.Draw(canvas, doc);
    EXPECT_EQ(view.PlotTitle, "Aquenta Lat/Lon Position plot - harbour.son");
    const auto texts = canvas.Texts();
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts[0], "-5.2000000");  // a step of 0.1 degree
    EXPECT_TRUE(std::find(texts.begin(), texts.end(), "50.0000000") != texts.end());
}

TEST_F(PlanFixture, NothingDrawnForFewRecordsOrNoPositions) {
    Layout({{REC_POSITION, {0, 0}}, {REC_POSITION, {1, 1}}, {REC_POSITION, {2, 2}}, {REC_POSITION, {3, 3}},
            {REC_POSITION, {4, 4}}});
    view.Draw(canvas, doc);
    EXPECT_TRUE(canvas.calls.empty());
    EXPECT_EQ(view.PlotTitle, "Aquenta  Position plot - Untitled");  // two blanks

    CVKDoc depths;
    for (int i = 0; i < 10; ++i) depths.AddRecord(test::Depth(At(10, 0, i), 300));
    depths.KindFlags = REC_DEPTH;
    view.Draw(canvas, depths);
    EXPECT_TRUE(canvas.calls.empty());
    EXPECT_EQ(view.ReadOut(depths, {850, 850}), "");  // CountPos is 0
}

TEST_F(PlanFixture, MarkersByKindInDrawingOrder) {
    Layout({{REC_DEPTH, {100, 100}},
            {REC_POSITION, {1000, 1000}},
            {REC_TIDE, {2000, 2000}},
            {REC_EVENT, {3000, 3000}},
            {REC_POSITION | REC_EVENT, {4000, 4000}},
            {REC_POSITION | REC_DELETED, {5000, 5000}},
            {REC_POSITION, {6000, 6000}}});
    view.Draw(canvas, doc);

    std::vector<RecordingCanvas::Call> markers;
    for (const auto& c : canvas.calls)
        if (c.op != Op::Text && !(c.op == Op::Line && c.pen == COLOUR_GRID)) markers.push_back(c);
    // The deleted position is drawn first of all the markers, hollow in its own colour,
    // under the live ones.
    ASSERT_FALSE(markers.empty());
    EXPECT_EQ(markers[0].op, Op::Ellipse);
    EXPECT_EQ(markers[0].rect, (CRect{4970, 4970, 5030, 5030}));
    EXPECT_EQ(markers[0].brush, RecordingCanvas::Brush::Hollow);
    EXPECT_EQ(markers[0].pen, COLOUR_DELETED);
    markers.erase(markers.begin());
    // Events (two crossing lines each), depths, tides, then the three live positions.
    ASSERT_EQ(markers.size(), 2u * 2 + 1 + 1 + 3);
    EXPECT_EQ(markers[0].op, Op::Line);
    EXPECT_EQ(markers[0].from, (CPoint{2970, 2970}));
    EXPECT_EQ(markers[0].to, (CPoint{3030, 3030}));
    EXPECT_EQ(markers[1].from, (CPoint{2970, 3030}));
    EXPECT_EQ(markers[1].to, (CPoint{3030, 2970}));
    EXPECT_EQ(markers[0].pen, COLOUR_BLACK);
    EXPECT_EQ(markers[2].from, (CPoint{3970, 3970}));  // the positioned event is an event too

    EXPECT_EQ(markers[4].op, Op::Rectangle);  // depth, Point Type: outlined square
    EXPECT_EQ(markers[4].rect, (CRect{70, 70, 130, 130}));
    EXPECT_EQ(markers[4].brushColour, doc.Colours[6]);

    EXPECT_EQ(markers[5].op, Op::RoundRect);  // tide: light grey, whatever its band
    EXPECT_EQ(markers[5].brush, RecordingCanvas::Brush::LightGrey);
    EXPECT_EQ(markers[5].corner, (CPoint{30, 30}));

    EXPECT_EQ(markers[6].op, Op::Ellipse);
    EXPECT_EQ(markers[6].rect, (CRect{970, 970, 1030, 1030}));
    EXPECT_EQ(markers[6].brushColour, doc.Colours[2]);

    // In the colour-band schemes a depth is a plain filled square.
    canvas.calls.clear();
    doc.ColourMode = COLOUR_QUALITY;
    view.Draw(canvas, doc);
    // Besides the marker, the key of the bands: its ground and seven swatches.
    EXPECT_EQ(canvas.Of(Op::Rectangle).size(), 7u);
    ASSERT_EQ(canvas.Of(Op::FillRect).size(), 1u + 1);

    // Kinds can be hidden.
    canvas.calls.clear();
    doc.ShowKinds = REC_TIDE;
    view.Draw(canvas, doc);
    EXPECT_EQ(canvas.Of(Op::RoundRect).size(), 1u);
    EXPECT_EQ(canvas.Of(Op::Ellipse).size(), 0u);
}

TEST_F(PlanFixture, OnlyThePositionSpanAndTheWindowAreDrawn) {
    Layout({{REC_DEPTH, {100, 100}},
            {REC_POSITION, {1000, 1000}},
            {REC_DEPTH, {1500, 1500}},
            {REC_POSITION, {2000, 2000}},
            {REC_DEPTH, {2500, 2500}},
            {REC_DEPTH, {-1500, 2500}}});
    doc.FirstPosIndex = 1;
    doc.LastPosIndex = 3;
    view.Draw(canvas, doc);
    EXPECT_EQ(canvas.Of(Op::Rectangle).size(), 1u);  // only the depth between the positions
    EXPECT_EQ(canvas.Of(Op::Ellipse).size(), 2u);

    // A single live position leaves LastPosIndex at -1: no markers at all.
    canvas.calls.clear();
    doc.LastPosIndex = -1;
    view.Draw(canvas, doc);
    EXPECT_EQ(canvas.Of(Op::Ellipse).size(), 0u);

    // A marker whose square only touches the window is culled; one overlapping is drawn.
    canvas.calls.clear();
    doc.LastPosIndex = 5;
    doc.FirstPosIndex = 0;
    view.Window = {1030, 0, 1900, 16000};
    view.Draw(canvas, doc);
    EXPECT_EQ(canvas.Of(Op::Ellipse).size(), 0u);  // 970..1030 touches at 1030; 2000 is outside
    EXPECT_EQ(canvas.Of(Op::Rectangle).size(), 1u);
}

TEST_F(PlanFixture, MagentaCrossHairOnTheSelection) {
    SixPositions();
    doc.Selected = true;
    doc.SelectedIndex = 2;
    view.Draw(canvas, doc);
    std::vector<RecordingCanvas::Call> magenta;
    for (const auto& c : canvas.Of(Op::Line))
        if (c.pen == COLOUR_MAGENTA) magenta.push_back(c);
    ASSERT_EQ(magenta.size(), 2u);
    EXPECT_EQ(magenta[0].from, (CPoint{2000, -1000}));
    EXPECT_EQ(magenta[0].to, (CPoint{2000, 16000}));
    EXPECT_EQ(magenta[1].from, (CPoint{-1000, 2000}));
    EXPECT_EQ(magenta[1].to, (CPoint{16000, 2000}));
    EXPECT_EQ(magenta[0].penWidth, 1);
    // Markers go on top in the black stock pen, then a hollow ring (magenta inside white)
    // around the selected record's marker.
    EXPECT_EQ(canvas.Of(Op::Ellipse).back().pen, COLOUR_BLACK);
    const auto rings = canvas.Of(Op::Rectangle);
    ASSERT_GE(rings.size(), 2u);
    const auto& inner = rings[rings.size() - 2];
    EXPECT_EQ(inner.pen, COLOUR_MAGENTA);
    EXPECT_EQ(inner.brush, RecordingCanvas::Brush::Hollow);
    EXPECT_LT(inner.rect.left, 2000);
    EXPECT_GT(inner.rect.right, 2000);
    EXPECT_EQ(rings.back().pen, COLOUR_WHITE);
}

TEST_F(PlanFixture, PrintedPageCarriesTheTitleAboveThePlot) {
    SixPositions();
    view.PreparePage({0, 0, 4000, 6000});
    EXPECT_EQ(view.ScreenArea, (CRect{200, 300, 3800, 5700}));
    view.Draw(canvas, doc, PrintingOptions());
    const auto texts = canvas.Of(Op::Text);
    ASSERT_FALSE(texts.empty());
    const auto& title = texts.back();
    EXPECT_EQ(title.text, "Aquenta  Position plot - Untitled");
    EXPECT_EQ(title.from, (CPoint{7500, -1100}));
    EXPECT_EQ(title.anchor, TextAnchor::CentreBottom);
    // The screen drawing has no title.
    canvas.calls.clear();
    view.Draw(canvas, doc);
    EXPECT_EQ(canvas.Texts().size(), texts.size() - 1);
}

TEST_F(PlanFixture, ReadOutOfTheMousePoint) {
    SixPositions();
    view.ScreenArea = {0, 0, 1700, 1700};
    // Logical (7500, 3000) is device (850, 400).
    EXPECT_EQ(view.ReadOut(doc, {850, 400}), "PLAN: x=1750.0 y=6200.0");
    view.HasFocus = false;
    EXPECT_EQ(view.ReadOut(doc, {850, 400}), "");
    view.HasFocus = true;
    doc.KindFlags |= REC_GEOGRAPHIC;
    doc.UpdateCounts();
    EXPECT_EQ(view.ReadOut(doc, {850, 400}), "PLAN: Lat=0.0620000 Lon=0.0175000");
}

TEST(ViewStateTest, ZoomAndPanMoveTheWindowWithinTheirRules) {
    CViewState v;
    CommandContext ctx = v.Context(nullptr, ActiveView::Plan);
    for (int id : {ID_PAN_LEFT, ID_PAN_RIGHT, ID_PAN_UP, ID_PAN_DOWN, ID_ZOOM_OUT})
        EXPECT_FALSE(EvaluateCommand(id, ctx).enabled) << id;
    EXPECT_FALSE(v.ZoomPan(ID_PAN_RIGHT));
    EXPECT_EQ(v.Window, VIEW_EXTENTS);

    v.Window = {0, 0, 4000, 2000};  // as a zoom box leaves it
    EXPECT_TRUE(v.ZoomPan(ID_PAN_RIGHT));
    EXPECT_EQ(v.Window, (CRect{1000, 0, 5000, 2000}));
    EXPECT_TRUE(v.ZoomPan(ID_PAN_LEFT));
    EXPECT_TRUE(v.ZoomPan(ID_PAN_UP));  // southward: logical y grows
    EXPECT_EQ(v.Window, (CRect{0, 500, 4000, 2500}));
    EXPECT_TRUE(v.ZoomPan(ID_PAN_DOWN));
    EXPECT_TRUE(v.ZoomPan(ID_PAN_DOWN));
    EXPECT_EQ(v.Window, (CRect{0, -500, 4000, 1500}));
    EXPECT_TRUE(v.ZoomPan(ID_PAN_DOWN));
    EXPECT_EQ(v.Window, (CRect{0, -1000, 4000, 1000}));
    EXPECT_FALSE(v.ZoomPan(ID_PAN_DOWN));  // now at the limit
    EXPECT_TRUE(v.ZoomPan(ID_ZOOM_OUT));
    EXPECT_EQ(v.Window, (CRect{-1000, -1500, 5000, 1500}));

    // A move may carry the window past the extents; the rule only stops the next one.
    v.Window = {15000, 0, 15999, 1000};
    EXPECT_TRUE(v.ZoomPan(ID_PAN_RIGHT));
    EXPECT_EQ(v.Window.right, 16248);
    EXPECT_FALSE(v.ZoomPan(ID_PAN_RIGHT));

    // Zoom Out stops once the window is as wide or as tall as the extents.
    v.Window = {-1000, 0, 16000, 1000};
    EXPECT_FALSE(v.ZoomPan(ID_ZOOM_OUT));
    EXPECT_TRUE(v.ZoomPan(ID_ZOOM_EXTENTS));
    EXPECT_EQ(v.Window, VIEW_EXTENTS);
}

TEST(MappingTest, AnisotropicBothWays) {
    const Mapping m({-1000, -1000, 16000, 16000}, {0, 0, 1700, 850});
    EXPECT_EQ(m.ToDevice(CPoint{7500, 7500}), (CPoint{850, 425}));
    EXPECT_EQ(m.ToDevice(CPoint{-1000, 16000}), (CPoint{0, 850}));
    EXPECT_EQ(m.ToLogical({850, 425}), (CPoint{7500, 7500}));
    const Mapping degenerate({5, 5, 5, 5}, {0, 0, 100, 100});  // no division by zero
    EXPECT_EQ(degenerate.ToDevice(CPoint{6, 6}), (CPoint{1, 1}));
}

}  // namespace
}  // namespace aq
