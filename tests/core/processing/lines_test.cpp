// SPDX-License-Identifier: GPL-3.0-or-later
#include "processing/lines.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "model/scriptedport.h"
#include "processing/crossings.h"
#include "support/builders.h"
#include "support/qc_survey.h"

namespace aq {
namespace {

using test::Append;
using test::At;
using test::BuildQcSurvey;
using test::GridLayout;

// Appends a track of positions only (no depths), one a second, along a path given by
// place at each second.
template <class Place>
void Track(CVKDoc& doc, int64_t start, int seconds, Place place) {
    for (int s = 0; s <= seconds; ++s) {
        double x, y;
        place(s, x, y);
        Append(doc, {test::Pos(start + s, static_cast<int32_t>(std::lround(x * 100)), static_cast<int32_t>(std::lround(y * 100)))});
    }
}

TEST(SurveyLines, GridSurveySplitsAtGapsAndSortsByHeading) {
    CVKDoc doc;
    BuildQcSurvey(doc, GridLayout(11, {25, 100, 175, 250}));
    const LineSet set = FindLines(doc, LineOptions{});
    ASSERT_EQ(set.Lines.size(), 15u);
    EXPECT_EQ(set.Count(LineKind::Main), 11u);
    EXPECT_EQ(set.Count(LineKind::Cross), 4u);
    EXPECT_NEAR(set.MainHeading, 90.0, 0.1);
    for (size_t i = 0; i < set.Lines.size(); ++i) {
        const SurveyLine& l = set.Lines[i];
        EXPECT_EQ(l.Number, static_cast<int>(i) + 1);
        const bool main = i < 11;
        // Main lines run east and west in turn, crosslines north and south.
        const double heading = main ? (i % 2 ? 270.0 : 90.0) : ((i - 11) % 2 ? 180.0 : 0.0);
        EXPECT_NEAR(l.Heading, heading, 0.01) << "line " << l.Number;
        EXPECT_NEAR(l.Length, main ? 300.0 : 240.0, 0.01);
        EXPECT_EQ(l.End - l.Start, (main ? 150 : 120) * 100);
        // Ten depths a second between the first position and the last.
        EXPECT_EQ(l.SoundingCount(), main ? 1500u : 1200u);
        EXPECT_TRUE(doc.Records[l.FirstRecord].Has(REC_POSITION));
        EXPECT_TRUE(doc.Records[l.LastRecord].Has(REC_POSITION));
    }
}

// The window's progress dialog follows the search for lines and crossings through the
// port the command is given; without a port the same lines are found, quietly.
TEST(SurveyLines, ProgressGoesToThePortTheCommandIsGiven) {
    CVKDoc doc;
    BuildQcSurvey(doc, GridLayout(11, {25, 100, 175, 250}));
    ScriptedPort port;
    LineSet lines;
    CrossingResult crossings;
    ASSERT_TRUE(SurveyCrossings(doc, LineOptions{}, CrossingOptions{}, lines, crossings, port));
    EXPECT_EQ(port.phases, (std::vector<std::string>{"Finding Survey Lines", "Finding Crossings"}));
    EXPECT_EQ(port.openPhases, 0);
    ASSERT_FALSE(port.progress.empty());
    EXPECT_EQ(port.progress.back(), 100);
    EXPECT_TRUE(port.messages.empty());
    EXPECT_EQ(FindLines(doc, LineOptions{}).Lines.size(), lines.Lines.size());
}

TEST(SurveyLines, TurnsEndLinesAndAreNoLinesThemselves) {
    CVKDoc doc;
    // Four 200 m legs at 2 m/s joined by half circles of 10 m radius run at 1 m/s: no
    // gap and no event, only the turns part them.
    const double pi = std::numbers::pi;
    const int leg = 100, turn = static_cast<int>(std::lround(10 * pi));
    const int period = leg + turn;
    Track(doc, At(8, 0, 0), 4 * period - turn, [&](int s, double& x, double& y) {
        const int k = s / period, r = s % period;
        const bool east = k % 2 == 0;
        if (r <= leg) {
            x = east ? 2.0 * r : 200.0 - 2.0 * r;
            y = 20.0 * k;
        } else {
            const double a = pi * (r - leg) / turn;
            x = east ? 200.0 + 10 * std::sin(a) : -10 * std::sin(a);
            y = 20.0 * k + 10 - 10 * std::cos(a);
        }
    });
    doc.NeedsSort = true;
    Recalculate(doc, test::Quiet());
    const LineSet set = FindLines(doc, LineOptions{});
    ASSERT_EQ(set.Lines.size(), 4u);
    for (const SurveyLine& l : set.Lines) {
        EXPECT_EQ(l.Kind, LineKind::Main);
        EXPECT_NEAR(std::fmod(l.Heading, 180.0), 90.0, 0.5);
        // Each loses at most half the turn distance at an end that meets a turn.
        EXPECT_GT(l.Length, 200.0 - 2 * 10.0 - 1.0);
        EXPECT_LE(l.Length, 200.0 + 0.01);
    }
}

TEST(SurveyLines, EventsAndGapsEndLinesUnlessTold) {
    CVKDoc doc;
    const int64_t t0 = At(8, 0, 0);
    Track(doc, t0, 150, [](int s, double& x, double& y) { x = 2.0 * s, y = 0; });
    Append(doc, {test::Event(t0 + 75, 7)});
    doc.NeedsSort = true;
    Recalculate(doc, test::Quiet());
    EXPECT_EQ(FindLines(doc, LineOptions{}).Lines.size(), 2u);
    LineOptions ignoring;
    ignoring.SplitAtEvents = false;
    EXPECT_EQ(FindLines(doc, ignoring).Lines.size(), 1u);

    // Twenty seconds without a position: a gap unless the gap allowed is longer.
    CVKDoc gap;
    Track(gap, t0, 60, [](int s, double& x, double& y) { x = 2.0 * s, y = 0; });
    Track(gap, t0 + 80, 60, [](int s, double& x, double& y) { x = 160.0 + 2.0 * s, y = 0; });
    gap.NeedsSort = true;
    Recalculate(gap, test::Quiet());
    EXPECT_EQ(FindLines(gap, LineOptions{}).Lines.size(), 2u);
    LineOptions patient;
    patient.GapSeconds = 30;
    patient.GapDistance = 100;
    EXPECT_EQ(FindLines(gap, patient).Lines.size(), 1u);
    // A deleted position is no position: deleting the ones before the jump leaves a gap
    // in distance too.
    for (CVKData& r : gap.Records)
        if (r.Time >= t0 + 50 && r.Time <= t0 + 60) r.Flags |= REC_DELETED;
    Recalculate(gap, test::Quiet());
    patient.GapDistance = 30;
    EXPECT_EQ(FindLines(gap, patient).Lines.size(), 2u);
}

TEST(SurveyLines, ABoatLyingStillMakesNoLine) {
    CVKDoc doc;
    test::TestRng rng(3);
    Track(doc, At(8, 0, 0), 600, [&](int, double& x, double& y) {
        x = rng.Range(-50, 50) / 100.0;
        y = rng.Range(-50, 50) / 100.0;
    });
    doc.NeedsSort = true;
    Recalculate(doc, test::Quiet());
    ScriptedPort port;
    LineSet set;
    EXPECT_FALSE(SurveyLines(doc, LineOptions{}, set, port));
    EXPECT_EQ(port.Texts(), std::vector<std::string>{NO_LINES});
}

TEST(SurveyLines, UserNamesTheCrosslines) {
    CVKDoc doc;
    BuildQcSurvey(doc, GridLayout(4, {100}));
    LineOptions o;
    o.CrossLines = {2, 3};
    const LineSet set = FindLines(doc, o);
    ASSERT_EQ(set.Lines.size(), 5u);
    const LineKind expected[] = {LineKind::Main, LineKind::Cross, LineKind::Cross, LineKind::Main, LineKind::Main};
    for (size_t i = 0; i < 5; ++i) EXPECT_EQ(set.Lines[i].Kind, expected[i]) << i;
}

TEST(SurveyLines, RefusesWithoutPositionsAndBadOptions) {
    CVKDoc doc;
    ScriptedPort port;
    Append(doc, {test::Depth(At(8, 0, 0), 500), test::Depth(At(8, 0, 1), 500)});
    Recalculate(doc, port);
    LineSet set;
    EXPECT_FALSE(SurveyLines(doc, LineOptions{}, set, port));
    LineOptions bad;
    bad.TurnAngle = 0;
    EXPECT_FALSE(SurveyLines(doc, bad, set, port));
    bad = LineOptions{};
    bad.Tolerance = 60;
    EXPECT_FALSE(SurveyLines(doc, bad, set, port));
    ASSERT_EQ(port.messages.size(), 3u);
    EXPECT_EQ(port.messages[0].text, NO_POSITIONS);
    EXPECT_EQ(port.messages[0].severity, Severity::Error);
    EXPECT_NE(port.messages[1].text.find("turn angle"), std::string::npos);
    EXPECT_NE(port.messages[2].text.find("tolerance"), std::string::npos);
    EXPECT_EQ(port.openPhases, 0);
}

TEST(SurveyLines, GeographicSurveyIsMeasuredInMetres) {
    // The same grid in degrees near 53.5 N: a metre is 1 / 111297 degree of latitude and
    // 1 / 66360 degree of longitude there on WGS84.
    const double lat0 = 53.5, lon0 = 8.5;
    const double perLat = 1.0 / 111297.0, perLon = 1.0 / 66360.0;
    test::QcSurveyLayout grid = GridLayout(5, {50, 150});
    test::QcSurveyLayout layout;
    layout.geographic = true;
    for (const test::QcLine& l : grid.lines)
        layout.lines.push_back({lon0 + l.x0 * perLon, lat0 + l.y0 * perLat, lon0 + l.x1 * perLon, lat0 + l.y1 * perLat});
    // The builder's lengths are in the plan's units: each line keeps its own pace below.
    layout.unitsPerMetre = perLat;
    CVKDoc doc;
    BuildQcSurvey(doc, layout);
    ASSERT_TRUE(doc.IsGeographic());
    const LineSet set = FindLines(doc, LineOptions{});
    ASSERT_EQ(set.Lines.size(), 7u);
    EXPECT_EQ(set.Count(LineKind::Main), 5u);
    EXPECT_EQ(set.Count(LineKind::Cross), 2u);
    for (size_t i = 0; i < 5; ++i) EXPECT_NEAR(set.Lines[i].Length, 300.0, 0.3);
    for (size_t i = 5; i < 7; ++i) EXPECT_NEAR(set.Lines[i].Length, 120.0, 0.15);
    EXPECT_NEAR(set.MainHeading, 90.0, 0.1);
}

TEST(SurveyLines, LineListsAndMoments) {
    std::vector<int> v;
    ASSERT_TRUE(ParseLineList("3,5,9-12,5", v));
    EXPECT_EQ(v, (std::vector<int>{3, 5, 9, 10, 11, 12}));
    for (const char* bad : {"", "3,", ",3", "a", "5-3", "0", "2-", "1;2"}) EXPECT_FALSE(ParseLineList(bad, v)) << bad;
    EXPECT_EQ(MomentText(At(8, 5, 9) * 100 + 7), "2009-12-05 08:05:09.07");
}

}  // namespace
}  // namespace aq
