// SPDX-License-Identifier: GPL-3.0-or-later
// The projection on its own, and the commands that rewrite a whole survey: Convert to
// UTM and Apply Control on a geographic survey, and the three offsets commands, each
// with the recalculations it runs.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <map>
#include <tuple>
#include <vector>

#include "bench_main.h"
#include "geodesy/controlpoints.h"
#include "geodesy/utm.h"
#include "model/civiltime.h"
#include "model/doc.h"
#include "model/projection.h"
#include "processing/offsets.h"
#include "processing/recalc.h"
#include "survey_gen.h"

namespace {

using aq::CVKData;
using aq::CVKDoc;

// The generated survey, recalculated; geographic (around 50.1 N 1.2 W, one stored
// centimetre taken as 1e-7 degree) or on its grid. With allPositions every depth
// becomes a position too, so that every record is projected.
const std::vector<CVKData>& Survey(size_t n, bool geographic, bool allPositions = false) {
    static std::map<std::tuple<size_t, bool, bool>, std::vector<CVKData>> cache;
    auto it = cache.find({n, geographic, allPositions});
    if (it == cache.end()) {
        CVKDoc doc;
        aq::gen::GenerateSurvey(doc, n);
        if (geographic) {
            for (CVKData& r : doc.Records) {
                if (!(r.Flags & aq::REC_POSITION)) continue;
                r.X = -12000000 + (r.X - 45312000);
                r.Y = 501000000 + (r.Y - 580125000);
                r.Flags |= aq::REC_GEOGRAPHIC;
            }
            doc.KindFlags |= aq::REC_GEOGRAPHIC;
        }
        aq::Recalculate(doc, aq::bench::Quiet());
        if (allPositions) {
            for (CVKData& r : doc.Records)
                if (r.Flags & aq::REC_DEPTH) r.Flags = aq::REC_POSITION | (geographic ? aq::REC_GEOGRAPHIC : 0);
            aq::Recalculate(doc, aq::bench::Quiet());
        }
        it = cache.emplace(std::make_tuple(n, geographic, allPositions), std::move(doc.Records)).first;
    }
    return it->second;
}

void Reset(CVKDoc& doc, const std::vector<CVKData>& records) {
    doc.Records.assign(records.begin(), records.end());
    doc.KindFlags = 0;
    for (const CVKData& r : records) doc.KindFlags |= r.Flags & 0xFF0;
    doc.NeedsSort = false;
    aq::RefreshRange(doc, aq::bench::Quiet());
}

void BM_ProjectTM(benchmark::State& state) {
    const size_t n = 1 << 16;
    std::vector<double> lat(n), lon(n);
    for (size_t i = 0; i < n; ++i) {
        lat[i] = aq::DegToRad(-60.0 + 120.0 * static_cast<double>(i) / n);
        lon[i] = aq::DegToRad(-3.0 + 6.0 * static_cast<double>(i % 977) / 977.0);
    }
    const double cm = 0;
    for (auto _ : state) {
        for (size_t i = 0; i < n; ++i) benchmark::DoNotOptimize(aq::ProjectTM(lat[i], lon[i], cm));
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * n));
}

template <typename Command>
void RunOnSurvey(benchmark::State& state, bool geographic, Command command) {
    const auto& records = Survey(static_cast<size_t>(state.range(0)), geographic, state.range(1) != 0);
    CVKDoc doc;
    Reset(doc, records);
    for (auto _ : state) {
        state.PauseTiming();
        Reset(doc, records);
        state.ResumeTiming();
        command(doc);
        benchmark::DoNotOptimize(doc.Records.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(records.size()));
}

void BM_ConvertToUtm(benchmark::State& state) {
    RunOnSurvey(state, true, [](CVKDoc& doc) { aq::ConvertToUtm(doc, aq::bench::Quiet()); });
}

// Three stations about the survey, the grid turned by 12 degrees.
void AddStations(CVKDoc& doc) {
    doc.Control.Points.clear();
    const double lat[] = {50.1, 50.104, 50.102};
    const double lon[] = {-1.2, -1.2, -1.195};
    const double gx[] = {1000, 1090, 1350}, gy[] = {2000, 2440, 2150};
    for (int i = 0; i < 3; ++i) {
        aq::ControlPageValues v;
        v.LatDeg = lat[i];
        v.LonDeg = -lon[i];
        v.LonHemisphere = "W";
        v.GridX = gx[i];
        v.GridY = gy[i];
        aq::AddControl(doc, v, aq::bench::Quiet());
    }
}

void BM_ApplyControl(benchmark::State& state) {
    CVKDoc stations;
    AddStations(stations);
    RunOnSurvey(state, true, [&](CVKDoc& doc) {
        doc.Control = stations.Control;
        aq::ApplyControl(doc, aq::bench::Quiet());
    });
}

void BM_OffsetPositions(benchmark::State& state) {
    RunOnSurvey(state, false, [](CVKDoc& doc) {
        aq::OffsetValues v = aq::InitialOffsetValues(doc);
        v.PosTime = 3;
        v.East = 1.25;
        v.Elevation = 2;
        aq::OffsetPositions(doc, v, aq::bench::Quiet());
    });
}

void BM_OffsetDepths(benchmark::State& state) {
    RunOnSurvey(state, false, [](CVKDoc& doc) {
        aq::OffsetValues v = aq::InitialOffsetValues(doc);
        v.DepthTime = -2;
        v.Depth = 0.35;
        v.SoundVelocity = 1520;
        aq::OffsetDepths(doc, v, aq::bench::Quiet());
    });
}

void BM_OffsetTide(benchmark::State& state) {
    RunOnSurvey(state, false, [](CVKDoc& doc) {
        aq::OffsetValues v = aq::InitialOffsetValues(doc);
        v.TideTime = 600;
        v.Tide = -0.4;
        aq::OffsetTide(doc, v, aq::bench::Quiet());
    });
}

BENCHMARK(BM_ProjectTM);
// Argument "all": 0 for the generated mix (about one record in twelve a position),
// 1 for a survey of positions only.
BENCHMARK(BM_ConvertToUtm)->ArgNames({"n", "all"})->Args({1'000'000, 0})->Args({1'000'000, 1})->Unit(
    benchmark::kMillisecond);
BENCHMARK(BM_ApplyControl)->ArgNames({"n", "all"})->Args({1'000'000, 0})->Args({1'000'000, 1})->Unit(
    benchmark::kMillisecond);
BENCHMARK(BM_OffsetPositions)->ArgNames({"n", "all"})->Args({1'000'000, 0})->Args({1'000'000, 1})->Unit(
    benchmark::kMillisecond);
BENCHMARK(BM_OffsetDepths)->ArgNames({"n", "all"})->Args({1'000'000, 0})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OffsetTide)->ArgNames({"n", "all"})->Args({1'000'000, 0})->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    // Pin the zone so the generated survey is the same on every machine.
    return aq::bench::RunBenchmarks(argc, argv, "UTC");
}
