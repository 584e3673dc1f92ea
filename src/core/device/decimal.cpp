// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/decimal.h"

#include <algorithm>
#include <cmath>

#include "model/muldiv.h"

namespace aq {

int32_t TruncScaled(double value, double scale) {
    const double x = value * scale;
    if (!std::isfinite(x)) return 0;
    const double whole = std::nearbyint(x);
    // A few units in the last place: the error of the decimal text and the one product.
    if (std::fabs(x - whole) <= std::fabs(x) * 1e-14) return TruncToInt32(whole);
    return TruncToInt32(x);
}

int16_t TruncScaled16(double value, double scale) {
    return static_cast<int16_t>(std::clamp<int32_t>(TruncScaled(value, scale), INT16_MIN, INT16_MAX));
}

}  // namespace aq
