// SPDX-License-Identifier: GPL-3.0-or-later
// Surveys with a known answer for the quality checks: straight lines run over a seabed
// given as a function of the place, one position a second and ten depths a second.
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "builders.h"
#include "model/doc.h"
#include "processing/recalc.h"

namespace aq::test {

struct QcLine {
    double x0, y0, x1, y1;  // metres (degrees when the survey is geographic)
    // Added to every depth of the line, centimetres.
    int depthOffset = 0;
};

struct QcSurveyLayout {
    std::vector<QcLine> lines;
    double speed = 2.0;          // m/s (in the plan's own units a second)
    int gapSeconds = 30;         // between lines, without records
    bool eventAtLineStart = false;
    // Depth in centimetres at a place, in the plan's units.
    std::function<double(double x, double y)> depth = [](double, double) { return 500.0; };
    // Noise added to every depth: uniform in [-noise, noise] centimetres.
    int noise = 0;
    uint32_t seed = 1;
    bool geographic = false;
    // The plan's units per metre along the line (the speed is divided by it); 1 on a grid.
    double unitsPerMetre = 1.0;
};

// A deterministic generator for the noise and the spikes.
class TestRng {
public:
    explicit TestRng(uint32_t seed) : state_(seed * 2654435761u + 12345u) {}
    uint32_t Next() {
        state_ = state_ * 1664525u + 1013904223u;
        return state_ >> 8;
    }
    int Range(int lo, int hi) { return lo + static_cast<int>(Next() % static_cast<uint32_t>(hi - lo + 1)); }

private:
    uint32_t state_;
};

// Appends the lines of the layout one after another from `start`, each run at the layout's
// speed with a position every second and a depth every tenth of a second (positions
// and depths at the same places the recalculation will give them), then recalculates.
// Returns the second after the last record.
inline int64_t BuildQcSurvey(CVKDoc& doc, const QcSurveyLayout& layout, int64_t start = At(8, 0, 0)) {
    TestRng rng(layout.seed);
    int64_t t = start;
    const uint16_t geo = layout.geographic ? REC_GEOGRAPHIC : 0;
    for (const QcLine& line : layout.lines) {
        const double length = std::hypot(line.x1 - line.x0, line.y1 - line.y0) / layout.unitsPerMetre;
        const int seconds = static_cast<int>(std::lround(length / layout.speed));
        if (layout.eventAtLineStart) Append(doc, {Event(t, 1)});
        for (int i = 0; i <= seconds; ++i) {
            for (int k = 0; k < (i < seconds ? 10 : 1); ++k) {
                const double f = (i + k / 10.0) / seconds;
                const double x = line.x0 + f * (line.x1 - line.x0);
                const double y = line.y0 + f * (line.y1 - line.y0);
                if (k == 0) {
                    const double scale = layout.geographic ? 1e7 : 100.0;
                    Append(doc, {CVKData::OfPosition(t + i, static_cast<int32_t>(std::llround(x * scale)),
                                                     static_cast<int32_t>(std::llround(y * scale)), 0,
                                                     static_cast<uint16_t>(REC_POSITION | geo), 0)});
                }
                const int d = static_cast<int>(std::lround(layout.depth(x, y))) + line.depthOffset +
                              (layout.noise > 0 ? rng.Range(-layout.noise, layout.noise) : 0);
                Append(doc, {Depth(t + i, d, static_cast<uint8_t>(k * 10))});
            }
        }
        t += seconds + layout.gapSeconds;
    }
    doc.KindFlags |= geo;
    Recalculate(doc, test::Quiet());
    return t;
}

// A grid of main lines running east and west in turn at north = 0, 20, ... and crosslines
// running north and south in turn at the given eastings, over the ranges given.
inline QcSurveyLayout GridLayout(int mainLines, const std::vector<double>& crossEastings, double east0 = 0,
                             double east1 = 300, double north0 = -20) {
    QcSurveyLayout layout;
    for (int i = 0; i < mainLines; ++i) {
        const double y = 20.0 * i;
        layout.lines.push_back(i % 2 ? QcLine{east1, y, east0, y} : QcLine{east0, y, east1, y});
    }
    const double north1 = 20.0 * (mainLines - 1) - north0;
    for (size_t i = 0; i < crossEastings.size(); ++i) {
        const double x = crossEastings[i];
        layout.lines.push_back(i % 2 ? QcLine{x, north1, x, north0} : QcLine{x, north0, x, north1});
    }
    return layout;
}

}  // namespace aq::test
