// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "views/canvas.h"
#include "views/planlayer.h"
#include "views/viewstate.h"

namespace aq {

class CVKDoc;

// The smallest power of ten, at least 10, that divides the range a..b into at most ten
// steps.
int64_t GridStep(int64_t a, int64_t b);

// Metres of ground in a logical unit along x of the plan (cos φ of the centre for a
// geographic survey); 0 without positions.
double PlanMetresPerUnitX(const CVKDoc& doc);

// The longest of 1, 2 or 5 times a power of ten metres not above `metres`.
double ScaleBarMetres(double metres);

// The plan view: every record at its plan position, over a labelled coordinate grid.
class CVKPView : public CViewState {
public:
    std::string PlotTitle;
    // Equal scale (the ground's metres per pixel the same across and up), chosen apart
    // for surveys in grid coordinates and in geographic ones.
    struct EqualScaleChoice {
        bool grid = true;
        bool geographic = false;
    };
    EqualScaleChoice EqualScale;
    // A shaded surface with its contours under the soundings, and its key; drawn while
    // ShowLayer is on.
    std::shared_ptr<const PlanLayer> Layer;
    bool ShowLayer = true;

    // Whether the plan keeps equal scale for this document, and the choice for its kind.
    bool EqualScaleFor(const CVKDoc& doc) const;
    void SetEqualScale(const CVKDoc& doc, bool on);
    // Sets Aspect for the document: its ground ratio with equal scale (cos φ of the
    // centre for geographic surveys), else 0.
    void UpdateAspect(const CVKDoc& doc);

    // Draws the view; ScreenArea must be set (the client rectangle, or the page).
    void Draw(Canvas& canvas, const CVKDoc& doc, const DrawOptions& options = {});

    // The status-bar read-out for a mouse point in device units; empty when there is
    // nothing to read (no focus or no positions).
    std::string ReadOut(const CVKDoc& doc, CPoint device) const;

    // One printed page: the same Window drawn into the page with a margin of a
    // twentieth of the printable width and height.
    void PreparePage(const CRect& printable) { ScreenArea = ShrinkPage(printable, 20, 20); }

private:
    PlanLayerCache layerCache_;
};

}  // namespace aq
