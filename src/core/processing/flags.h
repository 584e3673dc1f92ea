// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include "model/doc.h"

namespace aq {

// Edit > Restore: clears every deletion flag and recalculates.
void Restore(CVKDoc& doc, UserPort& port);
// Edit > Remove: discards the deleted records for good (in Clear Z mode every Z becomes 0 first).
void Remove(CVKDoc& doc, UserPort& port, bool clearZ = false);
// Edit > Transform > Clear Z.
inline void ClearZ(CVKDoc& doc, UserPort& port) { Remove(doc, port, true); }

// The values of the "Data Filter Parameters" dialog.
struct RangeValues {
    double XMin = 0, XMax = 0;  // metres, or degrees in a geographic document
    double YMin = 0, YMax = 0;
    double ZMin = 0, ZMax = 0;  // metres of seabed level
    int32_t QaMin = 0, QaMax = 127;
    int64_t Start = 0, End = 0;  // seconds
    // The survey has positions, so the X and Y limits apply; without positions the
    // plan extents are empty and the X and Y fields are left out of the filter.
    bool Spatial = true;
};

// The refusal of a window whose minimum lies above its maximum.
inline constexpr char RANGE_MIN_ABOVE_MAX[] = "The minimum must not be greater than the maximum.";

// The pairs of the window, in the order of the dialog's fields.
enum class RangePair { None, X, Y, Z, Qa, Time };
// The first pair whose minimum lies above its maximum (X and Y only when they apply),
// or None.
RangePair SwappedRangePair(const RangeValues& values);

// What the dialog starts with.
RangeValues InitialRangeValues(const CVKDoc& doc);
// Edit > Filter > Range confirmed with these values: stores the window, flags every
// record outside it and recalculates. The filter never clears a flag. The X and Y
// limits apply only when the survey has positions, and only to records that have a
// position; an event's Depth holds its number, so events are never tested on level.
// A window with a minimum above its maximum is refused with RANGE_MIN_ABOVE_MAX,
// nothing changed, and false returned.
bool ApplyRange(CVKDoc& doc, const RangeValues& values, UserPort& port);

// Edit > Filter > Hi Pass Z and Lo Pass Z: smooth the heights of the live positions.
void HiPassZ(CVKDoc& doc, UserPort& port);
void LoPassZ(CVKDoc& doc, UserPort& port);

// Drag-box delete (del true) or undelete in the plan or section view. Returns the
// number of records hit.
int MarkInRect(CVKDoc& doc, const CRect& rect, bool del, bool sectionView, UserPort& port);
// Keeps the records between x0 and x1 of the section view, deletes the rest.
void MarkOutsideTimeFrame(CVKDoc& doc, int32_t x0, int32_t x1, UserPort& port);

}  // namespace aq
