// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "model/doc.h"
#include "processing/crossings.h"
#include "processing/lines.h"

// Surface > Survey Report: a PDF of A4 pages that says what the survey holds and how well
// its crosslines agree with its main lines, and the crossings as CSV beside it.
namespace aq::gui {

struct ReportRequest {
    std::string path;  // the PDF; the CSV goes beside it (ReportCsvPath)
    // The survey's coordinate system as the caller names it (the surface library knows).
    std::string crsName;
    // The steps of the undo history that are done, oldest first: what was deleted and
    // how, as far as the run that writes the report knows.
    std::vector<std::string> steps;
    size_t droppedSteps = 0;  // steps the history gave up to keep within its memory
    LineOptions lines;
    CrossingOptions crossings;
};

struct ReportOutcome {
    int pages = 0;
    std::string csvPath;  // empty when there were no crossings to write
    LineSet lines;
    CrossingResult crossings;
    bool hasCrossings = false;
    // Why there are no crossing statistics, when there are none.
    std::string noCrossings;
};

// "survey.pdf" -> "survey.csv"; another name gets ".csv" added.
std::string ReportCsvPath(const std::string& pdfPath);

// The most demanding S-44 order at least 95 % of the crossings are within, in the order
// of kS44Orders; -1 when none is.
int AchievedOrder(const CrossingStatistics& stats);

// Writes the report and its CSV, each replaced whole or not at all. Empty on success,
// else what went wrong, naming the file. Finding the lines and crossings shows its
// progress through `progress` when there is one.
std::string WriteSurveyReport(const CVKDoc& doc, const ReportRequest& request, ReportOutcome* outcome = nullptr,
                              UserPort* progress = nullptr);

}  // namespace aq::gui
