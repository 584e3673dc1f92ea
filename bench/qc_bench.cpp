// SPDX-License-Identifier: GPL-3.0-or-later
// Quality control on a large generated survey of main lines and crosslines: finding the
// lines, the crossings (alone, and with the lines as the command does), and flagging the
// spikes (the filter, then the recalculation every deletion needs).
#include <benchmark/benchmark.h>

#include <map>
#include <vector>

#include "bench_main.h"
#include "model/doc.h"
#include "processing/crossings.h"
#include "processing/lines.h"
#include "processing/recalc.h"
#include "processing/spikes.h"
#include "survey_gen.h"

namespace {

using aq::CVKData;
using aq::CVKDoc;

// One survey per size, recalculated, shared by the benchmarks.
const std::vector<CVKData>& Survey(size_t soundings) {
    static std::map<size_t, std::vector<CVKData>> cache;
    auto it = cache.find(soundings);
    if (it == cache.end()) {
        CVKDoc doc;
        aq::gen::GenerateLineSurvey(doc, soundings);
        it = cache.emplace(soundings, std::move(doc.Records)).first;
    }
    return it->second;
}

// The survey in a document, as the commands find it.
void Load(CVKDoc& doc, size_t soundings) {
    doc.Records = Survey(soundings);
    doc.KindFlags = 0;
    for (const CVKData& r : doc.Records) doc.KindFlags |= r.Flags;
    doc.NeedsSort = false;
    aq::Recalculate(doc, aq::bench::Quiet());
}

void Counters(benchmark::State& state, const CVKDoc& doc) {
    state.counters["records"] = static_cast<double>(doc.Records.size());
    state.counters["soundings"] = static_cast<double>(doc.CountDepth);
}

void BM_Lines(benchmark::State& state) {
    CVKDoc doc;
    Load(doc, static_cast<size_t>(state.range(0)));
    size_t lines = 0;
    for (auto _ : state) {
        const aq::LineSet set = aq::FindLines(doc, aq::LineOptions{});
        lines = set.Lines.size();
        benchmark::DoNotOptimize(set.Lines.data());
    }
    Counters(state, doc);
    state.counters["lines"] = static_cast<double>(lines);
}

// The crossings of lines already found.
void BM_CrossingsAlone(benchmark::State& state) {
    CVKDoc doc;
    Load(doc, static_cast<size_t>(state.range(0)));
    const aq::LineSet set = aq::FindLines(doc, aq::LineOptions{});
    size_t found = 0, accepted = 0;
    for (auto _ : state) {
        const aq::CrossingResult r = aq::FindCrossings(doc, set, aq::CrossingOptions{});
        found = r.Crossings.size();
        accepted = r.Stats.Count;
        benchmark::DoNotOptimize(r.Crossings.data());
    }
    Counters(state, doc);
    state.counters["crossings"] = static_cast<double>(found);
    state.counters["accepted"] = static_cast<double>(accepted);
}

// Edit > Quality Control > Crossings: the lines, then their crossings.
void BM_Crossings(benchmark::State& state) {
    CVKDoc doc;
    Load(doc, static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        aq::LineSet set;
        aq::CrossingResult r;
        benchmark::DoNotOptimize(
            aq::SurveyCrossings(doc, aq::LineOptions{}, aq::CrossingOptions{}, set, r, aq::bench::Quiet()));
    }
    Counters(state, doc);
}

// Edit > Quality Control > Flag Spikes: lines, filter and the recalculation after it.
// Argument 1 is the threads the lines are shared over.
void BM_FlagSpikes(benchmark::State& state) {
    CVKDoc doc;
    Load(doc, static_cast<size_t>(state.range(0)));
    const std::vector<CVKData> clean = doc.Records;
    aq::ParallelSettings threads = aq::kSpikeParallel;
    if (state.range(1) == 1) threads.minimum = static_cast<size_t>(-1);
    size_t flagged = 0;
    for (auto _ : state) {
        state.PauseTiming();
        doc.Records = clean;
        aq::Recalculate(doc, aq::bench::Quiet());
        state.ResumeTiming();
        aq::SpikeResult r;
        benchmark::DoNotOptimize(aq::FlagSpikes(doc, aq::SpikeOptions{}, r, aq::bench::Quiet(), threads));
        flagged = r.Total();
    }
    Counters(state, doc);
    state.counters["flagged"] = static_cast<double>(flagged);
}

// The recalculation alone, for reading the filter's own share off the one above.
void BM_RecalculateAfterFlagging(benchmark::State& state) {
    CVKDoc doc;
    Load(doc, static_cast<size_t>(state.range(0)));
    for (auto _ : state) aq::Recalculate(doc, aq::bench::Quiet());
    Counters(state, doc);
}

constexpr int64_t kSizes[] = {1'000'000, 10'000'000};

void Sizes(benchmark::internal::Benchmark* b) {
    for (const int64_t n : kSizes) b->Arg(n);
}
void SizesAndThreads(benchmark::internal::Benchmark* b) {
    for (const int64_t n : kSizes)
        for (const int64_t t : {1, 2}) b->Args({n, t});
}

BENCHMARK(BM_Lines)->Apply(Sizes)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CrossingsAlone)->Apply(Sizes)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Crossings)->Apply(Sizes)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FlagSpikes)->Apply(SizesAndThreads)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_RecalculateAfterFlagging)->Apply(Sizes)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) { return aq::bench::RunBenchmarks(argc, argv, "UTC"); }
