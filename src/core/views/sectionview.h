// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

#include "views/canvas.h"
#include "views/viewstate.h"

namespace aq {

class CVKDoc;

// Steps of the time grid in minutes for a span in minutes: minor lines, black major
// lines and the alignment of the first line. No grid for spans of 50000 minutes or more.
struct TimeGridSteps {
    int32_t minor;
    int32_t major;
    int32_t align;
};
TimeGridSteps TimeGridFor(int64_t spanMinutes);

// What the "Time Series Printing Dialog" returns.
struct SectionPrintSettings {
    std::string title = "Corrund Depths";
    int32_t pages = 1;  // in width, 1..100
};

// The section view: levels against time, with the time and level grids.
class CVKView : public CViewState {
public:
    CRect SavedWindow{};
    std::string PrintTitle = "Corrund Depths";
    std::string PageSuffix;

    // Draws the view; ScreenArea must be set. Screen drawing empties PageSuffix.
    void Draw(Canvas& canvas, const CVKDoc& doc, const DrawOptions& options = {});

    // "SECTION:(date and time) z=level" for a mouse point in device units; empty
    // without focus or records.
    std::string ReadOut(const CVKDoc& doc, CPoint device) const;

    // Start of a print job: keeps the screen's Window, takes the dialog's title and
    // returns the number of pages.
    int32_t BeginPrinting(const CRect& printable, const SectionPrintSettings& settings);
    // Page p of n (from 1): the page area and, for more than one page, the page's
    // share of the whole time range at full height.
    void PreparePage(const CRect& printable, int32_t page, int32_t pages);
    // End of the job: the screen's Window again.
    void EndPrinting() { Window = SavedWindow; }
};

}  // namespace aq
