// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/dragmodes.h"

#include <algorithm>

#include "history/history.h"
#include "model/doc.h"
#include "processing/fieldtests.h"
#include "processing/flags.h"

namespace aq {

CRect NormalisedBox(CPoint a, CPoint b) {
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

bool BoxIsBigEnough(const CRect& box) {
    return int64_t{box.right} - box.left > MIN_BOX_SIDE && int64_t{box.bottom} - box.top > MIN_BOX_SIDE;
}

BoxResult ApplyDragBox(CVKDoc& doc, CViewState& view, bool sectionView, const CRect& box, UndoHistory* history) {
    BoxResult result;
    if (!BoxIsBigEnough(box)) return result;
    result.applied = true;
    switch (view.DragMode) {
        case DRAG_VIEW: view.Window = box; break;
        case DRAG_DELETE:
            Undoable(history, doc, "Delete Box", UndoScope::Flags, [&] { MarkInRect(doc, box, true, sectionView); });
            break;
        case DRAG_UNDELETE:
            Undoable(history, doc, "Undelete Box", UndoScope::Flags, [&] { MarkInRect(doc, box, false, sectionView); });
            break;
        case DRAG_TIMEFRAME:
            // The plan has no time axis.
            if (sectionView)
                Undoable(history, doc, "Time Frame", UndoScope::Flags,
                         [&] { MarkOutsideTimeFrame(doc, box.left, box.right); });
            break;
        case DRAG_ENQUIRE:
            result.listing = true;
            result.collected = doc.CollectInRect(box, sectionView);
            break;
        case DRAG_PATCHTEST:
        case DRAG_GRADIENT:
            if (!sectionView) {
                const std::vector<int32_t> hits = doc.CollectInRect(box, false);
                result.message = view.DragMode == DRAG_PATCHTEST ? PatchTest(doc, hits) : GradientTest(doc, hits);
                if (!result.message.empty()) doc.Port().Message(result.message, Severity::Info);
            }
            break;
        default: break;
    }
    view.DragMode = DRAG_VIEW;
    return result;
}

bool RightButtonDown(CVKDoc& doc, const CViewState& view, CPoint logical, bool sectionView) {
    if (!view.HasFocus) return false;
    doc.FindNearest(logical, sectionView);
    doc.AnimateTicks = ANIMATE_TICKS_HELD;
    return true;
}

void RightButtonUp(CVKDoc& doc) {
    doc.Selected = false;
    doc.AnimateTicks = ANIMATE_TICKS_RELEASED;
    doc.ViewsChanged();
}

}  // namespace aq
