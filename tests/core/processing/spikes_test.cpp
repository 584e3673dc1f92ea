// SPDX-License-Identifier: GPL-3.0-or-later
#include "processing/spikes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "history/history.h"
#include "model/scriptedport.h"
#include "processing/flags.h"
#include "support/qc_survey.h"

namespace aq {
namespace {

using test::BuildQcSurvey;
using test::GridLayout;

// Spikes are told by their quality of 1; clean soundings have 100.
constexpr uint8_t kSpikeTag = 1;

// Turns `count` live soundings of the survey, picked at random, into spikes of 1 to 3 m
// either way, then recalculates.
void AddSpikes(CVKDoc& doc, int count, uint32_t seed) {
    std::vector<size_t> depths;
    for (size_t i = 0; i < doc.Records.size(); ++i)
        if (doc.Records[i].IsLive(REC_DEPTH)) depths.push_back(i);
    test::TestRng rng(seed);
    std::set<size_t> chosen;
    while (static_cast<int>(chosen.size()) < count) chosen.insert(depths[rng.Next() % depths.size()]);
    for (const size_t i : chosen) {
        CVKData& r = doc.Records[i];
        const int size = rng.Range(100, 300);
        // Deeper or shallower, but never above the transducer.
        r.Depth = static_cast<int16_t>(rng.Next() % 2 && r.Depth > size + 50 ? r.Depth - size : r.Depth + size);
        r.Quality = kSpikeTag;
    }
    Recalculate(doc, test::Quiet());
}

struct Tally {
    int spikes = 0, spikesDeleted = 0, clean = 0, cleanDeleted = 0;
};
Tally Count(const CVKDoc& doc) {
    Tally t;
    for (const CVKData& r : doc.Records) {
        if (!r.Has(REC_DEPTH)) continue;
        if (r.Quality == kSpikeTag) {
            ++t.spikes;
            t.spikesDeleted += r.IsDeleted();
        } else {
            ++t.clean;
            t.cleanDeleted += r.IsDeleted();
        }
    }
    return t;
}

void ExpectSpikesFound(const Tally& t) {
    EXPECT_EQ(t.spikes, 200);
    EXPECT_GE(t.spikesDeleted, 190) << "of 200 spikes";
    EXPECT_LT(t.cleanDeleted * 200, t.clean) << t.cleanDeleted << " of " << t.clean << " clean soundings";
}

TEST(FlagSpikes, FindsSpikesOnANoisySlopingSeabed) {
    test::QcSurveyLayout layout = GridLayout(8, {60, 240});
    layout.depth = [](double x, double y) { return 600.0 + 3.0 * x + 2.0 * y; };
    layout.noise = 4;
    for (const bool metres : {false, true}) {
        CVKDoc doc;
        BuildQcSurvey(doc, layout);
        AddSpikes(doc, 200, 11);
        SpikeOptions o;
        if (metres) o.WindowMetres = 4;
        SpikeResult result;
        ASSERT_TRUE(FlagSpikes(doc, o, result, test::Quiet()));
        SCOPED_TRACE(metres ? "window in metres" : "window in soundings");
        const Tally t = Count(doc);
        ExpectSpikesFound(t);
        // Every flag is counted on its line, and the survey was recalculated.
        EXPECT_EQ(result.Lines, 10u);
        ASSERT_EQ(result.PerLine.size(), 10u);
        size_t perLine = 0;
        for (const SpikeLineCount& l : result.PerLine) perLine += l.Flagged;
        EXPECT_EQ(perLine, result.Total());
        EXPECT_EQ(result.ByLimits, 0u);
        EXPECT_EQ(static_cast<int>(result.Total()), t.spikesDeleted + t.cleanDeleted);
        EXPECT_EQ(doc.CountDeleted, t.spikesDeleted + t.cleanDeleted);
    }
}

TEST(FlagSpikes, KeepsAQuayWallThatARangeFilterWouldCut) {
    // Lines across a quay wall: 2 m deep, then a 1:1 face down to 14 m, then 14 m.
    test::QcSurveyLayout layout;
    for (int i = 0; i < 10; ++i) layout.lines.push_back({0, 10.0 * i, 200, 10.0 * i});
    layout.depth = [](double x, double) { return 200.0 + 100.0 * std::clamp(x - 80.0, 0.0, 12.0); };
    layout.noise = 3;
    CVKDoc doc;
    BuildQcSurvey(doc, layout);
    AddSpikes(doc, 200, 5);
    // Every spike's level lies within the levels of the clean seabed: no level window
    // that keeps the wall can take a spike away.
    int32_t lo = INT32_MAX, hi = INT32_MIN;
    for (const CVKData& r : doc.Records)
        if (r.Has(REC_DEPTH) && r.Quality != kSpikeTag) lo = std::min(lo, r.SeabedLevel()), hi = std::max(hi, r.SeabedLevel());
    int inside = 0;
    for (const CVKData& r : doc.Records)
        if (r.Has(REC_DEPTH) && r.Quality == kSpikeTag) inside += r.SeabedLevel() >= lo && r.SeabedLevel() <= hi;
    EXPECT_GT(inside, 100);

    SpikeResult result;
    ASSERT_TRUE(FlagSpikes(doc, SpikeOptions{}, result, test::Quiet()));
    ExpectSpikesFound(Count(doc));
    // And the face itself keeps its soundings.
    int face = 0, faceDeleted = 0;
    for (const CVKData& r : doc.Records) {
        if (!r.Has(REC_DEPTH) || r.Quality == kSpikeTag || r.X <= 8000 || r.X >= 9200) continue;
        ++face;
        faceDeleted += r.IsDeleted();
    }
    EXPECT_GT(face, 500);
    EXPECT_EQ(faceDeleted, 0);
}

TEST(FlagSpikes, DepthLimitsApplyEverywhere) {
    CVKDoc doc;
    test::QcSurveyLayout layout = GridLayout(2, {});
    BuildQcSurvey(doc, layout);
    // A dropout of 30 soundings on the first line (depth 0) and one deep reading outside
    // any line: positions stop there.
    int dropout = 0;
    for (CVKData& r : doc.Records)
        if (r.IsLive(REC_DEPTH) && r.X > 10000 && r.X <= 10600 && r.Y == 0) r.Depth = 0, ++dropout;
    ASSERT_EQ(dropout, 30);
    test::Append(doc, {test::Depth(test::At(9, 0, 0), 4000)});
    Recalculate(doc, test::Quiet());
    SpikeOptions o;
    o.MinDepth = 0.5;
    o.MaxDepth = 30;
    SpikeResult result;
    ASSERT_TRUE(FlagSpikes(doc, o, result, test::Quiet()));
    EXPECT_EQ(result.ByLimits, 31u);
    ASSERT_EQ(result.PerLine.size(), 3u);
    EXPECT_EQ(result.PerLine[0].Flagged, 30u);
    EXPECT_EQ(result.PerLine[2].Line, 0);
    EXPECT_EQ(result.PerLine[2].Flagged, 1u);
    EXPECT_EQ(doc.CountDeleted, 31);
}

TEST(FlagSpikes, IsOneUndoStepAndRestoreBringsTheSoundingsBack) {
    CVKDoc doc;
    test::QcSurveyLayout layout = GridLayout(4, {150});
    layout.noise = 3;
    BuildQcSurvey(doc, layout);
    AddSpikes(doc, 200, 9);
    // A sounding deleted by hand beforehand stays deleted through it all.
    doc.Records[1000].Flags |= REC_DELETED;
    Recalculate(doc, test::Quiet());
    const std::vector<CVKData> before = doc.Records;
    UndoHistory history(size_t{64} << 20);
    SpikeResult result;
    SpikeOptions o;
    o.MinDepth = 4.975;  // some clean ones go by their depth too
    ASSERT_TRUE(Undoable(&history, doc, "Flag Spikes", UndoScope::Records, test::Quiet(),
                         [&] { return FlagSpikes(doc, o, result, test::Quiet()); }));
    ASSERT_GT(result.Total(), 190u);
    ASSERT_EQ(history.Steps().size(), 1u);
    ASSERT_TRUE(history.Undo(doc, test::Quiet()));
    EXPECT_TRUE(doc.Records == before);
    ASSERT_TRUE(history.Redo(doc, test::Quiet()));
    EXPECT_EQ(doc.CountDeleted, static_cast<int32_t>(result.Total()) + 1);
    Restore(doc, test::Quiet());
    EXPECT_EQ(doc.CountDeleted, 0);
}

TEST(FlagSpikes, ParallelLinesGiveTheSameFlags) {
    test::QcSurveyLayout layout = GridLayout(12, {30, 90, 150, 210, 270});
    layout.noise = 4;
    CVKDoc one, two;
    BuildQcSurvey(one, layout);
    AddSpikes(one, 200, 21);
    BuildQcSurvey(two, layout);
    AddSpikes(two, 200, 21);
    SpikeResult a, b;
    ASSERT_TRUE(FlagSpikes(one, SpikeOptions{}, a, test::Quiet(), ParallelSettings{.minimum = size_t(-1), .parts = 1}));
    ASSERT_TRUE(FlagSpikes(two, SpikeOptions{}, b, test::Quiet(),
                           ParallelSettings{.minimum = 1, .parts = 2, .slices = 3, .sliceMinimum = 1}));
    EXPECT_TRUE(one.Records == two.Records);
    EXPECT_EQ(a.Total(), b.Total());
}

TEST(FlagSpikes, RefusesWhatItCannotDo) {
    ScriptedPort port;
    CVKDoc doc;
    test::Append(doc, {test::Depth(test::At(8, 0, 0), 500), test::Depth(test::At(8, 0, 1), 700)});
    Recalculate(doc, port);
    SpikeResult result;
    EXPECT_FALSE(FlagSpikes(doc, SpikeOptions{}, result, port));
    SpikeOptions o;
    o.Window = 2;
    EXPECT_FALSE(FlagSpikes(doc, o, result, port));
    o = SpikeOptions{};
    o.MinDepth = 3, o.MaxDepth = 2;
    EXPECT_FALSE(FlagSpikes(doc, o, result, port));
    // Without lines the depth limits still apply.
    o.MinDepth = 6;
    o.MaxDepth = std::nullopt;
    EXPECT_TRUE(FlagSpikes(doc, o, result, port));
    EXPECT_EQ(result.ByLimits, 1u);
    EXPECT_TRUE(doc.Records[0].IsDeleted());
    ASSERT_EQ(port.messages.size(), 3u);
    EXPECT_EQ(port.messages[0].text, NO_POSITIONS);
    EXPECT_NE(port.messages[1].text.find("window"), std::string::npos);
    EXPECT_NE(port.messages[2].text.find("minimum depth"), std::string::npos);
    EXPECT_EQ(port.openPhases, 0);
}

}  // namespace
}  // namespace aq
