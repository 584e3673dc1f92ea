// SPDX-License-Identifier: GPL-3.0-or-later
// Quality control on a large generated survey of main lines and crosslines: finding the
// lines, the crossings (alone, and with the lines as the command does), flagging the
// spikes (the filter, then the recalculation every deletion needs), and the survey report
// when Qt is there to draw it.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

#include "bench_main.h"
#include "io/document.h"
#include "model/doc.h"
#include "processing/crossings.h"
#include "processing/lines.h"
#include "processing/recalc.h"
#include "processing/spikes.h"
#include "survey_gen.h"

#ifdef AQUENTA_QC_BENCH_QT
#include "render/plotrender.h"
#include "render/surveyreport.h"
#endif

namespace {

using aq::CVKData;
using aq::CVKDoc;

// One survey per size, shared by the benchmarks. With QC_BENCH_SURVEY=FILE.son, that
// survey instead for the runs of 10 M (scripts/bench leaves its demo survey, the same
// lines run day after day, with AQUENTA_BENCH_KEEP=1).
struct Stored {
    std::vector<CVKData> records;
    aq::SurveySettings settings;
    aq::OffsetSettings offsets;
};
const Stored& Survey(size_t soundings) {
    static std::map<size_t, Stored> cache;
    auto it = cache.find(soundings);
    if (it == cache.end()) {
        CVKDoc doc;
        const char* file = std::getenv("QC_BENCH_SURVEY");
        if (file && soundings == 10'000'000) {
            if (!aq::OpenDocument(doc, file, aq::bench::Quiet())) {
                std::fprintf(stderr, "could not open %s\n", file);
                std::exit(1);
            }
        } else {
            aq::gen::GenerateLineSurvey(doc, soundings);
        }
        it = cache.emplace(soundings, Stored{std::move(doc.Records), doc, doc}).first;
    }
    return it->second;
}

// The survey in a document, as the commands find it.
void Load(CVKDoc& doc, size_t soundings) {
    const Stored& s = Survey(soundings);
    doc.Records = s.records;
    static_cast<aq::SurveySettings&>(doc) = s.settings;
    static_cast<aq::OffsetSettings&>(doc) = s.offsets;
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

#ifdef AQUENTA_QC_BENCH_QT
// Surface > Survey Report: lines, crossings, the PDF with its pictures and the CSVs
// beside it, written to the temporary folder.
void BM_Report(benchmark::State& state) {
    aq::gui::EnsureGuiApplication();
    CVKDoc doc;
    Load(doc, static_cast<size_t>(state.range(0)));
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("aq_qc_bench_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    aq::gui::ReportRequest request;
    request.path = (dir / "report.pdf").string();
    aq::gui::ReportOutcome outcome;
    for (auto _ : state) {
        const std::string error = aq::gui::WriteSurveyReport(doc, request, &outcome);
        if (!error.empty()) {
            state.SkipWithError(error.c_str());
            break;
        }
    }
    Counters(state, doc);
    state.counters["pages"] = static_cast<double>(outcome.pages);
    state.counters["crossings"] = static_cast<double>(outcome.crossings.Crossings.size());
    state.counters["pdf_MB"] = static_cast<double>(std::filesystem::file_size(request.path)) / 1e6;
    if (!outcome.csvPath.empty())
        state.counters["csv_MB"] = static_cast<double>(std::filesystem::file_size(outcome.csvPath)) / 1e6;
    std::filesystem::remove_all(dir);
}
#endif

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
#ifdef AQUENTA_QC_BENCH_QT
BENCHMARK(BM_Report)->Apply(Sizes)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
#endif

}  // namespace

int main(int argc, char** argv) { return aq::bench::RunBenchmarks(argc, argv, "UTC"); }
