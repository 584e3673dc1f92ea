// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Local civil time: the conversions between calendar fields and seconds that every
// reader, writer and view uses. Times are those of the process's time zone (TZ).
namespace aq::civil {

// Seconds the conversions accept: 1970-01-01 00:00:00 UTC to 3000-12-31 23:59:59 UTC,
// the range survey files and the document file have always been written with.
inline constexpr int64_t kMinTime = 0;
inline constexpr int64_t kMaxTime = 32535215999;

struct Fields {
    int year = 0;    // e.g. 2009
    int month = 0;   // 1-12
    int day = 0;     // 1-31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int weekday = 0;  // 0 = Sunday
    int yearday = 0;  // 0-365
    bool dst = false;
};

// Days from 1970-01-01 of a proleptic Gregorian date (month 1-12, any day: day 0 is the
// last of the month before).
constexpr int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// The date of a day count from 1970-01-01: the inverse of DaysFromCivil.
constexpr void CivilFromDays(int64_t days, int64_t& y, int64_t& m, int64_t& d) {
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t doe = days - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = yoe + era * 400 + (m <= 2);
}

// Local fields of t; false when t is outside the accepted range.
bool ToFields(int64_t t, Fields& out);

// ToFields for many instants, such as the times of a table of millions of rows: the
// zone's offset from UTC is looked up once for each hour of the clock and kept, the
// rest is arithmetic. An hour in which the offset changes (a clock change, a leap
// second) is converted instant by instant. Not for sharing between threads.
class FieldsCache {
public:
    bool ToFields(int64_t t, Fields& out);

private:
    struct Hour {
        int64_t hour = -1;  // since 1970, UTC
        int64_t offset = 0;  // local less UTC, seconds
        bool steady = false;  // the offset holds through the hour
        bool dst = false;
    };
    std::vector<Hour> hours_ = std::vector<Hour>(4096);
};

// Seconds of local wall-clock fields, normalising out-of-range fields (hour 24 is
// 00 of the next day, month 13 January of the next year) and deciding daylight saving
// for that date. Returns -1 when the result is outside the accepted range.
int64_t FromFields(int year, int month, int day, int hour, int minute, int second);

// strftime-style text of t in local time; empty when t cannot be converted.
std::string Format(const char* format, int64_t t);

// The current time in seconds.
int64_t Now();

// Sets the local time zone of the process (a TZ value such as "UTC" or
// "Europe/London"); an empty text restores the system's zone.
void SetZone(const std::string& zone);

// True when `zone` is a TZ value the system knows: a zone of its database (or a zone
// file named by its path) or a rule written out ("EST5EDT", "CET-1CEST,M3.5.0,M10.5.0/3").
// The C library takes anything else silently for UTC.
bool IsKnownZone(const std::string& zone);

}  // namespace aq::civil
