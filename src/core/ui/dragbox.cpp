// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/dragbox.h"

#include "history/history.h"
#include "model/doc.h"
#include "processing/fieldtests.h"
#include "processing/flags.h"

namespace aq {

BoxResult ApplyDragBox(CVKDoc& doc, CViewState& view, bool sectionView, const CRect& box, UserPort& port,
                       UndoHistory* history) {
    BoxResult result;
    if (!BoxIsBigEnough(box)) return result;
    result.applied = true;
    switch (view.DragMode) {
        case DRAG_VIEW: view.Window = box; break;
        case DRAG_DELETE:
            Undoable(history, doc, "Delete Box", UndoScope::Flags, port,
                     [&] { MarkInRect(doc, box, true, sectionView, port); });
            break;
        case DRAG_UNDELETE:
            Undoable(history, doc, "Undelete Box", UndoScope::Flags, port,
                     [&] { MarkInRect(doc, box, false, sectionView, port); });
            break;
        case DRAG_TIMEFRAME:
            // The plan has no time axis.
            if (sectionView)
                Undoable(history, doc, "Time Frame", UndoScope::Flags, port,
                         [&] { MarkOutsideTimeFrame(doc, box.left, box.right, port); });
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
                if (!result.message.empty()) port.Message(result.message, Severity::Info);
            }
            break;
        default: break;
    }
    view.DragMode = DRAG_VIEW;
    return result;
}

}  // namespace aq
