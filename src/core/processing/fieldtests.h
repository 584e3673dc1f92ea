// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "model/doc.h"

namespace aq {

// Bearing (radians, clockwise from grid north, 0 <= b < 2 pi) and distance of a
// difference dx east, dy north.
struct PolarResult {
    double bearing = 0;
    double distance = 0;
};
PolarResult Polar(double dx, double dy);

// The figures of a patch test: a line run out and back over a slope.
struct PatchTestResult {
    double Over = 0;        // seconds covered
    double Confidence = 0;  // per cent; 100 when both runs cover equal areas
    double Speed = 0;       // m/s
    double Error = 0;       // half the distance between the two profiles' centroids, m
    double Adjustment = 0;  // Error / Speed, seconds
};

// The patch test over records of the document (indices in record order, as a plan
// box collects them). Only live depths take part. Divisions by zero follow
// floating-point rules.
PatchTestResult PatchTestValues(const CVKDoc& doc, std::span<const int32_t> indices);

// The gradient between the shallowest and the deepest live record.
struct GradientTestResult {
    double Gradient = 0;  // per cent
    double Bearing = 0;   // degrees, from the shallowest toward the deepest
};
GradientTestResult GradientTestValues(const CVKDoc& doc, std::span<const int32_t> indices);

// The texts of the result boxes; a value that is infinite or undefined reads as such.
std::string PatchTestText(const PatchTestResult& r);
std::string GradientTestText(const GradientTestResult& r);

// The field tests as a box collected them: the message text, or empty when the box
// holds 3 records or fewer and the test does not run. Neither changes the document.
std::string PatchTest(const CVKDoc& doc, std::span<const int32_t> indices);
std::string GradientTest(const CVKDoc& doc, std::span<const int32_t> indices);

// Records a test needs in its box: more than this many.
inline constexpr size_t FIELD_TEST_MIN_RECORDS = 3;

}  // namespace aq
