// SPDX-License-Identifier: GPL-3.0-or-later
// Edit > Quality Control in the window: the line dock, the crossings and spike dialogs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <set>

#include "dialogs/crossingsresult.h"
#include "dialogs/qcdlg.h"
#include "render/surveyreport.h"
#include "shell/mainframe.h"
#include "support/qc_survey.h"
#include "views/recordingcanvas.h"
#include "views/viewwidget.h"

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
    EXPECT_EQ(refusals, QStringList{"Crosslines: please enter line numbers such as 4,7,10-12, or nothing."});
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

// The records of a span that draw a highlight band on the plan: the device points of
// their live positions.
std::set<std::pair<int32_t, int32_t>> PositionPoints(const CVKDoc& doc, const Mapping& map, uint32_t first,
                                                     uint32_t last) {
    std::set<std::pair<int32_t, int32_t>> out;
    for (uint32_t i = first; i <= last; ++i) {
        const CVKData& r = doc.Records[i];
        if (r.IsDeleted() || !(r.Flags & REC_POSITION)) continue;
        const CPoint p = map.ToDevice(r.ptPlan);
        out.insert({p.x, p.y});
    }
    return out;
}

TEST_F(QcFrame, ChoosingALineHighlightsItInBothViewsUntilTheChoiceGoes) {
    ASSERT_TRUE(Run<LinesDlg>(ID_QC_LINES, [&](LinesDlg& d) { return Ok(d); }));
    auto* dock = frame->findChild<LinesDock*>();
    ASSERT_NE(dock, nullptr);
    CViewState& plan = frame->PlanView()->State();
    CViewState& section = frame->SectionView()->State();
    EXPECT_FALSE(plan.Highlight);
    dock->Table()->selectRow(3);
    const SurveyLine& line = dock->Lines().Lines[3];
    const RecordSpan span{line.FirstRecord, line.LastRecord};
    EXPECT_EQ(plan.Highlight, span);
    EXPECT_EQ(section.Highlight, span);
    // Another line moves it; taking the choice away clears it.
    dock->Table()->selectRow(1);
    EXPECT_EQ(plan.Highlight->First, dock->Lines().Lines[1].FirstRecord);
    dock->Table()->clearSelection();
    EXPECT_FALSE(plan.Highlight);
    EXPECT_FALSE(section.Highlight);
    // Lines found again: the old choice means nothing in the new table.
    dock->Table()->selectRow(2);
    ASSERT_TRUE(plan.Highlight);
    ASSERT_TRUE(Run<LinesDlg>(ID_QC_LINES, [&](LinesDlg& d) { return Ok(d); }));
    EXPECT_FALSE(plan.Highlight);
    EXPECT_FALSE(section.Highlight);
    EXPECT_TRUE(dock->Table()->selectedItems().isEmpty());
}

TEST_F(QcFrame, TheHighlightDrawsOnlyTheChosenLinesRecords) {
    const LineSet lines = FindLines(Doc(), LineOptions{});
    ASSERT_GE(lines.Lines.size(), 7u);
    const SurveyLine& line = lines.Lines[2];
    const auto highlighted = [](const RecordingCanvas& canvas) {
        std::vector<RecordingCanvas::Call> out;
        for (const RecordingCanvas::Call& c : canvas.calls)
            if ((c.op == RecordingCanvas::Op::Line && c.pen == COLOUR_HIGHLIGHT) ||
                (c.op == RecordingCanvas::Op::FillRect &&
                 (c.brushColour == COLOUR_HIGHLIGHT || c.brushColour == COLOUR_HIGHLIGHT_PALE)))
                out.push_back(c);
        return out;
    };

    // The plan: a band along the line's positions, from its first to its last, and no
    // other record's.
    CVKPView plan;
    plan.ScreenArea = {0, 0, 900, 700};
    RecordingCanvas none;
    plan.Draw(none, Doc());
    EXPECT_TRUE(highlighted(none).empty());
    plan.Highlight = RecordSpan{line.FirstRecord, line.LastRecord};
    RecordingCanvas canvas;
    plan.Draw(canvas, Doc());
    const Mapping map = plan.ViewMapping();
    const auto points = PositionPoints(Doc(), map, line.FirstRecord, line.LastRecord);
    const std::vector<RecordingCanvas::Call> band = highlighted(canvas);
    ASSERT_FALSE(band.empty());
    for (const RecordingCanvas::Call& c : band) {
        EXPECT_EQ(c.op, RecordingCanvas::Op::Line);
        EXPECT_TRUE(points.count({c.from.x, c.from.y})) << c.from.x << "," << c.from.y;
        EXPECT_TRUE(points.count({c.to.x, c.to.y})) << c.to.x << "," << c.to.y;
        EXPECT_GE(c.penWidth, 5);
    }
    const CPoint first = map.ToDevice(Doc().Records[line.FirstRecord].ptPlan);
    const CPoint last = map.ToDevice(Doc().Records[line.LastRecord].ptPlan);
    EXPECT_EQ(band.front().from, first);
    EXPECT_EQ(band.back().to, last);
    // Under the markers: the first position marker comes after the band.
    size_t bandAt = 0, markerAt = 0;
    for (size_t k = 0; k < canvas.calls.size(); ++k) {
        if (canvas.calls[k].op == RecordingCanvas::Op::Line && canvas.calls[k].pen == COLOUR_HIGHLIGHT) bandAt = k;
        if (canvas.calls[k].op == RecordingCanvas::Op::Rectangle && markerAt == 0) markerAt = k;
    }
    if (markerAt > 0) {
        EXPECT_LT(bandAt, markerAt);
    }

    // The section: the line's time span shaded, nothing more.
    CVKView section;
    section.ScreenArea = {0, 0, 900, 400};
    section.Highlight = plan.Highlight;
    RecordingCanvas timeline;
    section.Draw(timeline, Doc());
    const Mapping smap = section.ViewMapping();
    const std::vector<RecordingCanvas::Call> shade = highlighted(timeline);
    ASSERT_EQ(shade.size(), 3u);
    EXPECT_EQ(shade[0].brushColour, COLOUR_HIGHLIGHT_PALE);
    EXPECT_EQ(shade[0].rect.left, smap.X(Doc().Records[line.FirstRecord].ptHeight.x));
    EXPECT_EQ(shade[0].rect.right, smap.X(Doc().Records[line.LastRecord].ptHeight.x));

    // A span the survey no longer reaches (records removed since) draws nothing; nor do
    // print-outs.
    const auto n = static_cast<uint32_t>(Doc().Records.size());
    for (const RecordSpan beyond : {RecordSpan{n - 5, n + 100}, RecordSpan{n + 1, n + 2}, RecordSpan{9, 3}}) {
        plan.Highlight = section.Highlight = beyond;
        RecordingCanvas p, t;
        plan.Draw(p, Doc());
        section.Draw(t, Doc());
        EXPECT_TRUE(highlighted(p).empty());
        EXPECT_TRUE(highlighted(t).empty());
    }
    plan.Highlight = RecordSpan{line.FirstRecord, line.LastRecord};
    RecordingCanvas printed;
    plan.Draw(printed, Doc(), PrintingOptions());
    EXPECT_TRUE(highlighted(printed).empty());
}

// The Soundings column of the dock after each change of the survey.
std::vector<size_t> DockCounts(const LinesDock& dock) {
    std::vector<size_t> out;
    for (int r = 0; r < dock.Table()->rowCount(); ++r) out.push_back(dock.Table()->item(r, 7)->text().toULongLong());
    return out;
}

TEST_F(QcFrame, TheLineDockFollowsFlagSpikesUndoRedoAndRestore) {
    // Thirty soundings 3 m too deep along the third line.
    ASSERT_TRUE(Run<LinesDlg>(ID_QC_LINES, [&](LinesDlg& d) { return Ok(d); }));
    auto* dock = frame->findChild<LinesDock*>();
    ASSERT_NE(dock, nullptr);
    const SurveyLine line = dock->Lines().Lines[2];
    int made = 0;
    for (uint32_t i = line.FirstRecord + 50; i < line.LastRecord && made < 30; i += 37)
        if (Doc().Records[i].IsLive(REC_DEPTH)) Doc().Records[i].Depth += 300, ++made;
    Recalculate(Doc(), frame->Port());
    ASSERT_TRUE(Run<LinesDlg>(ID_QC_LINES, [&](LinesDlg& d) { return Ok(d); }));
    const std::vector<size_t> before = DockCounts(*dock);
    dock->Table()->selectRow(2);
    ASSERT_TRUE(frame->PlanView()->State().Highlight);

    ASSERT_TRUE(Run<SpikesDlg>(ID_QC_FLAG_SPIKES, [&](SpikesDlg& d) { return Ok(d); }));
    std::vector<size_t> flagged = before;
    flagged[2] -= static_cast<size_t>(made);
    EXPECT_EQ(DockCounts(*dock), flagged);
    // The table is new: no line stays marked.
    EXPECT_FALSE(frame->PlanView()->State().Highlight);

    frame->DoCommand(ID_EDIT_UNDO);
    EXPECT_EQ(DockCounts(*dock), before);
    frame->DoCommand(ID_EDIT_REDO);
    EXPECT_EQ(DockCounts(*dock), flagged);
    frame->DoCommand(ID_EDIT_RESTORE);
    EXPECT_EQ(DockCounts(*dock), before);
    // The table keeps the settings it was made with, whatever another dialog chose since.
    EXPECT_EQ(dock->Options().TurnAngle, LineOptions{}.TurnAngle);
}

TEST_F(QcFrame, AClosedLineDockCatchesUpWhenItOpens) {
    frame->show();
    ASSERT_TRUE(Run<LinesDlg>(ID_QC_LINES, [&](LinesDlg& d) { return Ok(d); }));
    auto* dock = frame->findChild<LinesDock*>();
    ASSERT_NE(dock, nullptr);
    const std::vector<size_t> before = DockCounts(*dock);
    dock->close();
    ASSERT_TRUE(dock->isHidden());
    // Every live sounding of the first line deleted by hand (a box in the views).
    const SurveyLine line = dock->Lines().Lines[0];
    Undoable(&frame->History(), Doc(), "Delete", UndoScope::Records, frame->Port(), [&] {
        for (uint32_t i = line.FirstRecord; i <= line.LastRecord; ++i)
            if (Doc().Records[i].IsLive(REC_DEPTH)) Doc().Records[i].Flags |= REC_DELETED;
        Recalculate(Doc(), frame->Port());
    });
    frame->NoticeSurveyChange();
    EXPECT_TRUE(dock->Stale());
    EXPECT_EQ(DockCounts(*dock), before);
    dock->show();
    QApplication::processEvents();
    EXPECT_FALSE(dock->Stale());
    ASSERT_EQ(dock->Table()->rowCount(), static_cast<int>(before.size()));
    EXPECT_EQ(DockCounts(*dock)[0], 0u);
    EXPECT_EQ(DockCounts(*dock)[1], before[1]);

    // A new survey has no lines: the dock says so instead of keeping the old table.
    frame->askToSave = [](const QString&) { return int(QMessageBox::No); };
    frame->DoCommand(ID_FILE_NEW);
    EXPECT_EQ(dock->Table()->rowCount(), 0);
    EXPECT_EQ(dock->Note(), QString::fromLatin1(NO_POSITIONS));
}

TEST_F(QcFrame, CrossingsReportTheBiasAndWriteTheCsv) {
    const QString csv = dir.filePath("crossings.csv");
    CrossingsResultDlg* shown = nullptr;
    QString headline, bias;
    int rows = -1;
    frame->runDialog = [&](QDialog& d) {
        if (auto* dlg = qobject_cast<CrossingsDlg*>(&d)) {
            dlg->onRefusal = [this](const QString& t) { refusals << t; };
            dlg->MaxSlope()->setText("steep");
            dlg->accept();
            // The refused field is shown, on its page.
            EXPECT_EQ(dlg->Pages()->currentIndex(), 0);
            dlg->MaxSlope()->setText("0.5");
            dlg->Csv()->setText(csv);
            return Ok(*dlg);
        }
        shown = qobject_cast<CrossingsResultDlg*>(&d);
        EXPECT_NE(shown, nullptr);
        if (!shown) return false;
        EXPECT_EQ(shown->windowTitle(), "Crossings");
        headline = shown->Headline();
        bias = shown->Figure("Bias (crossline minus main line)");
        rows = shown->Model()->rowCount();
        return true;
    };
    frame->DoCommand(ID_QC_CROSSINGS);
    frame->runDialog = nullptr;
    EXPECT_EQ(refusals, QStringList{"Steepest slope (rise/run): please enter a number."});
    EXPECT_TRUE(messages.empty()) << messages[0];
    EXPECT_EQ(headline, "5 main lines, 2 crosslines: 10 crossings, 10 accepted, 0 rejected.");
    // The crosslines are 0.10 m deep: the bias is positive, as the command line's bias_m.
    EXPECT_TRUE(bias.startsWith("0.10")) << bias.toStdString();
    EXPECT_EQ(rows, 10);
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().count('\n'), 11);
}

// The window's result of Crossings: the order achieved as the report finds it, every
// crossing in the table, the table copied and saved.
TEST_F(QcFrame, CrossingsDialogHoldsEveryCrossingAndTheReportsOrder) {
    // Crosslines 0.30 m deep: outside the Exclusive and Special allowances at 5 m, within 1a.
    Doc().Reset();
    test::QcSurveyLayout layout = test::GridLayout(5, {100, 200});
    for (size_t i = 5; i < layout.lines.size(); ++i) layout.lines[i].depthOffset = 30;
    layout.noise = 2;
    test::BuildQcSurvey(Doc(), layout);

    ReportOutcome report;
    ReportRequest request;
    request.path = dir.filePath("order.pdf").toStdString();
    ASSERT_EQ(WriteSurveyReport(Doc(), request, &report), "");
    ASSERT_EQ(AchievedOrder(report.crossings.Stats), 2);

    const QString saved = dir.filePath("saved.csv");
    QString savedTo = saved;
    frame->choosePath = [&](int command, bool save) {
        EXPECT_EQ(command, ID_QC_CROSSINGS);
        EXPECT_TRUE(save);
        return savedTo;
    };
    bool seen = false;
    frame->runDialog = [&](QDialog& d) {
        if (auto* dlg = qobject_cast<CrossingsDlg*>(&d)) return Ok(*dlg);
        auto* shown = qobject_cast<CrossingsResultDlg*>(&d);
        EXPECT_NE(shown, nullptr);
        if (!shown) return false;
        seen = true;
        EXPECT_EQ(shown->Figure("Order achieved"), "1a");
        EXPECT_EQ(shown->Figure("Order achieved"), AchievedOrderName(report.crossings.Stats));
        EXPECT_EQ(shown->Figure("S-44 Special").endsWith("fails"), true) << shown->Figure("S-44 Special").toStdString();
        EXPECT_EQ(shown->Figure("Order achieved", 1), "");  // no node column
        // Each crossing once, as the report found them; the allowance shown is of 1a.
        CrossingsModel& model = *shown->Model();
        EXPECT_EQ(shown->OrderChoice()->currentIndex(), 2);
        EXPECT_EQ(model.Order(), S44Order::Order1a);
        EXPECT_EQ(static_cast<size_t>(model.rowCount()), report.crossings.Crossings.size());
        std::set<std::pair<int, int>> pairs;
        for (int r = 0; r < model.rowCount(); ++r) {
            pairs.insert({model.data(model.index(r, CrossingsModel::MainLine)).toInt(),
                          model.data(model.index(r, CrossingsModel::CrossLine)).toInt()});
            const Crossing& c = report.crossings.Crossings[static_cast<size_t>(r)];
            EXPECT_EQ(model.Text(static_cast<size_t>(r), CrossingsModel::Delta), QString::number(c.Delta, 'f', 3));
            EXPECT_EQ(model.Text(static_cast<size_t>(r), CrossingsModel::Tvu),
                      QString::number(Tvu(S44Order::Order1a, c.Depth), 'f', 3));
        }
        EXPECT_EQ(pairs.size(), 10u);
        // Another order changes the allowance and the fraction, not the crossings.
        shown->OrderChoice()->setCurrentIndex(0);
        EXPECT_EQ(model.Order(), S44Order::Exclusive);
        EXPECT_GT(model.data(model.index(0, CrossingsModel::Fraction)).toDouble(), 1.0);

        // Copy: every row with the header, or the rows chosen.
        EXPECT_EQ(shown->CopyText().count('\n'), 11);
        shown->Table()->selectionModel()->select(model.index(3, 0),
                                                 QItemSelectionModel::Select | QItemSelectionModel::Rows);
        shown->Table()->selectionModel()->select(model.index(7, 0),
                                                 QItemSelectionModel::Select | QItemSelectionModel::Rows);
        const QStringList copied = shown->CopyText().split('\n', Qt::SkipEmptyParts);
        EXPECT_EQ(copied.size(), 3);
        EXPECT_TRUE(copied[0].startsWith("Easting\tNorthing\tMain line\tCrossline"));
        EXPECT_TRUE(copied[1].contains(model.Text(3, CrossingsModel::CrossTime)));

        // Save CSV: the whole CSV, each order's allowance; a file that cannot be written is named.
        shown->onSave(shown->Shown().result);
        savedTo = dir.filePath("no/such/folder/x.csv");
        shown->onSave(shown->Shown().result);
        return true;
    };
    frame->DoCommand(ID_QC_CROSSINGS);
    frame->runDialog = nullptr;
    frame->choosePath = nullptr;
    ASSERT_TRUE(seen);
    QFile file(saved);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_EQ(text.count('\n'), 11);
    EXPECT_TRUE(text.startsWith("easting,northing,main_line,cross_line"));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find(savedTo.toStdString()), std::string::npos) << messages[0];
}

TEST_F(QcFrame, CrossingsCompareTheNodesWhenAsked) {
    QString nodeNote, nodeBias;
    frame->runDialog = [&](QDialog& d) {
        if (auto* dlg = qobject_cast<CrossingsDlg*>(&d)) {
            EXPECT_FALSE(dlg->Nodes()->isChecked());
            EXPECT_FALSE(dlg->Surface()->isEnabled());
            dlg->Nodes()->setChecked(true);
            EXPECT_TRUE(dlg->Surface()->isEnabled());
            return Ok(*dlg);
        }
        auto* shown = qobject_cast<CrossingsResultDlg*>(&d);
        EXPECT_NE(shown, nullptr);
        if (!shown) return false;
        if (auto* note = shown->findChild<QLabel*>("NodesNote")) nodeNote = note->text();
        nodeBias = shown->Figure("Bias (crossline minus main line)", 1);
        return true;
    };
    frame->DoCommand(ID_QC_CROSSINGS);
    EXPECT_TRUE(nodeNote.contains("surface of the main lines")) << nodeNote.toStdString();
    EXPECT_TRUE(nodeBias.startsWith("0.1")) << nodeBias.toStdString();

    // A raster that is not there: the crossings stand, the reason is beside them.
    const QString missing = dir.filePath("missing.tif");
    nodeNote.clear();
    frame->runDialog = [&](QDialog& d) {
        if (auto* dlg = qobject_cast<CrossingsDlg*>(&d)) {
            // The dialog offers the choice again.
            EXPECT_TRUE(dlg->Nodes()->isChecked());
            dlg->Surface()->setText(missing);
            return Ok(*dlg);
        }
        auto* shown = qobject_cast<CrossingsResultDlg*>(&d);
        EXPECT_NE(shown, nullptr);
        if (!shown) return false;
        EXPECT_EQ(shown->Model()->rowCount(), 10);
        if (auto* note = shown->findChild<QLabel*>("NodesNote")) nodeNote = note->text();
        return true;
    };
    frame->DoCommand(ID_QC_CROSSINGS);
    frame->runDialog = nullptr;
    EXPECT_TRUE(nodeNote.startsWith("No node comparison: ")) << nodeNote.toStdString();
    EXPECT_TRUE(nodeNote.contains(missing)) << nodeNote.toStdString();
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

// Each dialog of Quality Control fits a screen of 1000 pixels shown at twice the size,
// its buttons included; a refusal names the field and shows its page.
TEST_F(QcFrame, QualityControlDialogsFitHalfAThousandPixels) {
    LinesDlg lines(LineOptions{});
    CrossingsDlg crossings(LineOptions{}, CrossingOptions{});
    ReportDlg report(LineOptions{}, CrossingOptions{}, false, QString());
    SpikesDlg spikes(SpikeOptions{});
    for (QDialog* d : std::initializer_list<QDialog*>{&lines, &crossings, &report, &spikes})
        EXPECT_LE(d->sizeHint().height(), 460) << d->windowTitle().toStdString();
    // The placeholder of the surface shows whole.
    const QLineEdit* surface = report.Surface();
    EXPECT_GE(surface->minimumWidth(), surface->fontMetrics().horizontalAdvance(surface->placeholderText()));

    spikes.onRefusal = [this](const QString& t) { refusals << t; };
    spikes.TurnAngle()->setText("200");
    spikes.accept();
    EXPECT_EQ(refusals, QStringList{"Turn angle (deg): please enter a number between 0.1 and 179.9."});
    EXPECT_EQ(spikes.Pages()->currentIndex(), 1);
    EXPECT_EQ(spikes.result(), QDialog::Rejected);
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
    EXPECT_EQ(refusals, QStringList{"Window (soundings): please enter an integer between 3 and 1001."});
    EXPECT_EQ(Doc().CountDeleted, made);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].starts_with("10 soundings deleted: 10 as spikes")) << messages[0];
    EXPECT_EQ(frame->History().UndoName(), "Quality Control Flag Spikes");
    frame->DoCommand(ID_EDIT_UNDO);
    EXPECT_TRUE(Doc().Records == before);
}

}  // namespace
}  // namespace aq::gui
