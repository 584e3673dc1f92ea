// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/civiltime.h"
#include "model/data.h"
#include "model/doc.h"

namespace aq::test {

// The port of a call whose messages a test does not look at.
inline UserPort& Quiet() {
    static SilentPort port;
    return port;
}

// Seconds of a local time on the test day (2009-12-05).
inline int64_t At(int hour, int minute, int second) { return civil::FromFields(2009, 12, 5, hour, minute, second); }

inline CVKData Depth(int64_t t, int cm, uint8_t hundredths = 0, uint8_t quality = 100) {
    return CVKData::OfDepth(t, cm, quality, REC_DEPTH, hundredths);
}
inline CVKData Pos(int64_t t, int32_t x, int32_t y, int32_t z = 0, uint8_t hundredths = 0) {
    return CVKData::OfPosition(t, x, y, z, REC_POSITION, hundredths);
}
inline CVKData Tide(int64_t t, int cm, uint8_t hundredths = 0) { return CVKData::OfKind(t, cm, REC_TIDE, hundredths); }
inline CVKData Event(int64_t t, int value) { return CVKData::OfKind(t, value, REC_EVENT, 0); }
inline CVKData Deleted(CVKData r) {
    r.Flags |= REC_DELETED;
    return r;
}

// Appends records as an import would, with the kind flags an import leaves.
inline void Append(CVKDoc& doc, std::initializer_list<CVKData> recs) {
    for (const CVKData& r : recs) {
        doc.AddRecord(r);
        doc.KindFlags |= r.Flags;
    }
    doc.NeedsSort = true;
}

}  // namespace aq::test
