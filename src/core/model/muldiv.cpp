// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/muldiv.h"

#include <cmath>

namespace aq {

int32_t TruncToInt32(double v) {
    if (!std::isfinite(v)) return 0;
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(v);  // truncates toward zero
}

}  // namespace aq
