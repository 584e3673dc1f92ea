// SPDX-License-Identifier: GPL-3.0-or-later
// Recalculation of large generated surveys: straight after three imports (unsorted),
// and again on a survey already in time order; the plain reference pipeline against
// the optimised one; memory per record.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <limits>
#include <map>
#include <vector>

#include "bench_main.h"
#include "model/civiltime.h"
#include "model/doc.h"
#include "processing/recalc.h"
#include "reference/literal_recalc.h"
#include "survey_gen.h"

namespace {

using aq::CVKData;
using aq::CVKDoc;

// One generated survey per size, shared by the benchmarks: generation is slower than
// the work measured.
const std::vector<CVKData>& Unsorted(size_t n) {
    static std::map<size_t, std::vector<CVKData>> cache;
    auto it = cache.find(n);
    if (it == cache.end()) {
        CVKDoc doc;
        aq::gen::GenerateSurvey(doc, n);
        it = cache.emplace(n, std::move(doc.Records)).first;
    }
    return it->second;
}

// Puts the freshly imported survey back into the document, reusing its storage.
void Reset(CVKDoc& doc, const std::vector<CVKData>& records) {
    doc.Records.assign(records.begin(), records.end());
    doc.KindFlags = 0;
    for (const CVKData& r : records) doc.KindFlags |= r.Flags;
    doc.NeedsSort = true;
    doc.LevelMin = -10;
    doc.LevelMax = 10;
}

// Memory per record: the record array itself, and the most the process grew above
// `baseline` (the survey cache and the document's array already in place) while the
// benchmark ran, i.e. the scratch space the work needed.
void MemoryCounters(benchmark::State& state, const CVKDoc& doc, int64_t baseline) {
    const double n = static_cast<double>(doc.Records.size());
    const int64_t peak = aq::gen::PeakRssBytes();
    state.counters["records"] = n;
    state.counters["sizeof_rec"] = sizeof(CVKData);
    state.counters["array_B/rec"] = static_cast<double>(doc.Records.capacity() * sizeof(CVKData)) / n;
    state.counters["scratch_B/rec"] = baseline > 0 ? static_cast<double>(peak - baseline) / n : -1.0;
    state.counters["peakRSS_MB"] = static_cast<double>(peak) / (1024.0 * 1024.0);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(n));
}

// Starts the peak measurement from the memory in use now; 0 when it cannot be reset.
int64_t Baseline() { return aq::gen::ResetPeakRss() ? aq::gen::RssBytes() : 0; }

// Argument 1 is the threads the passes over the records may use: 1 keeps them on this
// thread, 2 lets a large survey share them with a second.
aq::ParallelSettings Threads(int64_t n) {
    aq::ParallelSettings s = aq::kRecalcParallel;
    if (n == 1) s.minimum = std::numeric_limits<size_t>::max();
    return s;
}

// Recalculate straight after the imports: sort, interpolate, axes, view points, counts.
void BM_RecalculateUnsorted(benchmark::State& state) {
    const auto& records = Unsorted(static_cast<size_t>(state.range(0)));
    const aq::ParallelSettings threads = Threads(state.range(1));
    CVKDoc doc;
    Reset(doc, records);
    const int64_t baseline = Baseline();
    for (auto _ : state) {
        state.PauseTiming();
        Reset(doc, records);
        state.ResumeTiming();
        aq::Recalculate(doc, aq::bench::Quiet(), threads);
        benchmark::DoNotOptimize(doc.Records.data());
    }
    MemoryCounters(state, doc, baseline);
}

// Recalculate of a survey already in time order (reopening, offsets, filters).
void BM_RecalculateSorted(benchmark::State& state) {
    const auto& records = Unsorted(static_cast<size_t>(state.range(0)));
    const aq::ParallelSettings threads = Threads(state.range(1));
    CVKDoc doc;
    Reset(doc, records);
    aq::Recalculate(doc, aq::bench::Quiet(), threads);
    const int64_t baseline = Baseline();
    for (auto _ : state) {
        doc.NeedsSort = false;
        aq::Recalculate(doc, aq::bench::Quiet(), threads);
        benchmark::DoNotOptimize(doc.Records.data());
    }
    MemoryCounters(state, doc, baseline);
}

// Sort, interpolate and extend only: the optimised steps and the plain reference ones
// on the same input, so their ratio can be read off. Argument 1 selects a survey that
// is already sorted (NeedsSort off) to separate the sort from the interpolation.
template <bool Literal>
void BM_Pipeline(benchmark::State& state) {
    const auto& records = Unsorted(static_cast<size_t>(state.range(0)));
    const bool presorted = state.range(1) != 0;
    std::vector<CVKData> input = records;
    if (presorted) {
        CVKDoc doc;
        Reset(doc, records);
        aq::SortAndMeasure(doc, aq::bench::Quiet());
        input = doc.Records;
    }
    CVKDoc doc;
    Reset(doc, input);
    const int64_t baseline = Baseline();
    for (auto _ : state) {
        state.PauseTiming();
        Reset(doc, input);
        doc.NeedsSort = !presorted;
        state.ResumeTiming();
        if constexpr (Literal) {
            aq::literal::SortAndMeasure(doc);
            aq::literal::Interpolate(doc);
            aq::literal::ExtendPositions(doc);
            aq::literal::MeasureLevels(doc);
        } else {
            aq::SortAndMeasure(doc, aq::bench::Quiet());
            aq::Interpolate(doc, aq::bench::Quiet());
            aq::ExtendPositions(doc);
            aq::MeasureLevels(doc);
        }
        benchmark::DoNotOptimize(doc.Records.data());
    }
    MemoryCounters(state, doc, baseline);
}

void BM_PipelineFast(benchmark::State& state) { BM_Pipeline<false>(state); }
void BM_PipelineLiteral(benchmark::State& state) { BM_Pipeline<true>(state); }

BENCHMARK(BM_RecalculateUnsorted)
    ->ArgNames({"n", "threads"})
    ->ArgsProduct({{1'000'000, 10'000'000}, {1, 2}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecalculateSorted)
    ->ArgNames({"n", "threads"})
    ->ArgsProduct({{1'000'000, 10'000'000}, {1, 2}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PipelineFast)->ArgNames({"n", "sorted"})->Args({100'000, 0})->Args({100'000, 1})->Unit(
    benchmark::kMillisecond);
BENCHMARK(BM_PipelineLiteral)->ArgNames({"n", "sorted"})->Args({100'000, 0})->Args({100'000, 1})->Unit(
    benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    // Pin the zone so the generated survey is the same on every machine.
    return aq::bench::RunBenchmarks(argc, argv, "UTC");
}
