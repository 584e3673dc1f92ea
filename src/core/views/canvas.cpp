// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/canvas.h"

#include <cmath>

namespace aq {

Mapping::Mapping(const CRect& window, const CRect& screen) : window_(window), screen_(screen) {
    // A window without width or height cannot be stretched; show it one to one instead
    // of dividing by zero.
    const double ww = static_cast<double>(window.right) - window.left;
    const double wh = static_cast<double>(window.bottom) - window.top;
    sx_ = ww != 0 ? (static_cast<double>(screen.right) - screen.left) / ww : 1.0;
    sy_ = wh != 0 ? (static_cast<double>(screen.bottom) - screen.top) / wh : 1.0;
    ox_ = screen.left - window.left * sx_;
    oy_ = screen.top - window.top * sy_;
}

CPoint Mapping::ToLogical(CPoint device) const {
    const double x = sx_ != 0 ? window_.left + (static_cast<double>(device.x) - screen_.left) / sx_ : window_.left;
    const double y = sy_ != 0 ? window_.top + (static_cast<double>(device.y) - screen_.top) / sy_ : window_.top;
    return {Round(x), Round(y)};
}

namespace detail {

bool CutLineNear(CPoint& a, CPoint& b, const CRect& clip) {
    // Liang-Barsky against the clip widened by two pixels, so the ends moved lie outside
    // it and the pixels inside are those of the line between them.
    const double l = clip.left - 2.0, t = clip.top - 2.0, r = clip.right + 2.0, btm = clip.bottom + 2.0;
    const double x0 = a.x, y0 = a.y, dx = static_cast<double>(b.x) - a.x, dy = static_cast<double>(b.y) - a.y;
    double t0 = 0, t1 = 1;
    const auto edge = [&](double p, double q) {
        if (p == 0) return q >= 0;
        const double u = q / p;
        if (p < 0) {
            if (u > t1) return false;
            if (u > t0) t0 = u;
        } else {
            if (u < t0) return false;
            if (u < t1) t1 = u;
        }
        return true;
    };
    if (!edge(-dx, x0 - l) || !edge(dx, r - x0) || !edge(-dy, y0 - t) || !edge(dy, btm - y0)) return false;
    if (t1 < 1)
        b = {static_cast<int32_t>(std::lround(x0 + t1 * dx)), static_cast<int32_t>(std::lround(y0 + t1 * dy))};
    if (t0 > 0)
        a = {static_cast<int32_t>(std::lround(x0 + t0 * dx)), static_cast<int32_t>(std::lround(y0 + t0 * dy))};
    return true;
}

}  // namespace detail

bool LabelPlacer::Place(Canvas& c, CPoint at, const std::string& text, int32_t gap) {
    const CRect box = c.TextBox(at, text);
    if (box.right > box.left && box.bottom > box.top) {
        if (box.left < area_.left || box.top < area_.top || box.right > area_.right || box.bottom > area_.bottom)
            return false;
        const CRect padded{box.left - gap, box.top - gap, box.right + gap, box.bottom + gap};
        for (const CRect& t : taken_)
            if (Intersects(padded, t)) return false;
        taken_.push_back(box);
    }
    c.Text(at, text);
    return true;
}

}  // namespace aq
