// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <unordered_map>

// Helpers every reader of text logs shares: the time of day and date they carry
// between lines, time stamps from wall-clock fields, hemisphere letters, and a small
// scanf-style field scanner that does not depend on the C locale.
namespace aq {

// ---- local time stamps ----

// Seconds of local wall-clock fields, converting each distinct date once: a day whose
// clock runs 24 hours without a daylight-saving change takes its midnight plus the time
// of day; the days of a change (and hour 24, the next day's midnight) go through the
// full conversion. Gives the same seconds as civil::FromFields.
class DayClock {
public:
    // Fields as the readers have checked them: month 1-12, day 1-31, hour 0-24,
    // minute and second 0-59.
    int64_t Seconds(int year, int month, int day, int hour, int minute, int second);

private:
    struct Day {
        int64_t midnight = -1;
        bool uniform = false;
    };
    const Day& Lookup(int year, int month, int day);

    std::unordered_map<int32_t, Day> days_;
    int32_t lastKey_ = -1;
    Day last_;
};

// Time-stamp builder: repairs out-of-range fields (two-digit years, then a year outside
// 1990-2100 becomes 2000; month and day outside 1-31 or 1-12 become 1; an hour outside
// 0-24, a minute or second outside 0-59 become 0) and converts the fields as local time,
// daylight saving decided for that date. Hour 24 is 00 of the next day.
int64_t BuildTimeStamp(DayClock& clock, int64_t year, int64_t month, int64_t day, int64_t hour, int64_t minute,
                       int64_t second);

// ---- state the text readers carry from line to line ----

// The current date and time of the text readers, and their pending flags.
//
// Most logs give the date on some lines only and the time of day on many: the date is
// carried from line to line. A time of day given alone that is more than 12 hours
// earlier than the one before it on the same carried date has passed midnight, so the
// carried date moves on a day; one more than 12 hours later has gone back into the
// evening before, so it moves back a day.
struct TextImportState {
    int64_t Year = 0, Month = 0, Day = 0;
    int64_t Hour = 0, Minute = 0, Second = 0;
    uint8_t Pending = 0;
    DayClock Clock;
    // The last time of day on the carried date (seconds from midnight), or -1 when a date
    // was given on its own since, so that no time of day has been seen on it yet.
    int64_t LastTimeOfDay = -1;

    // Time stamp of the current date and time.
    int64_t Stamp() { return BuildTimeStamp(Clock, Year, Month, Day, Hour, Minute, Second); }

    // A line set the time of day without a date: rolls the carried date over midnight
    // when the time jumped by more than 12 hours.
    void TimeOfDayGiven();
    // A line set the date: with withTime, its time of day (already set) is the one the
    // next times are compared with; a date given alone starts afresh.
    void DateGiven(bool withTime);
};

// A six-digit ddmmyy field into the current date (two-digit years from 50 are 19xx).
// The caller says how the date was given (DateGiven).
void SetDayMonthYear(TextImportState& state, int32_t ddmmyy);

// Pending bit the time-of-day setter sets.
inline constexpr uint8_t PENDING_TIME_OF_DAY = 0x08;

// Time-of-day setter: hhmmss.ss into the current hour, minute and second; fractions of
// a second are dropped, a second that comes out as 60 moves on to the next minute. The
// time counts as given alone (TimeOfDayGiven); a line that also gives the date says so
// afterwards with DateGiven(true).
void SetTimeOfDay(TextImportState& state, double hhmmss);

// dddmm.mmmm and a hemisphere letter as signed degrees: "S" and "W" (upper case) are
// negative, any other letter positive.
double HemisphereDegrees(double dddmm, char letter);

// A real value as a stored 16-bit integer: truncated toward zero, clamped to the
// field, 0 when it is not finite.
int16_t TruncToInt16(double v);

// ---- scanning ----

// Where a scanned value goes: %lf to a double, %d to an int32_t, %ld to an int64_t,
// %c to a char, %s to a string.
class ScanTarget {
public:
    enum class Kind { Real, Int, Long, Char, Text };
    ScanTarget(double* p) : kind_(Kind::Real), p_(p) {}
    ScanTarget(int32_t* p) : kind_(Kind::Int), p_(p) {}
    ScanTarget(int64_t* p) : kind_(Kind::Long), p_(p) {}
    ScanTarget(char* p) : kind_(Kind::Char), p_(p) {}
    ScanTarget(std::string* p) : kind_(Kind::Text), p_(p) {}
    Kind kind() const { return kind_; }
    void* ptr() const { return p_; }

private:
    Kind kind_;
    void* p_;
};

// sscanf over a text: the conversions %d %ld %lf %c %s with optional '*' (skip) and
// width; white space in the format skips white space; other format characters must
// match. Numbers are read with '.' as the decimal point whatever the locale; integers
// too large for their target are clamped; reals too large become infinite. Returns
// the number of values assigned.
int Scan(std::string_view text, std::string_view format, std::initializer_list<ScanTarget> targets);

// atof and atoi: the number at the start of the text after white space, 0 when there
// is none (integers clamped to 32 bits).
double ReadReal(std::string_view text);
int32_t ReadInt(std::string_view text);

// Reads a real number at p (after optional white space is the caller's business):
// sign, digits with a decimal point, exponent, inf and nan, hexadecimal. Advances p
// past it and returns true, or leaves p and returns false.
bool ParseReal(const char*& p, const char* end, double& out);

// ---- NMEA sentences ----

// False when the sentence ends in a checksum field ("*hh") that does not match the
// exclusive-or of the characters between its first character and the '*', or in a
// '*' without two hexadecimal digits. A sentence without '*' passes.
bool ChecksumMatches(std::string_view sentence);

// True when the first occurrence of the name in the line begins at index 3, as the
// sentence name of "$GPGGA,...".
bool SentenceIs(std::string_view line, std::string_view name);

}  // namespace aq
