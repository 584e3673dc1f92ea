// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

#include "views/canvas.h"
#include "views/viewstate.h"

namespace aq {

class CVKDoc;

// The smallest power of ten, at least 10, that divides the range a..b into at most ten
// steps.
int64_t GridStep(int64_t a, int64_t b);

// The plan view: every record at its plan position, over a labelled coordinate grid.
class CVKPView : public CViewState {
public:
    std::string PlotTitle;

    // Draws the view; ScreenArea must be set (the client rectangle, or the page).
    void Draw(Canvas& canvas, const CVKDoc& doc, const DrawOptions& options = {});

    // The status-bar read-out for a mouse point in device units; empty when there is
    // nothing to read (no focus or no positions).
    std::string ReadOut(const CVKDoc& doc, CPoint device) const;

    // One printed page: the same Window drawn into the page with a margin of a
    // twentieth of the printable width and height.
    void PreparePage(const CRect& printable) { ScreenArea = ShrinkPage(printable, 20, 20); }
};

}  // namespace aq
