// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/commandids.h"
#include "model/geometry.h"
#include "views/markers.h"

namespace aq {

class CVKDoc;

// The logical window both views start with and zoom out to: the data square with a
// border of 1000 units on every side.
inline constexpr CRect VIEW_EXTENTS{-1000, -1000, 16000, 16000};

// Whether Zoom Extents, Zoom Out or a pan (`id`) can move a view showing `window` of
// `extents`; false for any other command. The limits only stop a move that starts at or
// beyond them.
bool ZoomPanEnabled(int id, const CRect& window, const CRect& extents);

// A run of records a view draws apart from the rest (the survey line chosen in the
// window's list of lines): indices First to Last into the records, both included.
struct RecordSpan {
    uint32_t First = 0;
    uint32_t Last = 0;
    bool operator==(const RecordSpan&) const = default;
};

// What the plan and section views share: the part of the plane shown, the zoom and pan
// commands, the drag mode and the focus.
class CViewState {
public:
    CRect Window = VIEW_EXTENTS;
    CRect Extents = VIEW_EXTENTS;
    CRect ScreenArea{0, 0, 1, 1};  // device units
    int32_t DragMode = 0;
    bool HasFocus = false;
    // Ground units of a logical unit of y over those of x, for a mapping that keeps the
    // ground's scale the same on both axes; 0 stretches Window over the screen.
    double Aspect = 0;
    // Records to stand out on screen: the plan lays a band along their positions, the
    // section shades their time span. Only these records are visited, so it costs what
    // the span holds; a span beyond the records (the survey changed since) draws nothing.
    // Left out of print-outs.
    std::optional<RecordSpan> Highlight;

    // New and Open show the whole plane again.
    void InitialUpdate() { Window = Extents; }

    // The command state with this view active (which names the view for the rules that
    // differ between them).
    CommandContext Context(const CVKDoc* doc, ActiveView which) const;

    // Zoom Extents, Zoom Out and the four pans. Does nothing unless the command is
    // enabled; true when Window changed.
    bool ZoomPan(int id);

    // Wheel zoom: Window scaled by factor (below 1 zooms in) about the device point, so
    // the plane under it stays under it; never narrower than 16 units nor wider than
    // the extents. True when Window changed.
    bool ZoomAbout(CPoint device, double factor);
    // Drag pan: the plane follows the mouse by a device offset, within the extents'
    // reach. True when Window changed.
    bool PanByDevice(int32_t dx, int32_t dy);

    // What the screen shows: Window, or with an Aspect, Window widened about its centre
    // along one axis to the screen's proportions.
    CRect Shown() const;
    // The map of what is shown onto ScreenArea.
    Mapping ViewMapping() const { return Mapping(Shown(), ScreenArea); }

protected:
    // Scratch of the marker drawing, kept between redraws.
    MarkerScratch markers_;
};

// Options of one drawing pass.
struct DrawOptions {
    bool printing = false;
    // Leave out what later drawing paints over; off only to check that doing so changes
    // no pixel.
    bool cull = true;
    // Deleted records drawn hollow under the live ones; off, they are left out.
    bool showDeleted = true;
    // The document title a print-out names; empty for the document's own.
    std::string documentTitle;
    // How the markers of a large survey are drawn by several threads at once.
    ParallelSettings parallel{};
};

inline DrawOptions PrintingOptions() {
    DrawOptions o;
    o.printing = true;
    return o;
}

// The smallest of 1, 2 or 5 times a power of ten (from 1) that is at least minPixels
// long at pixelsPerUnit; 0 when nothing is. Grid steps of both views.
int64_t LevelStep(double pixelsPerUnit, double minPixels);

// The document's title as the window shows it: the file name, or "Untitled".
std::string ShownTitle(const CVKDoc& doc);

// The printable rectangle shrunk by width / wDiv on the left and right and by
// height / hDiv at the top and bottom.
CRect ShrinkPage(const CRect& printable, int32_t wDiv, int32_t hDiv);

}  // namespace aq
