// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/dragmodes.h"

#include <algorithm>

#include "model/doc.h"

namespace aq {

CRect NormalisedBox(CPoint a, CPoint b) {
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

bool BoxIsBigEnough(const CRect& box) {
    return int64_t{box.right} - box.left > MIN_BOX_SIDE && int64_t{box.bottom} - box.top > MIN_BOX_SIDE;
}

bool RightButtonDown(CVKDoc& doc, const CViewState& view, CPoint logical, bool sectionView, UserPort& port) {
    if (!view.HasFocus) return false;
    doc.FindNearest(logical, sectionView, port);
    doc.AnimateTicks = ANIMATE_TICKS_HELD;
    return true;
}

void RightButtonUp(CVKDoc& doc, UserPort& port) {
    doc.Selected = false;
    doc.AnimateTicks = ANIMATE_TICKS_RELEASED;
    port.ViewsChanged();
}

}  // namespace aq
