// SPDX-License-Identifier: GPL-3.0-or-later
// Edit > Quality Control in the window: the line dock, the crossings and spike dialogs.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QTableWidget>
#include <QTemporaryDir>

#include "dialogs/qcdlg.h"
#include "shell/mainframe.h"
#include "support/qc_survey.h"

namespace aq::gui {
namespace {

struct QcFrame : ::testing::Test {
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
        // Main lines every 20 m, crosslines at 100 and 200 m east, the crosslines 0.10 m deep.
        test::QcSurveyLayout layout = test::GridLayout(5, {100, 200});
        for (size_t i = 5; i < layout.lines.size(); ++i) layout.lines[i].depthOffset = 10;
        layout.noise = 2;
        test::BuildQcSurvey(frame->Doc(), layout);
    }
    void TearDown() override {
        frame->askToSave = [](const QString&) { return int(QMessageBox::No); };
        frame.reset();
    }
    CVKDoc& Doc() { return frame->Doc(); }

    template <typename Dialog, typename Fill>
    bool Run(int id, Fill fill) {
        bool seen = false;
        frame->runDialog = [&](QDialog& d) {
            auto* dlg = qobject_cast<Dialog*>(&d);
            EXPECT_NE(dlg, nullptr);
            if (!dlg) return false;
            seen = true;
            dlg->onRefusal = [this](const QString& t) { refusals << t; };
            return fill(*dlg);
        };
        frame->DoCommand(id);
        frame->runDialog = nullptr;
        return seen;
    }
    template <typename Dialog>
    static bool Ok(Dialog& dlg) {
        dlg.accept();
        return dlg.result() == QDialog::Accepted;
    }
};

TEST_F(QcFrame, LinesDockListsTheLinesAndChoosingOneSelectsItInTheViews) {
    ASSERT_TRUE(Run<LinesDlg>(ID_QC_LINES, [&](LinesDlg& d) {
        d.CrossLines()->setText("2-");
        d.accept();
        d.CrossLines()->setText("");
        return Ok(d);
    }));
    EXPECT_EQ(refusals, QStringList{"Please enter line numbers such as 4,7,10-12, or nothing."});
    auto* dock = frame->findChild<LinesDock*>();
    ASSERT_NE(dock, nullptr);
    ASSERT_EQ(dock->Table()->rowCount(), 7);
    EXPECT_EQ(dock->Table()->item(5, 1)->text(), "cross");
    EXPECT_EQ(dock->Table()->item(0, 3)->text(), "300.0");
    dock->Table()->setCurrentCell(2, 0);
    EXPECT_TRUE(Doc().Selected);
    EXPECT_EQ(static_cast<uint32_t>(Doc().SelectedIndex), dock->Lines().Lines[2].FirstRecord);
    // Running it again refreshes the same dock.
    ASSERT_TRUE(Run<LinesDlg>(ID_QC_LINES, [&](LinesDlg& d) { return Ok(d); }));
    EXPECT_EQ(frame->findChildren<LinesDock*>().size(), 1);
    EXPECT_TRUE(messages.empty());
}

TEST_F(QcFrame, CrossingsReportTheBiasAndWriteTheCsv) {
    const QString csv = dir.filePath("crossings.csv");
    ASSERT_TRUE(Run<CrossingsDlg>(ID_QC_CROSSINGS, [&](CrossingsDlg& d) {
        d.MaxSlope()->setText("steep");
        d.accept();
        d.MaxSlope()->setText("0.5");
        d.Csv()->setText(csv);
        return Ok(d);
    }));
    EXPECT_EQ(refusals, QStringList{"Please enter a number."});
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("5 main lines, 2 crosslines: 10 crossings, 10 accepted"), std::string::npos) << messages[0];
    EXPECT_NE(messages[0].find("Bias (crossline deeper by) 0.10"), std::string::npos) << messages[0];
    EXPECT_NE(messages[0].find("S-44 Exclusive:"), std::string::npos);
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().count('\n'), 11);
}

TEST_F(QcFrame, CrossingsCompareTheNodesWhenAsked) {
    ASSERT_TRUE(Run<CrossingsDlg>(ID_QC_CROSSINGS, [&](CrossingsDlg& d) {
        EXPECT_FALSE(d.Nodes()->isChecked());
        d.Nodes()->setChecked(true);
        return Ok(d);
    }));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("Crossline soundings against the surface of the main lines"), std::string::npos)
        << messages[0];
    EXPECT_NE(messages[0].find("Bias 0.1"), std::string::npos) << messages[0];
    // The dialog offers the choice again.
    ASSERT_TRUE(Run<CrossingsDlg>(ID_QC_CROSSINGS, [&](CrossingsDlg& d) {
        EXPECT_TRUE(d.Nodes()->isChecked());
        d.Nodes()->setChecked(false);
        return Ok(d);
    }));
}

TEST_F(QcFrame, SurveyReportWritesThePdfAndTheCsvAndNamesAFailedFile) {
    QString chosen = dir.filePath("survey.pdf");
    frame->choosePath = [&](int command, bool save) {
        EXPECT_EQ(command, ID_SURVEY_REPORT);
        EXPECT_TRUE(save);
        return chosen;
    };
    ASSERT_TRUE(Run<ReportDlg>(ID_SURVEY_REPORT, [&](ReportDlg& d) {
        EXPECT_FALSE(d.Nodes()->isChecked());
        EXPECT_FALSE(d.Surface()->isEnabled());
        return Ok(d);
    }));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("(4 pages)"), std::string::npos) << messages[0];
    EXPECT_NE(messages[0].find(dir.filePath("survey.csv").toStdString()), std::string::npos) << messages[0];
    EXPECT_NE(messages[0].find(dir.filePath("survey-lines.csv").toStdString()), std::string::npos) << messages[0];
    QFile pdf(chosen);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5) == "%PDF-");
    QFile csv(dir.filePath("survey.csv"));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_EQ(csv.readAll().count('\n'), 11);

    messages.clear();
    chosen = dir.filePath("no/such/folder/survey.pdf");
    ASSERT_TRUE(Run<ReportDlg>(ID_SURVEY_REPORT, [&](ReportDlg& d) { return Ok(d); }));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("could not write \"" + chosen.toStdString() + "\""), std::string::npos) << messages[0];
    frame->choosePath = nullptr;
}

TEST_F(QcFrame, SurveyReportComparesTheNodesWithTheSurfaceChosen) {
    frame->choosePath = [&](int, bool) { return dir.filePath("nodes.pdf"); };
    // A raster that is not there: nothing is written, and the message names it.
    const QString missing = dir.filePath("missing.tif");
    ASSERT_TRUE(Run<ReportDlg>(ID_SURVEY_REPORT, [&](ReportDlg& d) {
        d.Nodes()->setChecked(true);
        EXPECT_TRUE(d.Surface()->isEnabled());
        d.Surface()->setText(missing);
        return Ok(d);
    }));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find(missing.toStdString()), std::string::npos) << messages[0];
    EXPECT_FALSE(QFile::exists(dir.filePath("nodes.pdf")));

    // The main lines' own surface; the dialog starts with the last choice.
    messages.clear();
    ASSERT_TRUE(Run<ReportDlg>(ID_SURVEY_REPORT, [&](ReportDlg& d) {
        EXPECT_TRUE(d.Nodes()->isChecked());
        EXPECT_EQ(d.Surface()->text(), missing);
        d.Surface()->clear();
        return Ok(d);
    }));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("The survey report is in"), std::string::npos) << messages[0];
    EXPECT_EQ(messages[0].find("node comparison"), std::string::npos) << messages[0];
    EXPECT_TRUE(QFile::exists(dir.filePath("nodes.pdf")));
    frame->choosePath = nullptr;
}

TEST_F(QcFrame, FlagSpikesIsOneUndoStep) {
    // Ten soundings 3 m too deep.
    int made = 0;
    for (size_t i = 0; i < Doc().Records.size() && made < 10; i += 211)
        if (Doc().Records[i].IsLive(REC_DEPTH)) Doc().Records[i].Depth += 300, ++made;
    Recalculate(Doc(), frame->Port());
    const std::vector<CVKData> before = Doc().Records;
    ASSERT_TRUE(Run<SpikesDlg>(ID_QC_FLAG_SPIKES, [&](SpikesDlg& d) {
        d.Window()->setText("2");
        d.accept();
        d.Window()->setText("21");
        d.Order()->setCurrentIndex(1);  // Special
        return Ok(d);
    }));
    EXPECT_EQ(refusals, QStringList{"Please enter an integer between 3 and 1001."});
    EXPECT_EQ(Doc().CountDeleted, made);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].starts_with("10 soundings deleted: 10 as spikes")) << messages[0];
    EXPECT_EQ(frame->History().UndoName(), "Quality Control Flag Spikes");
    frame->DoCommand(ID_EDIT_UNDO);
    EXPECT_TRUE(Doc().Records == before);
}

}  // namespace
}  // namespace aq::gui
