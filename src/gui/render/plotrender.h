// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <string>

#include "model/doc.h"
#include "views/planview.h"
#include "views/sectionview.h"

namespace aq::gui {

// The pixel ratio of a paint device: its resolution over 96 dpi (a printer's or PDF's
// page), 1 for images and SVG, whose pixels are screen pixels.
double DeviceRatio(const QPaintDevice* device);

// Paints the plan view as printed, one page, into the painter's area `page`; ratio 0
// takes the device's.
void PaintPlanPage(QPainter& painter, CVKPView& view, const CVKDoc& doc, const QRect& page,
                   const std::string& documentTitle = {}, double ratio = 0);
// Paints page p of n of the section view; BeginPrinting must have run.
void PaintSectionPage(QPainter& painter, CVKView& view, const CVKDoc& doc, const QRect& page, int32_t p, int32_t n,
                      double ratio = 0);

// The plan, or the first page of the section, as printed onto a page of a vector device
// (a PDF) at its own resolution: the grid, labels, title, key, north arrow and scale bar
// are vectors, and so are the markers of a survey of up to `vectorRecords` records. A
// larger survey's markers are painted into one lossless picture of the page's resolution
// that lies over the grid and under the key, north arrow and scale bar: every marker a
// vector would make the file grow with the survey, to hundreds of megabytes.
void PaintPlanOnPaper(QPainter& painter, const CVKDoc& doc, const QRect& page, const std::string& documentTitle,
                      size_t vectorRecords);
void PaintSectionOnPaper(QPainter& painter, const CVKDoc& doc, const QRect& page, size_t vectorRecords);

// A view as on screen at a pixel ratio, into an image of size times ratio device pixels
// (white ground): what a window of that size shows on a screen of that ratio.
QImage RenderPlan(CVKPView& view, const CVKDoc& doc, QSize size, const DrawOptions& options = {}, double ratio = 1);
QImage RenderSection(CVKView& view, const CVKDoc& doc, QSize size, const DrawOptions& options = {},
                     double ratio = 1);

enum class PlotKind { Plan, Section };

// What the command line's plot verb asks for.
struct PlotRequest {
    PlotKind kind = PlotKind::Plan;
    std::string path;  // .png, .svg or .pdf; "-" for standard output
    std::string format; // png, svg or pdf; empty to go by the file's extension
    QSize size;        // pixels; empty for the format's default
    std::string title; // the section's print title, or the document title of the plan
    int32_t pages = 1; // section pages in width; one file each for images
    double scale = 1;  // pixel ratio of images: size times scale pixels, as a screen of that ratio
};

// The files a request writes, in order (one per page for images).
std::vector<std::string> PlotFiles(const PlotRequest& request);

// Writes the plot as printed (titles, time and date labels). Each file is replaced whole
// or not at all (a FIFO or device is written directly, "-" is standard output), so a
// failure leaves nothing half written.
// Returns an empty text on success, else what went wrong.
std::string WritePlot(const CVKDoc& doc, const PlotRequest& request);

// Puts finished bytes (a PNG, SVG or PDF made in memory) in place by the same rules: an
// empty text on success, else "could not write "PATH": reason".
std::string WriteBytes(const std::string& path, const QByteArray& bytes);

// Makes sure a QGuiApplication exists, on the offscreen platform when none is there
// (fonts need one, a display does not).
void EnsureGuiApplication();

}  // namespace aq::gui
