// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>

#include "model/civiltime.h"
#include "model/doc.h"
#include "support/builders.h"
#include "views/recordingcanvas.h"
#include "views/sectionview.h"

namespace aq {
namespace {

using Op = RecordingCanvas::Op;
using Call = RecordingCanvas::Call;

struct SectionFixture : ::testing::Test {
    CVKDoc doc;
    CVKView view;
    RecordingCanvas canvas;

    void SetUp() override {
        view.ScreenArea = {0, 0, 1700, 1700};
        view.HasFocus = true;
        doc.BoxSize = 0;  // markers of +-1 unit keep the geometry easy to follow
        doc.LevelMin = -1000;
        doc.LevelMax = 500;
        Span(3600);
    }

    void Span(int64_t seconds) {
        doc.TimeMin = static_cast<int32_t>(test::At(9, 5, 0));
        doc.TimeMax = static_cast<int32_t>(doc.TimeMin + seconds);
    }

    // A record of one kind with its section point at p (the point its kind draws).
    void Add(uint16_t flags, CPoint p) {
        CVKData r = CVKData::Zeroed();
        r.Flags = flags;
        r.ptHeight = r.ptTide = r.ptSeabed = r.ptDepthUp = p;
        doc.Records.push_back(r);
        doc.KindFlags |= flags;
    }

    void Depths(int n) {
        for (int i = 0; i < n; ++i) Add(REC_DEPTH, {1000 * i, 8000});
    }

    // Vertical grid lines (drawn bottom to top across the window).
    std::vector<Call> TimeLines() const {
        std::vector<Call> out;
        for (const Call& c : canvas.Of(Op::Line))
            if (c.from.x == c.to.x && c.from.y == view.Window.bottom && c.to.y == view.Window.top &&
                c.pen != COLOUR_MAGENTA)
                out.push_back(c);
        return out;
    }
    std::vector<Call> MarkerLines() const {
        std::vector<Call> out;
        for (const Call& c : canvas.Of(Op::Line))
            if (c.from.x != c.to.x && c.from.y != c.to.y) out.push_back(c);
        return out;
    }
};

TEST(TimeGridTest, StepsBySpan) {
    EXPECT_EQ(TimeGridFor(1380).minor, 10);  // 23 hours
    EXPECT_EQ(TimeGridFor(1440).major, 60);
    EXPECT_EQ(TimeGridFor(1441).minor, 60);
    EXPECT_EQ(TimeGridFor(4320).major, 720);  // 3 days
    EXPECT_EQ(TimeGridFor(10081).minor, 720);
    EXPECT_EQ(TimeGridFor(28800).major, 1440);  // 20 days
}

TEST_F(SectionFixture, TimeGridMinorAndMajorLines) {
    Depths(6);
    Span(23 * 3600);
    view.Draw(canvas, doc);
    const auto lines = TimeLines();
    // 09:00 (just before TimeMin) to 08:00 the next day every ten minutes; black on hours.
    ASSERT_EQ(lines.size(), 139u);
    int black = 0;
    for (const Call& c : lines) black += c.pen == COLOUR_BLACK;
    EXPECT_EQ(black, 24);
    EXPECT_EQ(lines[0].pen, COLOUR_BLACK);
    EXPECT_EQ(lines[0].from.x, -54);  // 09:00 is 300 s before TimeMin
    EXPECT_EQ(lines[1].pen, COLOUR_GRID);
    EXPECT_EQ(lines[1].penWidth, 0);  // one device pixel at any zoom
    // Time labels on screen too, just inside the plot, where they fit.
    const auto texts = canvas.Texts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), "10:00"), texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), "05 Dec 2009"), texts.end());

    canvas.calls.clear();
    Span(3 * 86400);
    view.Draw(canvas, doc);
    EXPECT_EQ(TimeLines().size(), 77u);  // hourly from 05:00 (the window's edge) to 09:00 three days on
    black = 0;
    for (const Call& c : TimeLines()) black += c.pen == COLOUR_BLACK;
    EXPECT_EQ(black, 6);  // 12:00 and 00:00 (aligned to 12 hours from 00:00)

    canvas.calls.clear();
    Span(40 * 86400);
    view.Draw(canvas, doc);
    EXPECT_TRUE(TimeLines().empty());
}

TEST_F(SectionFixture, LevelGridAndLabels) {
    Depths(6);
    // Labelled lines at least 40 pixels apart (here 0.5 m, 50 pixels), labels at the left
    // edge in points; zoomed in, the step follows what is shown.
    const auto levelTexts = [&] {
        std::vector<Call> out;
        for (const Call& c : canvas.Of(Op::Text))
            if (c.text.back() == 'm') out.push_back(c);
        return out;
    };
    view.Draw(canvas, doc);
    auto texts = levelTexts();
    ASSERT_GE(texts.size(), 3u);
    EXPECT_EQ(texts[0].text, " 5.00m");
    EXPECT_EQ(texts[1].text, " 4.50m");
    EXPECT_EQ(texts[0].from.x, 3);  // device pixels, just inside the left edge
    EXPECT_EQ(texts[0].anchor, TextAnchor::LeftBottom);
    EXPECT_EQ(texts[0].fontPoints, 9);  // points now, whatever the zoom
    const auto has = [&](const char* t) {
        return std::any_of(texts.begin(), texts.end(), [&](const Call& c) { return c.text == t; });
    };
    EXPECT_TRUE(has(" 0.00m"));
    EXPECT_TRUE(has("-10.00m"));
    for (size_t i = 1; i < texts.size(); ++i)
        EXPECT_GE(texts[i].from.y - texts[i - 1].from.y, 40);

    // Ten times zoomed in vertically: labels 0.05 m apart, the same size.
    canvas.calls.clear();
    view.Window = {-1000, 4000, 16000, 5500};
    view.Draw(canvas, doc);
    texts = levelTexts();
    EXPECT_TRUE(has(" 0.00m"));
    EXPECT_TRUE(has("-0.05m"));
    EXPECT_EQ(texts[0].fontPoints, 9);
}

TEST_F(SectionFixture, LinesBreakAtDeletedRecordsAndStopAtTheWindow) {
    // A pixel a unit, so the two-unit markers cover pixels and are drawn.
    view.ScreenArea = {0, 0, 17000, 17000};
    Add(REC_POSITION, {1000, 1000});
    Add(REC_POSITION, {2000, 2000});
    Add(REC_POSITION | REC_DELETED, {3000, 3000});
    Add(REC_POSITION, {4000, 4000});
    Add(REC_POSITION, {5000, 5000});
    Add(REC_DEPTH, {6000, 6000});
    Add(REC_DEPTH, {7000, 7000});
    view.Draw(canvas, doc);
    auto joins = MarkerLines();
    ASSERT_EQ(joins.size(), 3u);
    // In device pixels: the window's left edge (-1000) is pixel 0.
    EXPECT_EQ(joins[0].from, (CPoint{2000, 2000}));
    EXPECT_EQ(joins[0].to, (CPoint{3000, 3000}));
    EXPECT_EQ(joins[1].from, (CPoint{5000, 5000}));  // broken at the deleted record
    EXPECT_EQ(joins[2].from, (CPoint{7000, 7000}));
    const auto ellipses = canvas.Of(Op::Ellipse);
    ASSERT_EQ(ellipses.size(), 4u + 1);
    EXPECT_EQ(ellipses[0].rect, (CRect{4000, 4000, 4001, 4001}));  // the deleted one, first and hollow
    EXPECT_EQ(ellipses[0].brush, RecordingCanvas::Brush::Hollow);
    EXPECT_EQ(ellipses[0].pen, COLOUR_DELETED);

    // The line to a marker outside the window is left out, though the earlier one is in.
    canvas.calls.clear();
    view.Window = {0, 0, 1500, 16000};
    view.Draw(canvas, doc);
    EXPECT_TRUE(MarkerLines().empty());
    EXPECT_EQ(canvas.Of(Op::Ellipse).size(), 1u);

    // No joining lines in the colour-band schemes.
    canvas.calls.clear();
    view.Window = VIEW_EXTENTS;
    doc.ColourMode = COLOUR_ELEVATION;
    view.Draw(canvas, doc);
    EXPECT_TRUE(MarkerLines().empty());
    EXPECT_EQ(canvas.Of(Op::FillRect).size(), 2u + 1);  // and the ground of the bands' key
}

TEST_F(SectionFixture, MarkersShrinkWithTheRecordCountAndStackByKind) {
    doc.BoxSize = 3;
    Add(REC_EVENT, {100, 100});
    Add(REC_DEPTH, {200, 200});
    Add(REC_TIDE, {300, 300});
    Add(REC_POSITION, {400, 400});
    Depths(6);
    view.Draw(canvas, doc);
    // Few records: the full box size, 3 + 2 pixels square however the window stretches
    // (400 is device 140 at 10 units a pixel).
    const auto ellipses = canvas.Of(Op::Ellipse);
    ASSERT_EQ(ellipses.size(), 1u);
    EXPECT_EQ(ellipses[0].rect, (CRect{138, 138, 143, 143}));
    // Position, tide, depth, event: the event's cross comes last.
    std::vector<Op> order;
    for (const Call& c : canvas.calls)
        if (c.op != Op::Text && c.op != Op::Line) order.push_back(c.op);
    ASSERT_GE(order.size(), 3u);
    EXPECT_EQ(order[0], Op::Ellipse);
    EXPECT_EQ(order[1], Op::RoundRect);
    EXPECT_EQ(order[2], Op::Rectangle);
    EXPECT_EQ(canvas.calls.back().op, Op::Line);
    EXPECT_EQ(canvas.calls.back().from, (CPoint{108, 113}));

    // Many records: down to a device pixel, never less.
    for (int i = 0; i < 20000; ++i) Add(REC_DEPTH, {500, 500});
    canvas.calls.clear();
    view.Draw(canvas, doc);
    const auto squares = canvas.Of(Op::Rectangle);
    ASSERT_FALSE(squares.empty());
    EXPECT_EQ(squares.back().rect.right - squares.back().rect.left, 1);
    EXPECT_EQ(squares.back().rect.bottom - squares.back().rect.top, 1);
}

TEST_F(SectionFixture, NothingForPositionsOnlyOrFewRecords) {
    for (int i = 0; i < 8; ++i) Add(REC_POSITION, {i * 100, 100});
    view.Draw(canvas, doc);
    EXPECT_TRUE(canvas.calls.empty());
    CVKDoc few;
    few.KindFlags = REC_DEPTH;
    few.Records.resize(5);
    view.Draw(canvas, few);
    EXPECT_TRUE(canvas.calls.empty());
}

TEST_F(SectionFixture, TimeCursorOnTheSelection) {
    Depths(6);
    doc.Selected = true;
    doc.SelectedIndex = 3;
    view.Draw(canvas, doc);
    const Call& first = canvas.calls.front();
    EXPECT_EQ(first.op, Op::Line);
    EXPECT_EQ(first.pen, COLOUR_MAGENTA);
    EXPECT_EQ(first.from, (CPoint{3000, -1000}));
    EXPECT_EQ(first.to, (CPoint{3000, 16000}));
}

TEST_F(SectionFixture, ReadOutOfTimeAndLevel) {
    Depths(6);
    // Logical (7500, 5000) is device (850, 600).
    EXPECT_EQ(view.ReadOut(doc, {850, 600}), "SECTION:(" + civil::Format("%c", doc.TimeMin + 1800) + ") z=0.00");
    view.HasFocus = false;
    EXPECT_EQ(view.ReadOut(doc, {850, 600}), "");
    view.HasFocus = true;
    CVKDoc empty;
    EXPECT_EQ(view.ReadOut(empty, {850, 600}), "");
    // A time the calendar cannot show leaves only the level.
    doc.TimeMin = -100000;
    doc.TimeMax = -90000;
    EXPECT_EQ(view.ReadOut(doc, {850, 600}), " z=0.00");
}

TEST_F(SectionFixture, PrintingSplitsTheTimeRangeIntoPages) {
    Depths(6);
    view.Window = {2000, 3000, 4000, 5000};  // the screen's zoom
    const CRect page{0, 0, 2000, 1000};
    SectionPrintSettings settings;
    settings.title = "Harbour";
    settings.pages = 3;
    const int32_t n = view.BeginPrinting(page, settings);
    ASSERT_EQ(n, 3);
    EXPECT_EQ(view.PrintTitle, "Harbour");
    const std::vector<CRect> windows = {{0, -1000, 5000, 16000}, {5000, -1000, 10000, 16000}, {10000, -1000, 15000, 16000}};
    for (int p = 1; p <= n; ++p) {
        canvas.calls.clear();
        view.PreparePage(page, p, n);
        EXPECT_EQ(view.ScreenArea, (CRect{100, 100, 1900, 900}));
        EXPECT_EQ(view.Window, windows[static_cast<size_t>(p - 1)]);
        view.Draw(canvas, doc, PrintingOptions());
        bool titled = false;
        for (const Call& c : canvas.Of(Op::Text))
            if (c.text == "Harbour (page " + std::to_string(p) + "/3)") {
                titled = true;
                EXPECT_EQ(c.from, (CPoint{windows[static_cast<size_t>(p - 1)].left + 2500, -1000 - 850}));
                EXPECT_EQ(c.anchor, TextAnchor::CentreBottom);
            }
        EXPECT_TRUE(titled) << p;
    }
    view.EndPrinting();
    EXPECT_EQ(view.Window, (CRect{2000, 3000, 4000, 5000}));

    // One page prints the screen's window, with the time and date labels and no suffix.
    canvas.calls.clear();
    settings.pages = 1;
    view.Window = VIEW_EXTENTS;
    ASSERT_EQ(view.BeginPrinting(page, settings), 1);
    view.PreparePage(page, 1, 1);
    EXPECT_EQ(view.Window, VIEW_EXTENTS);
    view.Draw(canvas, doc, PrintingOptions());
    const auto texts = canvas.Texts();
    const std::string hour = civil::Format("%H:%M", test::At(10, 0, 0));
    const std::string date = civil::Format("%d %b %Y", test::At(10, 0, 0));
    EXPECT_EQ(hour, "10:00");
    EXPECT_NE(std::find(texts.begin(), texts.end(), hour), texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), date), texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Harbour"), texts.end());
    for (const Call& c : canvas.Of(Op::Text)) {
        if (c.text == date) {
            EXPECT_EQ(c.from.y, 16005);
        }
    }

    // The screen drawing forgets a page suffix.
    view.PageSuffix = " (page 1/2)";
    view.Draw(canvas, doc);
    EXPECT_EQ(view.PageSuffix, "");
    // The dialog's range.
    settings.pages = 0;
    EXPECT_EQ(view.BeginPrinting(page, settings), 1);
}

}  // namespace
}  // namespace aq
