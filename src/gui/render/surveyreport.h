// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "model/doc.h"
#include "processing/crossings.h"
#include "processing/lines.h"

// Surface > Survey Report: a PDF of A4 pages that says what the survey holds and how well
// its crosslines agree with its main lines, and the crossings and the lines as CSV beside it.
namespace aq::gui {

// The crosslines' soundings against a surface, as the report shows them beside the
// crossings (the surface library does the comparison; the report only tells it).
struct ReportNodes {
    // What the soundings were compared with: "the surface of the main lines (0.8 m cells)",
    // "the surface \"grid.tif\"".
    std::string against;
    size_t crossSoundings = 0;  // live soundings of the crosslines
    size_t compared = 0;        // of them, those with a surface value beneath
    CrossingStatistics stats;
    std::string warning;  // a sentence to print beside the figures, or empty
};

enum class NodeVerdict {
    Compared,     // the figures are filled in
    NotCompared,  // the survey gives nothing to compare (no crosslines...): the report says why
    Refused,      // the surface given cannot be used: no report is written, the reason is the error
};
// Compares the crosslines of the lines the report found with a surface.
using NodeComparison = std::function<NodeVerdict(const LineSet& lines, ReportNodes& nodes, std::string& why)>;

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
    // When set, the report also compares the crosslines' soundings with a surface.
    NodeComparison compareNodes;
};

struct ReportOutcome {
    int pages = 0;           // of the PDF as made, written or not
    bool pdfWritten = false;
    std::string csvPath;       // empty when there were no crossings to write
    std::string linesCsvPath;  // empty when there were no lines to write
    LineSet lines;
    CrossingResult crossings;
    bool hasCrossings = false;
    // Why there are no crossing statistics, when there are none.
    std::string noCrossings;
    // The node comparison when one was asked for: the figures, or why there are none.
    bool hasNodes = false;
    ReportNodes nodes;
    std::string noNodes;
    // The lines were too many for the PDF's table: it summarises them, the lines' CSV
    // holds each one.
    bool linesSummarised = false;
    // Why the plan or the section page holds no drawing; empty when it has one.
    std::string planAbsent, sectionAbsent;
    // Each file that could not be written, naming it and the reason; the others are
    // written all the same.
    std::vector<std::string> failures;
};

// "survey.pdf" -> "survey.csv"; another name gets ".csv" added.
std::string ReportCsvPath(const std::string& pdfPath);
// "survey.pdf" -> "survey-lines.csv"; another name gets "-lines.csv" added.
std::string ReportLinesCsvPath(const std::string& pdfPath);

// Why the report's plan or section page holds no drawing (no positions, too few records),
// which the page says in its place; empty when it has one.
std::string ReportPlanAbsence(const CVKDoc& doc);
std::string ReportSectionAbsence(const CVKDoc& doc);

// The plan and section pages draw every marker as a vector for a survey of up to this
// many records; a larger one's markers are a lossless picture under vector furniture.
inline constexpr size_t kReportVectorRecords = 20000;

// The most lines the PDF lists one by one; more are summarised there.
inline constexpr size_t kReportTableLines = 200;

// The most demanding S-44 order at least 95 % of the crossings are within, in the order
// of kS44Orders; -1 when none is.
int AchievedOrder(const CrossingStatistics& stats);
// "none" or the name of that order: what the report and the window say of it.
QString AchievedOrderName(const CrossingStatistics& stats);

// Writes the report and its CSVs, each replaced whole or not at all, each whatever became
// of the others. Empty on success, else what went wrong, a line for each file that could
// not be written (outcome->failures holds them one by one) or the options' refusal.
// Finding the lines and crossings shows its progress through `progress` when there is one.
std::string WriteSurveyReport(const CVKDoc& doc, const ReportRequest& request, ReportOutcome* outcome = nullptr,
                              UserPort* progress = nullptr);

}  // namespace aq::gui
