// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "model/data.h"
#include "views/canvas.h"

namespace aq {

// Draws the marker of a record kind in its square: a position is an ellipse in the band
// colour, a tide a light-grey rounded square, a depth a square in the band colour
// (outlined in black only in the Point Type scheme), an event a black X. The pen must
// be the black stock pen.
void MarkerShape(Canvas& canvas, const CRect& square, uint16_t kind, Colour band, int32_t colourMode);

// True when a marker of this kind on this device rectangle paints no pixel: a shape
// needs width and height, an event's cross only needs its corners apart.
inline bool MarkerPaintsNothing(uint16_t kind, const CRect& d) {
    if (kind == REC_EVENT) return d.left == d.right && d.top == d.bottom;
    return d.right <= d.left || d.bottom <= d.top;
}

// Skips markers that an identical marker drawn later in the same pass covers pixel for
// pixel, which is what makes a redraw of a million records quick: most of them land on
// the same few device squares. Works on device rectangles, so it only skips what would
// be painted over anyway.
class MarkerCuller {
public:
    // Starts a pass over a device area; an area too large to track turns culling off.
    void BeginPass(const CRect& deviceArea);
    // Called for the markers of a pass from the last drawn to the first: true when an
    // identical marker (same device rectangle, same style) comes later in the pass.
    bool CoveredLater(const CRect& device, uint32_t style);

private:
    // Per device pixel of a marker's top-left corner: the pass stamp (high 16 bits) and
    // the size and style of the three latest markers seen there (16 bits each): markers
    // at one corner differ by a pixel in size as the corners round.
    std::vector<uint64_t> cells_;
    CRect area_{};
    int32_t width_ = 0;
    uint32_t stamp_ = 0;
    bool active_ = false;
};

// One record's marker in a drawing pass: its point, whether it is deleted or shows in
// the window, and its colour slot. The passes work on these compact lists rather than
// on the records, so a million-record redraw reads the records only once.
struct MarkerItem {
    CPoint p;
    uint8_t flags;
    uint8_t colour;
};
inline constexpr uint8_t ITEM_DELETED = 1;
inline constexpr uint8_t ITEM_VISIBLE = 2;
inline constexpr uint8_t ITEM_SKIP = 4;

struct MarkerPass {
    uint16_t kind;
    int32_t side;  // the square reaches this far from the point on every side
    bool join;     // lines between consecutive live markers (to visible ones only)
    const std::array<uint32_t, 8>* colours;
    int32_t colourMode;
    bool cull;
};

// Draws one kind's markers in list order; the black stock pen must be selected.
void DrawMarkerPass(Canvas& canvas, std::vector<MarkerItem>& items, const MarkerPass& pass, const CRect& screen,
                    MarkerCuller& culler);

}  // namespace aq
