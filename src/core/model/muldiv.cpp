// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/muldiv.h"

#include <algorithm>
#include <cmath>

namespace aq {

int32_t TruncToInt32(double v) {
    if (!std::isfinite(v)) return 0;
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(v);  // truncates toward zero
}

double TruncScaledReal(double value, double scale) {
    const double x = value * scale;
    if (!std::isfinite(x)) return x;
    const double whole = std::nearbyint(x);
    // A few units in the last place: the error of the decimal text and of the product.
    return std::fabs(x - whole) <= std::fabs(x) * 1e-14 ? whole : std::trunc(x);
}

int32_t TruncScaled(double value, double scale) { return TruncToInt32(TruncScaledReal(value, scale)); }

int16_t TruncScaled16(double value, double scale) {
    return static_cast<int16_t>(std::clamp<int32_t>(TruncScaled(value, scale), INT16_MIN, INT16_MAX));
}

}  // namespace aq
