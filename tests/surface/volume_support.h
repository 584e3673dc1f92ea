// SPDX-License-Identifier: GPL-3.0-or-later
// Surveys with known answers for the volume tests.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "surface/soundings.h"
#include "surface/volume.h"

namespace aq::test {

// Soundings of lines running east at the given northings, one every `step` metres from
// x0 to x1 (both ends on every line), the seabed at level(x, y).
inline surface::Soundings EastLines(const std::vector<double>& northings, double x0, double x1, double step,
                                    const std::function<double(double, double)>& level) {
    surface::Soundings s;
    for (const double y : northings) {
        const int n = static_cast<int>(std::round((x1 - x0) / step));
        for (int i = 0; i <= n; ++i) {
            const double x = x0 + (x1 - x0) * i / n;
            s.x.push_back(x);
            s.y.push_back(y);
            s.z.push_back(static_cast<float>(level(x, y)));
        }
    }
    s.runs = {0, s.size()};
    return s;
}

// from, from + step, ... as far as to.
inline std::vector<double> Every(double from, double to, double step) {
    std::vector<double> v;
    for (double y = from; y <= to + 1e-9; y += step) v.push_back(y);
    return v;
}

// A design level to measure against.
inline surface::Reference Level(double level) {
    surface::Reference r;
    r.kind = surface::ReferenceKind::Level;
    r.level = level;
    return r;
}

// The figures of one method, failing the test when the result lacks it.
inline const VolumeFigures& Row(const surface::VolumeResult& r, const std::string& method) {
    for (const VolumeFigures& f : r.figures)
        if (f.method == method) return f;
    ADD_FAILURE() << "no row " << method;
    static VolumeFigures none;
    return none;
}

}  // namespace aq::test
