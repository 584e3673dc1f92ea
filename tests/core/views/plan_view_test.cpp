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
        doc.UpdateCounts(test::Quiet());
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
    // A pixel is a metre here. Eastings every 200 m (lines at least 110 pixels apart)
    // over all that shows, 900 m to 2600 m; northings every 100 m (60 pixels).
    auto lines = canvas.Of(Op::Line);
    std::vector<int32_t> xs, ys;
    for (const auto& l : lines) {
        if (l.pen != COLOUR_GRID) continue;
        EXPECT_EQ(l.penWidth, 0);
        if (l.from.x == l.to.x) xs.push_back(l.from.x);
        if (l.from.y == l.to.y) ys.push_back(l.from.y);
    }
    EXPECT_EQ(xs, (std::vector<int32_t>{0, 2000, 4000, 6000, 8000, 10000, 12000, 14000}));  // 1000 m .. 2400 m
    ASSERT_EQ(ys.size(), 16u);  // 6500 m down to 5000 m
    EXPECT_EQ(ys.front(), 15000);
    EXPECT_EQ(ys.back(), 0);

    // Labels in points on a white ground of their own, in device pixels: eastings along
    // the bottom edge right of their line, northings along the left edge above theirs,
    // left out where they would run into one another or the furniture.
    const auto textCalls = canvas.Of(Op::Text);
    const auto label = [&](const char* text) {
        return std::find_if(textCalls.begin(), textCalls.end(), [&](const auto& t) { return t.text == text; });
    };
    ASSERT_NE(label("1000.0"), textCalls.end());
    EXPECT_EQ(label("1000.0")->from, (CPoint{100 + 3, 1700 - 3}));
    EXPECT_EQ(label("1000.0")->fontPoints, 9);  // whatever the zoom
    EXPECT_FALSE(label("1000.0")->transparent);
    EXPECT_EQ(label("1000.0")->anchor, TextAnchor::LeftBottom);
    ASSERT_NE(label("6000.0"), textCalls.end());
    EXPECT_EQ(label("6000.0")->from.x, 3);
    EXPECT_NE(label("N"), textCalls.end());      // the north arrow
    EXPECT_NE(label("100 m"), textCalls.end());  // the scale bar
    int northings = 0;
    for (const auto& t : textCalls) northings += t.from.x == 3;
    EXPECT_EQ(northings, 16);  // 100 pixels apart, room for each

    // Zoomed, the step comes from what is shown (1000..2000 m: every 100 m), and a
    // line exactly on the window's edge is left out.
    canvas.calls.clear();
    view.Window = {0, 5000, 10000, 15000};
    view.Draw(canvas, doc);
    const std::vector<std::string> texts = canvas.Texts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), "1100.0"), texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), "1900.0"), texts.end());
    EXPECT_EQ(std::find(texts.begin(), texts.end(), "1000.0"), texts.end());
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

    // Markers are drawn in device pixels (10 units a pixel here), squares of 5 about
    // their point; the furniture after them starts with the north arrow's white ground.
    std::vector<RecordingCanvas::Call> markers;
    for (const auto& c : canvas.calls) {
        if (c.op == Op::FillRect && c.brushColour == COLOUR_WHITE) break;
        if (c.op != Op::Text && !(c.op == Op::Line && c.pen == COLOUR_GRID)) markers.push_back(c);
    }
    // The deleted position is drawn first of all the markers, hollow in its own colour,
    // under the live ones.
    ASSERT_FALSE(markers.empty());
    EXPECT_EQ(markers[0].op, Op::Ellipse);
    EXPECT_EQ(markers[0].rect, (CRect{598, 598, 603, 603}));
    EXPECT_EQ(markers[0].brush, RecordingCanvas::Brush::Hollow);
    EXPECT_EQ(markers[0].pen, COLOUR_DELETED);
    markers.erase(markers.begin());
    // Events (two crossing lines each), depths, tides, then the three live positions.
    ASSERT_EQ(markers.size(), 2u * 2 + 1 + 1 + 3);
    EXPECT_EQ(markers[0].op, Op::Line);
    EXPECT_EQ(markers[0].from, (CPoint{398, 398}));
    EXPECT_EQ(markers[0].to, (CPoint{403, 403}));
    EXPECT_EQ(markers[1].from, (CPoint{398, 403}));
    EXPECT_EQ(markers[1].to, (CPoint{403, 398}));
    EXPECT_EQ(markers[0].pen, COLOUR_BLACK);
    EXPECT_EQ(markers[2].from, (CPoint{498, 498}));  // the positioned event is an event too

    EXPECT_EQ(markers[4].op, Op::Rectangle);  // depth, Point Type: outlined square
    EXPECT_EQ(markers[4].rect, (CRect{108, 108, 113, 113}));
    EXPECT_EQ(markers[4].brushColour, doc.Colours[6]);

    EXPECT_EQ(markers[5].op, Op::RoundRect);  // tide: light grey, whatever its band
    EXPECT_EQ(markers[5].brush, RecordingCanvas::Brush::LightGrey);
    EXPECT_EQ(markers[5].corner, (CPoint{2, 2}));

    EXPECT_EQ(markers[6].op, Op::Ellipse);
    EXPECT_EQ(markers[6].rect, (CRect{198, 198, 203, 203}));
    EXPECT_EQ(markers[6].brushColour, doc.Colours[2]);

    // In the colour-band schemes a depth is a plain filled square.
    canvas.calls.clear();
    doc.ColourMode = COLOUR_QUALITY;
    view.Draw(canvas, doc);
    // Besides the marker, the key of the bands (seven swatches) and the scale bar.
    EXPECT_EQ(canvas.Of(Op::Rectangle).size(), 7u + 1);
    const auto fills = canvas.Of(Op::FillRect);
    EXPECT_EQ(std::count_if(fills.begin(), fills.end(),
                            [](const auto& c) { return c.rect == CRect{108, 108, 113, 113}; }),
              1);

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
    // Marker squares are 5 pixels; the scale bar is a rectangle too.
    const auto squares = [&](Op op) {
        const auto all = canvas.Of(op);
        return std::count_if(all.begin(), all.end(), [](const auto& c) { return c.rect.right - c.rect.left == 5; });
    };
    view.Draw(canvas, doc);
    EXPECT_EQ(squares(Op::Rectangle), 1);  // only the depth between the positions
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
    view.EqualScale = {false, false};  // stretched, so the window is what shows
    view.Draw(canvas, doc);
    EXPECT_EQ(canvas.Of(Op::Ellipse).size(), 0u);  // 1000 lies 58 pixels left of the edge; 2000 is outside
    EXPECT_EQ(squares(Op::Rectangle), 1);
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
    EXPECT_EQ(magenta[0].penWidth, 0);  // one device pixel at any zoom
    // Markers go on top in the black stock pen, then a hollow ring (magenta inside white)
    // around the selected record's marker.
    EXPECT_EQ(canvas.Of(Op::Ellipse).back().pen, COLOUR_BLACK);
    const auto rings = canvas.Of(Op::Rectangle);
    ASSERT_GE(rings.size(), 2u);
    // The last rectangle is the scale bar's.
    const auto& inner = rings[rings.size() - 3];
    EXPECT_EQ(inner.pen, COLOUR_MAGENTA);
    EXPECT_EQ(inner.brush, RecordingCanvas::Brush::Hollow);
    EXPECT_EQ(inner.rect, (CRect{298 - 3, 298 - 3, 303 + 3, 303 + 3}));  // three pixels out
    EXPECT_EQ(rings[rings.size() - 2].pen, COLOUR_WHITE);
}

TEST_F(PlanFixture, PrintedPageCarriesTheTitleAboveThePlot) {
    SixPositions();
    view.PreparePage({0, 0, 4000, 6000});
    EXPECT_EQ(view.ScreenArea, (CRect{200, 300, 3800, 5700}));
    view.Draw(canvas, doc, PrintingOptions());
    const auto texts = canvas.Of(Op::Text);
    ASSERT_FALSE(texts.empty());
    const auto title = *std::find_if(texts.begin(), texts.end(), [](const auto& t) {
        return t.text == "Aquenta  Position plot - Untitled";
    });
    EXPECT_EQ(title.from, (CPoint{2000, 294}));  // device pixels: centred, 6 above the plot
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
    doc.UpdateCounts(test::Quiet());
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

namespace aq {
namespace {

// Ground metres a device pixel shows along x and y of the plan's mapping.
std::pair<double, double> MetresPerPixel(const CVKPView& view, const CVKDoc& doc, double cosLat) {
    const Mapping m = view.ViewMapping();
    const double ux = (static_cast<double>(doc.XMax) - doc.XMin) / LOGICAL_SPAN;
    const double uy = (static_cast<double>(doc.YMax) - doc.YMin) / LOGICAL_SPAN;
    const double toMetres = doc.IsGeographic() ? 111319.49 / 1e7 : 0.01;
    return {ux / m.ScaleX() * toMetres * cosLat, uy / std::abs(m.ScaleY()) * toMetres};
}

TEST_F(PlanFixture, EqualScaleKeepsTheGroundScaleOnBothAxes) {
    SixPositions();
    doc.XMax = doc.XMin + 300000;  // 3 km east-west, 1.5 km north-south
    view.ScreenArea = {0, 0, 1200, 500};
    view.Draw(canvas, doc);
    EXPECT_TRUE(view.EqualScaleFor(doc));  // on by default for grid coordinates
    auto [mx, my] = MetresPerPixel(view, doc, 1);
    EXPECT_NEAR(mx / my, 1.0, 1e-3);
    // All of Window still shows, centred.
    const CRect shown = view.Shown();
    EXPECT_LE(shown.left, view.Window.left);
    EXPECT_GE(shown.right, view.Window.right);
    EXPECT_LE(shown.top, view.Window.top);
    EXPECT_GE(shown.bottom, view.Window.bottom);
    EXPECT_NEAR((shown.left + shown.right) / 2.0, (view.Window.left + view.Window.right) / 2.0, 1);

    // Zoom about a point keeps it under the cursor with equal scale too.
    const CPoint at{900, 100};
    const CPoint before = view.ViewMapping().ToLogical(at);
    ASSERT_TRUE(view.ZoomAbout(at, 0.5));
    const CPoint after = view.ViewMapping().ToLogical(at);
    EXPECT_NEAR(after.x, before.x, 2);
    EXPECT_NEAR(after.y, before.y, 2);
    std::tie(mx, my) = MetresPerPixel(view, doc, 1);
    EXPECT_NEAR(mx / my, 1.0, 1e-3);

    // Off, Window is stretched over the pane.
    view.EqualScale = {false, false};
    view.Draw(canvas, doc);
    EXPECT_EQ(view.Shown(), view.Window);
}

TEST_F(PlanFixture, GeographicEqualScaleUsesTheCosineOfTheCentreLatitude) {
    SixPositions();
    doc.KindFlags |= REC_GEOGRAPHIC;
    doc.XMin = 100000000;  // 10 to 10.2 degrees east
    doc.XMax = 102000000;
    doc.YMin = 595000000;  // 59.5 to 60.5 degrees north
    doc.YMax = 605000000;
    view.Draw(canvas, doc);
    EXPECT_FALSE(view.EqualScaleFor(doc));  // geographic plans start stretched
    view.EqualScale = {true, true};
    view.Draw(canvas, doc);
    const auto [mx, my] = MetresPerPixel(view, doc, 0.5);  // cos 60°
    EXPECT_NEAR(mx / my, 1.0, 1e-3);
}

TEST_F(PlanFixture, MarkersStaySquareInAStretchedWindow) {
    SixPositions();
    view.EqualScale = {false, false};
    view.Window = {0, 0, 16000, 1600};  // a flat zoom box: ten times taller than wide
    view.Draw(canvas, doc);
    const auto ellipses = canvas.Of(Op::Ellipse);
    ASSERT_FALSE(ellipses.empty());
    for (const auto& e : ellipses) {
        EXPECT_EQ(e.rect.right - e.rect.left, 5);
        EXPECT_EQ(e.rect.bottom - e.rect.top, 5);
    }
    // And the labels keep their size.
    for (const auto& t : canvas.Of(Op::Text)) EXPECT_EQ(t.fontPoints, 9);
}

TEST(ScaleBarTest, RoundLengths) {
    EXPECT_EQ(ScaleBarMetres(882), 500);
    EXPECT_EQ(ScaleBarMetres(100), 100);
    EXPECT_EQ(ScaleBarMetres(0.31), 0.2);
    EXPECT_EQ(ScaleBarMetres(0), 0);
}

}  // namespace
}  // namespace aq
