// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace aq {

// a * b / c with a 64-bit intermediate, rounded to nearest with halves away from zero.
// Returns -1 when c is 0 or the result does not fit in 32 bits.
inline int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
    if (c == 0) return -1;
    const int64_t num = static_cast<int64_t>(a) * b;
    const bool negative = (num < 0) != (c < 0);
    // |num| <= 2^62 and |c| <= 2^31, so 2|num| + |c| fits in 64 unsigned bits;
    // (2|num| + |c|) / (2|c|) rounds half away from zero exactly.
    const uint64_t n = num < 0 ? static_cast<uint64_t>(-(num + 1)) + 1 : static_cast<uint64_t>(num);
    const uint64_t d = c < 0 ? static_cast<uint64_t>(-(static_cast<int64_t>(c))) : static_cast<uint64_t>(c);
    const uint64_t q = (2 * n + d) / (2 * d);
    if (negative) {
        if (q > uint64_t{1} << 31) return -1;
        return static_cast<int32_t>(-static_cast<int64_t>(q));
    }
    if (q > INT32_MAX) return -1;
    return static_cast<int32_t>(q);
}

// Two's-complement arithmetic on the low 32 bits, as the stored integers wrap.
inline int32_t Low32(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v))); }
inline int32_t Sub32(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
inline int32_t Add32(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

// A real value scaled to a stored integer: truncated toward zero, clamped to 32 bits,
// and 0 for values that are not finite.
int32_t TruncToInt32(double v);

// A value read from decimal text (a file, a dialog) scaled to a stored integer: as
// TruncToInt32, except that a product within floating-point rounding of a whole number
// is that number. The text 1.15 is held as 1.1499999...; it means 115 cm, not 114, so
// what was written with two decimals reads back exactly. Computations on stored values
// truncate with TruncToInt32 as they always have.
int32_t TruncScaled(double value, double scale);
// value x scale, truncated toward zero in the same way, as a real (for range checks
// before the conversion); not finite stays not finite.
double TruncScaledReal(double value, double scale);
// The same kept to 16 bits (depths and tides).
int16_t TruncScaled16(double value, double scale);

}  // namespace aq
