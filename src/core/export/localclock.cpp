// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/localclock.h"

#include <algorithm>

namespace aq::exporting {

namespace {

int64_t WallSeconds(const civil::Fields& f) {
    return civil::DaysFromCivil(f.year, f.month, f.day) * 86400 + f.hour * 3600 + f.minute * 60 + f.second;
}

// Local wall seconds minus t; t must be convertible.
int64_t OffsetAt(int64_t t) {
    civil::Fields f;
    civil::ToFields(t, f);
    return WallSeconds(f) - t;
}

}  // namespace

bool LocalClock::Miss(int64_t t, civil::Fields& out) {
    civil::Fields f;
    if (!civil::ToFields(t, f)) return false;
    out = f;
    offset_ = WallSeconds(f) - t;
    dayWall_ = WallSeconds(f) - (f.hour * 3600 + f.minute * 60 + f.second);
    day_ = f;
    int64_t lo = std::max(dayWall_ - offset_, civil::kMinTime);
    int64_t hi = std::min(dayWall_ - offset_ + 86400, civil::kMaxTime + 1);
    // A change of offset inside the day: find it and keep t's side.
    if (OffsetAt(lo) != offset_) {
        int64_t a = lo, b = t;  // offset differs at a, holds at b
        while (b - a > 1) {
            const int64_t mid = a + (b - a) / 2;
            (OffsetAt(mid) == offset_ ? b : a) = mid;
        }
        lo = b;
    }
    if (OffsetAt(hi - 1) != offset_) {
        int64_t a = t, b = hi - 1;  // holds at a, differs at b
        while (b - a > 1) {
            const int64_t mid = a + (b - a) / 2;
            (OffsetAt(mid) == offset_ ? a : b) = mid;
        }
        hi = a + 1;
    }
    lo_ = lo;
    hi_ = hi;
    return true;
}

}  // namespace aq::exporting
