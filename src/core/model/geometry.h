// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace aq {

// A point on the logical plane of the views.
struct CPoint {
    int32_t x = 0;
    int32_t y = 0;
    friend bool operator==(const CPoint&, const CPoint&) = default;
};

// A rectangle on the logical plane. Membership follows the platform rule: left and top
// inclusive, right and bottom exclusive (so a rectangle given upside down holds nothing).
struct CRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    bool Contains(CPoint p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
    friend bool operator==(const CRect&, const CRect&) = default;
};

// Side of the logical plane used by every view.
inline constexpr int32_t LOGICAL_SPAN = 15000;

}  // namespace aq
