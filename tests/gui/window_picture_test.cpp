// SPDX-License-Identifier: GPL-3.0-or-later
// The whole window with the demo survey open, both panes drawn at the screen's pixel
// ratio. scripts/screenshots runs this under Xvfb at ratios 1 and 2 with
// AQUENTA_SCREENSHOTS=DIR, which keeps the pictures in DIR (docs/screenshots).
#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QMessageBox>
#include <QTemporaryDir>
#include <cmath>

#include "model/safefile.h"
#include "processing/recalc.h"
#include "shell/mainframe.h"
#include "views/viewwidget.h"

namespace aq::gui {
namespace {

// Pixels of a picture in colour (not white, grey or black): what the plan's data marks.
int Coloured(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            n += std::abs(qRed(p) - qGreen(p)) > 40 || std::abs(qGreen(p) - qBlue(p)) > 40;
        }
    return n;
}

void Keep(const QImage& image, const QString& name) {
    const QString dir = qEnvironmentVariable("AQUENTA_SCREENSHOTS");
    if (dir.isEmpty()) return;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly));
    ASSERT_TRUE(image.save(&buffer, "PNG"));
    AtomicFile file((dir + QLatin1Char('/') + name).toStdString());
    ASSERT_TRUE(file.Write(reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<size_t>(bytes.size())) &&
                file.Commit())
        << ErrorReason(file.Error());
}

TEST(WindowPictureTest, TheDemoSurveyInTheWholeWindow) {
    QTemporaryDir dir;
    FrameOptions o;
    o.splash = false;
    o.settingsFile = dir.filePath("settings.ini");
    CMainFrame frame(o);
    frame.askToSave = [](const QString&) { return int(QMessageBox::No); };
    ASSERT_TRUE(frame.OpenFile(QStringLiteral(AQUENTA_SAMPLES "/demo.son")));
    frame.resize(1100, 780);
    frame.show();
    QApplication::processEvents();
    const double ratio = frame.devicePixelRatioF();
    const QString suffix = QStringLiteral("@%1x.png").arg(std::lround(ratio));

    // The survey as it opens, a record picked out with the right button.
    CVKDoc& doc = frame.Doc();
    doc.FindNearest(doc.Records[doc.Records.size() * 2 / 5].ptPlan, false, frame.Port());
    QApplication::processEvents();
    const QImage window = frame.grab().toImage();
    EXPECT_EQ(window.width(), std::lround(frame.width() * ratio));
    // Both panes drawn at the screen's density.
    for (ViewWidget* pane : {frame.PlanView(), frame.SectionView()})
        EXPECT_EQ(pane->Picture().size(), pane->size() * ratio);
    EXPECT_GT(Coloured(frame.PlanView()->Picture()), 100);
    Keep(window, QStringLiteral("window") + suffix);

    // The Elevation scheme with its key, the plan zoomed about a point of the survey and
    // some records deleted, as after an edit.
    doc.ColourMode = COLOUR_ELEVATION;
    for (size_t i = doc.Records.size() / 2; i < doc.Records.size() / 2 + 400; ++i)
        if (doc.Records[i].Has(REC_DEPTH)) doc.Records[i].Flags |= REC_DELETED;
    doc.Selected = false;
    Recalculate(doc, frame.Port());  // the counts in the status bar
    ViewWidget* plan = frame.PlanView();
    plan->State().ZoomAbout({plan->State().ScreenArea.right * 3 / 5, plan->State().ScreenArea.bottom / 2}, 0.45);
    plan->Invalidate();
    frame.SectionView()->Invalidate();
    QApplication::processEvents();
    Keep(frame.grab().toImage(), QStringLiteral("window-elevation") + suffix);
    EXPECT_GT(Coloured(frame.SectionView()->Picture()), 100);  // the bands' colours
    frame.close();
}

}  // namespace
}  // namespace aq::gui
