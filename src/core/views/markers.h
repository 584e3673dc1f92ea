// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "model/data.h"
#include "model/parallel.h"
#include "views/canvas.h"

namespace aq {

class CVKDoc;

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
// pixel. Works on device rectangles, so it only skips what would be painted over anyway.
class MarkerCuller {
public:
    // Starts a pass over a device area; an area too large to track turns culling off.
    void BeginPass(const CRect& deviceArea);
    // Called for the markers of a pass from the last drawn to the first: true when an
    // identical marker (same device rectangle, same style) comes later in the pass.
    // The style (6 bits) stands for whatever else decides the pixels: colour, shape. Only
    // for markers that paint something.
    bool CoveredLater(const CRect& device, uint32_t style);

private:
    // Per device pixel of a marker's top-left corner: the pass stamp (high 16 bits) and
    // the size and style of the three latest markers seen there (16 bits each, never 0):
    // markers at one corner differ by a pixel in size as the corners round.
    std::vector<uint64_t> cells_;
    CRect area_{};
    int32_t width_ = 0;
    uint32_t stamp_ = 0;
    bool active_ = false;
};

// The device pixels that drawing still to come paints for certain, one bit each. A
// redraw walks its markers from the topmost down and skips those whose every pixel is
// already painted over: in a dense survey that is almost all of them.
class CoverageMask {
public:
    // Starts with nothing covered over a device area (an area too large turns it off).
    // With clipped, nothing outside the area can show: pixels there count as covered.
    void Begin(const CRect& area, bool clipped);
    // Every pixel of the device rectangle (not empty) is covered; with rows, only the
    // pixels of a shape in it (a row of bits for each of its rows, at most 64 wide).
    bool Covers(const CRect& d, const uint64_t* rows = nullptr) const {
        // Most markers lie inside the area and are narrower than a word: one or two words
        // a row.
        const int32_t w = d.right - d.left;
        if (active_ && d.left >= area_.left && d.top >= area_.top && d.right <= area_.right &&
            d.bottom <= area_.bottom && w > 0 && w < 64 && d.bottom > d.top) {
            const auto from = static_cast<uint32_t>(d.left - area_.left);
            const auto top = static_cast<uint32_t>(d.top - area_.top);
            const unsigned off = from & 63;
            const uint64_t full = (uint64_t{1} << w) - 1;
            const uint64_t* row = bits_.data() + static_cast<size_t>(top) * words_ + (from >> 6);
            // Most are covered: every row is looked at anyway, without a branch each.
            uint64_t missing = 0;
            for (int32_t y = 0, h = d.bottom - d.top; y < h; ++y, row += words_) {
                const uint64_t shape = rows ? rows[y] : full;
                const uint64_t low = shape << off, high = off ? shape >> (64 - off) : 0;
                missing |= (low & ~row[0]) | (high & ~row[1]);
            }
            return missing == 0;
        }
        return CoversSlowly(d, rows);
    }
    // The pixels of d, or of the shape in it, are painted for certain.
    void Add(const CRect& d, const uint64_t* rows = nullptr) {
        const int32_t w = d.right - d.left;
        if (active_ && d.left >= area_.left && d.top >= area_.top && d.right <= area_.right &&
            d.bottom <= area_.bottom && w > 0 && w < 64) {
            const auto from = static_cast<uint32_t>(d.left - area_.left);
            const unsigned off = from & 63;
            const uint64_t full = (uint64_t{1} << w) - 1;
            uint64_t* row = bits_.data() + static_cast<size_t>(d.top - area_.top) * words_ + (from >> 6);
            for (int32_t y = 0, h = d.bottom - d.top; y < h; ++y, row += words_) {
                const uint64_t shape = rows ? rows[y] : full;
                row[0] |= shape << off;
                if (off) row[1] |= shape >> (64 - off);
            }
            return;
        }
        AddSlowly(d, rows);
    }

private:

    bool CoversSlowly(const CRect& d, const uint64_t* rows) const;
    void AddSlowly(const CRect& d, const uint64_t* rows);
    bool AllSet(int32_t row, int32_t from, int32_t to) const;
    bool Bit(int32_t x, int32_t y) const {
        const auto col = static_cast<size_t>(x - area_.left);
        return (bits_[static_cast<size_t>(y - area_.top) * words_ + (col >> 6)] >> (col & 63)) & 1;
    }

    std::vector<uint64_t> bits_;  // rows of words; a spare word ends each row
    std::vector<uint8_t> fullRows_;  // rows known to be covered from end to end
    CRect area_{};
    size_t words_ = 0;  // a row
    bool clipped_ = false;
    bool active_ = false;
};

// One kind's markers in a view: the record point it sits on and whether consecutive live
// markers are joined by lines (drawn to markers inside the window only).
struct MarkerPass {
    uint16_t kind;
    CPoint CVKData::*point;
    bool join;
};

// The markers of a range of records, kind after kind (later kinds on top), each a square
// of `side` device pixels about its point (at least one, so dense data never shows
// gaps), where it overlaps the window. The square keeps its shape however the window is
// stretched. A deleted record breaks the joining lines; with showDeleted it is drawn
// hollow in COLOUR_DELETED under every live marker (kind after kind), else not at all.
struct MarkerJob {
    const CVKData* records;
    size_t count;
    const MarkerPass* passes;  // at most four
    size_t passCount;
    int32_t side;  // device pixels
    CRect window;  // logical
    CRect screen;  // device: the view's area
    bool showDeleted = true;
    // How the walk over the records is shared between threads.
    ParallelSettings parallel{};
};

// Scratch kept between redraws.
struct MarkerScratch {
    // A marker kept by the walk from the topmost down.
    struct Kept {
        CPoint p;
        uint32_t colour;
    };
    // What a pass draws, in order: a line, or a marker that paints something.
    struct Op {
        int32_t a, b, c, d;  // a line's logical ends, or a marker's device rectangle
        uint32_t record;     // a marker's record, or kLine
        uint16_t style;      // kKnown and the slot of its pixels, or its style
        uint16_t dead;
    };
    static constexpr uint32_t kLine = UINT32_MAX;
    static constexpr uint16_t kKnown = 0x4000;
    // The canvas's pixels of an ellipse or rounded square of one size.
    struct ShapeMask {
        Shape shape;
        int32_t width, height;
        bool known;
        std::vector<uint64_t> rows;
    };
    // A large survey is walked in two halves at once, the earlier records and the later.
    struct Half {
        std::array<CoverageMask, 4> coverage;  // a pass each: what it and later passes paint
        std::array<std::vector<Kept>, 4> kept;  // a pass each, the last first
        std::array<std::vector<Op>, 4> ops;     // a pass each
        std::vector<ShapeMask> shapes;
        std::vector<uint32_t> deleted;  // records met by the walk, in no set order
    };
    std::array<Half, 2> halves;
    // Drawing straight into a surface's pixels, a part of the records each: what each
    // layer has taken and, for every part but the last, the colours it put there.
    struct SurfacePart {
        std::vector<uint64_t> cover;
        std::vector<uint32_t> colours;
    };
    std::vector<SurfacePart> surfaceParts;
    MarkerCuller culler;
    std::vector<int32_t> xs, ys;  // device x and y over the window
    std::vector<uint32_t> deleted;  // every half's, in record order
    std::vector<CPoint> deletedKept;
};

// The device square of a marker of `side` pixels on the logical point p.
CRect MarkerDevice(const Mapping& map, CPoint p, int32_t side);
// How far such a marker may reach from its point in logical units of x and y (at
// least): what a window test must allow for.
CPoint MarkerLogicalReach(const Mapping& map, int32_t side);

// Draws every marker of the job (the black stock pen selected). With cull, what later
// drawing would paint over is left out, which changes no pixel of the picture. On a
// canvas with a surface the markers' pixels are written straight into it, each pixel at
// most once a layer however many markers fall on it; elsewhere the canvas is asked to
// draw what shows:
// markers and lines under later squares, fills and shapes whose pixels the canvas knows,
// markers under an identical later one, and runs of joining lines along one pixel column
// (drawn as one or two lines over the same pixels) are left out. Without cull, every
// marker and line is drawn one by one through the canvas.
void DrawMarkers(Canvas& canvas, const CVKDoc& doc, const MarkerJob& job, bool cull, MarkerScratch& scratch);

// The deleted marker of a kind: the live one's shape, hollow, in the selected pen (an
// event stays a cross).
void DeletedMarkerShape(Canvas& canvas, const CRect& square, uint16_t kind);

// Rings the marker (side device pixels on the logical point p) of the selected record a
// few pixels out, so it stands out whatever the scheme.
void HighlightMarker(Canvas& canvas, CPoint p, int32_t side);

// In the Elevation and Quality schemes, a key in the top-right corner of the view's
// device area: a swatch for each colour band with the level (metres) or quality at its
// middle. Nothing in the other schemes. Returns the device rectangle it covers (empty
// when none), for labels to keep clear of; without draw, only that.
CRect DrawColourLegend(Canvas& canvas, const CVKDoc& doc, const CRect& screen, bool draw = true);

// The point size of view labels for the document's text size setting.
double LabelPoints(int32_t textSize);

}  // namespace aq
