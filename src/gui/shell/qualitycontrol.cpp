// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/qualitycontrol.h"

#include <QFileInfo>

#include "dialogs/qcdlg.h"
#include "export/crossingscsv.h"
#include "render/reportnodes.h"
#include "render/surveyreport.h"
#include "shell/mainframe.h"
#include "surface/crs.h"
#include "surface/nodecompare.h"

namespace aq::gui {

namespace {

// What the dialogs start with: the defaults, then what was last confirmed.
struct Remembered {
    LineOptions lines;
    CrossingOptions crossings;
    bool nodes = false;
    SpikeOptions spikes;
    bool reportNodes = false;
    QString reportSurface;
};
Remembered& Last() {
    static Remembered last;
    return last;
}

// The node comparison as the window tells it, after the crossings.
QString NodeReport(const surface::NodeResult& r) {
    const CrossingStatistics& s = r.stats;
    QString text = QStringLiteral("Crossline soundings against the surface of the main lines (%1 m cells): %2 of %3 "
                                  "compared.\nBias %4 m, standard deviation %5 m, RMS %6 m, 95 % within %7 m\n")
                       .arg(r.cell)
                       .arg(r.compared)
                       .arg(r.crossSoundings)
                       .arg(s.Mean, 0, 'f', 3)
                       .arg(s.StdDev, 0, 'f', 3)
                       .arg(s.Rms, 0, 'f', 3)
                       .arg(s.P95, 0, 'f', 3);
    text += S44Lines(s);
    return text.trimmed();
}

bool Exec(CMainFrame& frame, QDialog& dialog) {
    return frame.runDialog ? frame.runDialog(dialog) : dialog.exec() == QDialog::Accepted;
}

}  // namespace

void ShowSurveyLines(CMainFrame& frame) {
    LinesDlg dlg(Last().lines, &frame);
    if (!Exec(frame, dlg)) return;
    Last().lines = dlg.Options();
    CVKDoc& doc = frame.Doc();
    UserPort& port = frame.Port();
    LineSet lines;
    if (!SurveyLines(doc, Last().lines, lines, port)) return;
    auto* dock = frame.findChild<LinesDock*>();
    if (!dock) {
        dock = new LinesDock(&frame);
        frame.addDockWidget(Qt::RightDockWidgetArea, dock);
        dock->onChosen = [&doc, &port](const SurveyLine& line) {
            // The survey may have changed since the table was made.
            if (line.FirstRecord >= doc.Records.size()) return;
            doc.Selected = true;
            doc.SelectedIndex = static_cast<int32_t>(line.FirstRecord);
            port.ViewsChanged();
        };
    }
    dock->SetLines(std::move(lines));
    dock->show();
    dock->raise();
}

void ShowCrossings(CMainFrame& frame) {
    CrossingsDlg dlg(Last().lines, Last().crossings, Last().nodes, &frame);
    if (!Exec(frame, dlg)) return;
    Last().lines = dlg.Lines();
    Last().crossings = dlg.Crossings();
    Last().nodes = dlg.CompareNodes();
    CVKDoc& doc = frame.Doc();
    UserPort& port = frame.Port();
    LineSet lines;
    CrossingResult result;
    if (!SurveyCrossings(doc, Last().lines, Last().crossings, lines, result, port)) return;
    // A failed CSV says why itself; the statistics follow all the same.
    if (!dlg.CsvPath().isEmpty()) ExportCrossingsCsv(doc, dlg.CsvPath().toStdString(), result, port);
    QString text = CrossingReport(lines, result);
    if (dlg.CompareNodes()) {
        surface::NodeResult nodes;
        std::string error;
        if (surface::CompareNodes(doc, lines, surface::NodeOptions{}, nodes, error, &port)) {
            text += QStringLiteral("\n\n") + NodeReport(nodes);
            if (!nodes.warning.empty()) text += QStringLiteral("\n") + QString::fromStdString(nodes.warning);
        } else {
            // The crossings stand; the comparison's refusal is said beside them.
            text += QStringLiteral("\n\nNo node comparison: ") + QString::fromStdString(error);
        }
    }
    port.Message(text.toStdString(), Severity::Info);
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
    const QString proposed = doc.PathName.empty()
                                 ? QStringLiteral("report.pdf")
                                 : QFileInfo(QString::fromStdString(doc.PathName)).completeBaseName() +
                                       QStringLiteral("-report.pdf");
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
