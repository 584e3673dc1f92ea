// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "surface/contours.h"
#include "surface/surface.h"
#include "views/planlayer.h"

// The Surface menu in the window: each asks for its settings in a dialog, makes the
// surface or its contours with the progress dialog, writes them when a file is named and
// shows the result on the plan. The settings last used are offered again.
namespace aq::gui {

class CMainFrame;

// Surface > Grid Surface...
void GridSurfaceCommand(CMainFrame& frame);
// Surface > Contours...
void ContoursCommand(CMainFrame& frame);

// The plan's layer of a surface: its cells shaded in bands of level over its range, and
// the contours traced on it.
PlanLayer MakePlanLayer(const surface::Surface& s, const std::vector<surface::ContourLine>& contours,
                        const std::string& title = "Level (m)");

}  // namespace aq::gui
