// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numeric>

#include "processing/fieldtests.h"
#include "support/builders.h"

namespace aq {
namespace {

using test::At;

// Records placed by hand (no recalculation): depths at metres along a line running east.
struct FieldTestFixture : ::testing::Test {
    CVKDoc doc;
    std::vector<int32_t> all;

    void Depth(double eastMetres, double northMetres, int cm, int64_t time, uint8_t hundredths = 0) {
        CVKData r = test::Depth(time, cm, hundredths);
        r.X = static_cast<int64_t>(std::llround(eastMetres * 100));
        r.Y = static_cast<int64_t>(std::llround(northMetres * 100));
        Add(r);
    }
    void Add(const CVKData& r) {
        doc.Records.push_back(r);
        doc.KindFlags |= r.Flags;
        all.push_back(static_cast<int32_t>(doc.Records.size()) - 1);
    }
    // Out along the line over a rising seabed, 2 s a step.
    void RunOut(int64_t start) {
        for (int k = 0; k < 4; ++k) Depth(1000 + k * 10, 2000, 500 + k * 100, start + 2 * k);
    }
    void RunBack(int64_t start) {
        for (int k = 3; k >= 0; --k) Depth(1000 + k * 10, 2000, 500 + k * 100, start + 2 * (3 - k));
    }
};

TEST_F(FieldTestFixture, PatchTestOfTwoIdenticalRunsIsFullyConfidentWithoutError) {
    RunOut(At(10, 0, 0));
    RunBack(At(10, 0, 8));
    // Other kinds and deleted depths in the box take no part.
    Add(test::Pos(At(10, 0, 3), 0, 0));
    Add(test::Deleted(test::Depth(At(10, 0, 4), 3000)));
    const PatchTestResult r = PatchTestValues(doc, all);
    EXPECT_DOUBLE_EQ(r.Over, 14.0);
    EXPECT_DOUBLE_EQ(r.Confidence, 100.0);
    EXPECT_DOUBLE_EQ(r.Error, 0.0);
    EXPECT_EQ(PatchTest(doc, all),
              "PATCH TEST RESULTS\n Over 14.0 Seconds\n Confidence 100.0%\nSpeed 4.29m/s\nError 0.000m\n"
              "Adjustment 0.00 Seconds");
}

TEST_F(FieldTestFixture, PatchTestSeesTheLagBetweenTheRuns) {
    // The return run's profile lies 2 m further out.
    RunOut(At(10, 0, 0));
    for (int k = 3; k >= 0; --k) Depth(1002 + k * 10, 2000, 500 + k * 100, At(10, 0, 8) + 2 * (3 - k));
    const PatchTestResult r = PatchTestValues(doc, all);
    EXPECT_GT(r.Error, 0.3);
    EXPECT_LT(r.Error, 1.0);
    EXPECT_LT(r.Confidence, 100.0);
    EXPECT_DOUBLE_EQ(r.Adjustment, r.Error / r.Speed);
}

TEST_F(FieldTestFixture, PatchTestOfOneRunHasNoConfidenceAndAnUndefinedError) {
    // Hundredths count: 0.90 s to 1.10 s is 0.2 s.
    Depth(1000, 2000, 500, At(10, 0, 0), 90);
    Depth(1010, 2000, 600, At(10, 0, 1), 10);
    Depth(1020, 2000, 700, At(10, 0, 2), 10);
    Depth(1030, 2000, 800, At(10, 0, 3), 10);
    const PatchTestResult r = PatchTestValues(doc, all);
    EXPECT_NEAR(r.Over, 2.2, 1e-9);
    EXPECT_DOUBLE_EQ(r.Confidence, 0.0);
    EXPECT_TRUE(std::isnan(r.Error));
    EXPECT_EQ(PatchTestText(r),
              "PATCH TEST RESULTS\n Over 2.2 Seconds\n Confidence 0.0%\nSpeed 13.64m/s\nError undefined\n"
              "Adjustment undefined");
}

TEST_F(FieldTestFixture, PatchTestWithoutDepthsAndTheTextsOfInfiniteFigures) {
    for (int k = 0; k < 4; ++k) Add(test::Pos(At(10, 0, k), 1000 * k, 0));
    EXPECT_EQ(PatchTest(doc, all),
              "PATCH TEST RESULTS\n Over 0.0 Seconds\n Confidence undefined\nSpeed undefined\nError undefined\n"
              "Adjustment undefined");
    PatchTestResult r;
    r.Speed = std::numeric_limits<double>::infinity();
    r.Adjustment = -r.Speed;
    EXPECT_EQ(PatchTestText(r),
              "PATCH TEST RESULTS\n Over 0.0 Seconds\n Confidence 0.0%\nSpeed infinite\nError 0.000m\n"
              "Adjustment -infinite");
    // Three records or fewer: no test at all.
    EXPECT_EQ(PatchTest(doc, std::span(all).first(3)), "");
    EXPECT_EQ(GradientTest(doc, std::span(all).first(3)), "");
}

TEST_F(FieldTestFixture, GradientRunsFromTheShallowestTowardTheDeepest) {
    const auto bearing = [this](double dx, double dy) {
        doc.Records.clear();
        all.clear();
        Depth(100, 100, 500, At(10, 0, 0));
        Depth(100 + dx / 2, 100 + dy / 2, 700, At(10, 0, 1));
        Depth(100 + dx, 100 + dy, 1000, At(10, 0, 2));
        Add(test::Deleted(test::Depth(At(10, 0, 3), 3000)));  // never the deepest
        return GradientTest(doc, all);
    };
    EXPECT_EQ(bearing(10, 0), "GRADIENT TEST RESULTS\n Gradient 50.00 %\n Bearing 90 Degrees");
    EXPECT_EQ(bearing(0, -10), "GRADIENT TEST RESULTS\n Gradient 50.00 %\n Bearing 180 Degrees");
    EXPECT_EQ(bearing(-20, 0), "GRADIENT TEST RESULTS\n Gradient 25.00 %\n Bearing 270 Degrees");
    EXPECT_EQ(bearing(0, 10), "GRADIENT TEST RESULTS\n Gradient 50.00 %\n Bearing 0 Degrees");
    // Deepest and shallowest at one place: no distance to divide by.
    EXPECT_EQ(bearing(0, 0), "GRADIENT TEST RESULTS\n Gradient infinite\n Bearing 0 Degrees");
}

TEST_F(FieldTestFixture, GradientOfAGeographicSurveyTakesNineMicrodegreesAMetre) {
    const auto geo = [this](double lon, double lat, int cm, int second) {
        CVKData r = CVKData::OfPosition(At(10, 0, second), 0, 0, 0, REC_POSITION | REC_GEOGRAPHIC, 0);
        r.X = std::llround(lon * 1e7);
        r.Y = std::llround(lat * 1e7);
        r.Depth = static_cast<int16_t>(cm);
        Add(r);
    };
    geo(8.0, 53.0, 500, 0);
    geo(8.0, 53.0, 500, 1);  // a tie keeps the earlier record
    geo(8.0, 53.0 - 90e-6, 1500, 2);
    geo(8.0, 53.0 - 45e-6, 1000, 3);
    const GradientTestResult r = GradientTestValues(doc, all);
    EXPECT_NEAR(r.Gradient, 100.0, 1e-6);  // 10 m down over 10 m south
    EXPECT_NEAR(r.Bearing, 180.0, 1e-9);
}

}  // namespace
}  // namespace aq
