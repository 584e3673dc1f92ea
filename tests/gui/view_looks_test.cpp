// SPDX-License-Identifier: GPL-3.0-or-later
// How the panes look and follow the hand: the picture moved at once by the wheel and a
// drag, labels of one point size at every pixel ratio, the equal-scale plan and its
// setting, and plot --scale giving the pane's picture.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
#include <cmath>

#include "render/plotrender.h"
#include "render/qtcanvas.h"
#include "shell/mainframe.h"
#include "support/builders.h"
#include "survey_gen.h"
#include "views/viewwidget.h"

namespace aq::gui {
namespace {

struct LooksFrame : ::testing::Test {
    QTemporaryDir dir;
    std::unique_ptr<CMainFrame> Make() {
        FrameOptions o;
        o.splash = false;
        o.settingsFile = dir.filePath("settings.ini");
        auto frame = std::make_unique<CMainFrame>(o);
        frame->askToSave = [](const QString&) { return int(QMessageBox::No); };
        return frame;
    }
    // The window with a small survey on screen.
    std::unique_ptr<CMainFrame> Shown() {
        auto frame = Make();
        gen::MakeSmallSurvey(frame->Doc(), 600);
        frame->resize(900, 700);
        frame->show();
        QApplication::processEvents();
        frame->PlanView()->grab();  // drawn once
        return frame;
    }
};

// The share of sample points around `centre` where `shown` has the colour `old` has at
// the point `to(p)` gives, among points where `old` is not plain white.
template <typename To>
double Agreement(const QImage& shown, const QImage& old, QPoint centre, int reach, To to) {
    int same = 0, asked = 0;
    for (int dy = -reach; dy <= reach; dy += 3)
        for (int dx = -reach; dx <= reach; dx += 3) {
            const QPoint p = centre + QPoint(dx, dy);
            const QPoint q = to(p);
            if (!old.rect().contains(q) || !shown.rect().contains(p) || old.pixel(q) == qRgb(255, 255, 255)) continue;
            ++asked;
            same += shown.pixel(p) == old.pixel(q);
        }
    return asked ? static_cast<double>(same) / asked : 0;
}

TEST_F(LooksFrame, WheelShowsThePictureScaledAboutTheCursorAtOnce) {
    auto frame = Shown();
    ViewWidget* plan = frame->PlanView();
    plan->SetRedrawDelay(60000);  // the full redraw waits until the test asks for it
    const QImage old = plan->Picture();
    const int redraws = plan->Redraws();
    const QPoint at(plan->width() * 2 / 5, plan->height() / 2);
    QWheelEvent wheel(at, plan->mapToGlobal(at), QPoint(), QPoint(0, 240), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(plan, &wheel);
    const QImage shown = plan->grab().toImage();

    // Shown before any redraw: the old picture 1 / 0.64 times larger about the cursor.
    EXPECT_EQ(plan->Redraws(), redraws);
    EXPECT_TRUE(plan->Settling());
    const double k = 0.8 * 0.8;
    const auto scaled = [&](QPoint p) {
        return QPoint(static_cast<int>(std::lround(at.x() + (p.x() - at.x()) * k)),
                      static_cast<int>(std::lround(at.y() + (p.y() - at.y()) * k)));
    };
    const double moved = Agreement(shown, old, at, 120, scaled);
    EXPECT_GT(moved, 0.8);
    EXPECT_GT(moved, Agreement(shown, old, at, 120, [](QPoint p) { return p; }) + 0.1);

    // Then the full redraw, with the point under the cursor where it was.
    plan->SetRedrawDelay(0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return plan->Redraws() > redraws; }, 5000));
    EXPECT_FALSE(plan->Settling());
    const QImage redrawn = plan->Picture();
    EXPECT_GT(Agreement(redrawn, shown, at, 40, [](QPoint p) { return p; }), 0.6);
}

TEST_F(LooksFrame, DragPanMovesThePictureWithTheMouseAndRedrawsOnRelease) {
    auto frame = Shown();
    ViewWidget* section = frame->SectionView();
    section->grab();
    section->SetRedrawDelay(60000);
    const QImage old = section->Picture();
    const int redraws = section->Redraws();
    const QPoint from(300, 120), by(-60, 25);
    QTest::mousePress(section, Qt::MiddleButton, {}, from);
    QTest::mouseMove(section, from + by);
    const QImage shown = section->grab().toImage();
    EXPECT_EQ(section->Redraws(), redraws);
    EXPECT_GT(Agreement(shown, old, from, 100, [&](QPoint p) { return p - by; }), 0.9);
    QTest::mouseRelease(section, Qt::MiddleButton, {}, from + by);
    section->grab();
    EXPECT_EQ(section->Redraws(), redraws + 1);
}

// The height of the inked rows of the first entry of the colour key: a label's glyphs.
int KeyLabelHeight(const CVKDoc& doc, double ratio, const CRect& window) {
    CVKPView plan;
    plan.Window = window;
    const QImage image = RenderPlan(plan, doc, QSize(500, 400), {}, ratio);
    QImage scratch(image.size(), QImage::Format_RGB32);
    QPainter painter(&scratch);
    QtCanvas canvas(painter, ratio);
    const CRect key = DrawColourLegend(canvas, doc, {0, 0, image.width(), image.height()}, false);
    // The text column: right of the swatches, which are as wide as a line is high less.
    const int left = key.right - (key.right - key.left) / 2, right = key.right - canvas.Pixels(4);
    int first = -1, last = -1;
    for (int y = key.top; y < key.bottom; ++y) {
        bool ink = false;
        for (int x = left; x < right && !ink; ++x) ink = qGray(image.pixel(x, y)) < 160;
        if (ink && first < 0) first = y;
        if (!ink && first >= 0) {
            last = y;
            break;
        }
        (void)last;
    }
    return first < 0 || last < 0 ? 0 : last - first;
}

TEST(ViewLabelsTest, KeepTheirPointSizeAtEveryPixelRatioAndZoom) {
    CVKDoc doc;
    gen::MakeSmallSurvey(doc, 600);
    doc.ColourMode = COLOUR_ELEVATION;
    const int base = KeyLabelHeight(doc, 1, VIEW_EXTENTS);
    ASSERT_GE(base, 7);  // 9 pt digits are about 7 pixels high
    for (const double ratio : {1.0, 1.5, 2.0}) {
        const int h = KeyLabelHeight(doc, ratio, VIEW_EXTENTS);
        EXPECT_NEAR(h, base * ratio, 1.5 * ratio) << ratio;
        // A flat zoom box changes nothing of them.
        EXPECT_EQ(KeyLabelHeight(doc, ratio, {2000, 6000, 9000, 6400}), h) << ratio;
    }
}

// The ground metres of a device pixel across and up the plan.
std::pair<double, double> MetresPerPixel(const ViewWidget& pane, const CVKDoc& doc) {
    const Mapping m = pane.State().ViewMapping();
    const double ux = (static_cast<double>(doc.XMax) - doc.XMin) / LOGICAL_SPAN;
    const double uy = (static_cast<double>(doc.YMax) - doc.YMin) / LOGICAL_SPAN;
    return {ux / std::abs(m.ScaleX()), uy / std::abs(m.ScaleY())};
}

TEST_F(LooksFrame, EqualScaleIsAViewToggleKeptForTheNextWindow) {
    {
        auto frame = Shown();
        ViewWidget* plan = frame->PlanView();
        QAction* toggle = frame->Action(ID_VIEW_EQUAL_SCALE);
        ASSERT_NE(toggle, nullptr);
        frame->UpdateActions();
        EXPECT_TRUE(toggle->isCheckable());
        EXPECT_TRUE(toggle->isChecked());  // on for a survey in grid coordinates
        auto [x, y] = MetresPerPixel(*plan, frame->Doc());
        EXPECT_NEAR(x / y, 1.0, 1e-3);

        frame->DoCommand(ID_VIEW_EQUAL_SCALE);
        EXPECT_FALSE(toggle->isChecked());
        plan->grab();
        EXPECT_EQ(plan->State().Shown(), plan->State().Window);  // stretched over the pane
        std::tie(x, y) = MetresPerPixel(*plan, frame->Doc());
        EXPECT_GT(std::abs(x / y - 1.0), 0.05);
        frame->close();
    }
    // Off for grid surveys in the next window too; geographic ones keep their own choice.
    auto again = Shown();
    again->UpdateActions();
    EXPECT_FALSE(again->Action(ID_VIEW_EQUAL_SCALE)->isChecked());
    EXPECT_FALSE(again->PlanView()->EqualScaleChoices().grid);
    EXPECT_FALSE(again->PlanView()->EqualScaleChoices().geographic);
    again->DoCommand(ID_VIEW_EQUAL_SCALE);
    again->close();
    EXPECT_TRUE(Make()->PlanView()->EqualScaleChoices().grid);
}

// What plot --scale 2 writes is what the pane shows on a screen of twice the pixels: the
// printed page's plot area holds the pane's picture, pixel for pixel.
TEST(PlotScaleTest, PlotAtTwiceThePixelsIsThePaneAtRatioTwo) {
    QTemporaryDir dir;
    CVKDoc doc;
    gen::MakeSmallSurvey(doc, 600);
    doc.ColourMode = COLOUR_ELEVATION;
    PlotRequest r;
    r.kind = PlotKind::Plan;
    r.path = dir.filePath("plan.png").toStdString();
    r.size = QSize(400, 300);
    r.scale = 2;
    ASSERT_EQ(WritePlot(doc, r), "");
    const QImage plot(QString::fromStdString(r.path));
    ASSERT_EQ(plot.size(), QSize(800, 600));
    // The page's margins are a twentieth of its width and height.
    const QRect area(40, 30, 720, 540);

    ViewWidget pane(doc, test::Quiet(), false);
    pane.resize(360, 270);
    pane.SetRatioForTesting(2);
    pane.grab();
    const QImage shown = pane.Picture();
    ASSERT_EQ(shown.size(), area.size());
    int differ = 0;
    for (int y = 0; y < area.height(); ++y)
        for (int x = 0; x < area.width(); ++x) differ += plot.pixel(area.x() + x, area.y() + y) != shown.pixel(x, y);
    EXPECT_EQ(differ, 0);
}

}  // namespace
}  // namespace aq::gui
