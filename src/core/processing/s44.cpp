// SPDX-License-Identifier: GPL-3.0-or-later
#include "processing/s44.h"

#include <cctype>
#include <cmath>
#include <string>

namespace aq {

S44Coefficients S44CoefficientsOf(S44Order order) {
    switch (order) {
        case S44Order::Exclusive: return {0.15, 0.0075};
        case S44Order::Special: return {0.25, 0.0075};
        case S44Order::Order1a:
        case S44Order::Order1b: return {0.5, 0.013};
        case S44Order::Order2: return {1.0, 0.023};
    }
    return {1.0, 0.023};
}

double Tvu(S44Order order, double depth) {
    const S44Coefficients c = S44CoefficientsOf(order);
    const double bd = c.b * depth;
    return std::sqrt(c.a * c.a + bd * bd);
}

const char* S44Name(S44Order order) {
    switch (order) {
        case S44Order::Exclusive: return "Exclusive";
        case S44Order::Special: return "Special";
        case S44Order::Order1a: return "1a";
        case S44Order::Order1b: return "1b";
        case S44Order::Order2: return "2";
    }
    return "";
}

const char* S44Word(S44Order order) {
    switch (order) {
        case S44Order::Exclusive: return "exclusive";
        case S44Order::Special: return "special";
        case S44Order::Order1a: return "1a";
        case S44Order::Order1b: return "1b";
        case S44Order::Order2: return "2";
    }
    return "";
}

std::optional<S44Order> ParseS44Order(std::string_view word) {
    std::string w;
    for (const char c : word) w += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (w.starts_with("order")) {
        w.erase(0, 5);
        if (!w.empty() && (w[0] == '-' || w[0] == ' ' || w[0] == '_')) w.erase(0, 1);
    }
    for (const S44Order order : kS44Orders)
        if (w == S44Word(order)) return order;
    return std::nullopt;
}

}  // namespace aq
