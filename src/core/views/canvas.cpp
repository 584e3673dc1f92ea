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

}  // namespace aq
