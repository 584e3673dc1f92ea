// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>

#include "model/doc.h"
#include "model/parallel.h"

namespace aq {

// How the passes over the records are shared: from 65536 records on with a second
// thread, in eight slices so that the progress moves. Tests and benchmarks pass their own.
inline constexpr ParallelSettings kRecalcParallel{.minimum = size_t{1} << 16, .parts = 2, .slices = 8, .sliceMinimum = 800};

// Sorts (when NeedsSort is on), measures, interpolates, extends positions, fixes the
// axes, works out every view point and refreshes the counts; marks the document
// modified and redraws.
void Recalculate(CVKDoc& doc, UserPort& port, const ParallelSettings& parallel = kRecalcParallel);

// The steps of Recalculate, in its order.
void SortAndMeasure(CVKDoc& doc, UserPort& port, const ParallelSettings& parallel = kRecalcParallel);
void Interpolate(CVKDoc& doc, UserPort& port, const ParallelSettings& parallel = kRecalcParallel);
void ExtendPositions(CVKDoc& doc);
// The level axis from the records as interpolation leaves them (every record counts,
// from the first one's levels on, never the previous axis), in whole metres with one
// metre to spare at each end. Left as it was when there are no records.
void MeasureLevels(CVKDoc& doc, const ParallelSettings& parallel = kRecalcParallel);
// Kind flags and time axis from the live records, then UpdateValues.
void RefreshRange(CVKDoc& doc, UserPort& port, const ParallelSettings& parallel = kRecalcParallel);
// View points of every record, then the counts and status text.
void UpdateValues(CVKDoc& doc, UserPort& port, const ParallelSettings& parallel = kRecalcParallel);

// Where the views' logical plane (0 to LOGICAL_SPAN over the survey's extent) puts a
// place, by the mapping UpdateValues gives the records: a position in stored units
// (centimetres or 1e-7 degree) in the plan view, a time in seconds and a level in
// centimetres in the section view.
CPoint PlanPointOf(const CVKDoc& doc, int64_t x, int64_t y);
int32_t SectionXOf(const CVKDoc& doc, int64_t time);
int32_t SectionYOf(const CVKDoc& doc, int32_t level);


}  // namespace aq
