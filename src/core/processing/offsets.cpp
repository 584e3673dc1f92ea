// SPDX-License-Identifier: GPL-3.0-or-later
#include "processing/offsets.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "model/muldiv.h"
#include "processing/flags.h"
#include "processing/recalc.h"

namespace aq {

namespace {

// Metres as shown by the dialog ("%.15g") and read back land a hair below the
// centimetre they came from (0.29 m gives 28.999999999999996); such values snap to it,
// so that confirming the dialog unchanged moves nothing. Others truncate toward zero.
int64_t TruncCentimetres(double metres) {
    const double v = metres * 100.0;
    const double nearest = std::nearbyint(v);
    if (std::fabs(v - nearest) <= 1e-12 * std::max(1.0, std::fabs(v))) return static_cast<int64_t>(nearest);
    return static_cast<int64_t>(std::trunc(v));
}

// A length must fit the stored offset: a depth of 400 m would wrap to -255.36 m.
bool ReadLength(UserPort& port, double metres, int64_t min, int64_t max, int64_t& cm) {
    char text[96];
    if (std::isfinite(metres) && std::fabs(metres) < 1e12) {
        cm = TruncCentimetres(metres);
        if (cm >= min && cm <= max) return true;
    }
    std::snprintf(text, sizeof text, "Please enter a number between %.2f and %.2f.", min / 100.0, max / 100.0);
    port.Message(text, Severity::Error);
    return false;
}

// Sums and differences of stored times and coordinates wrap as the stored integers do:
// a damaged file's values must not overflow.
int64_t Add64(int64_t a, int64_t b) { return static_cast<int64_t>(static_cast<uint64_t>(a) + static_cast<uint64_t>(b)); }
int64_t Sub64(int64_t a, int64_t b) { return static_cast<int64_t>(static_cast<uint64_t>(a) - static_cast<uint64_t>(b)); }

bool ReadVelocity(UserPort& port, double v) {
    if (std::isfinite(v) && v >= 1300.0 && v <= 2000.0) return true;
    port.Message("Please enter a number between 1300 and 2000.", Severity::Error);
    return false;
}

}  // namespace

OffsetValues InitialOffsetValues(const CVKDoc& doc) {
    OffsetValues v;
    v.PosTime = Low32(doc.PosTimeOffset);
    v.East = doc.EastOffset / 100.0;
    v.North = doc.NorthOffset / 100.0;
    v.Elevation = doc.ElevOffset / 100.0;
    v.DepthTime = Low32(doc.DepthTimeOffset);
    v.Depth = doc.DepthOffset / 100.0;
    v.SoundVelocity = doc.SoundVelocity;
    v.TideTime = Low32(doc.TideTimeOffset);
    v.Tide = doc.TideOffset / 100.0;
    return v;
}

int16_t RescaleDepth(int16_t depth, double oldVelocity, double newVelocity) {
    // Left to right in double precision, as the stored depths have always been scaled:
    // at 1480 m/s an unchanged 13 cm comes out as 12.
    const int32_t tenths = TruncToInt32(static_cast<double>(depth * 10) * 1500.0 / oldVelocity * newVelocity / 1500.0);
    // A depth scaled past the field saturates rather than turning negative.
    return static_cast<int16_t>(std::clamp(tenths / 10, int32_t{INT16_MIN}, int32_t{INT16_MAX}));
}

void ApplyOffsets(CVKDoc& doc, uint16_t kind, const OffsetDeltas& d, UserPort& port, double oldVelocity,
                  double newVelocity) {
    // Each record's fields taken from the other kinds are emptied for the recalculation to
    // fill again; the kind's own fields take the offsets.
    doc.WillWrite(kFieldX | kFieldY | kFieldZ | kFieldDepth | kFieldTide | (d.Time != 0 ? kFieldTime : 0));
    for (CVKData& r : doc.Records) {
        r.ClearDerived();
        if (!(r.Flags & kind)) continue;
        switch (kind) {
            case REC_POSITION:
                r.Time = Add64(r.Time, d.Time);
                r.Z = Add32(r.Z, d.Elevation);
                r.X = Add64(r.X, d.East);
                r.Y = Add64(r.Y, d.North);
                break;
            case REC_DEPTH:
                r.Time = Add64(r.Time, d.Time);
                r.Depth = static_cast<int16_t>(r.Depth + d.Depth);
                r.Depth = RescaleDepth(r.Depth, oldVelocity, newVelocity);
                break;
            case REC_TIDE:
                r.Time = Add64(r.Time, d.Time);
                r.Tide = static_cast<int16_t>(r.Tide + d.Tide);
                break;
            default:
                break;
        }
    }
    doc.NeedsSort = true;
    Recalculate(doc, port);
    Remove(doc, port);
}

bool OffsetPositions(CVKDoc& doc, const OffsetValues& v, UserPort& port) {
    int64_t east = 0, north = 0, elev = 0;
    if (!ReadLength(port, v.East, INT32_MIN, INT32_MAX, east) ||
        !ReadLength(port, v.North, INT32_MIN, INT32_MAX, north) ||
        !ReadLength(port, v.Elevation, INT32_MIN, INT32_MAX, elev))
        return false;
    OffsetDeltas d;
    d.Time = Sub64(v.PosTime, doc.PosTimeOffset);
    d.East = east - doc.EastOffset;
    d.North = north - doc.NorthOffset;
    d.Elevation = Sub32(static_cast<int32_t>(elev), doc.ElevOffset);
    ApplyOffsets(doc, REC_POSITION, d, port);
    doc.PosTimeOffset = v.PosTime;
    doc.EastOffset = static_cast<int32_t>(east);
    doc.NorthOffset = static_cast<int32_t>(north);
    doc.ElevOffset = static_cast<int32_t>(elev);
    return true;
}

bool OffsetDepths(CVKDoc& doc, const OffsetValues& v, UserPort& port) {
    int64_t depth = 0;
    if (!ReadLength(port, v.Depth, INT16_MIN, INT16_MAX, depth) || !ReadVelocity(port, v.SoundVelocity)) return false;
    OffsetDeltas d;
    d.Time = Sub64(v.DepthTime, doc.DepthTimeOffset);
    d.Depth = static_cast<int16_t>(depth - doc.DepthOffset);
    ApplyOffsets(doc, REC_DEPTH, d, port, doc.SoundVelocity, v.SoundVelocity);
    doc.DepthTimeOffset = v.DepthTime;
    doc.DepthOffset = static_cast<int16_t>(depth);
    doc.SoundVelocity = v.SoundVelocity;
    return true;
}

bool OffsetTide(CVKDoc& doc, const OffsetValues& v, UserPort& port) {
    int64_t tide = 0;
    if (!ReadLength(port, v.Tide, INT16_MIN, INT16_MAX, tide)) return false;
    OffsetDeltas d;
    d.Time = Sub64(v.TideTime, doc.TideTimeOffset);
    d.Tide = static_cast<int16_t>(tide - doc.TideOffset);
    ApplyOffsets(doc, REC_TIDE, d, port);
    doc.TideTimeOffset = v.TideTime;
    doc.TideOffset = static_cast<int16_t>(tide);
    return true;
}

}  // namespace aq
