// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>

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
// The level axis from the records as interpolation leaves them (every record counts,
// from the first one's levels on, never the previous axis), in whole metres with one
// metre to spare at each end. Left as it was when there are no records.
void MeasureLevels(CVKDoc& doc);
// Kind flags and time axis from the live records, then UpdateValues.
void RefreshRange(CVKDoc& doc);
// View points of every record, then the counts and status text.
void UpdateValues(CVKDoc& doc);

// Where the views' logical plane (0 to LOGICAL_SPAN over the survey's extent) puts a
// place, by the mapping UpdateValues gives the records: a position in stored units
// (centimetres or 1e-7 degree) in the plan view, a time in seconds and a level in
// centimetres in the section view.
CPoint PlanPointOf(const CVKDoc& doc, int64_t x, int64_t y);
int32_t SectionXOf(const CVKDoc& doc, int64_t time);
int32_t SectionYOf(const CVKDoc& doc, int32_t level);

// Surveys of at least this many records are worked on by two threads (65536 unless set);
// tests lower it to reach that path with few records. Returns the previous value.
size_t SetParallelMinimum(size_t records);

}  // namespace aq
