// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/civiltime.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <regex>

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

namespace {

// Local less UTC at t, seconds, from the local fields of t.
bool OffsetAt(int64_t t, int64_t& offset, bool& dst) {
    Fields f;
    if (!ToFields(t, f)) return false;
    const int64_t wall = DaysFromCivil(f.year, f.month, f.day) * 86400 + int64_t{f.hour} * 3600 +
                         int64_t{f.minute} * 60 + f.second;
    offset = wall - t;
    dst = f.dst;
    return true;
}

}  // namespace

bool FieldsCache::ToFields(int64_t t, Fields& out) {
    if (t < kMinTime || t > kMaxTime) return false;
    const int64_t hour = t / 3600;
    Hour& h = hours_[static_cast<size_t>(hour) % hours_.size()];
    if (h.hour != hour) {
        h.hour = hour;
        int64_t last = 0;
        bool dst = false;
        h.steady = OffsetAt(hour * 3600, h.offset, h.dst) && OffsetAt(hour * 3600 + 3599, last, dst) &&
                   last == h.offset && dst == h.dst;
    }
    if (!h.steady) return civil::ToFields(t, out);
    const int64_t local = t + h.offset;
    const int64_t days = local >= 0 ? local / 86400 : -((-local + 86399) / 86400);
    const int64_t seconds = local - days * 86400;
    int64_t y = 0, m = 0, d = 0;
    CivilFromDays(days, y, m, d);
    out.year = static_cast<int>(y);
    out.month = static_cast<int>(m);
    out.day = static_cast<int>(d);
    out.hour = static_cast<int>(seconds / 3600);
    out.minute = static_cast<int>(seconds / 60 % 60);
    out.second = static_cast<int>(seconds % 60);
    out.weekday = static_cast<int>(((days + 4) % 7 + 7) % 7);  // 1970-01-01 was a Thursday
    out.yearday = static_cast<int>(days - DaysFromCivil(y, 1, 1));
    out.dst = h.dst;
    return true;
}

namespace {

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

}  // namespace

int64_t FromFields(int year, int month, int day, int hour, int minute, int second) {
    // Years far outside the accepted range would overflow the normalisation.
    if (year < 1900 || year > 3001) return -1;
    // Out-of-range fields are carried into the next ones here rather than by mktime,
    // so that the wall-clock time to convert is known exactly.
    const int64_t months = int64_t{year} * 12 + (month - 1);
    const int64_t y0 = FloorDiv(months, 12);
    const int64_t m0 = months - y0 * 12 + 1;
    const int64_t wall = (DaysFromCivil(y0, m0, 1) + (day - 1)) * 86400 + int64_t{hour} * 3600 +
                         int64_t{minute} * 60 + second;
    const int64_t days = FloorDiv(wall, 86400);
    if (days < DaysFromCivil(1900, 1, 1) || days > DaysFromCivil(3001, 12, 31)) return -1;

    // The instants that show this wall-clock time are the time less one of the zone's
    // offsets from UTC: those in force two days before, at and two days after it cover
    // any clock change. In the hour the clocks go back two instants do, and the earlier
    // (its first pass) is taken; mktime left to decide by itself follows the guess its
    // previous calls left behind. In the hour the clocks go forward none does, and the
    // time is read with the offset from before the change, which puts it after it.
    const auto offsetAt = [](int64_t t, bool& ok) -> int64_t {
        const std::time_t tt = static_cast<std::time_t>(t);
        std::tm shown{};
        ok = localtime_r(&tt, &shown) != nullptr;
        return ok ? static_cast<int64_t>(shown.tm_gmtoff) : 0;
    };
    bool ok = false;
    const int64_t before = offsetAt(wall - 2 * 86400, ok);
    if (!ok) return -1;
    int64_t found = -1;
    for (const int64_t probe : {wall - 2 * 86400, wall, wall + 2 * 86400}) {
        const int64_t offset = offsetAt(probe, ok);
        if (!ok) continue;
        const int64_t t = wall - offset;
        bool shownOk = false;
        if (offsetAt(t, shownOk) == offset && shownOk && (found == -1 || t < found)) found = t;
    }
    const int64_t beforeChange = wall - before;
    const int64_t r = found != -1 ? found : beforeChange;
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

namespace {

// A compiled zone of the system's database: the file begins "TZif".
bool IsZoneFile(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    char magic[4] = {};
    const bool ok = std::fread(magic, 1, 4, f) == 4 && std::memcmp(magic, "TZif", 4) == 0;
    std::fclose(f);
    return ok;
}

}  // namespace

bool IsKnownZone(const std::string& value) {
    std::string zone = value;
    if (!zone.empty() && zone.front() == ':') zone.erase(0, 1);
    // An empty TZ is UTC.
    if (zone.empty()) return true;
    if (zone.front() == '/') return IsZoneFile(zone);
    if (zone.find("..") == std::string::npos) {
        const char* dir = std::getenv("TZDIR");
        for (const std::string& base : {std::string(dir && *dir ? dir : ""), std::string("/usr/share/zoneinfo")}) {
            if (!base.empty() && IsZoneFile(base + "/" + zone)) return true;
        }
    }
    // A rule written out: "CET-1CEST,M3.5.0,M10.5.0/3", "<+03>-3", "EST5EDT".
    static const std::regex rule(
        R"(^([A-Za-z]{3,}|<[A-Za-z0-9+-]{3,}>)[+-]?\d{1,2}(:\d{1,2}){0,2})"
        R"((([A-Za-z]{3,}|<[A-Za-z0-9+-]{3,}>)([+-]?\d{1,2}(:\d{1,2}){0,2})?(,[^,]+,[^,]+)?)?$)");
    return std::regex_match(zone, rule);
}

}  // namespace aq::civil
