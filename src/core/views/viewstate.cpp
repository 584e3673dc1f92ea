// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/viewstate.h"

#include "model/doc.h"

namespace aq {

CommandContext CViewState::Context(const CVKDoc* doc, ActiveView which) const {
    CommandContext ctx;
    ctx.doc = doc;
    ctx.activeView = which;
    ctx.dragMode = DragMode;
    ctx.window = Window;
    ctx.extents = Extents;
    return ctx;
}

bool CViewState::ZoomPan(int id) {
    // The rules do not depend on which view is active.
    if (!EvaluateCommand(id, Context(nullptr, ActiveView::Plan)).enabled) return false;
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
