// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace aq {

// A value read from decimal text, scaled to a stored integer: truncated toward zero,
// clamped to 32 bits, 0 when not finite, like TruncToInt32. A product that lies within
// rounding error of a whole number is that number: the text 1.15 (held as
// 1.149999...) is 115 cm, not 114, so what was written with two decimals reads back
// exactly.
int32_t TruncScaled(double value, double scale);

// The same kept to 16 bits (depths and tides).
int16_t TruncScaled16(double value, double scale);

}  // namespace aq
