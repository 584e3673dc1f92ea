// SPDX-License-Identifier: GPL-3.0-or-later
// The Surface menu in the window and the surface layer of the plan.
#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <cmath>

#include "dialogs/contoursdlg.h"
#include "dialogs/griddlg.h"
#include "io/document.h"
#include "model/safefile.h"
#include "processing/recalc.h"
#include "shell/mainframe.h"
#include "shell/surfacecommands.h"
#include "support/builders.h"
#include "survey_gen.h"
#include "surface/grid.h"
#include "surface/raster.h"
#include "surface/soundings.h"
#include "views/planview.h"
#include "views/recordingcanvas.h"
#include "views/viewwidget.h"

namespace aq::gui {
namespace {

// A geographic survey near 52 N: eight lines of forty positions, each followed by a
// sounding whose depth grows east and north.
void GeographicLines(CVKDoc& doc) {
    int64_t t = 1246442400;
    for (int line = 0; line < 8; ++line)
        for (int col = 0; col < 40; ++col) {
            const double lon = 4.0 + col * 2e-5, lat = 52.0 + line * 1e-4 + (col % 3) * 1e-6;
            CVKData p = CVKData::OfPositionReal(t, lon, lat, 1.5, REC_POSITION | REC_GEOGRAPHIC, 0);
            doc.AddRecord(p);
            doc.KindFlags |= REC_POSITION | REC_GEOGRAPHIC;
            doc.AddRecord(CVKData::OfDepth(t + 1, 600 + col * 12 + line * 40, 100, REC_DEPTH, 0));
            doc.KindFlags |= REC_DEPTH;
            t += 2;
        }
    doc.NeedsSort = true;
    Recalculate(doc, test::Quiet());
}

class SurfaceWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        FrameOptions o;
        o.splash = false;
        o.settingsFile = dir.filePath("settings.ini");
        frame = std::make_unique<CMainFrame>(o);
        frame->askToSave = [](const QString&) { return int(QMessageBox::No); };
        frame->Port().onMessage = [this](const std::string& text, Severity) { messages.push_back(text); };
        frame->resize(900, 700);
    }
    void OpenSmallSurvey() {
        CVKDoc doc;
        gen::MakeSmallSurvey(doc, 300);
        const QString path = dir.filePath("survey.son");
        ASSERT_TRUE(SaveDocument(doc, path.toStdString(), test::Quiet()));
        ASSERT_TRUE(frame->OpenFile(path));
    }
    // Grid Surface... with these fields, accepted.
    void Grid(const QString& path, surface::Method method, double cell) {
        frame->runDialog = [&](QDialog& d) {
            auto* dlg = dynamic_cast<CGridDlg*>(&d);
            if (!dlg) return false;
            dlg->Path()->setText(path);
            dlg->MethodBox()->setCurrentIndex(dlg->MethodBox()->findData(static_cast<int>(method)));
            dlg->Cell()->setText(QString::number(cell));
            return dlg->Validate().isEmpty();
        };
        frame->DoCommand(ID_SURFACE_GRID);
    }
    QImage PlanPicture() {
        frame->PlanView()->Invalidate();
        QApplication::processEvents();
        return frame->PlanView()->Picture().copy();
    }

    QTemporaryDir dir;
    std::unique_ptr<CMainFrame> frame;
    std::vector<std::string> messages;
};

surface::Soundings SoundingsOf(const CVKDoc& doc) {
    surface::Soundings s;
    std::string error;
    const CVKDoc* docs[] = {&doc};
    EXPECT_TRUE(surface::CollectSoundings(docs, s, error)) << error;
    return s;
}

TEST_F(SurfaceWindowTest, GridPreviewShowsTheSizeAndRefusesTooManyCells) {
    OpenSmallSurvey();
    const surface::Soundings s = SoundingsOf(frame->Doc());
    GridValues values;
    values.options.method = surface::Method::Mean;
    values.options.cell = 5;
    CGridDlg dlg(values, [&](const QStringList&) { return &s; });
    EXPECT_TRUE(dlg.UpdatePreview());
    EXPECT_TRUE(dlg.Preview()->text().contains("cells")) << dlg.Preview()->text().toStdString();
    // A millimetre cell over the survey: far more memory than any machine gives.
    dlg.Cell()->setText("0.00001");
    EXPECT_FALSE(dlg.UpdatePreview());
    EXPECT_FALSE(dlg.Validate().isEmpty());
    // A cell that is not a length, and an extent with no sounding in it, are refused too.
    dlg.Cell()->setText("0");
    EXPECT_FALSE(dlg.Validate().isEmpty());
    dlg.Cell()->setText("5");
    dlg.GivenExtent()->setChecked(true);
    for (int i = 0; i < 4; ++i) dlg.ExtentField(i)->setText(QString::number(i < 2 ? -1e7 : -1e7 + 10));
    EXPECT_FALSE(dlg.UpdatePreview());
    EXPECT_FALSE(dlg.Validate().isEmpty());
    dlg.GivenExtent()->setChecked(false);
    EXPECT_TRUE(dlg.Validate().isEmpty());
    EXPECT_EQ(dlg.Values().options.cell, 5);
    EXPECT_FALSE(dlg.Values().options.extent.has_value());
    // A name of no raster format.
    dlg.Path()->setText(dir.filePath("surface.png"));
    EXPECT_FALSE(dlg.Validate().isEmpty());
}

TEST_F(SurfaceWindowTest, SurfaceMadeInTheWindowIsTheOneTheCommandLineWrites) {
    OpenSmallSurvey();
    for (const auto method : {surface::Method::Mean, surface::Method::Tin}) {
        const QString path = dir.filePath(QStringLiteral("surface-%1.tif").arg(static_cast<int>(method)));
        Grid(path, method, 4);
        ASSERT_NE(frame->LastSurface(), nullptr);
        // What grid FILE --cell 4 --method M makes of the same survey.
        const surface::Soundings s = SoundingsOf(frame->Doc());
        surface::GridOptions o;
        o.method = method;
        o.cell = 4;
        surface::Surface expected;
        std::string error;
        ASSERT_TRUE(surface::MakeSurface(s, o, expected, error)) << error;
        surface::Surface read;
        ASSERT_TRUE(surface::ReadSurface(path.toStdString(), read, error)) << error;
        for (const surface::Surface* got : {frame->LastSurface(), static_cast<const surface::Surface*>(&read)}) {
            ASSERT_EQ(got->nx, expected.nx);
            ASSERT_EQ(got->ny, expected.ny);
            EXPECT_NEAR(got->west, expected.west, 1e-6);
            EXPECT_NEAR(got->north, expected.north, 1e-6);
            size_t same = 0;
            for (size_t i = 0; i < expected.Cells(); ++i) {
                const float a = got->elevation[i], b = expected.elevation[i];
                same += (std::isnan(a) && std::isnan(b)) || a == b;
            }
            EXPECT_EQ(same, expected.Cells());
        }
    }
    EXPECT_TRUE(messages.empty()) << messages.front();
}

TEST_F(SurfaceWindowTest, TheLayerShowsUnderTheSoundingsUntilToggledOffOrANewSurvey) {
    OpenSmallSurvey();
    frame->show();
    const QImage before = PlanPicture();
    Grid({}, surface::Method::Tin, 4);
    ASSERT_NE(frame->PlanView()->Plan().Layer, nullptr);
    const QImage shaded = PlanPicture();
    ASSERT_EQ(shaded.size(), before.size());
    int changed = 0;
    for (int y = 0; y < shaded.height(); ++y)
        for (int x = 0; x < shaded.width(); ++x) changed += shaded.pixel(x, y) != before.pixel(x, y);
    EXPECT_GT(changed, shaded.width() * shaded.height() / 20);

    // Contours of the last surface go onto the layer.
    frame->runDialog = [](QDialog& d) {
        auto* dlg = dynamic_cast<CContoursDlg*>(&d);
        if (!dlg) return false;
        dlg->Interval()->setText("0.5");
        return dlg->Validate().isEmpty();
    };
    frame->DoCommand(ID_SURFACE_CONTOURS);
    ASSERT_NE(frame->PlanView()->Plan().Layer, nullptr);
    EXPECT_FALSE(frame->PlanView()->Plan().Layer->contours.empty());
    EXPECT_NE(PlanPicture(), shaded);

    // Off, the plan is as it was; the choice is kept for the next window.
    EXPECT_TRUE(frame->Action(ID_VIEW_SHOW_SURFACE)->isChecked());
    frame->DoCommand(ID_VIEW_SHOW_SURFACE);
    EXPECT_FALSE(frame->Action(ID_VIEW_SHOW_SURFACE)->isChecked());
    EXPECT_EQ(PlanPicture(), before);
    {
        FrameOptions o;
        o.splash = false;
        o.settingsFile = dir.filePath("settings.ini");
        CMainFrame again(o);
        again.UpdateActions();
        EXPECT_FALSE(again.Action(ID_VIEW_SHOW_SURFACE)->isChecked());
    }
    frame->DoCommand(ID_VIEW_SHOW_SURFACE);
    EXPECT_NE(PlanPicture(), before);
    // A new survey has no surface.
    frame->DoCommand(ID_FILE_NEW);
    EXPECT_EQ(frame->LastSurface(), nullptr);
    EXPECT_EQ(frame->PlanView()->Plan().Layer, nullptr);
}

// Each sounding falls, on the plan, in the picture's pixel of the cell that holds it:
// the layer lies exactly under the soundings, in grid and geographic surveys.
void ExpectLinedUp(const CVKDoc& doc, const surface::Surface& grid) {
    const PlanLayer layer = MakePlanLayer(grid, {});
    CVKPView view;
    view.ScreenArea = {0, 0, 800, 600};
    view.Layer = std::make_shared<PlanLayer>(layer);
    RecordingCanvas canvas;
    view.Draw(canvas, doc);
    const auto pictures = canvas.Of(RecordingCanvas::Op::Picture);
    ASSERT_EQ(pictures.size(), 1u);
    const RecordingCanvas::Call& pic = pictures[0];
    ASSERT_EQ(pic.width, grid.nx);
    ASSERT_EQ(pic.height, grid.ny);
    const double w = pic.rect.right - pic.rect.left, h = pic.rect.bottom - pic.rect.top;
    size_t checked = 0, inCell = 0;
    const double k = doc.IsGeographic() ? 1e7 : 100;
    for (const CVKData& r : doc.Records) {
        if (!r.Has(REC_DEPTH) || (r.Flags & REC_DELETED)) continue;
        // Where the sounding is on the plan, and the cell of the surface it lies in.
        const double col = (r.ptPlan.x - pic.rect.left) / w * pic.width;
        const double row = (r.ptPlan.y - pic.rect.top) / h * pic.height;
        const auto c = static_cast<int>(std::floor((r.X / k - grid.west) / grid.cellX));
        const auto rw = static_cast<int>(std::floor((grid.north - r.Y / k) / grid.cellY));
        if (c < 0 || rw < 0 || c >= grid.nx || rw >= grid.ny) continue;
        const float level = grid.At(c, rw);
        if (std::isnan(level)) continue;
        ++checked;
        const uint32_t pixel = pic.pixels[static_cast<size_t>(std::clamp<int>(int(row), 0, pic.height - 1)) * pic.width +
                                          std::clamp<int>(int(col), 0, pic.width - 1)];
        const Colour colour = layer.ColourOf(level);
        const uint32_t word = 0xFF000000u | (uint32_t(ColourRed(colour)) << 16) | (uint32_t(ColourGreen(colour)) << 8) |
                              uint32_t(ColourBlue(colour));
        inCell += pixel == word;
    }
    ASSERT_GT(checked, 50u);
    // Only soundings within a logical unit of a cell's edge may land beside it.
    EXPECT_GE(inCell, checked * 97 / 100) << inCell << " of " << checked;
}

TEST_F(SurfaceWindowTest, TheLayerLinesUpWithTheSoundings) {
    OpenSmallSurvey();
    Grid({}, surface::Method::Mean, 4);
    ASSERT_NE(frame->LastSurface(), nullptr);
    ExpectLinedUp(frame->Doc(), *frame->LastSurface());

    CVKDoc geographic;
    GeographicLines(geographic);
    const QString path = dir.filePath("geographic.son");
    ASSERT_TRUE(SaveDocument(geographic, path.toStdString(), test::Quiet()));
    ASSERT_TRUE(frame->OpenFile(path));
    EXPECT_EQ(frame->LastSurface(), nullptr);  // the surface of the other survey went
    Grid({}, surface::Method::Mean, 1.5);
    ASSERT_NE(frame->LastSurface(), nullptr);
    EXPECT_LT(frame->LastSurface()->cellX, 1e-3);  // degrees
    ExpectLinedUp(frame->Doc(), *frame->LastSurface());
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

// The demo survey with a triangulated surface and its contours, as scripts/screenshots
// keeps it.
TEST_F(SurfaceWindowTest, TheDemoSurveyWithItsSurface) {
    ASSERT_TRUE(frame->OpenFile(QStringLiteral(AQUENTA_SAMPLES "/demo.son")));
    frame->resize(1100, 780);
    frame->show();
    Grid({}, surface::Method::Tin, 2);
    ASSERT_NE(frame->LastSurface(), nullptr);
    frame->runDialog = [](QDialog& d) {
        auto* dlg = dynamic_cast<CContoursDlg*>(&d);
        if (!dlg) return false;
        dlg->Interval()->setText("1");
        return dlg->Validate().isEmpty();
    };
    frame->DoCommand(ID_SURFACE_CONTOURS);
    QApplication::processEvents();
    const double ratio = frame->devicePixelRatioF();
    Keep(frame->grab().toImage(), QStringLiteral("window-surface@%1x.png").arg(std::lround(ratio)));
    EXPECT_TRUE(messages.empty()) << messages.front();
}

}  // namespace
}  // namespace aq::gui
