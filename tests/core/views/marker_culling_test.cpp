// SPDX-License-Identifier: GPL-3.0-or-later
// What a redraw leaves out (markers painted over, runs of joining lines drawn as one)
// must change no pixel: each picture is compared with the one every marker and line
// drawn one by one gives, on a canvas that paints pixels by the canvas rules.
#include <gtest/gtest.h>

#include <random>

#include "survey_gen.h"
#include "views/markers.h"
#include "views/planview.h"
#include "views/recordingcanvas.h"
#include "views/sectionview.h"

namespace aq {
namespace {

// Paints into its own pixels. Ellipses and rounded squares get a made-up shape in their
// rectangle, which it tells when asked (knowsShapes) so culling can use it; nothing may
// depend on what the shape looks like. As a surface, it lets the drawing write its
// pixels itself.
class PixelCanvas final : public Canvas {
public:
    PixelCanvas(int w, int h, bool knowsShapes, bool clipped, bool surface = false)
        : w_(w),
          h_(h),
          knows_(knowsShapes),
          clipped_(clipped),
          surface_(surface),
          pixels(static_cast<size_t>(w * h), COLOUR_WHITE) {}

    void SelectPen(Colour colour, int32_t) override { pen_ = colour; }
    void SelectBlackPen() override { pen_ = COLOUR_BLACK; }
    void SelectSolidBrush(Colour colour) override {
        brush_ = colour;
        hollow_ = false;
    }
    void SelectLightGreyBrush() override {
        brush_ = COLOUR_LIGHT_GREY;
        hollow_ = false;
    }
    void SelectHollowBrush() override { hollow_ = true; }
    void SelectFont(double) override {}
    void SetTextTransparent(bool) override {}
    void SetTextAnchor(TextAnchor) override {}
    void Text(CPoint, const std::string&) override {}

    void Line(CPoint from, CPoint to) override {
        const CPoint a = Map().ToDevice(from), b = Map().ToDevice(to);
        if (a == b) return;
        ++lines;
        // Bresenham, the last point left out.
        WalkLine(a, b, {0, 0, w_, h_}, [&](int32_t x, int32_t y) { Put(x, y, pen_); });
    }
    void Rectangle(const CRect& r) override {
        const CRect d = Map().ToDevice(r);
        if (hollow_ && d.right - d.left > 2 && d.bottom - d.top > 2) {
            Fill({d.left, d.top, d.right, d.top + 1}, pen_);
            Fill({d.left, d.bottom - 1, d.right, d.bottom}, pen_);
            Fill({d.left, d.top + 1, d.left + 1, d.bottom - 1}, pen_);
            Fill({d.right - 1, d.top + 1, d.right, d.bottom - 1}, pen_);
            return;
        }
        if (!Fill(d, pen_)) return;
        if (d.right - d.left > 2 && d.bottom - d.top > 2)
            Fill({d.left + 1, d.top + 1, d.right - 1, d.bottom - 1}, brush_);
    }
    void FillRect(const CRect& r, Colour colour) override { Fill(Map().ToDevice(r), colour); }
    void Ellipse(const CRect& r) override { Shape(aq::Shape::Ellipse, r); }
    void RoundRect(const CRect& r, int32_t, int32_t) override { Shape(aq::Shape::RoundRect, r); }

    CRect VisibleArea() const override { return clipped_ ? CRect{0, 0, w_, h_} : CRect{}; }
    bool Surface(PixelSurface& s) override {
        if (!surface_) return false;
        s = {pixels.data(), w_, w_, h_};
        return true;
    }
    bool ShapeMask(aq::Shape shape, const CRect& r, int32_t, int32_t, std::vector<uint8_t>& mask) override {
        const CRect d = Map().ToDevice(r);
        const int w = d.right - d.left, h = d.bottom - d.top;
        if (!surface_ || w <= 2 || h <= 2 || w > 64) return false;
        const std::vector<uint64_t> rows = Mask(shape, w, h);
        mask.assign(static_cast<size_t>(w * h), 0);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (rows[static_cast<size_t>(y)] >> x & 1) mask[static_cast<size_t>(y * w + x)] = (x + y) % 3 ? 2 : 1;
        return true;
    }
    bool ShapePixels(aq::Shape shape, const CRect& r, int32_t, int32_t, std::vector<uint64_t>& rows) override {
        if (!knows_) return false;
        const CRect d = Map().ToDevice(r);
        rows = Mask(shape, d.right - d.left, d.bottom - d.top);
        return true;
    }

    int lines = 0, shapes = 0;

private:
    static std::vector<uint64_t> Mask(aq::Shape shape, int w, int h) {
        std::vector<uint64_t> rows(static_cast<size_t>(h));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w && x < 64; ++x)
                if ((x * 7 + y * 13 + w * 3 + h + (shape == aq::Shape::Ellipse ? 0 : 2)) % 5 != 0)
                    rows[static_cast<size_t>(y)] |= uint64_t{1} << x;
        return rows;
    }
    void Shape(aq::Shape shape, const CRect& r) {
        const CRect d = Map().ToDevice(r);
        if (d.right <= d.left || d.bottom <= d.top) return;
        ++shapes;
        // As a surface, by its rules: all pen at two pixels or less across.
        if (surface_ && (d.right - d.left <= 2 || d.bottom - d.top <= 2)) {
            --shapes;
            Fill(d, pen_);
            return;
        }
        const std::vector<uint64_t> rows = Mask(shape, d.right - d.left, d.bottom - d.top);
        for (int y = d.top; y < d.bottom; ++y)
            for (int x = d.left; x < d.right && x - d.left < 64; ++x)
                if (rows[static_cast<size_t>(y - d.top)] >> (x - d.left) & 1) {
                    const bool pen = (x - d.left + y - d.top) % 3 == 0;
                    if (!hollow_ || pen) Put(x, y, pen ? pen_ : brush_);
                }
    }
    bool Fill(const CRect& d, Colour colour) {
        if (d.right <= d.left || d.bottom <= d.top) return false;
        ++shapes;
        for (int y = std::max(d.top, 0); y < std::min(d.bottom, h_); ++y)
            for (int x = std::max(d.left, 0); x < std::min(d.right, w_); ++x) Put(x, y, colour);
        return true;
    }
    void Put(int x, int y, Colour c) {
        if (x >= 0 && y >= 0 && x < w_ && y < h_) pixels[static_cast<size_t>(y * w_ + x)] = c;
    }

    int w_, h_;
    bool knows_, clipped_, surface_;
    Colour pen_ = COLOUR_BLACK, brush_ = COLOUR_WHITE;
    bool hollow_ = false;

public:
    std::vector<Colour> pixels;
};

struct Case {
    int32_t colourMode, boxSize;
    CRect window;
};

// Both views drawn with and without leaving anything out, on canvases that know their
// shapes or not, whose pixels show only on the screen area or around it too, and on a
// surface the drawing paints itself (the whole of it, or a page's plot area).
void ExpectSamePictures(const CVKDoc& doc, const Case& k, int w, int h, const char* what, size_t parallelFrom = 0) {
    for (int view = 0; view < 2; ++view)
        for (int variant = 0; variant < 5; ++variant) {
            const bool knows = variant != 1, clipped = variant == 0 || variant == 3, surface = variant >= 3;
            // Unclipped: a page whose margin shows what reaches past the plot.
            const CRect screen =
                clipped ? CRect{0, 0, w, h} : CRect{w / 20, h / 20, w - w / 20, h - h / 20};
            PixelCanvas fast(w, h, knows, clipped, surface), every(w, h, knows, clipped, surface);
            DrawOptions some, all;
            if (parallelFrom) some.parallel.minimum = parallelFrom;
            all.cull = false;
            for (PixelCanvas* c : {&fast, &every}) {
                CVKPView plan;
                CVKView section;
                CViewState& state = view ? static_cast<CViewState&>(section) : plan;
                state.Window = k.window;
                state.ScreenArea = screen;
                if (view)
                    section.Draw(*c, doc, c == &fast ? some : all);
                else
                    plan.Draw(*c, doc, c == &fast ? some : all);
            }
            size_t differ = 0;
            for (size_t i = 0; i < fast.pixels.size(); ++i) differ += fast.pixels[i] != every.pixels[i];
            EXPECT_EQ(differ, 0u) << what << (view ? " section" : " plan") << " scheme " << k.colourMode << " box "
                                  << k.boxSize << " variant " << variant;
            EXPECT_LE(fast.shapes, every.shapes);
            EXPECT_LE(fast.lines, every.lines);
        }
}

const Case kCases[] = {
    {COLOUR_POINT_TYPE, 3, VIEW_EXTENTS},
    {COLOUR_ELEVATION, 3, VIEW_EXTENTS},
    {COLOUR_QUALITY, 1, {2000, 3000, 6000, 5000}},
    {COLOUR_POINT_TYPE, 8, {5000, -1000, 9000, 16000}},
    {COLOUR_POINT_TYPE, 40, {7000, 7000, 7300, 7200}},  // squares far larger than the screen
    {COLOUR_ELEVATION, 20, {7400, 3000, 7460, 12000}},
};

TEST(MarkerCullingTest, DenseSurveyPicturesMatchDrawingEveryMarker) {
    CVKDoc doc;
    gen::MakeSmallSurvey(doc, 3000);
    doc.Selected = true;
    doc.SelectedIndex = 5000;
    for (const Case& k : kCases) {
        doc.ColourMode = k.colourMode;
        doc.BoxSize = k.boxSize;
        ExpectSamePictures(doc, k, 700, 500, "one walk");
    }
    // The same in two halves walked at once, the later half going on from the earlier.
    for (const Case& k : kCases) {
        doc.ColourMode = k.colourMode;
        doc.BoxSize = k.boxSize;
        ExpectSamePictures(doc, k, 700, 500, "two halves", 1000);
    }
    // Deleted records under the live ones, shown and not, on a surface in three parts.
    for (size_t i = 0; i < doc.Records.size(); i += 7) doc.Records[i].Flags |= REC_DELETED;
    doc.ColourMode = COLOUR_POINT_TYPE;
    doc.BoxSize = 3;
    for (const bool shown : {true, false})
        for (int view = 0; view < 2; ++view) {
            PixelCanvas fast(400, 300, true, true, true), every(400, 300, true, true, true);
            DrawOptions some, all;
            some.parallel = {1000, 3, 1, 0};
            all.cull = false;
            some.showDeleted = all.showDeleted = shown;
            CVKPView plan;
            CVKView section;
            plan.ScreenArea = section.ScreenArea = {0, 0, 400, 300};
            for (PixelCanvas* c : {&fast, &every}) {
                if (view)
                    section.Draw(*c, doc, c == &fast ? some : all);
                else
                    plan.Draw(*c, doc, c == &fast ? some : all);
            }
            EXPECT_EQ(fast.pixels, every.pixels) << "view " << view << " deleted shown " << shown;
        }
}

TEST(MarkerCullingTest, MostOfADenseSurveyIsLeftOut) {
    // Some hundred records a pixel column, as ten million give on a screen.
    CVKDoc doc;
    gen::MakeSmallSurvey(doc, 3000);
    doc.BoxSize = 6;
    for (int view = 0; view < 2; ++view) {
        PixelCanvas fast(200, 150, true, true), every(200, 150, true, true);
        DrawOptions all;
        all.cull = false;
        CVKPView plan;
        CVKView section;
        plan.ScreenArea = section.ScreenArea = {0, 0, 200, 150};
        if (view) {
            section.Draw(fast, doc);
            section.Draw(every, doc, all);
        } else {
            plan.Draw(fast, doc);
            plan.Draw(every, doc, all);
        }
        EXPECT_EQ(fast.pixels, every.pixels);
        EXPECT_LT(fast.shapes + fast.lines, (every.shapes + every.lines) / 2) << view;
        // On a surface the markers are written, not asked of the canvas: only the grid,
        // the key and the plan's furniture are.
        PixelCanvas written(200, 150, true, true, true), called(200, 150, true, true, true);
        if (view) {
            section.Draw(written, doc);
            section.Draw(called, doc, all);
        } else {
            plan.Draw(written, doc);
            plan.Draw(called, doc, all);
        }
        EXPECT_EQ(written.pixels, called.pixels);
        EXPECT_LT(written.shapes + written.lines, 60) << view;
    }
}

// Depths stacked in a few time columns, up and down at random with deleted ones among
// them: the joining lines of each column come down to one or two over the same pixels.
TEST(MarkerCullingTest, JoiningLinesAlongAColumnDrawnAsOneOrTwo) {
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        std::mt19937 rnd(seed);
        CVKDoc doc;
        doc.BoxSize = 0;  // markers of a unit that paint nothing at this scale
        int32_t level = 8000;
        for (int i = 0; i < 400; ++i) {
            CVKData r = CVKData::Zeroed();
            r.Flags = REC_DEPTH | (rnd() % 29 == 0 ? REC_DELETED : 0);
            level = std::clamp<int32_t>(level + static_cast<int32_t>(rnd() % 1201) - 600, 0, 15000);
            r.ptSeabed = {3000 + (i / 100) * 3000, level};
            doc.Records.push_back(r);
        }
        doc.KindFlags = REC_DEPTH;
        doc.LevelMin = -1000;
        doc.LevelMax = 500;
        doc.TimeMax = 60 * 60000;  // no time grid
        PixelCanvas fast(170, 170, false, seed % 2 == 0), every(170, 170, false, seed % 2 == 0);
        RecordingCanvas recorded;
        DrawOptions all;
        all.cull = false;
        CVKView view;
        view.ScreenArea = {0, 0, 170, 170};
        view.Draw(fast, doc);
        view.Draw(every, doc, all);
        view.Draw(recorded, doc);
        ASSERT_EQ(fast.pixels, every.pixels) << "seed " << seed;
        size_t joins = 0;
        for (const auto& c : recorded.Of(RecordingCanvas::Op::Line))
            joins += c.pen == COLOUR_BLACK && c.from.x == c.to.x && c.from.x % 3000 == 0;
        // Four columns, broken at each deleted record.
        EXPECT_LE(joins, 2u * (4 + 400 / 29 + 4)) << "seed " << seed;
        EXPECT_GT(every.lines, 200);
    }
}

TEST(CoverageMaskTest, ShapesAcrossWordsAndEdges) {
    CoverageMask m;
    m.Begin({10, 20, 210, 120}, false);
    const CRect d{68, 30, 78, 33};  // across the first and second word of each row
    EXPECT_FALSE(m.Covers(d));
    const uint64_t ring[3] = {0x3FF, 0x201, 0x3FF};
    m.Add(d, ring);
    EXPECT_TRUE(m.Covers(d, ring));
    EXPECT_FALSE(m.Covers(d));  // the middle of the ring is open
    const uint64_t middle[3] = {0, 0x1FE, 0};
    m.Add(d, middle);
    EXPECT_TRUE(m.Covers(d));
    EXPECT_FALSE(m.Covers({68, 30, 79, 33}));

    // Wider than a word.
    m.Add({15, 100, 200, 102});
    EXPECT_TRUE(m.Covers({15, 100, 200, 102}));
    EXPECT_TRUE(m.Covers({100, 101, 190, 102}));
    EXPECT_FALSE(m.Covers({14, 100, 200, 102}));

    // Past the area: not known to be covered, unless nothing there can show.
    m.Add({200, 40, 215, 45});
    EXPECT_TRUE(m.Covers({200, 40, 210, 45}));
    EXPECT_FALSE(m.Covers({200, 40, 215, 45}));
    m.Begin({10, 20, 210, 120}, true);
    m.Add({200, 40, 215, 45});
    EXPECT_TRUE(m.Covers({200, 40, 215, 45}));
    EXPECT_TRUE(m.Covers({300, 0, 320, 10}));  // wholly outside
    EXPECT_FALSE(m.Covers({199, 40, 215, 45}));
}

}  // namespace
}  // namespace aq
