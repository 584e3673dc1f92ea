// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "model/civiltime.h"

// Number and text pieces of the export lines, appended to a growing text. printf would
// do, but a million records of a dozen numbers each makes its parsing of the format the
// largest cost; to_chars gives the same digits as "%.*f" and "%d".
namespace aq::exporting {

// Line end of every text file the program writes.
inline constexpr std::string_view kEol = "\r\n";

// The digits of "%.*f" for most values, from integers: to_chars of a double in fixed
// notation costs a few hundred nanoseconds, which a crossings file of millions of lines
// of twenty numbers feels. The value times 10^decimals is rounded to an integer; where
// the product lies too near a half for its own rounding error to be sure of the side,
// or is too large, false, and to_chars decides. Writes at most 32 characters.
inline bool FixedDigits(char* buf, size_t& n, double v, int decimals) {
    static constexpr double kScale[] = {1, 10, 100, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
    static constexpr int64_t kPower[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};
    if (decimals < 0 || decimals > 9) return false;
    const double scaled = std::abs(v) * kScale[decimals];
    // Below 2^40 the product is within 2^-12 of the exact one.
    if (!(scaled < 1099511627776.0)) return false;
    const double whole = std::floor(scaled);
    const double fraction = scaled - whole;
    if (std::abs(fraction - 0.5) < 1.0 / 1024) return false;
    const int64_t units = static_cast<int64_t>(whole) + (fraction > 0.5);
    char* p = buf;
    if (std::signbit(v)) *p++ = '-';
    p = std::to_chars(p, buf + 32, units / kPower[decimals]).ptr;
    if (decimals > 0) {
        *p++ = '.';
        int64_t rest = units % kPower[decimals];
        for (int i = decimals - 1; i >= 0; --i) {
            p[i] = static_cast<char>('0' + rest % 10);
            rest /= 10;
        }
        p += decimals;
    }
    n = static_cast<size_t>(p - buf);
    return true;
}

// "%*.*f": value with `decimals` digits after the point, right-aligned in `width`.
inline void AppendFixed(std::string& out, double v, int decimals, int width = 0) {
    // Wide enough for the largest double in fixed notation with our decimals.
    char buf[400];
    size_t n = 0;
    if (!FixedDigits(buf, n, v, decimals)) {
        const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
        n = r.ec == std::errc() ? static_cast<size_t>(r.ptr - buf) : 0;
    }
    if (width > 0 && n < static_cast<size_t>(width)) out.append(static_cast<size_t>(width) - n, ' ');
    out.append(buf, n);
}

// "%*d".
inline void AppendInt(std::string& out, int64_t v, int width = 0) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    const size_t n = static_cast<size_t>(r.ptr - buf);
    if (width > 0 && n < static_cast<size_t>(width)) out.append(static_cast<size_t>(width) - n, ' ');
    out.append(buf, n);
}

// "%02d" of 0..99.
inline void Append2(std::string& out, int v) {
    const char d[2] = {static_cast<char>('0' + v / 10 % 10), static_cast<char>('0' + v % 10)};
    out.append(d, 2);
}

// "%Y": every year the clock accepts has four digits.
inline void AppendYear(std::string& out, int y) {
    if (y >= 1000 && y <= 9999) {
        Append2(out, y / 100);
        Append2(out, y % 100);
    } else {
        AppendInt(out, y);
    }
}

// "%d/%m/%Y %H:%M:%S" of local calendar fields.
inline void AppendDayTime(std::string& out, const civil::Fields& f) {
    Append2(out, f.day);
    out += '/';
    Append2(out, f.month);
    out += '/';
    AppendYear(out, f.year);
    out += ' ';
    Append2(out, f.hour);
    out += ':';
    Append2(out, f.minute);
    out += ':';
    Append2(out, f.second);
}

}  // namespace aq::exporting
