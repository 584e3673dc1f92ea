// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/qualitycontrol.h"

#include <QFileInfo>
#include <optional>

#include "dialogs/crossingsresult.h"
#include "dialogs/qcdlg.h"
#include "export/crossingscsv.h"
#include "render/reportnodes.h"
#include "render/surveyreport.h"
#include "shell/mainframe.h"
#include "surface/crs.h"
#include "surface/nodecompare.h"
#include "views/viewwidget.h"

namespace aq::gui {

namespace {

// What the dialogs start with: the defaults, then what was last confirmed.
struct Remembered {
    LineOptions lines;
    CrossingOptions crossings;
    bool nodes = false;
    QString crossingsSurface;
    SpikeOptions spikes;
    bool reportNodes = false;
    QString reportSurface;
};
Remembered& Last() {
    static Remembered last;
    return last;
}

// The name a save dialog first offers: the survey's name with "-" and `what` after it
// ("harbour-report.pdf"), or `what` alone for an untitled survey.
QString ProposedName(const CVKDoc& doc, const QString& what) {
    if (doc.PathName.empty()) return what;
    return QFileInfo(QString::fromStdString(doc.PathName)).completeBaseName() + QLatin1Char('-') + what;
}

bool Exec(CMainFrame& frame, QDialog& dialog) {
    return frame.runDialog ? frame.runDialog(dialog) : dialog.exec() == QDialog::Accepted;
}

// The records both views draw apart from the rest, or none.
void SetHighlight(CMainFrame& frame, std::optional<RecordSpan> span) {
    for (ViewWidget* view : {frame.PlanView(), frame.SectionView()}) {
        if (view->State().Highlight == span) continue;
        view->State().Highlight = span;
        view->Invalidate();
    }
}

// The lines of the survey as it is now, found with the options the dock's table was;
// while the dock is closed, only noted, and done when it opens again.
void RefreshLines(CMainFrame& frame, LinesDock& dock) {
    if (dock.isHidden()) {
        dock.SetStale(true);
        SetHighlight(frame, std::nullopt);
        return;
    }
    const LineOptions options = dock.Options();
    LineSet lines = FindLines(frame.Doc(), options, &frame.Port());
    QString note;
    if (!lines.HadPositions)
        note = QString::fromLatin1(NO_POSITIONS);
    else if (lines.Lines.empty())
        note = QString::fromLatin1(NO_LINES);
    dock.SetLines(std::move(lines), options, note);
}

LinesDock& Dock(CMainFrame& frame) {
    if (auto* dock = frame.findChild<LinesDock*>()) return *dock;
    auto* dock = new LinesDock(&frame);
    frame.addDockWidget(Qt::RightDockWidgetArea, dock);
    dock->onChosen = [&frame](const SurveyLine& line) {
        CVKDoc& doc = frame.Doc();
        // The survey may have changed since the table was made.
        if (line.LastRecord >= doc.Records.size() || line.FirstRecord > line.LastRecord) return;
        doc.Selected = true;
        doc.SelectedIndex = static_cast<int32_t>(line.FirstRecord);
        SetHighlight(frame, RecordSpan{line.FirstRecord, line.LastRecord});
        frame.Port().ViewsChanged();
    };
    dock->onCleared = [&frame] { SetHighlight(frame, std::nullopt); };
    // The counts of the table follow every change of the survey.
    QObject::connect(&frame, &CMainFrame::surveyChanged, dock, [&frame, dock] { RefreshLines(frame, *dock); });
    QObject::connect(dock, &QDockWidget::visibilityChanged, dock, [&frame, dock](bool visible) {
        if (visible && dock->Stale()) RefreshLines(frame, *dock);
        // A closed list leaves no line marked.
        if (!visible && dock->isHidden()) SetHighlight(frame, std::nullopt);
    });
    return *dock;
}

}  // namespace

void ShowSurveyLines(CMainFrame& frame) {
    LinesDlg dlg(Last().lines, &frame);
    if (!Exec(frame, dlg)) return;
    Last().lines = dlg.Options();
    LineSet lines;
    if (!SurveyLines(frame.Doc(), Last().lines, lines, frame.Port())) return;
    LinesDock& dock = Dock(frame);
    dock.SetLines(std::move(lines), Last().lines);
    dock.show();
    dock.raise();
}

void ShowCrossings(CMainFrame& frame) {
    CrossingsDlg dlg(Last().lines, Last().crossings, Last().nodes, Last().crossingsSurface, &frame);
    if (!Exec(frame, dlg)) return;
    Last().lines = dlg.Lines();
    Last().crossings = dlg.Crossings();
    Last().nodes = dlg.CompareNodes();
    Last().crossingsSurface = dlg.SurfacePath();
    CVKDoc& doc = frame.Doc();
    UserPort& port = frame.Port();
    LineSet lines;
    CrossingResult result;
    if (!SurveyCrossings(doc, Last().lines, Last().crossings, lines, result, port)) return;
    // A failed CSV says why itself; the result follows all the same.
    if (!dlg.CsvPath().isEmpty()) ExportCrossingsCsv(doc, dlg.CsvPath().toStdString(), result, port);
    CrossingsShown shown;
    shown.mainLines = lines.Count(LineKind::Main);
    shown.crossLines = lines.Count(LineKind::Cross);
    shown.otherLines = lines.Count(LineKind::Other);
    shown.geographic = doc.IsGeographic();
    if (dlg.CompareNodes()) {
        // The crossings stand whatever the comparison says; a refusal is told beside them.
        shown.nodesAsked = true;
        surface::NodeOptions options;
        options.surfacePath = dlg.SurfacePath().toStdString();
        ReportNodes nodes;
        std::string why;
        if (ReportNodeComparison(doc, options, &port)(lines, nodes, why) == NodeVerdict::Compared)
            shown.nodes = std::move(nodes);
        else
            shown.noNodes = QString::fromStdString(why);
    }
    shown.result = std::move(result);
    CrossingsResultDlg view(std::move(shown), &frame);
    view.onSave = [&frame](const CrossingResult& crossings) {
        CVKDoc& d = frame.Doc();
        const QString proposed = ProposedName(d, QStringLiteral("crossings.csv"));
        const QString path = frame.ChoosePath(ID_QC_CROSSINGS, true, QStringLiteral("Save Crossings"),
                                              {QStringLiteral("CSV files (*.csv)")}, proposed, QStringLiteral("csv"));
        if (path.isEmpty()) return;
        if (ExportCrossingsCsv(d, path.toStdString(), crossings, frame.Port()))
            frame.Port().StatusNote("Saved " + std::to_string(crossings.Crossings.size()) + " crossings in " +
                                    path.toStdString());
    };
    Exec(frame, view);
}

void FlagSpikesInWindow(CMainFrame& frame) {
    SpikesDlg dlg(Last().spikes, &frame);
    if (!Exec(frame, dlg)) return;
    Last().spikes = dlg.Options();
    CVKDoc& doc = frame.Doc();
    UserPort& port = frame.Port();
    SpikeResult result;
    if (!FlagSpikes(doc, Last().spikes, result, port)) return;
    port.Message(SpikeReport(result).toStdString(), Severity::Info);
}

void SurveyReportInWindow(CMainFrame& frame) {
    ReportDlg dlg(Last().lines, Last().crossings, Last().reportNodes, Last().reportSurface, &frame);
    if (!Exec(frame, dlg)) return;
    Last().lines = dlg.Lines();
    Last().crossings = dlg.Crossings();
    Last().reportNodes = dlg.CompareNodes();
    Last().reportSurface = dlg.SurfacePath();
    CVKDoc& doc = frame.Doc();
    UserPort& port = frame.Port();
    const QString proposed = ProposedName(doc, QStringLiteral("report.pdf"));
    const QString path = frame.ChoosePath(ID_SURVEY_REPORT, true, QStringLiteral("Survey Report"),
                                          {QStringLiteral("PDF files (*.pdf)")}, proposed, QStringLiteral("pdf"));
    if (path.isEmpty()) return;
    ReportRequest r;
    r.path = path.toStdString();
    r.lines = Last().lines;
    r.crossings = Last().crossings;
    r.crsName = surface::DocumentCrs(doc).name;
    if (dlg.CompareNodes()) {
        surface::NodeOptions nodes;
        nodes.surfacePath = dlg.SurfacePath().toStdString();
        r.compareNodes = ReportNodeComparison(doc, nodes, &port);
    }
    for (const UndoHistory::StepInfo& step : frame.History().Steps())
        if (step.done) r.steps.push_back(step.name);
    r.droppedSteps = frame.History().Dropped();
    ReportOutcome outcome;
    if (const std::string error = WriteSurveyReport(doc, r, &outcome, &port); !error.empty()) {
        port.Message(error, Severity::Error);
        return;
    }
    std::string text = "The survey report is in " + r.path + " (" + std::to_string(outcome.pages) + " pages)";
    text += outcome.csvPath.empty() ? ". It has no crossings: " + outcome.noCrossings
                                    : ", its crossings in " + outcome.csvPath + ".";
    if (!outcome.linesCsvPath.empty()) text += " The survey lines are in " + outcome.linesCsvPath + ".";
    if (dlg.CompareNodes() && !outcome.hasNodes) text += " No node comparison: " + outcome.noNodes;
    if (!outcome.nodes.warning.empty()) text += " " + outcome.nodes.warning;
    port.Message(text, Severity::Info);
}

}  // namespace aq::gui
