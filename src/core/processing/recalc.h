// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/doc.h"

namespace aq {

// Sorts (when NeedsSort is on), measures, interpolates, extends positions, fixes the
// axes, works out every view point and refreshes the counts; marks the document
// modified and redraws.
void Recalculate(CVKDoc& doc);

// The steps of Recalculate, in its order.
void SortAndMeasure(CVKDoc& doc);
void Interpolate(CVKDoc& doc);
void ExtendPositions(CVKDoc& doc);
// Kind flags and time axis from the live records, then UpdateValues.
void RefreshRange(CVKDoc& doc);
// View points of every record, then the counts and status text.
void UpdateValues(CVKDoc& doc);

}  // namespace aq
