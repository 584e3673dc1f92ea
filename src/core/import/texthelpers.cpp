// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/texthelpers.h"

#include <algorithm>
#include <cassert>
#include <charconv>
#include <cmath>
#include <limits>

#include "model/civiltime.h"
#include "model/muldiv.h"

namespace aq {

// ---- local time stamps ----

const DayClock::Day& DayClock::Lookup(int year, int month, int day) {
    const int32_t key = year * 10000 + month * 100 + day;
    if (key == lastKey_) return last_;
    auto it = days_.find(key);
    if (it == days_.end()) {
        Day d;
        d.midnight = civil::FromFields(year, month, day, 0, 0, 0);
        const int64_t end = civil::FromFields(year, month, day, 23, 59, 59);
        // A day of a daylight-saving change is shorter or longer than this.
        d.uniform = d.midnight >= 0 && end - d.midnight == 86399;
        it = days_.emplace(key, d).first;
    }
    lastKey_ = key;
    last_ = it->second;
    return last_;
}

int64_t DayClock::Seconds(int year, int month, int day, int hour, int minute, int second) {
    if (hour >= 0 && hour < 24 && year >= 0 && year < 200000 && month >= 1 && month <= 12 && day >= 1 && day <= 31) {
        const Day& d = Lookup(year, month, day);
        if (d.uniform) return d.midnight + hour * 3600 + minute * 60 + second;
    }
    return civil::FromFields(year, month, day, hour, minute, second);
}

int64_t BuildTimeStamp(DayClock& clock, int64_t year, int64_t month, int64_t day, int64_t hour, int64_t minute,
                       int64_t second) {
    if (year >= 51 && year <= 99)
        year += 1900;
    else if (year >= 0 && year <= 49)
        year += 2000;
    if (year < 1990 || year > 2100) year = 2000;
    if (month < 1 || month > 12) month = 1;
    if (day < 1 || day > 31) day = 1;
    if (hour < 0 || hour > 24) hour = 0;
    if (minute < 0 || minute > 59) minute = 0;
    if (second < 0 || second > 59) second = 0;
    return clock.Seconds(static_cast<int>(year), static_cast<int>(month), static_cast<int>(day), static_cast<int>(hour),
                         static_cast<int>(minute), static_cast<int>(second));
}

namespace {

constexpr int64_t kDaySeconds = 86400;
constexpr int64_t kHalfDay = kDaySeconds / 2;

// Moves the carried date by a day, as the time-stamp builder reads it (two-digit years
// included). A date the builder would repair is left alone: there is no day to move.
void MoveDate(TextImportState& s, int64_t by) {
    int64_t year = s.Year;
    if (year >= 51 && year <= 99)
        year += 1900;
    else if (year >= 0 && year <= 49)
        year += 2000;
    if (year < 1990 || year > 2100 || s.Month < 1 || s.Month > 12 || s.Day < 1 || s.Day > 31) return;
    const int64_t days = civil::DaysFromCivil(year, s.Month, s.Day);
    int64_t y = 0, m = 0, d = 0;
    civil::CivilFromDays(days, y, m, d);
    if (y != year || m != s.Month || d != s.Day) return;  // 31 November and the like
    civil::CivilFromDays(days + by, y, m, d);
    s.Year = y;
    s.Month = m;
    s.Day = d;
}

}  // namespace

void TextImportState::TimeOfDayGiven() {
    const bool valid = Hour >= 0 && Hour <= 24 && Minute >= 0 && Minute <= 59 && Second >= 0 && Second <= 59;
    if (!valid) {
        // A time the builder repairs says nothing about the day.
        LastTimeOfDay = -1;
        return;
    }
    const int64_t now = Hour * 3600 + Minute * 60 + Second;
    if (LastTimeOfDay >= 0) {
        if (now < LastTimeOfDay - kHalfDay)
            MoveDate(*this, 1);
        else if (now > LastTimeOfDay + kHalfDay)
            MoveDate(*this, -1);
    }
    LastTimeOfDay = now;
}

void TextImportState::DateGiven(bool withTime) {
    const bool valid = Hour >= 0 && Hour <= 24 && Minute >= 0 && Minute <= 59 && Second >= 0 && Second <= 59;
    LastTimeOfDay = withTime && valid ? Hour * 3600 + Minute * 60 + Second : -1;
}

void SetDayMonthYear(TextImportState& state, int32_t ddmmyy) {
    int64_t year = ddmmyy % 100;
    year += year >= 50 ? 1900 : 2000;
    state.Year = year;
    state.Month = (ddmmyy / 100) % 100;
    state.Day = ddmmyy / 10000;
}

void SetTimeOfDay(TextImportState& state, double hhmmss) {
    const double hours = hhmmss / 10000.0;
    const double whole = std::trunc(hours);
    int64_t hour = TruncToInt32(whole);
    int64_t minute = TruncToInt32((hours - whole) * 100.0);
    int64_t second = TruncToInt32(hhmmss - 10000.0 * static_cast<double>(hour) - 100.0 * static_cast<double>(minute));
    // Binary fractions make 12:34:00 come out as 33 minutes and 100 seconds.
    if (second > 59) {
        ++minute;
        second = 0;
        // A leap second at the end of an hour: the next hour, not the same hour's start.
        if (minute == 60 && hour >= 0 && hour < 24) {
            ++hour;
            minute = 0;
        }
    }
    state.Hour = hour;
    state.Minute = minute;
    state.Second = second;
    state.Pending |= PENDING_TIME_OF_DAY;
    state.TimeOfDayGiven();
}

double HemisphereDegrees(double dddmm, char letter) {
    const double v = dddmm / 100.0;
    const double degrees = std::trunc(v);
    const double result = degrees + (v - degrees) * 100.0 / 60.0;
    return (letter == 'S' || letter == 'W') ? -result : result;
}

int16_t TruncToInt16(double v) {
    return static_cast<int16_t>(std::clamp<int32_t>(TruncToInt32(v), INT16_MIN, INT16_MAX));
}

// ---- scanning ----

namespace {

inline bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

const char* SkipSpace(const char* p, const char* end) {
    while (p < end && IsSpace(*p)) ++p;
    return p;
}

// The magnitude of a decimal number from_chars found out of range: above 1 or below.
bool Overflows(const char* p, const char* end) {
    int64_t intDigits = 0;     // significant digits before the point
    int64_t leadingZeros = 0;  // zeros after the point before the first significant digit
    bool seenSignificant = false;
    while (p < end && IsDigit(*p)) {
        if (*p != '0' || seenSignificant) {
            seenSignificant = true;
            ++intDigits;
        }
        ++p;
    }
    if (p < end && *p == '.') {
        ++p;
        while (p < end && IsDigit(*p)) {
            if (!seenSignificant) {
                if (*p != '0')
                    seenSignificant = true;
                else
                    ++leadingZeros;
            }
            ++p;
        }
    }
    int64_t exponent = 0;
    if (p < end && (*p == 'e' || *p == 'E')) {
        ++p;
        bool negative = false;
        if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
        while (p < end && IsDigit(*p)) {
            if (exponent < 1000000000) exponent = exponent * 10 + (*p - '0');
            ++p;
        }
        if (negative) exponent = -exponent;
    }
    const int64_t magnitude = intDigits > 0 ? intDigits - 1 + exponent : -leadingZeros - 1 + exponent;
    return magnitude >= 0;
}

bool ParseInteger(const char*& p, const char* end, int64_t& out) {
    const char* q = p;
    bool negative = false;
    if (q < end && (*q == '+' || *q == '-')) negative = *q++ == '-';
    if (q >= end || !IsDigit(*q)) return false;
    uint64_t v = 0;
    constexpr uint64_t kLimit = uint64_t{1} << 63;
    while (q < end && IsDigit(*q)) {
        const uint64_t d = static_cast<uint64_t>(*q - '0');
        v = v > (kLimit - d) / 10 ? kLimit : v * 10 + d;
        ++q;
    }
    if (negative)
        out = v >= kLimit ? INT64_MIN : -static_cast<int64_t>(v);
    else
        out = v >= kLimit ? INT64_MAX : static_cast<int64_t>(v);
    p = q;
    return true;
}

}  // namespace

bool ParseReal(const char*& p, const char* end, double& out) {
    const char* q = p;
    bool negative = false;
    if (q < end && (*q == '+' || *q == '-')) negative = *q++ == '-';
    if (q >= end) return false;
    double v = 0.0;
    const char* stop = q;
    if (q + 1 < end && q[0] == '0' && (q[1] == 'x' || q[1] == 'X')) {
        const auto r = std::from_chars(q + 2, end, v, std::chars_format::hex);
        if (r.ec == std::errc::result_out_of_range) {
            v = std::numeric_limits<double>::infinity();
            stop = r.ptr;
        } else if (r.ec == std::errc()) {
            stop = r.ptr;
        } else {
            v = 0.0;  // "0x" with nothing after it reads as the 0
            stop = q + 1;
        }
    } else {
        // from_chars takes no sign; a second sign is not a number.
        if (*q == '+' || *q == '-') return false;
        const auto r = std::from_chars(q, end, v, std::chars_format::general);
        if (r.ec == std::errc::invalid_argument) return false;
        if (r.ec == std::errc::result_out_of_range)
            v = Overflows(q, r.ptr) ? std::numeric_limits<double>::infinity() : 0.0;
        stop = r.ptr;
    }
    out = negative ? -v : v;
    p = stop;
    return true;
}

int Scan(std::string_view text, std::string_view format, std::initializer_list<ScanTarget> targets) {
    const char* p = text.data();
    const char* const end = p + text.size();
    const ScanTarget* target = targets.begin();
    int assigned = 0;
    size_t f = 0;
    while (f < format.size()) {
        const char fc = format[f];
        if (IsSpace(fc)) {
            p = SkipSpace(p, end);
            ++f;
            continue;
        }
        if (fc != '%') {
            if (p >= end || *p != fc) return assigned;
            ++p;
            ++f;
            continue;
        }
        ++f;
        bool skip = false;
        if (f < format.size() && format[f] == '*') {
            skip = true;
            ++f;
        }
        size_t width = 0;
        while (f < format.size() && IsDigit(format[f])) width = width * 10 + static_cast<size_t>(format[f++] - '0');
        bool isLong = false;
        if (f < format.size() && format[f] == 'l') {
            isLong = true;
            ++f;
        }
        if (f >= format.size()) return assigned;
        const char conv = format[f++];
        if (conv == '%') {
            p = SkipSpace(p, end);
            if (p >= end || *p != '%') return assigned;
            ++p;
            continue;
        }
        if (conv != 'c') p = SkipSpace(p, end);
        if (p >= end) return assigned;
        // A width limits how much of the text the conversion may take.
        const char* limit = width > 0 && static_cast<size_t>(end - p) > width ? p + width : end;
        const ScanTarget* t = skip ? nullptr : target;
        if (t && t == targets.end()) return assigned;
        switch (conv) {
            case 'd': {
                int64_t v = 0;
                if (!ParseInteger(p, limit, v)) return assigned;
                if (t) {
                    // %ld goes to a 64-bit target, %d to a 32-bit one.
                    const ScanTarget::Kind want = isLong ? ScanTarget::Kind::Long : ScanTarget::Kind::Int;
                    assert(t->kind() == want);
                    if (t->kind() != want) return assigned;
                    if (isLong)
                        *static_cast<int64_t*>(t->ptr()) = v;
                    else
                        *static_cast<int32_t*>(t->ptr()) =
                            static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
                }
                break;
            }
            case 'f':
            case 'e':
            case 'g': {
                double v = 0.0;
                if (!ParseReal(p, limit, v)) return assigned;
                if (t) {
                    assert(t->kind() == ScanTarget::Kind::Real);
                    if (t->kind() != ScanTarget::Kind::Real) return assigned;
                    *static_cast<double*>(t->ptr()) = v;
                }
                break;
            }
            case 'c': {
                // One character by default; white space included.
                if (t) {
                    assert(t->kind() == ScanTarget::Kind::Char);
                    if (t->kind() != ScanTarget::Kind::Char) return assigned;
                    *static_cast<char*>(t->ptr()) = *p;
                }
                p += std::min<size_t>(width > 0 ? width : 1, static_cast<size_t>(end - p));
                break;
            }
            case 's': {
                const char* q = p;
                while (q < limit && !IsSpace(*q)) ++q;
                if (t) {
                    assert(t->kind() == ScanTarget::Kind::Text);
                    if (t->kind() != ScanTarget::Kind::Text) return assigned;
                    static_cast<std::string*>(t->ptr())->assign(p, q);
                }
                p = q;
                break;
            }
            default: return assigned;
        }
        if (t) {
            ++target;
            ++assigned;
        }
    }
    return assigned;
}

double ReadReal(std::string_view text) {
    const char* p = SkipSpace(text.data(), text.data() + text.size());
    double v = 0.0;
    return ParseReal(p, text.data() + text.size(), v) ? v : 0.0;
}

int32_t ReadInt(std::string_view text) {
    const char* p = SkipSpace(text.data(), text.data() + text.size());
    int64_t v = 0;
    if (!ParseInteger(p, text.data() + text.size(), v)) return 0;
    return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// ---- NMEA sentences ----

namespace {
int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}
}  // namespace

bool ChecksumMatches(std::string_view sentence) {
    const size_t star = sentence.rfind('*');
    if (star == std::string_view::npos) return true;
    size_t tail = star + 1;
    if (tail + 2 > sentence.size()) return false;
    const int hi = HexValue(sentence[tail]);
    const int lo = HexValue(sentence[tail + 1]);
    if (hi < 0 || lo < 0) return false;
    for (size_t i = tail + 2; i < sentence.size(); ++i)
        if (!IsSpace(sentence[i])) return false;
    unsigned sum = 0;
    for (size_t i = 1; i < star; ++i) sum ^= static_cast<unsigned char>(sentence[i]);
    return sum == static_cast<unsigned>(hi * 16 + lo);
}

bool SentenceIs(std::string_view line, std::string_view name) {
    if (line.size() < 3 + name.size() || line.substr(3, name.size()) != name) return false;
    // The name must not occur earlier, overlapping the address included.
    return line.substr(0, 2 + name.size()).find(name) == std::string_view::npos;
}

}  // namespace aq
