// SPDX-License-Identifier: GPL-3.0-or-later
#include "processing/gnsstide.h"

#include <gtest/gtest.h>

#include <cmath>

#include "model/scriptedport.h"
#include "processing/recalc.h"
#include "support/builders.h"

namespace aq {
namespace {

using test::At;

class GnssTideTest : public testing::Test {
protected:
    // A position a second from 10:00 for `seconds`, height z(s) in cm at quality q.
    template <class Height>
    void Positions(int from, int seconds, Height z, uint8_t quality = GGA_RTK_FIXED) {
        for (int s = from; s < from + seconds; ++s) {
            CVKData r = test::Pos(At(10, 0, 0) + s, 100000 + s, 200000, z(s));
            r.Quality = quality;
            test::Append(doc, {r});
        }
    }
    std::vector<CVKData> Tides() const {
        std::vector<CVKData> t;
        for (const CVKData& r : doc.Records)
            if ((r.Flags & 0xF0) == REC_TIDE) t.push_back(r);
        return t;
    }

    ScriptedPort port;
    CVKDoc doc;
    GnssTideSettings settings;
};

TEST_F(GnssTideTest, LevelIsTheHeightLessAntennaSeparationAndDatum) {
    Positions(0, 600, [](int) { return 4500; });  // 45 m
    Recalculate(doc, port);
    port.phases.clear();
    settings.antennaHeight = 2.0;
    settings.constantSeparation = 40.0;
    settings.datumOffset = -1.5;  // chart datum 1.5 m below the surface
    ASSERT_TRUE(TideFromGnss(doc, settings, nullptr, port)) << port.Texts().back();
    const auto tides = Tides();
    // Every 10 s where the whole minute's window has fixes: 10:00:30 to 10:09:20.
    ASSERT_EQ(tides.size(), 54u);
    EXPECT_EQ(tides.front().Time, At(10, 0, 30));
    EXPECT_EQ(tides.back().Time, At(10, 9, 20));
    for (const CVKData& t : tides) EXPECT_EQ(t.Tide, 450);  // 45 - 2 - 40 + 1.5
    ASSERT_FALSE(port.phases.empty());
    EXPECT_EQ(port.phases[0], "Water level from GNSS heights");
    EXPECT_EQ(port.openPhases, 0);
}

TEST_F(GnssTideTest, SmoothingTakesOutHeaveAndFollowsTheTide) {
    // 0.3 m of heave at 7 s on a tide rising 1 m in the hour; the heights pass through 0,
    // which a GGA fix may well give.
    Positions(0, 3600, [](int s) {
        return static_cast<int>(std::lround(100.0 * (s / 3600.0 + 0.3 * std::sin(2 * M_PI * s / 7.0))));
    });
    Recalculate(doc, port);
    ASSERT_TRUE(TideFromGnss(doc, settings, nullptr, port));
    double worst = 0;
    for (const CVKData& t : Tides()) {
        const double s = static_cast<double>(t.Time - At(10, 0, 0));
        worst = std::max(worst, std::fabs(t.Tide - 100.0 * s / 3600.0));
    }
    EXPECT_LE(worst, 2.0);  // centimetres, edges included
}

TEST_F(GnssTideTest, GapsLongerThanTheLimitStayGaps) {
    Positions(0, 300, [](int) { return 100; });
    Positions(600, 300, [](int) { return 100; });  // five minutes without fixes
    Recalculate(doc, port);
    settings.maxGap = 120;
    ASSERT_TRUE(TideFromGnss(doc, settings, nullptr, port));
    for (const CVKData& t : Tides()) EXPECT_FALSE(t.Time > At(10, 4, 59) && t.Time < At(10, 10, 0));
    EXPECT_NE(port.Texts().back().find("1 gaps longer than 120 s"), std::string::npos);

    // A longer limit bridges it, along the line between the fixes either side.
    settings.maxGap = 400;
    port.answers = {true};
    ASSERT_TRUE(TideFromGnss(doc, settings, nullptr, port));
    EXPECT_EQ(Tides().size(), 84u);  // 10:00:30 to 10:14:20
}

TEST_F(GnssTideTest, OnlyFixesOfTheQualityAskedForAreUsed) {
    Positions(0, 600, [](int) { return 100; }, GGA_RTK_FIXED);
    Positions(600, 600, [](int) { return 900; }, GGA_RTK_FLOAT);  // a float stretch 8 m off
    Positions(1200, 600, [](int) { return 100; }, 0);              // a reader that keeps no quality
    Positions(1800, 60, [](int) { return 0; }, 0);                 // GLL: no height
    Recalculate(doc, port);
    settings.maxGap = 1000;
    ASSERT_TRUE(TideFromGnss(doc, settings, nullptr, port));
    for (const CVKData& t : Tides()) EXPECT_EQ(t.Tide, 100) << t.Time - At(10, 0, 0);
    const std::string said = port.Texts().back();
    EXPECT_NE(said.find("600 positions below RTK fixed (4) were left out"), std::string::npos) << said;
    EXPECT_NE(said.find("60 positions without a height"), std::string::npos) << said;
    EXPECT_NE(said.find("600 positions of unknown fix quality were used"), std::string::npos) << said;

    // Float counts as better than DGPS: a minimum of 2 takes it in.
    settings.minQuality = GGA_DGPS;
    port.answers = {true};
    GnssTideResult result;
    ASSERT_TRUE(ComputeGnssTide(doc, settings, nullptr, result, port));
    EXPECT_EQ(result.used, 1800u);
    EXPECT_EQ(GgaQualityRank(6), 0);  // an estimated fix is no measurement
}

TEST_F(GnssTideTest, BadInputIsRefusedWithItsReasonAndNothingChanges) {
    const auto refused = [&](const char* words) {
        port.messages.clear();
        const std::vector<CVKData> before = doc.Records;
        EXPECT_FALSE(TideFromGnss(doc, settings, nullptr, port));
        EXPECT_EQ(doc.Records, before);
        ASSERT_EQ(port.messages.size(), 1u);
        EXPECT_EQ(port.messages[0].severity, Severity::Error);
        EXPECT_NE(port.messages[0].text.find(words), std::string::npos) << port.messages[0].text;
    };
    refused("needs position records");
    Positions(0, 60, [](int) { return 0; }, 0);  // GLL or RMC
    test::Append(doc, {test::Tide(At(10, 0, 0), 55)});
    Recalculate(doc, port);
    refused("has a height");
    doc.Records.clear();
    Positions(0, 60, [](int) { return 100; }, GGA_DGPS);
    Recalculate(doc, port);
    refused("fix quality asked for (RTK fixed (4) or better)");
    doc.Records.clear();
    Positions(0, 60, [](int) { return 100; });
    Recalculate(doc, port);
    settings.constantSeparation = -400;  // a level of 401 m does not fit a tide record
    refused("beyond what a tide record holds");
    settings.constantSeparation = 0;
    settings.interval = 0.5;
    refused("tide interval");
}

// A source that fails, and one that gives a slope eastward.
class FakeSource final : public SeparationSource {
public:
    bool fail = false;
    double west = 0, east = 0;
    bool Prepare(double w, double, double e, double, std::string& error) override {
        west = w;
        east = e;
        if (fail) error = "The separation grid \"g.tif\" cannot be read: no such file";
        return !fail;
    }
    bool Lookup(std::span<const double> lon, std::span<const double>, std::span<double> out, std::string&) override {
        for (size_t i = 0; i < lon.size(); ++i) out[i] = 40.0 + 10.0 * (lon[i] - 4.0);
        return true;
    }
};

TEST_F(GnssTideTest, TheSourceGivesASeparationPerPosition) {
    // Eastward along 0.01° in 600 s at a steady 41.5 m: the separation rises with it.
    for (int s = 0; s < 600; ++s)
        test::Append(doc, {CVKData::OfPosition(At(10, 0, 0) + s, 40000000 + s * 1000 / 6, 520000000, 4150,
                                               REC_POSITION | REC_GEOGRAPHIC, 0)});
    Recalculate(doc, port);
    FakeSource source;
    settings.window = 0;
    ASSERT_TRUE(TideFromGnss(doc, settings, &source, port)) << port.Texts().back();
    EXPECT_NEAR(source.west, 4.0, 1e-9);
    EXPECT_NEAR(source.east, 4.0 + 599.0 / 60000, 1e-7);
    const auto tides = Tides();
    EXPECT_EQ(tides.front().Tide, 150);
    EXPECT_EQ(tides.back().Tide, 150 - 10);  // at 10:09:50, 0.00983° east

    source.fail = true;
    port.messages.clear();
    EXPECT_FALSE(TideFromGnss(doc, settings, &source, port));
    EXPECT_EQ(port.Texts().back(), "The separation grid \"g.tif\" cannot be read: no such file");
    EXPECT_EQ(Tides().size(), tides.size());
}

TEST_F(GnssTideTest, ReplacingAsksFirstAndTakesEveryOldTideAndItsOffsets) {
    Positions(0, 120, [](int) { return 100; });
    test::Append(doc, {test::Tide(At(9, 0, 0), 10), test::Deleted(test::Tide(At(9, 10, 0), 20))});
    doc.TideOffset = 5;
    doc.TideTimeOffset = 30;
    Recalculate(doc, port);
    port.answers = {false};
    EXPECT_FALSE(TideFromGnss(doc, settings, nullptr, port));
    ASSERT_EQ(port.questions.size(), 1u);
    EXPECT_EQ(port.questions[0], "The survey has 2 tide records. Replace them with the 6 water levels from the GNSS heights?");
    EXPECT_EQ(Tides().size(), 2u);
    EXPECT_EQ(doc.TideOffset, 5);

    port.answers = {true};
    ASSERT_TRUE(TideFromGnss(doc, settings, nullptr, port));
    EXPECT_EQ(Tides().size(), 6u);
    EXPECT_EQ(doc.CountTide, 6);
    EXPECT_EQ(doc.TideOffset, 0);
    EXPECT_EQ(doc.TideTimeOffset, 0);
    // The positions carry the new tide after recalculation.
    for (const CVKData& r : doc.Records)
        if (r.IsLive(REC_POSITION) && r.Time > At(10, 0, 40) && r.Time < At(10, 1, 20)) {
            EXPECT_EQ(r.Tide, 100);
        }
}

TEST_F(GnssTideTest, ComparisonInterpolatesTheObservedTides) {
    test::Append(doc, {test::Tide(At(10, 0, 0), 100), test::Tide(At(10, 10, 0), 200),
                       test::Deleted(test::Tide(At(10, 5, 0), 900)), test::Tide(At(14, 0, 0), 300)});
    Recalculate(doc, port);
    const std::vector<TideLevel> gnss = {{At(9, 59, 0) * 100, 5.0},     // before the tides: left out
                                         {At(10, 0, 0) * 100, 1.02},
                                         {At(10, 5, 0) * 100, 1.46},    // observed 1.5 between the two
                                         {At(10, 10, 0) * 100, 2.0},
                                         {At(12, 0, 0) * 100, 9.0}};   // across a 4-hour gap: left out
    TideComparison c;
    ASSERT_TRUE(CompareTides(doc, gnss, c, port));
    EXPECT_EQ(c.compared, 3u);
    EXPECT_NEAR(c.mean, (0.02 - 0.04 + 0.0) / 3, 1e-9);
    EXPECT_NEAR(c.maxAbs, -0.04, 1e-9);
    EXPECT_EQ(c.maxAt, At(10, 5, 0) * 100);
    EXPECT_EQ(c.observed.size(), 3u);
    EXPECT_NE(ComparisonText(c).find("max=-0.040\n"), std::string::npos);

    EXPECT_FALSE(CompareTides(doc, {{At(20, 0, 0) * 100, 1.0}}, c, port));
    EXPECT_NE(port.Texts().back().find("None of the 1 GNSS water levels"), std::string::npos);
}

}  // namespace
}  // namespace aq
