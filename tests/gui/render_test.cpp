// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QPdfWriter>
#include <QPainter>

#include "render/plotrender.h"
#include "render/qtcanvas.h"
#include "survey_gen.h"
#include "views/markers.h"

namespace aq::gui {
namespace {

QImage Blank(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

// The pixels a call covers, as a set of coordinates of non-white pixels.
int Inked(const QImage& image, QRect* bounds = nullptr) {
    int n = 0;
    QRect b;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != qRgb(255, 255, 255)) {
                ++n;
                b |= QRect(x, y, 1, 1);
            }
    if (bounds) *bounds = b;
    return n;
}

TEST(QtCanvasTest, ShapesCoverTheirPixelsUpToTheRightAndBottomEdge) {
    QImage image = Blank(40, 40);
    {
        QPainter painter(&image);
        QtCanvas c(painter);
        c.SetMapping({0, 0, 40, 40}, {0, 0, 40, 40});
        c.SelectBlackPen();
        c.SelectSolidBrush(0x0000FF);
        c.Rectangle({10, 10, 20, 15});
    }
    QRect bounds;
    EXPECT_EQ(Inked(image, &bounds), 50);
    EXPECT_EQ(bounds, QRect(10, 10, 10, 5));
    EXPECT_EQ(image.pixel(10, 10), qRgb(0, 0, 0));    // outline
    EXPECT_EQ(image.pixel(12, 12), qRgb(255, 0, 0));  // inside in the brush (0x00BBGGRR red)

    // Ellipses, rounded squares and fills keep to the same pixels; an empty device
    // rectangle and a line whose ends meet draw nothing.
    for (int shape = 0; shape < 3; ++shape) {
        QImage img = Blank(40, 40);
        {
            QPainter painter(&img);
            QtCanvas c(painter);
            c.SetMapping({0, 0, 40, 40}, {0, 0, 40, 40});
            c.SelectBlackPen();
            c.SelectLightGreyBrush();
            const CRect r{5, 6, 25, 18};
            if (shape == 0) c.Ellipse(r);
            if (shape == 1) c.RoundRect(r, 10, 6);
            if (shape == 2) c.FillRect(r, 0x00FF00);
            c.Rectangle({30, 30, 30, 35});
            c.Line({35, 35}, {35, 35});
        }
        QRect b;
        Inked(img, &b);
        EXPECT_EQ(b, QRect(5, 6, 20, 12)) << shape;
    }
}

TEST(QtCanvasTest, LogicalFontsAndPensFollowTheMapping) {
    QImage image = Blank(200, 100);
    {
        QPainter painter(&image);
        QtCanvas c(painter);
        // Ten logical units a pixel across, five down.
        c.SetMapping({0, 0, 2000, 500}, {0, 0, 200, 100});
        c.SelectFont(15);  // 20 pixels: points whatever the mapping
        c.SetTextAnchor(TextAnchor::LeftBottom);
        c.SetTextTransparent(true);
        c.Text({100, 400}, "Hg");
        c.SelectPen(COLOUR_MAGENTA, 30);  // three pixels wide
        c.Line({1500, 0}, {1500, 500});
    }
    QRect text;
    QImage left = image.copy(0, 0, 100, 100);
    Inked(left, &text);
    EXPECT_NEAR(text.left(), 10, 2);  // anchored at its left
    EXPECT_LE(text.bottom(), 79);  // anchored at its bottom: nothing below y 80
    EXPECT_GE(text.height(), 12);
    int magenta = 0;
    for (int x = 140; x < 160; ++x) magenta += image.pixel(x, 50) == qRgb(255, 0, 255);
    EXPECT_EQ(magenta, 3);
}

// Labels are sized in points: the same height whatever the mapping, and the pixel ratio
// times it in device pixels, drawn with antialiasing (grey edge pixels).
TEST(QtCanvasTest, LabelsKeepTheirPointSizeAtEveryPixelRatio) {
    const auto heightAt = [](double ratio, const CRect& window, int* greys) {
        const int w = static_cast<int>(300 * ratio), h = static_cast<int>(100 * ratio);
        QImage image = Blank(w, h);
        {
            QPainter painter(&image);
            QtCanvas c(painter, ratio);
            c.SetMapping(window, {0, 0, w, h});
            c.SelectFont(12);
            c.SetTextAnchor(TextAnchor::LeftBottom);
            c.SetTextTransparent(true);
            c.Text(c.Map().ToLogical({10, h - 10}), "Hg");
            const CRect box = c.TextBox(c.Map().ToLogical({10, h - 10}), "Hg");
            EXPECT_NEAR(box.bottom - box.top, 16 * ratio * 1.2, 6 * ratio);
        }
        QRect b;
        Inked(image, &b);
        if (greys) {
            *greys = 0;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const QRgb p = image.pixel(x, y);
                    *greys += qGray(p) > 40 && qGray(p) < 215;
                }
        }
        return b.height();
    };
    int greys = 0;
    const int base = heightAt(1, {0, 0, 1000, 1000}, &greys);
    EXPECT_GE(base, 10);  // 12 pt is 16 pixels a line; "Hg" inks most of it
    EXPECT_GT(greys, 0);  // antialiased
    for (double ratio : {1.0, 1.5, 2.0}) {
        // A zoom box ten times flatter changes nothing.
        EXPECT_EQ(heightAt(ratio, {0, 0, 1000, 1000}, nullptr), heightAt(ratio, {0, 0, 1000, 100}, nullptr)) << ratio;
        EXPECT_NEAR(heightAt(ratio, {0, 0, 1000, 1000}, nullptr), base * ratio, 2 * ratio) << ratio;
    }
}

// Culling must not change a single pixel, in either view, whatever the zoom, scheme or
// marker size.
// Where two pictures differ, for the failure message.
std::string Difference(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return "sizes differ";
    int n = 0;
    QRect where;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) {
                ++n;
                where |= QRect(x, y, 1, 1);
            }
    return std::to_string(n) + " pixels differ within (" + std::to_string(where.x()) + "," + std::to_string(where.y()) +
           ") " + std::to_string(where.width()) + "x" + std::to_string(where.height());
}

TEST(QtCanvasTest, CullingKeepsEveryPixel) {
    CVKDoc doc;
    gen::MakeSmallSurvey(doc, 1500);
    ASSERT_GT(doc.Records.size(), 9000u);
    doc.Selected = true;
    doc.SelectedIndex = 4000;
    struct Case {
        int32_t colourMode, boxSize;
        CRect window;
        QSize size;
    };
    const Case cases[] = {
        {COLOUR_POINT_TYPE, 3, VIEW_EXTENTS, {800, 500}},
        {COLOUR_ELEVATION, 3, VIEW_EXTENTS, {640, 480}},
        {COLOUR_QUALITY, 1, {2000, 3000, 6000, 5000}, {700, 400}},
        {COLOUR_POINT_TYPE, 8, {5000, -1000, 9000, 16000}, {500, 700}},
        {COLOUR_POINT_TYPE, 40, {7000, 7000, 7300, 7200}, {300, 300}},
    };
    for (const Case& k : cases) {
        doc.ColourMode = k.colourMode;
        doc.BoxSize = k.boxSize;
        DrawOptions all;
        all.cull = false;
        CVKPView plan;
        plan.Window = k.window;
        const QImage culled = RenderPlan(plan, doc, k.size), every = RenderPlan(plan, doc, k.size, all);
        EXPECT_TRUE(culled == every) << "plan " << k.colourMode << " " << k.boxSize << ": " << Difference(culled, every);
        CVKView section;
        section.Window = k.window;
        const QImage sculled = RenderSection(section, doc, k.size), severy = RenderSection(section, doc, k.size, all);
        EXPECT_TRUE(sculled == severy) << "section " << k.colourMode << " " << k.boxSize << ": "
                                       << Difference(sculled, severy);
    }
}

// The pixels a canvas tells for an ellipse or rounded square are the ones it paints.
TEST(QtCanvasTest, ShapePixelsAreThePixelsPainted) {
    const QSize sizes[] = {{1, 5}, {2, 2}, {3, 3}, {7, 7}, {8, 6}, {13, 9}, {40, 11}, {64, 20}};
    for (const QSize size : sizes)
        for (const Shape shape : {Shape::Ellipse, Shape::RoundRect}) {
            QImage image = Blank(100, 60);
            std::vector<uint64_t> rows;
            const CRect r{30, 20, 30 + size.width(), 20 + size.height()};
            {
                QPainter painter(&image);
                QtCanvas c(painter);
                c.SetMapping({0, 0, 100, 60}, {0, 0, 100, 60});
                c.SelectBlackPen();
                c.SelectSolidBrush(0x0000FF);
                const int32_t cw = size.width() / 2, ch = size.height() / 2;
                ASSERT_TRUE(c.ShapePixels(shape, r, cw, ch, rows));
                if (shape == Shape::Ellipse)
                    c.Ellipse(r);
                else
                    c.RoundRect(r, cw, ch);
                EXPECT_EQ(c.VisibleArea(), (CRect{0, 0, 100, 60}));
            }
            ASSERT_EQ(rows.size(), static_cast<size_t>(size.height()));
            for (int y = 0; y < 60; ++y)
                for (int x = 0; x < 100; ++x) {
                    const bool inside = x >= r.left && x < r.right && y >= r.top && y < r.bottom;
                    const bool told = inside && (rows[static_cast<size_t>(y - r.top)] >> (x - r.left) & 1);
                    EXPECT_EQ(image.pixel(x, y) != qRgb(255, 255, 255), told)
                        << size.width() << "x" << size.height() << " at " << x << "," << y;
                }
        }

    // Too wide for a row of bits, or drawn by QPainter: not told.
    QImage image = Blank(400, 400);
    QPainter painter(&image);
    QtCanvas c(painter);
    c.SetMapping({0, 0, 400, 400}, {0, 0, 400, 400});
    std::vector<uint64_t> rows;
    EXPECT_FALSE(c.ShapePixels(Shape::Ellipse, {0, 0, 65, 10}, 0, 0, rows));
    EXPECT_FALSE(c.ShapePixels(Shape::Ellipse, {0, 0, 10, 300}, 0, 0, rows));
}

// Ten thousand seconds of survey on a small screen, walked in two halves: hundreds of
// markers a pixel, as a large survey gives on a screen.
TEST(QtCanvasTest, CullingKeepsEveryPixelOfADenseSurvey) {
    CVKDoc doc;
    gen::MakeSmallSurvey(doc, 10000, 3);
    DrawOptions halves;
    halves.parallel.minimum = 4096;
    for (const int32_t mode : {COLOUR_POINT_TYPE, COLOUR_ELEVATION}) {
        doc.ColourMode = mode;
        DrawOptions all;
        all.cull = false;
        for (const CRect window : {VIEW_EXTENTS, CRect{3000, 2000, 7000, 9000}}) {
            CVKPView plan;
            plan.Window = window;
            const QImage culled = RenderPlan(plan, doc, {320, 200}, halves),
                         every = RenderPlan(plan, doc, {320, 200}, all);
            EXPECT_TRUE(culled == every) << "plan " << mode << ": " << Difference(culled, every);
            CVKView section;
            section.Window = window;
            const QImage sculled = RenderSection(section, doc, {320, 200}, halves),
                         severy = RenderSection(section, doc, {320, 200}, all);
            EXPECT_TRUE(sculled == severy) << "section " << mode << ": " << Difference(sculled, severy);
        }
    }

    // Painted by QPainter rather than into the image's pixels (as on a printer): a clip
    // turns the painter's own drawing on.
    doc.ColourMode = COLOUR_POINT_TYPE;
    for (int view = 0; view < 2; ++view) {
        QImage culled = Blank(320, 200), every = Blank(320, 200);
        for (QImage* image : {&culled, &every}) {
            QPainter painter(image);
            painter.setClipRect(QRect(0, 0, 320, 200));
            QtCanvas canvas(painter);
            DrawOptions options;
            options.cull = image == &culled;
            CVKPView plan;
            CVKView section;
            plan.ScreenArea = section.ScreenArea = {0, 0, 320, 200};
            if (view)
                section.Draw(canvas, doc, options);
            else
                plan.Draw(canvas, doc, options);
        }
        EXPECT_TRUE(culled == every) << view << ": " << Difference(culled, every);
    }
}

TEST(PlotTest, PagesOfTheSectionAreFilesOrPdfPages) {
    PlotRequest r;
    r.kind = PlotKind::Section;
    r.path = "/tmp/x/plot.png";
    r.pages = 3;
    EXPECT_EQ(PlotFiles(r), (std::vector<std::string>{"/tmp/x/plot-1.png", "/tmp/x/plot-2.png", "/tmp/x/plot-3.png"}));
    r.path = "/tmp/x/plot.pdf";
    EXPECT_EQ(PlotFiles(r), (std::vector<std::string>{"/tmp/x/plot.pdf"}));
    r.kind = PlotKind::Plan;
    r.path = "/tmp/x/plan.png";
    EXPECT_EQ(PlotFiles(r), (std::vector<std::string>{"/tmp/x/plan.png"}));
}

// The page canvas that puts a large survey's markers into a picture gives the page the
// plain canvas gives: the same pixels, in the same order (the markers over the grid and
// its labels, under the key, the north arrow and the scale bar).
TEST(PlotTest, MarkersAsAPictureGiveThePlainPage) {
    CVKDoc doc;
    gen::MakeSmallSurvey(doc, 6000, 3);
    for (const int32_t mode : {COLOUR_POINT_TYPE, COLOUR_ELEVATION}) {
        doc.ColourMode = mode;
        // The page reaches the image's right and bottom edges, as a page's area does.
        const QRect page(16, 24, 344, 216);
        QImage plain = Blank(360, 240), layered = Blank(360, 240);
        {
            QPainter painter(&plain);
            CVKPView plan;
            PaintPlanPage(painter, plan, doc, page, "title", 1);
        }
        {
            QPainter painter(&layered);
            PaintPlanOnPaper(painter, doc, page, "title", 0);
        }
        EXPECT_GT(Inked(plain), 1000);
        EXPECT_TRUE(plain == layered) << "plan " << mode << ": " << Difference(plain, layered);

        plain = Blank(360, 240), layered = Blank(360, 240);
        {
            QPainter painter(&plain);
            CVKView section;
            const int32_t n = section.BeginPrinting({page.left(), page.top(), page.right() + 1, page.bottom() + 1}, {});
            PaintSectionPage(painter, section, doc, page, 1, n, 1);
        }
        {
            QPainter painter(&layered);
            PaintSectionOnPaper(painter, doc, page, 0);
        }
        EXPECT_TRUE(plain == layered) << "section " << mode << ": " << Difference(plain, layered);
    }
}

// On a PDF page the markers of a large survey are one lossless picture (no JPEG); those
// of a small one are vectors, with no picture at all.
TEST(PlotTest, PaperPagesHoldALosslessPictureOnlyForALargeSurvey) {
    EnsureGuiApplication();
    CVKDoc doc;
    gen::MakeSmallSurvey(doc, 6000, 3);
    for (const size_t vectors : {size_t{0}, size_t{1} << 30}) {
        QByteArray bytes;
        {
            QBuffer buffer(&bytes);
            ASSERT_TRUE(buffer.open(QIODevice::WriteOnly));
            QPdfWriter pdf(&buffer);
            pdf.setResolution(300);
            QPainter painter(&pdf);
            const QRect area(QPoint(0, 0), pdf.pageLayout().paintRectPixels(pdf.resolution()).size());
            PaintPlanOnPaper(painter, doc, area, "plan", vectors);
            pdf.newPage();
            PaintSectionOnPaper(painter, doc, area, vectors);
        }
        const auto count = [&](const char* what) {
            int n = 0;
            for (qsizetype at = bytes.indexOf(what); at >= 0; at = bytes.indexOf(what, at + 1)) ++n;
            return n;
        };
        EXPECT_EQ(count("/DCTDecode"), 0) << vectors;
        // The pictures and, with them, the one-bit masks of where they are clear.
        if (vectors == 0)
            EXPECT_GE(count("/Subtype /Image"), 2);
        else
            EXPECT_EQ(count("/Subtype /Image"), 0);
    }
}

}  // namespace
}  // namespace aq::gui
