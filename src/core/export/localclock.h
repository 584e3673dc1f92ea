// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include "model/civiltime.h"

namespace aq::exporting {

// The local calendar fields of record times, for writers that visit records in time
// order. A conversion through the C library costs far more than formatting a line, and
// a survey holds thousands of records per day, so the fields of the last day seen are
// kept with the span of seconds over which that day's clock offset holds; times inside
// it are broken down by arithmetic. A daylight-saving change inside a day narrows the
// span to its own side of the change.
class LocalClock {
public:
    // Year, month, day, hour, minute and second of t (weekday, yearday and dst are not
    // filled); false when the conversion refuses t, as civil::ToFields.
    bool Fields(int64_t t, civil::Fields& out) {
        if (t >= lo_ && t < hi_) {
            const int64_t s = t + offset_ - dayWall_;
            out = day_;
            out.hour = static_cast<int>(s / 3600);
            out.minute = static_cast<int>(s / 60 % 60);
            out.second = static_cast<int>(s % 60);
            return true;
        }
        return Miss(t, out);
    }

private:
    bool Miss(int64_t t, civil::Fields& out);

    // Seconds [lo_, hi_) share day_ and offset_ (local wall seconds minus t).
    int64_t lo_ = 1;
    int64_t hi_ = 0;
    int64_t offset_ = 0;
    int64_t dayWall_ = 0;  // wall seconds of the day's midnight
    civil::Fields day_;
};

}  // namespace aq::exporting
