// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/doc.h"

// A plain, step-by-step version of the time sort, interpolation, position extension
// and level axis, kept deliberately naive (quadratic sort, linear neighbour scans per
// record) so the optimised pipeline can be checked against it. No progress is shown.
namespace aq::literal {

void SortAndMeasure(CVKDoc& doc);
void Interpolate(CVKDoc& doc);
void ExtendPositions(CVKDoc& doc);
void MeasureLevels(CVKDoc& doc);

}  // namespace aq::literal
