// SPDX-License-Identifier: GPL-3.0-or-later
// The document file of a large survey: to and from bytes in memory, and through a file.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <unistd.h>

#include "bench_main.h"
#include "io/document.h"
#include "model/civiltime.h"
#include "model/docfile.h"
#include "processing/recalc.h"
#include "survey_gen.h"

namespace {

using aq::CVKDoc;

// A recalculated survey of n records, as it would be saved.
void Prepare(CVKDoc& doc, size_t n) {
    aq::gen::GenerateSurvey(doc, n);
    doc.ImportedFiles = "/data/2009-12-05/sounder.brv\n/data/2009-12-05/rtk.ggk\n/data/2009-12-05/tide.txt\n";
    aq::Recalculate(doc, aq::bench::Quiet());
}

std::string TempPath(const char* tag) {
    return "/tmp/aquenta_bench_" + std::to_string(::getpid()) + "_" + tag + ".son";
}

// Starts the peak measurement from the memory in use now; 0 when it cannot be reset.
int64_t Baseline() { return aq::gen::ResetPeakRss() ? aq::gen::RssBytes() : 0; }

// `baseline` is the memory in use before the loop; the growth above it is the scratch
// space one save or load needs beyond what was already there.
void Counters(benchmark::State& state, size_t records, size_t bytes, int64_t baseline) {
    const int64_t peak = aq::gen::PeakRssBytes();
    state.counters["records"] = static_cast<double>(records);
    state.counters["file_B/rec"] = static_cast<double>(bytes) / static_cast<double>(records);
    state.counters["scratch_B/rec"] =
        baseline > 0 ? static_cast<double>(peak - baseline) / static_cast<double>(records) : -1.0;
    state.counters["peakRSS_MB"] = static_cast<double>(peak) / (1024.0 * 1024.0);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(records));
}

void BM_SaveBytes(benchmark::State& state) {
    CVKDoc doc;
    Prepare(doc, static_cast<size_t>(state.range(0)));
    size_t size = 0;
    const int64_t baseline = Baseline();
    for (auto _ : state) {
        std::vector<uint8_t> bytes = aq::SaveDocumentBytes(doc);
        size = bytes.size();
        benchmark::DoNotOptimize(bytes.data());
    }
    Counters(state, doc.Records.size(), size, baseline);
}

// Parsing only; the document keeps the previous load until the new one is complete.
void BM_LoadBytes(benchmark::State& state) {
    std::vector<uint8_t> bytes;
    {
        CVKDoc doc;
        Prepare(doc, static_cast<size_t>(state.range(0)));
        bytes = aq::SaveDocumentBytes(doc);
    }
    CVKDoc doc;
    const int64_t baseline = Baseline();
    for (auto _ : state) {
        if (!aq::LoadDocumentBytes(doc, bytes.data(), bytes.size())) {
            state.SkipWithError("load failed");
            break;
        }
        benchmark::DoNotOptimize(doc.Records.data());
    }
    Counters(state, doc.Records.size(), bytes.size(), baseline);
}

// Save writes beside the target, syncs and renames, so this includes the disk.
void BM_SaveFile(benchmark::State& state) {
    CVKDoc doc;
    Prepare(doc, static_cast<size_t>(state.range(0)));
    const std::string path = TempPath("save");
    const int64_t baseline = Baseline();
    for (auto _ : state) {
        if (!aq::SaveDocument(doc, path, aq::bench::Quiet())) {
            state.SkipWithError("save failed");
            break;
        }
    }
    Counters(state, doc.Records.size(), aq::SaveDocumentBytes(doc).size(), baseline);
    std::remove(path.c_str());
}

// Reading the file, parsing and the recalculation that follows, as File > Open does, into
// a document whose record array already has the room (opening one survey after another).
void BM_OpenFile(benchmark::State& state) {
    const std::string path = TempPath("open");
    size_t size = 0;
    {
        CVKDoc doc;
        Prepare(doc, static_cast<size_t>(state.range(0)));
        if (!aq::SaveDocument(doc, path, aq::bench::Quiet())) {
            state.SkipWithError("save failed");
            return;
        }
        size = aq::SaveDocumentBytes(doc).size();
    }
    CVKDoc doc;
    const int64_t baseline = Baseline();
    for (auto _ : state) {
        if (!aq::OpenDocument(doc, path, aq::bench::Quiet())) {
            state.SkipWithError("open failed");
            break;
        }
        benchmark::DoNotOptimize(doc.Records.data());
    }
    Counters(state, doc.Records.size(), size, baseline);
    std::remove(path.c_str());
}

// File > Open into a document that has never held a survey: the record array is new
// memory, whose pages the system maps in as they are first written.
void BM_OpenFileFresh(benchmark::State& state) {
    const std::string path = TempPath("fresh");
    size_t size = 0;
    {
        CVKDoc doc;
        Prepare(doc, static_cast<size_t>(state.range(0)));
        if (!aq::SaveDocument(doc, path, aq::bench::Quiet())) {
            state.SkipWithError("save failed");
            return;
        }
        size = aq::SaveDocumentBytes(doc).size();
    }
    size_t records = 0;
    int64_t baseline = 0;
    for (auto _ : state) {
        state.PauseTiming();
        {
            CVKDoc doc;
            baseline = Baseline();
            state.ResumeTiming();
            if (!aq::OpenDocument(doc, path, aq::bench::Quiet())) {
                state.SkipWithError("open failed");
                break;
            }
            records = doc.Records.size();
            state.PauseTiming();
        }
        state.ResumeTiming();
    }
    state.counters["records"] = static_cast<double>(records);
    state.counters["scratch_B/rec"] =
        baseline > 0 ? static_cast<double>(aq::gen::PeakRssBytes() - baseline) / static_cast<double>(records) : -1.0;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(size));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(records));
    std::remove(path.c_str());
}

BENCHMARK(BM_SaveBytes)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadBytes)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveFile)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenFile)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenFileFresh)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return aq::bench::RunBenchmarks(argc, argv, "UTC");
}
