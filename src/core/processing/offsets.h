// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include "model/doc.h"

namespace aq {

// The fields of the "Parameter Offsets" dialog; each command uses its own group.
struct OffsetValues {
    // "Position"
    int32_t PosTime = 0;  // seconds
    double East = 0, North = 0, Elevation = 0;  // metres
    // "Depth"
    int32_t DepthTime = 0;
    double Depth = 0;
    double SoundVelocity = 1500.0;  // m/s, 1300 to 2000
    // "Tide"
    int32_t TideTime = 0;
    double Tide = 0;
};

// What the dialog starts with: the offsets in force, lengths in metres, times as the
// low 32 bits of the stored seconds.
OffsetValues InitialOffsetValues(const CVKDoc& doc);

// How far the records of one kind move; only the members of that kind are read.
struct OffsetDeltas {
    int64_t Time = 0;                // seconds
    int64_t East = 0, North = 0;     // stored X and Y units
    int32_t Elevation = 0;           // cm
    int16_t Depth = 0;               // cm
    int16_t Tide = 0;                // cm
};

// Shifts the records of one kind (REC_POSITION, REC_DEPTH or REC_TIDE) by the deltas,
// deleted ones too, after clearing the derived values of every record; depths are then
// rescaled from the old sound velocity to the new. Recalculates, then discards the
// deleted records. Events never move.
void ApplyOffsets(CVKDoc& doc, uint16_t kind, const OffsetDeltas& deltas, UserPort& port, double oldVelocity = 1500.0,
                  double newVelocity = 1500.0);

// A depth in cm as the sounder would have given it at another sound velocity, with the
// truncations of the program's integer arithmetic.
int16_t RescaleDepth(int16_t depth, double oldVelocity, double newVelocity);

// Edit > Offsets > "Positions...", "Depths..." and "Tide ..." confirmed with these
// values: the records move by the difference from the offsets in force, which become
// the new ones. A value the dialog refuses is reported with its message and changes
// nothing; then the result is false.
bool OffsetPositions(CVKDoc& doc, const OffsetValues& values, UserPort& port);
bool OffsetDepths(CVKDoc& doc, const OffsetValues& values, UserPort& port);
bool OffsetTide(CVKDoc& doc, const OffsetValues& values, UserPort& port);

}  // namespace aq
