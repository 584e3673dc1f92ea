// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/qualitycontrol.h"

#include "dialogs/qcdlg.h"
#include "export/crossingscsv.h"
#include "shell/mainframe.h"

namespace aq::gui {

namespace {

// What the dialogs start with: the defaults, then what was last confirmed.
struct Remembered {
    LineOptions lines;
    CrossingOptions crossings;
    SpikeOptions spikes;
};
Remembered& Last() {
    static Remembered last;
    return last;
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
    LineSet lines;
    if (!SurveyLines(doc, Last().lines, lines)) return;
    auto* dock = frame.findChild<LinesDock*>();
    if (!dock) {
        dock = new LinesDock(&frame);
        frame.addDockWidget(Qt::RightDockWidgetArea, dock);
        dock->onChosen = [&doc](const SurveyLine& line) {
            // The survey may have changed since the table was made.
            if (line.FirstRecord >= doc.Records.size()) return;
            doc.Selected = true;
            doc.SelectedIndex = static_cast<int32_t>(line.FirstRecord);
            doc.ViewsChanged();
        };
    }
    dock->SetLines(std::move(lines));
    dock->show();
    dock->raise();
}

void ShowCrossings(CMainFrame& frame) {
    CrossingsDlg dlg(Last().lines, Last().crossings, &frame);
    if (!Exec(frame, dlg)) return;
    Last().lines = dlg.Lines();
    Last().crossings = dlg.Crossings();
    CVKDoc& doc = frame.Doc();
    LineSet lines;
    CrossingResult result;
    if (!SurveyCrossings(doc, Last().lines, Last().crossings, lines, result)) return;
    // A failed CSV says why itself; the statistics follow all the same.
    if (!dlg.CsvPath().isEmpty()) ExportCrossingsCsv(doc, dlg.CsvPath().toStdString(), result);
    doc.Port().Message(CrossingReport(lines, result).toStdString(), Severity::Info);
}

void FlagSpikesInWindow(CMainFrame& frame) {
    SpikesDlg dlg(Last().spikes, &frame);
    if (!Exec(frame, dlg)) return;
    Last().spikes = dlg.Options();
    CVKDoc& doc = frame.Doc();
    SpikeResult result;
    if (!FlagSpikes(doc, Last().spikes, result)) return;
    doc.Port().Message(SpikeReport(result).toStdString(), Severity::Info);
}

}  // namespace aq::gui
