// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/geometry.h"
#include "views/dragmodes.h"
#include "views/viewstate.h"

namespace aq {

class CVKDoc;
class UndoHistory;
class UserPort;

// A left-button box (logical, normalised) in the view's drag mode: zoom, delete,
// undelete, keep a time frame (section view only), list, or run a field test. Every
// mode but View applies to one box: afterwards the view is back in View. A delete,
// undelete or time frame becomes a step of `history` when one is given. A field test's
// result is shown through the port.
BoxResult ApplyDragBox(CVKDoc& doc, CViewState& view, bool sectionView, const CRect& box, UserPort& port,
                       UndoHistory* history = nullptr);

}  // namespace aq
