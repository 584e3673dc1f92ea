// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/viewstate.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "model/doc.h"
#include "model/doctype.h"

namespace aq {

namespace {

int64_t Width(const CRect& r) { return int64_t{r.right} - r.left; }
int64_t Height(const CRect& r) { return int64_t{r.bottom} - r.top; }

}  // namespace

bool ZoomPanEnabled(int id, const CRect& w, const CRect& e) {
    switch (id) {
        case ID_ZOOM_EXTENTS: return true;
        case ID_ZOOM_OUT: return Width(w) < Width(e) && Height(w) < Height(e);
        case ID_PAN_RIGHT: return w.right < e.right;
        case ID_PAN_LEFT: return e.left < w.left;
        case ID_PAN_UP: return w.bottom < e.bottom;
        case ID_PAN_DOWN: return e.top < w.top;
        default: return false;
    }
}

CommandContext CViewState::Context(const CVKDoc* doc, ActiveView which) const {
    CommandContext ctx;
    ctx.doc = doc;
    ctx.activeView = which;
    ctx.dragMode = DragMode;
    ctx.window = Window;
    ctx.extents = Extents;
    return ctx;
}

namespace {
// One axis of ZoomAbout: [lo, hi) scaled about the real point at, within [minLo, maxHi).
void ScaleSpan(int32_t& lo, int32_t& hi, double at, double factor, int32_t minLo, int32_t maxHi) {
    const double span = static_cast<double>(hi) - lo;
    const double maxSpan = static_cast<double>(maxHi) - minLo;
    const double want = std::clamp(span * factor, std::min(16.0, span), std::max(maxSpan, span));
    const double k = span > 0 ? want / span : 1.0;
    double newLo = at - (at - lo) * k;
    double newHi = newLo + want;
    // Zoomed out, the window stays over the data rather than drifting past it.
    if (want >= maxSpan) newLo = minLo, newHi = maxHi;
    lo = static_cast<int32_t>(std::llround(newLo));
    hi = static_cast<int32_t>(std::llround(newHi));
}
}  // namespace

bool CViewState::ZoomAbout(CPoint device, double factor) {
    if (!(factor > 0) || ScreenArea.right <= ScreenArea.left || ScreenArea.bottom <= ScreenArea.top) return false;
    const Mapping map = ViewMapping();
    const double x = map.Window().left + (static_cast<double>(device.x) - ScreenArea.left) / map.ScaleX();
    const double y = map.Window().top + (static_cast<double>(device.y) - ScreenArea.top) / map.ScaleY();
    const CRect before = Window;
    ScaleSpan(Window.left, Window.right, x, factor, Extents.left, Extents.right);
    ScaleSpan(Window.top, Window.bottom, y, factor, Extents.top, Extents.bottom);
    return !(Window == before);
}

CRect CViewState::Shown() const {
    const double sw = static_cast<double>(ScreenArea.right) - ScreenArea.left;
    const double sh = static_cast<double>(ScreenArea.bottom) - ScreenArea.top;
    const double w = static_cast<double>(Width(Window)), h = static_cast<double>(Height(Window));
    if (!(Aspect > 0) || sw <= 0 || sh <= 0 || w <= 0 || h <= 0) return Window;
    // Ground per device pixel: the larger of the two axes' needs, so all of Window shows.
    const double ground = std::max(w / sw, h * Aspect / sh);
    const double nw = ground * sw, nh = ground * sh / Aspect;
    const double cx = (static_cast<double>(Window.left) + Window.right) / 2;
    const double cy = (static_cast<double>(Window.top) + Window.bottom) / 2;
    const auto clamp32 = [](double v) {
        return static_cast<int32_t>(std::llround(std::clamp(v, -2147483647.0, 2147483647.0)));
    };
    CRect r{clamp32(cx - nw / 2), clamp32(cy - nh / 2), 0, 0};
    r.right = clamp32(static_cast<double>(r.left) + nw);
    r.bottom = clamp32(static_cast<double>(r.top) + nh);
    return r;
}

bool CViewState::PanByDevice(int32_t dx, int32_t dy) {
    const Mapping map = ViewMapping();
    if (map.ScaleX() == 0 || map.ScaleY() == 0) return false;
    const auto lx = static_cast<int64_t>(std::llround(-dx / map.ScaleX()));
    const auto ly = static_cast<int64_t>(std::llround(-dy / map.ScaleY()));
    // The window may reach past the extents by its own size, no further.
    const auto shift = [](int32_t& lo, int32_t& hi, int64_t by, int32_t minLo, int32_t maxHi) {
        const int64_t span = int64_t{hi} - lo;
        by = std::clamp<int64_t>(by, int64_t{minLo} - span - lo, int64_t{maxHi} + span - hi);
        by = std::clamp<int64_t>(by, INT32_MIN - int64_t{lo}, INT32_MAX - int64_t{hi});
        lo = static_cast<int32_t>(lo + by);
        hi = static_cast<int32_t>(hi + by);
    };
    const CRect before = Window;
    shift(Window.left, Window.right, lx, Extents.left, Extents.right);
    shift(Window.top, Window.bottom, ly, Extents.top, Extents.bottom);
    return !(Window == before);
}

bool CViewState::ZoomPan(int id) {
    // The rules do not depend on which view is active.
    if (!ZoomPanEnabled(id, Window, Extents)) return false;
    const CRect before = Window;
    const int32_t w4 = static_cast<int32_t>((int64_t{Window.right} - Window.left) / 4);
    const int32_t h4 = static_cast<int32_t>((int64_t{Window.bottom} - Window.top) / 4);
    switch (id) {
        case ID_ZOOM_EXTENTS: Window = Extents; break;
        case ID_ZOOM_OUT:
            Window.left -= w4;
            Window.right += w4;
            Window.top -= h4;
            Window.bottom += h4;
            break;
        case ID_PAN_RIGHT:
            Window.left += w4;
            Window.right += w4;
            break;
        case ID_PAN_LEFT:
            Window.left -= w4;
            Window.right -= w4;
            break;
        case ID_PAN_UP:
            Window.top += h4;
            Window.bottom += h4;
            break;
        case ID_PAN_DOWN:
            Window.top -= h4;
            Window.bottom -= h4;
            break;
        default: return false;
    }
    return !(Window == before);
}

int64_t LevelStep(double pixelsPerUnit, double minPixels) {
    if (!(pixelsPerUnit > 0)) return 0;
    for (int64_t p = 1; p <= int64_t{1} << 40; p *= 10)
        for (int64_t m : {1, 2, 5})
            if (static_cast<double>(m * p) * pixelsPerUnit >= minPixels) return m * p;
    return 0;
}

std::string ShownTitle(const CVKDoc& doc) {
    if (doc.PathName.empty()) return DOC_UNTITLED;
    const size_t slash = doc.PathName.find_last_of("/\\");
    return slash == std::string::npos ? doc.PathName : doc.PathName.substr(slash + 1);
}

CRect ShrinkPage(const CRect& p, int32_t wDiv, int32_t hDiv) {
    const int32_t dw = (p.right - p.left) / wDiv;
    const int32_t dh = (p.bottom - p.top) / hDiv;
    return {p.left + dw, p.top + dh, p.right - dw, p.bottom - dh};
}

}  // namespace aq
