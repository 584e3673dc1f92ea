// SPDX-License-Identifier: GPL-3.0-or-later
// The water level from GNSS heights on surveys of up to 10 million RTK positions: the
// work out of the levels alone (selection, separation lookups, smoothing, resampling)
// with a constant separation and with the EGM96 geoid looked up for every position, and
// the whole command with the replacement of the tides and the recalculation.
#include <benchmark/benchmark.h>

#include <cmath>
#include <map>
#include <random>
#include <vector>

#include "bench_main.h"
#include "model/civiltime.h"
#include "model/doc.h"
#include "processing/gnsstide.h"
#include "processing/recalc.h"
#include "surface/separation.h"

namespace {

using aq::CVKData;
using aq::CVKDoc;

// n GGA positions at 10 Hz from a boat running lines in a harbour near 53.54 N 8.57 E,
// riding a 12.42 h tide with heave and receiver noise; one in fifty a float fix.
const std::vector<CVKData>& Survey(size_t n) {
    static std::map<size_t, std::vector<CVKData>> cache;
    auto it = cache.find(n);
    if (it != cache.end()) return it->second;
    std::vector<CVKData> records;
    records.reserve(n);
    std::mt19937 random(2009);
    std::normal_distribution<double> noise(0.0, 0.02);
    const int64_t start = aq::civil::FromFields(2009, 6, 15, 0, 0, 0);
    for (size_t i = 0; i < n; ++i) {
        const double s = static_cast<double>(i) / 10.0;
        const double line = std::fmod(s, 600.0) / 600.0;
        const double lon = 8.56 + 0.02 * (static_cast<int>(s / 600.0) % 2 ? 1 - line : line);
        const double lat = 53.53 + 0.00002 * std::fmod(s / 600.0, 1000.0);
        const double h = 1.5 * std::sin(2 * M_PI * s / (12.42 * 3600)) + 0.3 * std::sin(2 * M_PI * s / 5.0) +
                         noise(random) + 2.0 + 43.0;
        CVKData r = CVKData::OfPosition(start + static_cast<int64_t>(s), static_cast<int32_t>(std::lround(lon * 1e7)),
                                        static_cast<int32_t>(std::lround(lat * 1e7)),
                                        static_cast<int32_t>(std::lround(h * 100)),
                                        aq::REC_POSITION | aq::REC_GEOGRAPHIC, static_cast<uint8_t>(i % 10 * 10));
        r.Quality = i % 50 == 7 ? aq::GGA_RTK_FLOAT : aq::GGA_RTK_FIXED;
        records.push_back(r);
    }
    return cache.emplace(n, std::move(records)).first->second;
}

void Load(CVKDoc& doc, size_t n) {
    doc.Records.assign(Survey(n).begin(), Survey(n).end());
    doc.KindFlags = aq::REC_POSITION | aq::REC_GEOGRAPHIC;
    doc.NeedsSort = false;
}

// kind 0: a constant separation; 1: EGM96 looked up at every position.
void BM_ComputeLevels(benchmark::State& state) {
    const size_t n = static_cast<size_t>(state.range(0));
    CVKDoc doc;
    Load(doc, n);
    aq::GnssTideSettings settings;
    settings.heights = aq::GnssHeights::Ellipsoidal;
    aq::surface::SeparationModel model{state.range(1) ? aq::surface::SeparationKind::Egm96
                                                      : aq::surface::SeparationKind::Constant,
                                       43.0, {}};
    for (auto _ : state) {
        bool failed = false;
        std::string error;
        // Opening the grid is part of the work.
        const auto source = aq::surface::MakeSeparationSource(model, settings, failed, error);
        aq::GnssTideResult result;
        if (failed || !aq::ComputeGnssTide(doc, settings, source.get(), result, aq::bench::Quiet()))
            state.SkipWithError("failed");
        benchmark::DoNotOptimize(result.levels.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(n));
}

// The whole command: levels on EGM96, tides replaced, survey recalculated.
void BM_TideFromGnss(benchmark::State& state) {
    const size_t n = static_cast<size_t>(state.range(0));
    CVKDoc doc;
    aq::GnssTideSettings settings;
    settings.heights = aq::GnssHeights::Ellipsoidal;
    for (auto _ : state) {
        state.PauseTiming();
        Load(doc, n);
        state.ResumeTiming();
        bool failed = false;
        std::string error;
        const auto source =
            aq::surface::MakeSeparationSource({aq::surface::SeparationKind::Egm96, 0, {}}, settings, failed, error);
        if (failed || !aq::TideFromGnss(doc, settings, source.get(), aq::bench::Quiet())) state.SkipWithError("failed");
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(n));
}

}  // namespace

BENCHMARK(BM_ComputeLevels)
    ->ArgNames({"n", "egm96"})
    ->ArgsProduct({{1'000'000, 10'000'000}, {0, 1}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TideFromGnss)->ArgNames({"n"})->Arg(1'000'000)->Arg(10'000'000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) { return aq::bench::RunBenchmarks(argc, argv, "UTC"); }
