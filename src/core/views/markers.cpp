// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/markers.h"

#include <algorithm>

#include "model/data.h"
#include "model/doc.h"

namespace aq {

void MarkerShape(Canvas& canvas, const CRect& r, uint16_t kind, Colour band, int32_t colourMode) {
    switch (kind) {
        case REC_POSITION:
            canvas.SelectSolidBrush(band);
            canvas.Ellipse(r);
            break;
        case REC_TIDE:
            canvas.SelectLightGreyBrush();
            canvas.RoundRect(r, (r.right - r.left) / 2, (r.bottom - r.top) / 2);
            break;
        case REC_DEPTH:
            if (colourMode == COLOUR_POINT_TYPE) {
                canvas.SelectSolidBrush(band);
                canvas.Rectangle(r);
            } else {
                canvas.FillRect(r, band);
            }
            break;
        case REC_EVENT:
            canvas.Line({r.left, r.top}, {r.right, r.bottom});
            canvas.Line({r.left, r.bottom}, {r.right, r.top});
            break;
        default: break;
    }
}

namespace {
// Largest area tracked: a 4K screen or an A4 page at 300 dpi, at 8 bytes a pixel.
constexpr int64_t kMaxCells = 16'000'000;
constexpr int32_t kMaxSide = 63;  // marker sides above this are never culled
}  // namespace

void MarkerCuller::BeginPass(const CRect& deviceArea) {
    const int64_t w = int64_t{deviceArea.right} - deviceArea.left;
    const int64_t h = int64_t{deviceArea.bottom} - deviceArea.top;
    active_ = w > 0 && h > 0 && w * h <= kMaxCells;
    if (!active_) return;
    area_ = deviceArea;
    width_ = static_cast<int32_t>(w);
    const size_t cells = static_cast<size_t>(w * h);
    if (cells_.size() < cells) {
        cells_.assign(cells, 0);
        stamp_ = 0;
    }
    if (++stamp_ > 0xFFFF) {
        std::fill(cells_.begin(), cells_.end(), uint64_t{0});
        stamp_ = 1;
    }
}

bool MarkerCuller::CoveredLater(const CRect& d, uint32_t style) {
    if (!active_) return false;
    if (d.left < area_.left || d.top < area_.top || d.left >= area_.right || d.top >= area_.bottom) return false;
    const int32_t w = d.right - d.left;
    const int32_t h = d.bottom - d.top;
    if (w < 0 || h < 0 || w > kMaxSide || h > kMaxSide) return false;
    // Bit 15 marks a used slot.
    const uint64_t key = 0x8000u | (static_cast<uint64_t>(w) << 9) | (static_cast<uint64_t>(h) << 3) | (style & 7);
    uint64_t& cell = cells_[static_cast<size_t>(d.top - area_.top) * static_cast<size_t>(width_) +
                            static_cast<size_t>(d.left - area_.left)];
    const uint64_t stamp = static_cast<uint64_t>(stamp_) << 48;
    if ((cell & 0xFFFF'0000'0000'0000ULL) != stamp) cell = stamp;
    for (int slot = 0; slot < 3; ++slot)
        if (((cell >> (16 * slot)) & 0xFFFF) == key) return true;
    cell = stamp | ((cell << 16) & 0x0000'FFFF'FFFF'0000ULL) | key;
    return false;
}

void DrawMarkerPass(Canvas& c, std::vector<MarkerItem>& items, const MarkerPass& pass, const CRect& screen,
                    MarkerCuller& culler) {
    const int32_t s = pass.side;
    const auto square = [s](CPoint p) { return CRect{p.x - s, p.y - s, p.x + s, p.y + s}; };
    if (pass.cull) {
        const Mapping& map = c.Map();
        culler.BeginPass(screen);
        // Records in time order share their x (section) or their point (plan) with their
        // neighbours: keep the last x mapped.
        int32_t lastX = 0, left = map.X(-s), right = map.X(s);
        for (size_t i = items.size(); i-- > 0;) {
            MarkerItem& it = items[i];
            if (!(it.flags & ITEM_VISIBLE)) continue;
            if (it.p.x != lastX) {
                lastX = it.p.x;
                left = map.X(it.p.x - s);
                right = map.X(it.p.x + s);
            }
            const CRect d{left, map.Y(it.p.y - s), right, map.Y(it.p.y + s)};
            if (MarkerPaintsNothing(pass.kind, d) || culler.CoveredLater(d, it.colour)) it.flags |= ITEM_SKIP;
        }
    }
    const Mapping& map = c.Map();
    bool joined = false;
    CPoint prev{};
    // The previous point in device units while known; a line whose ends meet there
    // paints nothing, and most of a dense survey's lines are such.
    CPoint prevDevice{};
    bool prevDeviceKnown = false;
    for (const MarkerItem& it : items) {
        const bool visible = it.flags & ITEM_VISIBLE;
        if (it.flags & ITEM_DELETED) {
            joined = false;
        } else {
            if (joined && pass.join && visible) {
                if (!prevDeviceKnown) prevDevice = map.ToDevice(prev);
                const CPoint here = map.ToDevice(it.p);
                if (!(here == prevDevice)) c.Line(prev, it.p);
                prevDevice = here;
                prevDeviceKnown = true;
            } else {
                prevDeviceKnown = false;
            }
            prev = it.p;
            joined = true;
        }
        if (visible && !(it.flags & ITEM_SKIP))
            MarkerShape(c, square(it.p), pass.kind, (*pass.colours)[it.colour & 7], pass.colourMode);
    }
}

}  // namespace aq
