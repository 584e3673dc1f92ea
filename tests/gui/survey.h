// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cmath>
#include <cstdint>

#include "model/civiltime.h"
#include "model/doc.h"
#include "processing/recalc.h"

namespace aq::test {

// A small harbour survey: a boat running lines with a depth every 0.2 s, a position
// every second, a tide every ten minutes and a few deleted records, recalculated.
inline void MakeSurvey(CVKDoc& doc, int seconds, uint32_t seed = 7) {
    const int64_t start = civil::FromFields(2009, 12, 5, 8, 0, 0);
    uint32_t state = seed;
    const auto rnd = [&state](int span) {
        state = state * 1664525u + 1013904223u;
        return static_cast<int>((state >> 8) % static_cast<uint32_t>(span));
    };
    for (int s = 0; s < seconds; ++s) {
        const int line = (s / 120) % 12;
        const int along = (line % 2 == 0) ? s % 120 : 120 - s % 120;
        const int32_t x = 45'000'000 + along * 180 + rnd(40);
        const int32_t y = 580'000'000 + line * 900 + rnd(40);
        CVKData p = CVKData::OfPosition(start + s, x, y, 120 + rnd(30), REC_POSITION, 0);
        if (rnd(97) == 0) p.Flags |= REC_DELETED;
        doc.AddRecord(p);
        for (int k = 0; k < 5; ++k) {
            const int depth = 400 + static_cast<int>(150 * std::sin(along / 20.0)) + line * 20 + rnd(12);
            CVKData d = CVKData::OfDepth(start + s, depth, static_cast<uint8_t>(60 + rnd(67)), REC_DEPTH,
                                         static_cast<uint8_t>(k * 20));
            if (rnd(53) == 0) d.Flags |= REC_DELETED;
            doc.AddRecord(d);
        }
        if (s % 600 == 0) doc.AddRecord(CVKData::OfKind(start + s, 100 + rnd(50), REC_TIDE, 0));
        if (s % 300 == 150) doc.AddRecord(CVKData::OfKind(start + s, s / 300, REC_EVENT, 0));
    }
    for (const CVKData& r : doc.Records) doc.KindFlags |= r.Flags;
    doc.NeedsSort = true;
    Recalculate(doc);
}

}  // namespace aq::test
