// SPDX-License-Identifier: GPL-3.0-or-later
// Convert to Coordinate System and Coordinate System in the window.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>

#include "dialogs/crsdlg.h"
#include "geodesy/utm.h"
#include "shell/mainframe.h"
#include "surface/crs_support.h"

namespace aq::gui {
namespace {

struct CrsFrame : ::testing::Test {
    QTemporaryDir dir;
    std::unique_ptr<CMainFrame> frame;
    std::vector<std::string> said;

    void SetUp() override {
        FrameOptions o;
        o.splash = false;
        o.settingsFile = dir.filePath("settings.ini");
        frame = std::make_unique<CMainFrame>(o);
        frame->Port().onMessage = [this](const std::string& text, Severity) { said.push_back(text); };
        test::GeographicSurvey(frame->Doc(), test::Zone31Points());
    }
    void TearDown() override {
        frame->askToSave = [](const QString&) { return int(QMessageBox::No); };
        frame.reset();
    }
};

TEST_F(CrsFrame, OkWaitsForACodeTheSurveyCanBeConvertedTo) {
    CCrsDlg dlg(frame->Doc());
    EXPECT_FALSE(dlg.OkButton()->isEnabled());
    // A geographic survey has no grid system to record.
    EXPECT_FALSE(dlg.DeclareBox()->isEnabled());
    dlg.CodeField()->setText(QStringLiteral("4326"));
    EXPECT_FALSE(dlg.OkButton()->isEnabled());
    EXPECT_TRUE(dlg.TargetLabel()->text().contains(QStringLiteral("geographic system")));
    dlg.CodeField()->setText(QStringLiteral("EPSG:2263"));
    EXPECT_FALSE(dlg.OkButton()->isEnabled());
    dlg.CodeField()->setText(QStringLiteral("epsg:32631"));
    EXPECT_TRUE(dlg.OkButton()->isEnabled());
    EXPECT_EQ(dlg.TargetLabel()->text(), QStringLiteral("WGS 84 / UTM zone 31N"));
    EXPECT_EQ(dlg.Code(), QStringLiteral("EPSG:32631"));

    // A grid nobody named converts only once its system is declared.
    ConvertToUtm(frame->Doc(), frame->Port());
    frame->Doc().Crs = SurveyCrs{};
    CCrsDlg grid(frame->Doc());
    grid.CodeField()->setText(QStringLiteral("32631"));
    EXPECT_FALSE(grid.OkButton()->isEnabled());
    grid.DeclareBox()->setChecked(true);
    EXPECT_TRUE(grid.OkButton()->isEnabled());
    EXPECT_TRUE(grid.DeclareOnly());
}

TEST_F(CrsFrame, TheMenuCommandConvertsAndUndoTakesItBack) {
    frame->runDialog = [](QDialog& d) {
        auto* dlg = qobject_cast<CCrsDlg*>(&d);
        if (!dlg) return false;
        dlg->CodeField()->setText(QStringLiteral("27700"));
        return dlg->OkButton()->isEnabled();
    };
    frame->DoCommand(ID_CONVERT_CRS);
    EXPECT_EQ(frame->Doc().Crs, (SurveyCrs{CrsKind::Projected, "EPSG:27700"}));
    EXPECT_FALSE(frame->Doc().IsGeographic());

    // Coordinate System shows what it now is.
    QString shown;
    frame->runDialog = [&shown](QDialog& d) {
        if (auto* box = qobject_cast<QMessageBox*>(&d)) shown = box->text();
        return true;
    };
    frame->DoCommand(ID_COORDINATE_SYSTEM);
    EXPECT_TRUE(shown.startsWith(QStringLiteral("OSGB36 / British National Grid"))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QStringLiteral("EPSG:27700")));

    frame->DoCommand(ID_EDIT_UNDO);
    EXPECT_FALSE(frame->Doc().Crs.Recorded());
    EXPECT_TRUE(frame->Doc().IsGeographic());
}

}  // namespace
}  // namespace aq::gui
