// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/geometry.h"
#include "views/viewstate.h"

namespace aq {

class CVKDoc;
class UserPort;

// What a left-button box does in a view.
enum DragModeValue : int32_t {
    DRAG_VIEW = 0,
    DRAG_DELETE = 1,
    DRAG_UNDELETE = 2,
    DRAG_TIMEFRAME = 3,
    DRAG_ENQUIRE = 4,
    DRAG_PATCHTEST = 5,  // plan view only
    DRAG_GRADIENT = 6,   // plan view only
};

// The box between two logical corners given in any order.
CRect NormalisedBox(CPoint a, CPoint b);

// A box does anything only when it is more than 4 logical units wide and high, so a
// shaky click is not taken for a box.
inline constexpr int32_t MIN_BOX_SIDE = 4;
bool BoxIsBigEnough(const CRect& box);

// What a box did, for the shell to follow up (ApplyDragBox, in ui/dragbox.h).
struct BoxResult {
    // The box was big enough: it acted and the mode went back to View.
    bool applied = false;
    // An Enquire box: the records to list (the Point Information dialog), in record
    // order, deleted ones included.
    bool listing = false;
    std::vector<int32_t> collected;
    // A Patchtest or Gradient box: the result, already shown through the port; empty
    // when the box held too few records.
    std::string message;
};

// The right button, pressed at a logical point of a view with the focus: the nearest
// record is selected and the animation steps quickly while the button is held. False
// (nothing done) without the focus.
bool RightButtonDown(CVKDoc& doc, const CViewState& view, CPoint logical, bool sectionView, UserPort& port);
// Released, focus or not: the selection goes and the animation slows down.
void RightButtonUp(CVKDoc& doc, UserPort& port);

// Timer ticks per animation step while the right button is held, and after.
inline constexpr int32_t ANIMATE_TICKS_HELD = 5;
inline constexpr int32_t ANIMATE_TICKS_RELEASED = 100;

}  // namespace aq
