// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <charconv>
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

// "%*.*f": value with `decimals` digits after the point, right-aligned in `width`.
inline void AppendFixed(std::string& out, double v, int decimals, int width = 0) {
    // Wide enough for the largest double in fixed notation with our decimals.
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    const size_t n = r.ec == std::errc() ? static_cast<size_t>(r.ptr - buf) : 0;
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
