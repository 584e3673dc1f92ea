// SPDX-License-Identifier: GPL-3.0-or-later
// How the window looks and is driven: deleted records in the picture, wheel zoom and
// drag pan, the layout kept between runs, the status pane and the listing's headings.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QWheelEvent>

#include "dialogs/showdlg.h"
#include "render/plotrender.h"
#include "shell/mainframe.h"
#include "survey_gen.h"
#include "views/viewwidget.h"

namespace aq::gui {
namespace {

// A small survey with every third depth in its middle deleted.
CVKDoc& WithDeletions(CVKDoc& doc) {
    gen::MakeSmallSurvey(doc, 600);
    const size_t n = doc.Records.size();
    for (size_t i = n / 3; i < 2 * n / 3; i += 3)
        if (doc.Records[i].Flags & REC_DEPTH) {
            doc.Records[i].Flags |= REC_DELETED;
            ++doc.CountDeleted;
        }
    return doc;
}

TEST(DeletedRecordsTest, ShowAndHideChangeThePictureInEveryScheme) {
    CVKDoc doc;
    WithDeletions(doc);
    for (int32_t scheme : {COLOUR_POINT_TYPE, COLOUR_ELEVATION, COLOUR_QUALITY}) {
        doc.ColourMode = scheme;
        DrawOptions hidden;
        hidden.showDeleted = false;
        CVKView section;
        const QImage shown = RenderSection(section, doc, QSize(800, 400));
        const QImage without = RenderSection(section, doc, QSize(800, 400), hidden);
        EXPECT_NE(shown, without) << "scheme " << scheme;
        // The deleted ones show in their own colour, which no live marker has.
        int deletedPixels = 0;
        const QRgb mark = qRgb(ColourRed(COLOUR_DELETED), ColourGreen(COLOUR_DELETED), ColourBlue(COLOUR_DELETED));
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x) deletedPixels += shown.pixel(x, y) == mark;
        EXPECT_GT(deletedPixels, 0) << "scheme " << scheme;
        int inWithout = 0;
        for (int y = 0; y < without.height(); ++y)
            for (int x = 0; x < without.width(); ++x) inWithout += without.pixel(x, y) == mark;
        EXPECT_EQ(inWithout, 0) << "scheme " << scheme;

        // Culling leaves the same picture with deleted records among the live ones.
        DrawOptions every;
        every.cull = false;
        EXPECT_EQ(shown, RenderSection(section, doc, QSize(800, 400), every)) << "scheme " << scheme;
        CVKPView plan;
        const QImage planShown = RenderPlan(plan, doc, QSize(600, 600));
        EXPECT_EQ(planShown, RenderPlan(plan, doc, QSize(600, 600), every)) << "scheme " << scheme;

        // In the plan too, at either pixel ratio, where the live marks of a loop of the
        // survey lie over most of the deleted ones.
        for (const double ratio : {1.0, 2.0}) {
            const QImage planWith = RenderPlan(plan, doc, QSize(600, 600), {}, ratio);
            const QImage planWithout = RenderPlan(plan, doc, QSize(600, 600), hidden, ratio);
            EXPECT_NE(planWith, planWithout) << "plan, scheme " << scheme << " ratio " << ratio;
            int marked = 0;
            for (int y = 0; y < planWith.height(); ++y)
                for (int x = 0; x < planWith.width(); ++x) marked += planWith.pixel(x, y) == mark;
            EXPECT_GT(marked, 0) << "plan, scheme " << scheme << " ratio " << ratio;
        }
    }
}

TEST(ViewNavigationTest, WheelZoomKeepsThePointUnderTheCursor) {
    CViewState v;
    v.ScreenArea = {0, 0, 800, 500};
    for (const CPoint at : {CPoint{100, 400}, CPoint{799, 0}, CPoint{400, 250}}) {
        v.Window = VIEW_EXTENTS;
        const CPoint before = v.ViewMapping().ToLogical(at);
        ASSERT_TRUE(v.ZoomAbout(at, 0.5));
        EXPECT_LT(v.Window.right - v.Window.left, VIEW_EXTENTS.right - VIEW_EXTENTS.left);
        for (int i = 0; i < 6; ++i) v.ZoomAbout(at, 0.8);
        const CPoint after = v.ViewMapping().ToLogical(at);
        // Within the rounding of a window corner to whole units, a unit each way.
        EXPECT_NEAR(after.x, before.x, 2) << at.x;
        EXPECT_NEAR(after.y, before.y, 2) << at.y;
        // Back out, never past the extents.
        for (int i = 0; i < 40; ++i) v.ZoomAbout(at, 1.25);
        EXPECT_EQ(v.Window, v.Extents);
    }
    // A pan moves the plane with the mouse, and stops a window's width past the data.
    v.Window = {0, 0, 8000, 5000};
    const CPoint under = v.ViewMapping().ToLogical({300, 200});
    ASSERT_TRUE(v.PanByDevice(50, -20));
    EXPECT_NEAR(v.ViewMapping().ToLogical({350, 180}).x, under.x, 1);
    EXPECT_NEAR(v.ViewMapping().ToLogical({350, 180}).y, under.y, 1);
    for (int i = 0; i < 100; ++i) v.PanByDevice(-800, 0);
    EXPECT_LE(v.Window.left, v.Extents.right + 8000);
    EXPECT_GE(v.Window.left, v.Extents.right);
}

struct DesktopFrameTest : ::testing::Test {
    QTemporaryDir dir;
    std::unique_ptr<CMainFrame> Make() {
        FrameOptions o;
        o.splash = false;
        o.settingsFile = dir.filePath("settings.ini");
        auto frame = std::make_unique<CMainFrame>(o);
        frame->askToSave = [](const QString&) { return int(QMessageBox::No); };
        return frame;
    }
};

TEST_F(DesktopFrameTest, WheelOverAPaneZoomsAboutTheCursor) {
    auto frame = Make();
    gen::MakeSmallSurvey(frame->Doc(), 600);
    frame->resize(900, 700);
    frame->show();
    QApplication::processEvents();
    ViewWidget* plan = frame->PlanView();
    const QPoint at(plan->width() / 3, plan->height() / 4);
    const CPoint before = plan->State().ViewMapping().ToLogical({at.x(), at.y()});
    QWheelEvent wheel(at, plan->mapToGlobal(at), QPoint(), QPoint(0, 240), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(plan, &wheel);
    EXPECT_LT(plan->State().Window.right - plan->State().Window.left, VIEW_EXTENTS.right - VIEW_EXTENTS.left);
    const CPoint after = plan->State().ViewMapping().ToLogical({at.x(), at.y()});
    EXPECT_NEAR(after.x, before.x, 2);
    EXPECT_NEAR(after.y, before.y, 2);
    // Home shows the whole plane again.
    QTest::keyClick(plan, Qt::Key_Home);
    EXPECT_EQ(plan->State().Window, plan->State().Extents);
}

TEST_F(DesktopFrameTest, LayoutComesBackInTheNextWindow) {
    {
        auto frame = Make();
        frame->show();
        frame->setGeometry(40, 50, 620, 470);
        QApplication::processEvents();
        frame->addToolBar(Qt::BottomToolBarArea, frame->ViewBar());
        frame->Splitter()->setSizes({150, 400});
        QApplication::processEvents();
        frame->close();
    }
    auto again = Make();
    again->show();
    QApplication::processEvents();
    EXPECT_EQ(again->size(), QSize(620, 470));
    EXPECT_EQ(again->toolBarArea(again->ViewBar()), Qt::BottomToolBarArea);
    EXPECT_EQ(again->toolBarArea(again->StandardBar()), Qt::TopToolBarArea);
    const QList<int> sizes = again->Splitter()->sizes();
    ASSERT_EQ(sizes.size(), 2);
    EXPECT_LT(sizes[0], sizes[1]);
}

TEST_F(DesktopFrameTest, StatusPaneShowsSevenDigitCountsWhole) {
    auto frame = Make();
    frame->resize(1000, 600);
    frame->show();
    const QString counts = QStringLiteral("1234567 Event, 2345678 Tide, 3456789 Pos, 4567890 Depth, 5678901 Deleted");
    frame->SetStatusText(counts);
    QApplication::processEvents();
    QLabel* pane = frame->Pane1();
    EXPECT_GE(pane->contentsRect().width(), pane->fontMetrics().horizontalAdvance(counts));
    EXPECT_EQ(frame->StatusPane1(), counts);
}

TEST_F(DesktopFrameTest, PointInformationHasColumnHeadings) {
    auto frame = Make();
    gen::MakeSmallSurvey(frame->Doc(), 60);
    CShowDlg dlg(frame->Doc(), {0, 1, 2});
    ASSERT_NE(dlg.Headings(), nullptr);
    const QString h = dlg.Headings()->text();
    for (const char* name : {"X", "Y", "Z", "Depth", "Tide", "QA"}) EXPECT_TRUE(h.contains(QLatin1String(name))) << name;
    // Each heading ends over the last figure of its column.
    const QString line = dlg.List()->item(0)->text();
    if (!line.startsWith(QLatin1String("Deleted"))) {
        const qsizetype depthEnd = h.indexOf(QLatin1String("Depth")) + 5;
        ASSERT_LE(depthEnd, line.size());
        EXPECT_NE(line[depthEnd - 1], QLatin1Char(' '));
        EXPECT_EQ(line[depthEnd], QLatin1Char(' '));
    }
    EXPECT_EQ(ListingHeadings(true).indexOf(QLatin1String("Lon")), 1 + 1 + 12 - 3);
}

}  // namespace
}  // namespace aq::gui
