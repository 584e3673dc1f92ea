// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/geometry.h"
#include "processing/gnsstide.h"
#include "views/canvas.h"

namespace aq {

// Colours of the two curves.
inline constexpr Colour COLOUR_GNSS_LEVEL = 0x0000D0;  // red
inline constexpr Colour COLOUR_OBSERVED_TIDE = 0xC04000;  // blue

// Draws the observed tides and the GNSS water level over time into the device rectangle
// `area` (the canvas's mapping is set to it, one logical unit a pixel): a title with the
// statistics, a legend, level and time axes with a grid, and the two curves. A curve is
// broken where its points lie further apart than maxGap seconds.
void DrawTideComparison(Canvas& canvas, const TideComparison& comparison, const CRect& area, double maxGap);

}  // namespace aq
