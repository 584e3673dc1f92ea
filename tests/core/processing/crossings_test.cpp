// SPDX-License-Identifier: GPL-3.0-or-later
#include "processing/crossings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "export/crossingscsv.h"
#include "model/scriptedport.h"
#include "processing/s44.h"
#include "support/qc_survey.h"

namespace aq {
namespace {

using test::BuildQcSurvey;
using test::GridLayout;

TEST(S44, AllowancesFollowTheFormula) {
    struct Row {
        S44Order order;
        double a, b;
    };
    const Row rows[] = {{S44Order::Exclusive, 0.15, 0.0075},
                        {S44Order::Special, 0.25, 0.0075},
                        {S44Order::Order1a, 0.5, 0.013},
                        {S44Order::Order1b, 0.5, 0.013},
                        {S44Order::Order2, 1.0, 0.023}};
    for (const Row& r : rows)
        for (const double d : {5.0, 20.0, 50.0})
            EXPECT_DOUBLE_EQ(Tvu(r.order, d), std::sqrt(r.a * r.a + (r.b * d) * (r.b * d))) << S44Name(r.order) << " " << d;
    // Two values worked by hand: Special at 20 m, Order 2 at 50 m.
    EXPECT_NEAR(Tvu(S44Order::Special, 20), 0.29155, 1e-5);
    EXPECT_NEAR(Tvu(S44Order::Order2, 50), 1.52398, 1e-5);
    for (const S44Order o : kS44Orders) EXPECT_EQ(ParseS44Order(S44Word(o)), o);
    EXPECT_EQ(ParseS44Order("Order-1A"), S44Order::Order1a);
    EXPECT_FALSE(ParseS44Order("3"));
    EXPECT_FALSE(ParseS44Order(""));
}

// Main lines every 20 m north from 0 to 200, crosslines at these eastings; the seabed a
// plane sloping 5 % east and north, the crosslines reading it 0.10 m deep. At 100 m
// east the crossings fall on positions of both lines; at the others on one or neither.
const std::vector<double> kCrossEastings = {25, 51.3, 100, 175, 250};

test::QcSurveyLayout SlopingPlane() {
    test::QcSurveyLayout layout = GridLayout(11, kCrossEastings);
    for (size_t i = 11; i < layout.lines.size(); ++i) layout.lines[i].depthOffset = 10;
    layout.depth = [](double x, double y) { return 500.0 + 5.0 * x + 5.0 * y; };
    layout.noise = 2;
    return layout;
}

TEST(Crossings, SlopingPlaneGivesTheBiasOnceAtEveryCrossing) {
    CVKDoc doc;
    BuildQcSurvey(doc, SlopingPlane());
    LineSet lines;
    CrossingResult r;
    ASSERT_TRUE(SurveyCrossings(doc, LineOptions{}, CrossingOptions{}, lines, r, test::Quiet()));
    // Every crossline spans every main line: 5 x 11 crossings, each pair once.
    ASSERT_EQ(r.Crossings.size(), 55u);
    std::set<std::pair<int, int>> pairs;
    for (const Crossing& c : r.Crossings) {
        pairs.insert({c.MainLine, c.CrossLine});
        EXPECT_EQ(c.Status, CrossingStatus::Accepted);
        const SurveyLine& main = lines.Lines[static_cast<size_t>(c.MainLine - 1)];
        const SurveyLine& cross = lines.Lines[static_cast<size_t>(c.CrossLine - 1)];
        EXPECT_EQ(main.Kind, LineKind::Main);
        EXPECT_EQ(cross.Kind, LineKind::Cross);
        EXPECT_NEAR(c.East, kCrossEastings[static_cast<size_t>(c.CrossLine - 12)], 0.01);
        EXPECT_NEAR(c.North, 20.0 * (c.MainLine - 1), 0.01);
        EXPECT_GE(c.MainTime, main.Start);
        EXPECT_LE(c.MainTime, main.End);
        EXPECT_GE(c.CrossTime, cross.Start);
        EXPECT_LE(c.CrossTime, cross.End);
        // The depth of the plane there, between the two lines' readings.
        EXPECT_NEAR(c.Depth, (500.0 + 5.0 * c.East + 5.0 * c.North + 5.0) / 100.0, 0.03);
        EXPECT_NEAR(c.Delta, 0.10, 0.045);
    }
    EXPECT_EQ(pairs.size(), 55u);
    EXPECT_EQ(r.Rejected, 0u);
    EXPECT_NEAR(r.Stats.Mean, 0.10, 0.005);
    EXPECT_EQ(r.Stats.Count, 55u);

    // The statistics, worked out directly from the crossings.
    double sum = 0, sq = 0;
    std::vector<double> mags;
    for (const Crossing& c : r.Crossings) sum += c.Delta, sq += c.Delta * c.Delta, mags.push_back(std::abs(c.Delta));
    const double mean = sum / 55;
    double dev = 0;
    for (const Crossing& c : r.Crossings) dev += (c.Delta - mean) * (c.Delta - mean);
    std::sort(mags.begin(), mags.end());
    EXPECT_DOUBLE_EQ(r.Stats.Mean, mean);
    EXPECT_NEAR(r.Stats.StdDev, std::sqrt(dev / 54), 1e-12);
    EXPECT_NEAR(r.Stats.Rms, std::sqrt(sq / 55), 1e-12);
    EXPECT_DOUBLE_EQ(r.Stats.P95, mags[52]);  // rank ceil(0.95 x 55) = 53
    for (size_t o = 0; o < kS44Orders.size(); ++o) {
        const auto within = std::count_if(r.Crossings.begin(), r.Crossings.end(), [&](const Crossing& c) {
            return std::abs(c.Delta) <= Tvu(kS44Orders[o], c.Depth);
        });
        EXPECT_DOUBLE_EQ(r.Stats.PercentWithin[o], 100.0 * static_cast<double>(within) / 55);
        EXPECT_EQ(r.Stats.Pass[o], within * 100 >= 55 * 95);
    }
    // 0.10 m apart is within every order's allowance here.
    EXPECT_TRUE(r.Stats.Pass[0]);
}

TEST(Crossings, GeographicSurveyGivesTheSameCrossings) {
    const double lat0 = 53.5, lon0 = 8.5;
    const double perLat = 1.0 / 111297.0, perLon = 1.0 / 66360.0;
    const test::QcSurveyLayout grid = SlopingPlane();
    test::QcSurveyLayout layout = grid;
    layout.geographic = true;
    layout.unitsPerMetre = perLat;
    for (test::QcLine& l : layout.lines) {
        l.x0 = lon0 + l.x0 * perLon, l.x1 = lon0 + l.x1 * perLon;
        l.y0 = lat0 + l.y0 * perLat, l.y1 = lat0 + l.y1 * perLat;
    }
    layout.depth = [&](double lon, double lat) { return grid.depth((lon - lon0) / perLon, (lat - lat0) / perLat); };
    CVKDoc doc;
    BuildQcSurvey(doc, layout);
    LineSet lines;
    CrossingResult r;
    ASSERT_TRUE(SurveyCrossings(doc, LineOptions{}, CrossingOptions{}, lines, r, test::Quiet()));
    EXPECT_EQ(r.Crossings.size(), 55u);
    EXPECT_EQ(r.Stats.Count, 55u);
    EXPECT_NEAR(r.Stats.Mean, 0.10, 0.01);
    EXPECT_NEAR(r.Crossings[0].North, lat0, 0.002);
}

TEST(Crossings, RejectsFarAndSteepSoundings) {
    test::QcSurveyLayout layout = GridLayout(3, {25.1, 100});
    // A 3 m step under the first crossline: its crossings interpolate across it.
    layout.depth = [](double x, double) { return x > 25.1 ? 800.0 : 500.0; };
    CVKDoc doc;
    BuildQcSurvey(doc, layout);
    // The main soundings within 6 m of (100, 20) are deleted: the nearest lies too far.
    for (CVKData& r : doc.Records)
        if (r.IsLive(REC_DEPTH) && std::abs(r.Y - 2000) < 5 && std::abs(r.X - 10000) < 600) r.Flags |= REC_DELETED;
    Recalculate(doc, test::Quiet());
    LineSet lines;
    CrossingResult r;
    ASSERT_TRUE(SurveyCrossings(doc, LineOptions{}, CrossingOptions{}, lines, r, test::Quiet()));
    ASSERT_EQ(r.Crossings.size(), 6u);
    for (const Crossing& c : r.Crossings) {
        const bool step = std::abs(c.East - 25.1) < 0.01;
        const bool hole = std::abs(c.East - 100) < 0.01 && std::abs(c.North - 20) < 0.01;
        const CrossingStatus want = step ? CrossingStatus::TooSteep : hole ? CrossingStatus::TooFar : CrossingStatus::Accepted;
        EXPECT_EQ(c.Status, want) << c.East << " " << c.North;
    }
    EXPECT_EQ(r.Rejected, 4u);
    EXPECT_EQ(r.Stats.Count, 2u);
    // Looser limits take them all.
    CrossingOptions loose;
    loose.MaxDistance = 10;
    loose.MaxSlope = 100;
    ASSERT_TRUE(SurveyCrossings(doc, LineOptions{}, loose, lines, r, test::Quiet()));
    EXPECT_EQ(r.Rejected, 0u);
}

TEST(Crossings, SaysWhyThereIsNothingToCompare) {
    ScriptedPort port;
    LineSet lines;
    CrossingResult r;
    {
        CVKDoc doc;
        BuildQcSurvey(doc, GridLayout(3, {}));
        EXPECT_FALSE(SurveyCrossings(doc, LineOptions{}, CrossingOptions{}, lines, r, port));
    }
    {
        // Crosslines east of the main lines' end: no crossing.
        CVKDoc doc;
        BuildQcSurvey(doc, GridLayout(3, {400, 450}));
        EXPECT_FALSE(SurveyCrossings(doc, LineOptions{}, CrossingOptions{}, lines, r, port));
        CrossingOptions bad;
        bad.MaxSlope = -1;
        EXPECT_FALSE(SurveyCrossings(doc, LineOptions{}, bad, lines, r, port));
    }
    ASSERT_EQ(port.messages.size(), 3u);
    EXPECT_EQ(port.messages[0].text, NoMainAndCrossText(3, 0));
    EXPECT_EQ(port.messages[1].text, NO_CROSSINGS);
    EXPECT_NE(port.messages[2].text.find("slope"), std::string::npos);
    EXPECT_EQ(port.openPhases, 0);
}

TEST(Crossings, CsvHoldsEveryCrossingAndFailsNamingTheFile) {
    CVKDoc doc;
    ScriptedPort port;
    BuildQcSurvey(doc, SlopingPlane());
    LineSet lines;
    CrossingResult r;
    ASSERT_TRUE(SurveyCrossings(doc, LineOptions{}, CrossingOptions{}, lines, r, port));
    const auto dir = std::filesystem::temp_directory_path() / ("aquenta_crossings_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "x.csv").string();
    ASSERT_TRUE(ExportCrossingsCsv(doc, path, r, port));
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const std::string s = text.str();
    EXPECT_EQ(std::count(s.begin(), s.end(), '\n'), 56);
    EXPECT_EQ(std::count(s.begin(), s.end(), '\r'), 56);
    EXPECT_EQ(s.substr(0, s.find('\r')), CROSSINGS_CSV_HEADER);
    EXPECT_NE(s.find(CrossingCsvLine(r.Crossings[7], false)), std::string::npos);
    EXPECT_TRUE(port.messages.empty());

    const std::string missing = (dir / "no" / "x.csv").string();
    EXPECT_FALSE(ExportCrossingsCsv(doc, missing, r, port));
    ASSERT_EQ(port.messages.size(), 1u);
    EXPECT_NE(port.messages[0].text.find(missing), std::string::npos);
    std::filesystem::remove_all(dir);
}

}  // namespace
// Figures that do not exist are "-": none at all without a difference, no spread with
// one; the pass lines are there and say no.
TEST(Crossings, StatisticsTextLeavesOutFiguresThatDoNotExist) {
    const std::string none = CrossingStatisticsText(CrossingStatistics{}, "");
    EXPECT_NE(none.find("bias_m=-\n"), std::string::npos) << none;
    EXPECT_NE(none.find("stddev_m=-\n"), std::string::npos) << none;
    EXPECT_NE(none.find("within_1a_pct=-\n"), std::string::npos) << none;
    EXPECT_NE(none.find("pass_1a=no\n"), std::string::npos) << none;
    EXPECT_EQ(none.find("0.000"), std::string::npos) << none;

    Crossing k;
    k.Delta = 0.05;
    k.Depth = 10;
    const CrossingStatistics one = ComputeCrossingStatistics({k});
    const std::string text = CrossingStatisticsText(one, "node_");
    EXPECT_NE(text.find("node_bias_m=0.050\n"), std::string::npos) << text;
    EXPECT_NE(text.find("node_stddev_m=-\n"), std::string::npos) << text;
    EXPECT_NE(text.find("node_within_1a_pct=100.0\n"), std::string::npos) << text;
}

}  // namespace aq
