// SPDX-License-Identifier: GPL-3.0-or-later
#include "reference/literal_recalc.h"

#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/muldiv.h"

namespace aq::literal {
namespace {

// Low 32 bits of Time * 100 + Hundredths, computed without signed overflow.
int32_t LowHundredths(const CVKData& r) {
    const uint64_t t = static_cast<uint64_t>(r.Time) * 100u + r.Hundredths;
    return static_cast<int32_t>(static_cast<uint32_t>(t));
}

// Time * 100 + Hundredths on 64 bits, wrapping instead of overflowing.
int64_t Hundredths64(const CVKData& r) {
    return static_cast<int64_t>(static_cast<uint64_t>(r.Time) * 100u + r.Hundredths);
}

// 64-bit difference that wraps instead of overflowing.
int64_t Sub64(int64_t a, int64_t b) {
    return static_cast<int64_t>(static_cast<uint64_t>(a) - static_cast<uint64_t>(b));
}

// 64-bit sum that wraps instead of overflowing.
int64_t Add64(int64_t a, int64_t b) {
    return static_cast<int64_t>(static_cast<uint64_t>(a) + static_cast<uint64_t>(b));
}

// Gives Records[i] the values of kind `kind` interpolated from its nearest live
// neighbours of that kind, when both are within `limit` hundredths.
void InterpolateKind(CVKDoc& doc, size_t i, uint16_t kind, int64_t limit) {
    if ((doc.KindFlags & kind) == 0) return;

    std::vector<CVKData>& recs = doc.Records;
    const size_t n = recs.size();

    // Previous neighbour: backwards from i - 1 down to 0.
    bool haveP = false;
    size_t p = 0;
    for (size_t j = i; j > 0; --j) {
        if ((recs[j - 1].Flags & 0xFF) == kind) {
            haveP = true;
            p = j - 1;
            break;
        }
    }
    // Next neighbour: forwards from i + 1 up to n - 1.
    bool haveN = false;
    size_t q = 0;
    for (size_t j = i + 1; j < n; ++j) {
        if ((recs[j].Flags & 0xFF) == kind) {
            haveN = true;
            q = j;
            break;
        }
    }
    if (!haveP || !haveN) return;

    CVKData& r = recs[i];
    const CVKData& prev = recs[p];
    const CVKData& next = recs[q];

    // The limit is tested on 64-bit differences; the interpolation below works on the
    // low 32 bits of the times.
    const int64_t before = Sub64(Hundredths64(r), Hundredths64(prev));
    const int64_t after = Sub64(Hundredths64(next), Hundredths64(r));
    if (!(before <= limit && after <= limit)) return;
    const int32_t a = Sub32(LowHundredths(r), LowHundredths(prev));
    const int32_t s = Sub32(LowHundredths(next), LowHundredths(prev));

    if (kind == REC_POSITION) {
        const int32_t dx = Sub32(Low32(next.X), Low32(prev.X));
        const int32_t dy = Sub32(Low32(next.Y), Low32(prev.Y));
        const int32_t dz = Sub32(next.Z, prev.Z);
        r.X = Add64(prev.X, MulDiv(dx, a, s));
        r.Y = Add64(prev.Y, MulDiv(dy, a, s));
        r.Z = Add32(prev.Z, MulDiv(dz, a, s));
    } else if (kind == REC_DEPTH) {
        const int32_t dd = static_cast<int32_t>(next.Depth) - static_cast<int32_t>(prev.Depth);
        r.Depth = static_cast<int16_t>(Add32(prev.Depth, MulDiv(dd, a, s)));
    } else if (kind == REC_TIDE) {
        const int32_t dt = static_cast<int32_t>(next.Tide) - static_cast<int32_t>(prev.Tide);
        r.Tide = static_cast<int16_t>(Add32(prev.Tide, MulDiv(dt, a, s)));
    }
}

}  // namespace

void SortAndMeasure(CVKDoc& doc) {
    doc.XMin = 2147483647;
    doc.YMin = 2147483647;
    doc.XMax = -2147483648LL;
    doc.YMax = -2147483648LL;
    doc.FirstPosIndex = -1;
    doc.LastPosIndex = -1;

    std::vector<CVKData>& recs = doc.Records;
    const size_t n = recs.size();

    if (doc.NeedsSort) {
        // Stable insertion sort on whole seconds: each record moves back past every
        // earlier record whose Time is strictly greater.
        for (size_t i = 1; i < n; ++i) {
            const CVKData moving = recs[i];
            size_t j = i;
            while (j > 0 && recs[j - 1].Time > moving.Time) {
                recs[j] = recs[j - 1];
                --j;
            }
            recs[j] = moving;
        }
    }

    bool haveFirst = false;
    for (size_t i = 0; i < n; ++i) {
        const CVKData& r = recs[i];
        if ((r.Flags & 0x21) == 0x20) {
            if (!haveFirst) {
                doc.FirstPosIndex = static_cast<int32_t>(i);
                haveFirst = true;
            } else {
                doc.LastPosIndex = static_cast<int32_t>(i);
            }
            if (r.X < doc.XMin) doc.XMin = r.X;
            if (r.X > doc.XMax) doc.XMax = r.X;
            if (r.Y < doc.YMin) doc.YMin = r.Y;
            if (r.Y > doc.YMax) doc.YMax = r.Y;
        }
    }

    doc.NeedsSort = false;
}

void MeasureLevels(CVKDoc& doc) {
    const std::vector<CVKData>& recs = doc.Records;
    if (recs.empty()) return;

    // From the first record's levels, never from the previous axis.
    int32_t high = recs[0].Z;
    int32_t low = Sub32(recs[0].Z, recs[0].Depth);
    for (const CVKData& r : recs) {
        // Every record counts, deleted ones and every kind included.
        if (r.Z > high) high = r.Z;
        if (r.Tide > high) high = r.Tide;
        const int32_t zLow = Sub32(r.Z, r.Depth);
        const int32_t tideLow = Sub32(r.Tide, r.Depth);
        if (zLow < low) low = zLow;
        if (tideLow < low) low = tideLow;
    }

    // Whole metres, one metre wider at each end; division truncates toward zero.
    doc.LevelMin = Sub32((low / 100) * 100, 100);
    doc.LevelMax = Add32((high / 100) * 100, 100);
}

void Interpolate(CVKDoc& doc) {
    const int64_t limitPosDepth = static_cast<int64_t>(doc.InterpLimit) * 1000;
    const int64_t limitTide = static_cast<int64_t>(doc.InterpLimit) * 200000;

    const size_t n = doc.Records.size();
    // The first and the last record are never interpolated.
    for (size_t i = 1; i + 1 < n; ++i) {
        switch (doc.Records[i].Flags & 0xFF) {
            case 0x10:
                InterpolateKind(doc, i, REC_POSITION, limitPosDepth);
                InterpolateKind(doc, i, REC_TIDE, limitTide);
                break;
            case 0x20:
                InterpolateKind(doc, i, REC_DEPTH, limitPosDepth);
                InterpolateKind(doc, i, REC_TIDE, limitTide);
                break;
            case 0x40:
                InterpolateKind(doc, i, REC_POSITION, limitPosDepth);
                InterpolateKind(doc, i, REC_DEPTH, limitPosDepth);
                break;
            case 0x80:
                InterpolateKind(doc, i, REC_POSITION, limitPosDepth);
                break;
            default:
                break;
        }
    }

    ExtendPositions(doc);
}

void ExtendPositions(CVKDoc& doc) {
    if ((doc.KindFlags & 0x20) == 0 || (doc.KindFlags & 0x10) == 0) return;
    std::vector<CVKData>& recs = doc.Records;
    const size_t n = recs.size();
    if (n <= 3) return;

    // Any record with the position bit counts here, deleted or not.
    size_t f = n - 1;
    for (size_t i = 0; i < n; ++i) {
        if ((recs[i].Flags & 0x20) != 0) {
            f = i;
            break;
        }
    }
    for (size_t i = 0; i < f; ++i) {
        recs[i].X = recs[f].X;
        recs[i].Y = recs[f].Y;
        recs[i].Z = recs[f].Z;
    }

    size_t l = 0;
    for (size_t i = n; i > 0; --i) {
        if ((recs[i - 1].Flags & 0x20) != 0) {
            l = i - 1;
            break;
        }
    }
    for (size_t i = l + 1; i < n; ++i) {
        recs[i].X = recs[l].X;
        recs[i].Y = recs[l].Y;
        recs[i].Z = recs[l].Z;
    }
}

}  // namespace aq::literal
