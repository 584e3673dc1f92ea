// SPDX-License-Identifier: GPL-3.0-or-later
// How the marker drawing maps records to device pixels; shared by its two ways of
// drawing (through the canvas's calls, and straight into a surface's pixels).
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "views/canvas.h"
#include "views/markers.h"

namespace aq::markers {

// Device coordinates of logical ones along one axis, looked up over the window's span and
// a marker's reach beyond it rather than computed: a redraw maps tens of millions.
class Axis {
public:
    Axis(const Mapping& map, bool y, int64_t from, int64_t to, std::vector<int32_t>& table)
        : map_(map), y_(y), table_(table) {
        table_.clear();
        // Not for a window zoomed out past any use.
        if (to < from || to - from >= (int64_t{1} << 22) || from < INT32_MIN || to > INT32_MAX) return;
        from_ = static_cast<int32_t>(from);
        table_.resize(static_cast<size_t>(to - from + 1));
        for (size_t i = 0; i < table_.size(); ++i)
            table_[i] = Map(static_cast<int32_t>(from + static_cast<int64_t>(i)));
        data_ = table_.data();
        size_ = table_.size();
    }
    int32_t operator()(int32_t v) const {
        const auto i = static_cast<size_t>(static_cast<uint32_t>(v) - static_cast<uint32_t>(from_));
        return i < size_ ? data_[i] : Map(v);
    }

private:
    int32_t Map(int32_t v) const { return y_ ? map_.Y(v) : map_.X(v); }

    const Mapping& map_;
    bool y_;
    std::vector<int32_t>& table_;
    int32_t from_ = 0;
    const int32_t* data_ = nullptr;
    size_t size_ = 0;
};

// Device rectangles of marker squares, mapping x once for records that share it (in
// time order they do: a section column, a plan point).
class SquareMapper {
public:
    SquareMapper(const Mapping& map, int32_t side, const CRect& window, MarkerScratch& s)
        : side_(std::max(side, 1)),
          lead_(side_ / 2),
          reach_(MarkerLogicalReach(map, side_)),
          x_(map, false, int64_t{window.left} - reach_.x - 1, int64_t{window.right} + reach_.x + 1, s.xs),
          y_(map, true, int64_t{window.top} - reach_.y - 1, int64_t{window.bottom} + reach_.y + 1, s.ys) {}
    // The logical square a marker may reach, to test it against the window.
    CRect Square(CPoint p) const { return {p.x - reach_.x, p.y - reach_.y, p.x + reach_.x, p.y + reach_.y}; }
    CPoint Reach() const { return reach_; }
    const Axis& X() const { return x_; }
    const Axis& Y() const { return y_; }
    // The marker's device square, side by side pixels about its point.
    CRect Device(CPoint p) const {
        const int32_t x = x_(p.x) - lead_, y = y_(p.y) - lead_;
        return {x, y, x + side_, y + side_};
    }
    // The device square of a marker; every marker paints at least one pixel.
    bool Painting(uint16_t kind, CPoint p, CRect& d) const {
        d = Device(p);
        return !MarkerPaintsNothing(kind, d);
    }

private:
    int32_t side_, lead_;
    CPoint reach_;
    Axis x_, y_;
};

// DrawMarkers on a canvas with a surface: the job's pixels written straight into it.
// False, with nothing drawn, where it cannot (no surface, markers too large, shapes the
// canvas does not tell).
bool DrawOnSurface(Canvas& c, const CVKDoc& doc, const MarkerJob& job, const Mapping& view, MarkerScratch& s);

}  // namespace aq::markers
