// SPDX-License-Identifier: GPL-3.0-or-later
#include "values.h"

#include <charconv>
#include <cmath>

#include "model/civiltime.h"

namespace aq::cli {

namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// from_chars takes a minus but not a plus.
std::string_view DropPlus(std::string_view s) {
    if (s.size() > 1 && s.front() == '+' && s[1] != '-' && s[1] != '+') s.remove_prefix(1);
    return s;
}

bool Digits(std::string_view s, size_t pos, size_t n, int& value) {
    value = 0;
    for (size_t i = pos; i < pos + n; ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        value = value * 10 + (s[i] - '0');
    }
    return true;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

}  // namespace

std::optional<double> ParseReal(std::string_view text) {
    const std::string_view s = DropPlus(Trim(text));
    if (s.empty()) return std::nullopt;
    double v = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
    if (r.ec != std::errc{} || r.ptr != s.data() + s.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::optional<int64_t> ParseInteger(std::string_view text, int64_t min, int64_t max) {
    const std::string_view s = DropPlus(Trim(text));
    if (s.empty()) return std::nullopt;
    int64_t v = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (r.ec != std::errc{} || r.ptr != s.data() + s.size() || v < min || v > max) return std::nullopt;
    return v;
}

std::optional<int64_t> ParseLocalTime(std::string_view text, std::string& error) {
    const std::string_view s = Trim(text);
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    const bool shaped = s.size() == 19 && s[4] == '-' && s[7] == '-' && s[10] == ' ' && s[13] == ':' &&
                        s[16] == ':' && Digits(s, 0, 4, year) && Digits(s, 5, 2, month) &&
                        Digits(s, 8, 2, day) && Digits(s, 11, 2, hour) && Digits(s, 14, 2, minute) &&
                        Digits(s, 17, 2, second);
    // The conversion would quietly roll 2009-02-30 into March; a picker never offers it.
    if (!shaped || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour > 23 ||
        minute > 59 || second > 59) {
        error = "Please enter a date and time as YYYY-MM-DD HH:MM:SS (not \"" + std::string(text) + "\").";
        return std::nullopt;
    }
    if (year < 1900) return 0;
    const int64_t t = civil::FromFields(year, month, day, hour, minute, second);
    if (t < 0) {
        error = "The date and time \"" + std::string(s) +
                "\" is outside the range survey times can hold (1970 to 3000).";
        return std::nullopt;
    }
    return t;
}

}  // namespace aq::cli
