// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <optional>
#include <string_view>

// The orders of IHO S-44 (Edition 6) and the total vertical uncertainty each allows at
// 95 % confidence: TVU(d) = sqrt(a^2 + (b d)^2) metres at depth d metres.
namespace aq {

enum class S44Order { Exclusive, Special, Order1a, Order1b, Order2 };

inline constexpr std::array<S44Order, 5> kS44Orders = {S44Order::Exclusive, S44Order::Special, S44Order::Order1a,
                                                       S44Order::Order1b, S44Order::Order2};

struct S44Coefficients {
    double a;  // metres: the part that does not depend on depth
    double b;  // the part proportional to depth
};

S44Coefficients S44CoefficientsOf(S44Order order);
// The allowed total vertical uncertainty at depth d (metres; the sign is ignored).
double Tvu(S44Order order, double depth);

// "Exclusive", "Special", "1a", "1b", "2": how the tables and messages name an order.
const char* S44Name(S44Order order);
// The command line's word: "exclusive", "special", "1a", "1b", "2".
const char* S44Word(S44Order order);
// The order a word names (case-insensitive; "order1a" and "order-1a" are taken too).
std::optional<S44Order> ParseS44Order(std::string_view word);

}  // namespace aq
