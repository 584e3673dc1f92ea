// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/civiltime.h"

#include <cstdlib>
#include <ctime>

namespace aq::civil {

bool ToFields(int64_t t, Fields& out) {
    if (t < kMinTime || t > kMaxTime) return false;
    const std::time_t tt = static_cast<std::time_t>(t);
    std::tm tm{};
    if (!localtime_r(&tt, &tm)) return false;
    out.year = tm.tm_year + 1900;
    out.month = tm.tm_mon + 1;
    out.day = tm.tm_mday;
    out.hour = tm.tm_hour;
    out.minute = tm.tm_min;
    out.second = tm.tm_sec;
    out.weekday = tm.tm_wday;
    out.yearday = tm.tm_yday;
    out.dst = tm.tm_isdst > 0;
    return true;
}

int64_t FromFields(int year, int month, int day, int hour, int minute, int second) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;  // daylight saving decided for this date
    // Years far outside the accepted range would overflow the normalisation.
    if (year < 1900 || year > 3001) return -1;
    const std::time_t t = std::mktime(&tm);
    const int64_t r = static_cast<int64_t>(t);
    if (r < kMinTime || r > kMaxTime) return -1;
    return r;
}

std::string Format(const char* format, int64_t t) {
    if (t < kMinTime || t > kMaxTime) return {};
    const std::time_t tt = static_cast<std::time_t>(t);
    std::tm tm{};
    if (!localtime_r(&tt, &tm)) return {};
    char buf[256];
    const size_t n = std::strftime(buf, sizeof buf, format, &tm);
    return std::string(buf, n);
}

int64_t Now() { return static_cast<int64_t>(std::time(nullptr)); }

void SetZone(const std::string& zone) {
    if (zone.empty())
        unsetenv("TZ");
    else
        setenv("TZ", zone.c_str(), 1);
    tzset();
}

}  // namespace aq::civil
