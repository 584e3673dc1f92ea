// SPDX-License-Identifier: GPL-3.0-or-later
#include "processing/fieldtests.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "model/muldiv.h"

namespace aq {

namespace {

const double kQuarterPi = std::atan(1.0);

// printf prints "inf" and "-nan"; the boxes say what such a figure means, without the
// unit that no longer applies.
std::string Figure(double v, const char* format, const char* unit) {
    if (std::isnan(v)) return "undefined";
    if (std::isinf(v)) return v > 0 ? "infinite" : "-infinite";
    char buf[64];
    std::snprintf(buf, sizeof buf, format, v);
    return std::string(buf) + unit;
}

const CVKData& At(const CVKDoc& doc, int32_t index) { return doc.Records[static_cast<size_t>(index)]; }

}  // namespace

PolarResult Polar(double dx, double dy) {
    PolarResult p;
    p.bearing = std::atan2(dx, dy);
    while (p.bearing < 0) p.bearing += 8 * kQuarterPi;
    const double sq = dx * dx + dy * dy;
    p.distance = sq > 0 ? std::sqrt(sq) : 0.0;
    return p;
}

PatchTestResult PatchTestValues(const CVKDoc& doc, std::span<const int32_t> indices) {
    const bool geo = doc.IsGeographic();
    bool first = true;
    double x0 = 0, y0 = 0;
    double w = 0, prevDepth = 0, prevFraction = 0;
    int64_t prevTime = 0;
    double outArea = 0, outMoment = 0, inArea = 0, inMoment = 0;
    double totalTime = 0, totalDistance = 0;
    for (const int32_t i : indices) {
        const CVKData& r = At(doc, i);
        if ((r.Flags & 0x11) != REC_DEPTH) continue;
        const double x = CoordToReal(r.X, geo);
        const double y = CoordToReal(r.Y, geo);
        const double g = r.Depth / 100.0;
        const double fraction = r.Hundredths / 100.0;
        if (first) {
            first = false;
            x0 = x;
            y0 = y;
            prevDepth = g;
            prevTime = r.Time;
            prevFraction = fraction;
            continue;
        }
        const double a = Polar(x - x0, y - y0).distance;
        const double strip = std::fabs((a - w) * (prevDepth + g) * 0.5);
        const double moment = strip * (a + w) * 0.5;
        if (w < a) {
            outArea += strip;
            outMoment += moment;
        } else {
            inArea += strip;
            inMoment += moment;
        }
        const int64_t seconds = std::llabs(int64_t{Sub32(Low32(r.Time), Low32(prevTime))});
        totalTime += static_cast<double>(seconds) + (fraction - prevFraction);
        totalDistance += std::fabs(a - w);
        prevDepth = g;
        w = a;
        prevTime = r.Time;
        prevFraction = fraction;
    }
    PatchTestResult res;
    res.Over = totalTime;
    res.Speed = totalDistance / totalTime;
    res.Confidence = 100.0 - std::fabs((outArea - inArea) * 100.0 / (outArea + inArea));
    res.Error = std::fabs(outMoment / outArea - inMoment / inArea) * 0.5;
    res.Adjustment = res.Error / res.Speed;
    return res;
}

GradientTestResult GradientTestValues(const CVKDoc& doc, std::span<const int32_t> indices) {
    GradientTestResult res;
    if (indices.empty()) return res;
    const CVKData* deepest = &At(doc, indices[0]);
    const CVKData* shallowest = deepest;
    for (size_t k = 1; k < indices.size(); ++k) {
        const CVKData& r = At(doc, indices[k]);
        if (r.IsDeleted()) continue;
        if (r.Depth > deepest->Depth) deepest = &r;
        if (r.Depth < shallowest->Depth) shallowest = &r;
    }
    const bool geo = doc.IsGeographic();
    double dx = CoordToReal(deepest->X, geo) - CoordToReal(shallowest->X, geo);
    double dy = CoordToReal(deepest->Y, geo) - CoordToReal(shallowest->Y, geo);
    const double dz = (deepest->Depth - shallowest->Depth) / 100.0;
    if (geo) {
        // A metre taken as 9e-6 degree both ways; good enough over a test box.
        dx /= 9e-6;
        dy /= 9e-6;
    }
    const PolarResult p = Polar(dx, dy);
    res.Bearing = p.bearing * 45.0 / kQuarterPi;
    res.Gradient = dz / p.distance * 100.0;
    return res;
}

std::string PatchTestText(const PatchTestResult& r) {
    return "PATCH TEST RESULTS\n Over " + Figure(r.Over, "%.1f", " Seconds") + "\n Confidence " +
           Figure(r.Confidence, "%.1f", "%") + "\nSpeed " + Figure(r.Speed, "%.2f", "m/s") + "\nError " +
           Figure(r.Error, "%.3f", "m") + "\nAdjustment " + Figure(r.Adjustment, "%.2f", " Seconds");
}

std::string GradientTestText(const GradientTestResult& r) {
    return "GRADIENT TEST RESULTS\n Gradient " + Figure(r.Gradient, "%.2f", " %") + "\n Bearing " +
           Figure(r.Bearing, "%.0f", " Degrees");
}

std::string PatchTest(const CVKDoc& doc, std::span<const int32_t> indices) {
    if (indices.size() <= FIELD_TEST_MIN_RECORDS) return {};
    return PatchTestText(PatchTestValues(doc, indices));
}

std::string GradientTest(const CVKDoc& doc, std::span<const int32_t> indices) {
    if (indices.size() <= FIELD_TEST_MIN_RECORDS) return {};
    return GradientTestText(GradientTestValues(doc, indices));
}

}  // namespace aq
