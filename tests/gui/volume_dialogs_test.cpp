// SPDX-License-Identifier: GPL-3.0-or-later
// Surface > Volumes... and Surface > Cross Sections... in the window.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <cmath>

#include "dialogs/sectionsdlg.h"
#include "dialogs/volumedlg.h"
#include "io/document.h"
#include "processing/recalc.h"
#include "shell/mainframe.h"
#include "support/builders.h"
#include "views/viewwidget.h"

namespace aq::gui {
namespace {

// Soundings of a flat seabed `depth` cm deep over 100 m x 60 m, a metre apart along lines
// `lineStep` metres apart, a second apart from `start`.
void FlatSeabed(CVKDoc& doc, int64_t start, int lineStep, int depth) {
    int64_t t = start;
    for (int y = 0; y <= 60; y += lineStep)
        for (int x = 0; x <= 100; ++x) {
            CVKData r = CVKData::OfDepth(t++, depth, 100, REC_DEPTH, 0);
            r.X = x * 100;
            r.Y = y * 100;
            doc.AddRecord(r);
        }
    doc.KindFlags |= REC_DEPTH;
}

struct VolumeFrame : ::testing::Test {
    QTemporaryDir dir;
    std::unique_ptr<CMainFrame> frame;
    QStringList refusals;
    std::vector<std::string> messages;

    void SetUp() override {
        FrameOptions o;
        o.splash = false;
        o.settingsFile = dir.filePath("settings.ini");
        frame = std::make_unique<CMainFrame>(o);
        frame->Port().onMessage = [this](const std::string& text, Severity) { messages.push_back(text); };
        // A flat seabed at -10 m over 100 m x 60 m: lines every 5 m, a sounding a metre.
        FlatSeabed(frame->Doc(), test::At(10, 0, 0), 5, 1000);
    }
    void TearDown() override {
        frame->askToSave = [](const QString&) { return int(QMessageBox::No); };
        frame.reset();
    }
    std::string Path(const char* name) const { return dir.filePath(name).toStdString(); }
};

// The figures the window shows are the words the command line prints, and the report and
// CSV it saves hold them.
TEST_F(VolumeFrame, VolumesShowsTheTableAndSavesTheReport) {
    bool results = false;
    frame->runDialog = [&](QDialog& d) {
        if (auto* dlg = qobject_cast<CVolumeDlg*>(&d)) {
            dlg->onRefusal = [this](const QString& t) { refusals << t; };
            dlg->LevelChoice()->setChecked(true);
            dlg->LevelField()->setText("-12");
            dlg->CellField()->setText("1");
            dlg->SectionsMethod()->setChecked(true);
            dlg->CentreLineField()->setText("0,30,100,30");
            dlg->SpacingField()->setText("10");
            dlg->WidthField()->setText("60");
            dlg->accept();
            return dlg->result() == QDialog::Accepted;
        }
        auto* res = qobject_cast<CVolumeResultDlg*>(&d);
        EXPECT_NE(res, nullptr);
        if (!res) return false;
        results = true;
        const auto table = VolumeTable(res->Report().figures);
        EXPECT_EQ(res->Table()->rowCount(), static_cast<int>(table.size()) - 1);
        for (int r = 0; r < res->Table()->rowCount(); ++r)
            for (int c = 0; c < res->Table()->columnCount(); ++c)
                EXPECT_EQ(res->Table()->item(r, c)->text().toStdString(), table[static_cast<size_t>(r) + 1][static_cast<size_t>(c)]);
        EXPECT_EQ(res->Table()->item(1, 0)->text(), "tin");
        EXPECT_EQ(res->Table()->item(1, 1)->text(), "12000.00");
        EXPECT_EQ(res->Table()->item(3, 0)->text(), "prismoidal");
        EXPECT_EQ(res->Table()->item(3, 1)->text(), "12000.00");
        EXPECT_EQ(res->SaveReport(Path("v.pdf")), "");
        EXPECT_EQ(res->SaveCsv(Path("v.csv")), "");
        // A folder that is not there: the message names the file.
        const std::string bad = Path("no/such/folder/v.pdf");
        EXPECT_NE(res->SaveReport(bad).find(bad), std::string::npos);
        return true;
    };
    frame->DoCommand(ID_SURFACE_VOLUMES);
    frame->runDialog = nullptr;
    EXPECT_TRUE(results) << (messages.empty() ? "" : messages.back());
    EXPECT_TRUE(refusals.isEmpty());
    QFile pdf(dir.filePath("v.pdf"));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_EQ(pdf.read(5), "%PDF-");
    QFile csv(dir.filePath("v.csv"));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_TRUE(csv.readAll().contains("grid,12000.00,0.00,12000.00,6000.00,0.00,0.00,0.00"));
    // The difference of the survey and the design is left on the plan: 2 m everywhere.
    const auto& layer = frame->PlanView()->Plan().Layer;
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(layer->title, "Survey less reference (m)");
    ASSERT_FALSE(layer->bands.empty());
    EXPECT_LE(layer->bands.front().from, 2.0);
    EXPECT_GE(layer->bands.back().to, 2.0);
}

TEST_F(VolumeFrame, VolumesRefusesMissingChoices) {
    frame->runDialog = [&](QDialog& d) {
        auto* dlg = qobject_cast<CVolumeDlg*>(&d);
        EXPECT_NE(dlg, nullptr);
        if (!dlg) return false;
        dlg->onRefusal = [this](const QString& t) { refusals << t; };
        dlg->GridMethod()->setChecked(false);
        dlg->TinMethod()->setChecked(false);
        dlg->SectionsMethod()->setChecked(false);
        dlg->accept();
        dlg->DesignChoice()->setChecked(true);
        dlg->DesignField()->clear();
        dlg->accept();
        return false;
    };
    frame->DoCommand(ID_SURFACE_VOLUMES);
    frame->runDialog = nullptr;
    ASSERT_EQ(refusals.size(), 2);
    EXPECT_EQ(refusals[0], "Please choose at least one method.");
    EXPECT_EQ(refusals[1], "Please choose the design file.");
}

// A second survey opened only for its soundings says what goes wrong through the window,
// but the record counts and the modified mark stay those of the survey the window shows.
TEST_F(VolumeFrame, VolumesAgainstASecondSurveyLeaveTheWindowsCountsAndMark) {
    CVKDoc& doc = frame->Doc();
    Recalculate(doc, frame->Port());
    const std::string counts = doc.CountsText();
    ASSERT_EQ(frame->StatusPane1().toStdString(), counts);
    ASSERT_TRUE(frame->isWindowModified());

    // A smaller survey of the same area a metre shallower, saved and unmodified.
    CVKDoc second;
    FlatSeabed(second, test::At(11, 0, 0), 10, 900);
    ASSERT_TRUE(SaveDocument(second, Path("second.son"), test::Quiet()));

    bool results = false;
    frame->runDialog = [&](QDialog& d) {
        if (auto* dlg = qobject_cast<CVolumeDlg*>(&d)) {
            dlg->AgainstChoice()->setChecked(true);
            dlg->AgainstField()->setText(QString::fromStdString(Path("second.son")));
            dlg->CellField()->setText("1");
            dlg->accept();
            return dlg->result() == QDialog::Accepted;
        }
        results = qobject_cast<CVolumeResultDlg*>(&d) != nullptr;
        return results;
    };
    frame->DoCommand(ID_SURFACE_VOLUMES);
    frame->runDialog = nullptr;
    EXPECT_TRUE(results) << (messages.empty() ? "" : messages.back());
    EXPECT_EQ(frame->StatusPane1().toStdString(), counts);
    EXPECT_TRUE(frame->isWindowModified());
    EXPECT_TRUE(doc.Modified);

    // Opening it fails: the reason reaches the user as before.
    messages.clear();
    QFile::remove(dir.filePath("second.son"));
    frame->runDialog = [&](QDialog& d) {
        auto* dlg = qobject_cast<CVolumeDlg*>(&d);
        if (!dlg) return false;
        dlg->AgainstChoice()->setChecked(true);
        dlg->AgainstField()->setText(QString::fromStdString(Path("second.son")));
        dlg->accept();
        return dlg->result() == QDialog::Accepted;
    };
    frame->DoCommand(ID_SURFACE_VOLUMES);
    frame->runDialog = nullptr;
    EXPECT_EQ(messages, std::vector<std::string>{"Failed to open document " + Path("second.son") +
                                                 ": No such file or directory."});
}

// Cross sections written as sheets and shown.
TEST_F(VolumeFrame, CrossSectionsWritesAndShowsTheSheets) {
    bool shown = false;
    frame->runDialog = [&](QDialog& d) {
        if (auto* dlg = qobject_cast<CSectionsDlg*>(&d)) {
            dlg->CentreLineField()->setText("0,30,100,30");
            dlg->SpacingField()->setText("20");
            dlg->WidthField()->setText("60");
            dlg->LevelChoice()->setChecked(true);
            dlg->LevelField()->setText("-12");
            dlg->OutputField()->setText(dir.filePath("s.png"));
            dlg->accept();
            return dlg->result() == QDialog::Accepted;
        }
        auto* view = qobject_cast<CSectionsViewDlg*>(&d);
        EXPECT_NE(view, nullptr);
        if (!view) return false;
        shown = true;
        EXPECT_FALSE(view->Picture()->pixmap().isNull());
        view->ShowSheet(5);
        EXPECT_EQ(view->Sheet(), 1);  // six sections: two sheets
        return true;
    };
    frame->DoCommand(ID_SURFACE_SECTIONS);
    frame->runDialog = nullptr;
    EXPECT_TRUE(shown) << (messages.empty() ? "" : messages.back());
    EXPECT_TRUE(QFile::exists(dir.filePath("s.png")));
    EXPECT_TRUE(QFile::exists(dir.filePath("s-2.png")));
}

}  // namespace
}  // namespace aq::gui
