// SPDX-License-Identifier: GPL-3.0-or-later
// Every export of a large survey, through a real file (written beside the target,
// synced and renamed), as the commands do it.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "bench_main.h"
#include "export/export.h"
#include "export/localclock.h"
#include "model/civiltime.h"
#include "processing/recalc.h"
#include "survey_gen.h"
#include "ui/commands.h"

namespace {

using aq::CVKDoc;

// One recalculated survey shared by every benchmark of the same size.
const CVKDoc& Survey(size_t n) {
    static CVKDoc doc;
    if (doc.Records.size() != n) {
        aq::gen::GenerateSurvey(doc, n);
        aq::Recalculate(doc, aq::bench::Quiet());
        // Some deleted records, as after editing.
        for (size_t i = 0; i < doc.Records.size(); i += 97) doc.Records[i].Flags |= aq::REC_DELETED;
    }
    return doc;
}

std::string TempPath(const char* tag) {
    return "/tmp/aquenta_bench_" + std::to_string(::getpid()) + "_" + tag;
}

void BM_Export(benchmark::State& state, int id) {
    const CVKDoc& doc = Survey(static_cast<size_t>(state.range(0)));
    const aq::ExportFormatInfo* f = aq::FindExportFormat(id);
    const std::string path = TempPath(f->name);
    aq::ExportSelection sel;
    sel.DxfLayerCount = 5;
    for (auto _ : state) {
        if (!aq::RunExport(id, doc, path, sel, aq::bench::Quiet())) {
            state.SkipWithError("export failed");
            break;
        }
    }
    const auto size = static_cast<int64_t>(std::filesystem::file_size(path));
    state.counters["file_MB"] = static_cast<double>(size) / (1024.0 * 1024.0);
    state.counters["peakRSS_MB"] = static_cast<double>(aq::gen::PeakRssBytes()) / (1024.0 * 1024.0);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * size);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(doc.Records.size()));
    std::remove(path.c_str());
}

// The DXF's worst case: every record a position, so every one is written with its
// three labels.
void BM_DxfAllPositions(benchmark::State& state) {
    CVKDoc doc;
    const CVKDoc& survey = Survey(static_cast<size_t>(state.range(0)));
    doc.Records = survey.Records;
    doc.KindFlags = survey.KindFlags;
    for (aq::CVKData& r : doc.Records) r.Flags = static_cast<uint16_t>((r.Flags & aq::REC_DELETED) | aq::REC_POSITION);
    const std::string path = TempPath("all.dxf");
    aq::ExportSelection sel;
    sel.DxfLayerCount = 5;
    for (auto _ : state) {
        if (!aq::RunExport(aq::ID_EXPORT_DXF, doc, path, sel, aq::bench::Quiet())) {
            state.SkipWithError("export failed");
            break;
        }
    }
    const auto size = static_cast<int64_t>(std::filesystem::file_size(path));
    state.counters["file_MB"] = static_cast<double>(size) / (1024.0 * 1024.0);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * size);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(doc.Records.size()));
    std::remove(path.c_str());
}

// The local-time breakdown of every record, through the C library and through the
// day cache the exports use.
void BM_LocalTimeLibrary(benchmark::State& state) {
    const CVKDoc& doc = Survey(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        int64_t sum = 0;
        aq::civil::Fields f;
        for (const aq::CVKData& r : doc.Records)
            if (aq::civil::ToFields(r.Time, f)) sum += f.second;
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(doc.Records.size()));
}

void BM_LocalTimeCached(benchmark::State& state) {
    const CVKDoc& doc = Survey(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        int64_t sum = 0;
        aq::civil::Fields f;
        aq::exporting::LocalClock clock;
        for (const aq::CVKData& r : doc.Records)
            if (clock.Fields(r.Time, f)) sum += f.second;
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(doc.Records.size()));
}

constexpr int64_t kMillion = 1'000'000;
BENCHMARK_CAPTURE(BM_Export, ascii, aq::ID_EXPORT_ASCII)->Arg(kMillion)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Export, xyz, aq::ID_EXPORT_XYZ)->Arg(kMillion)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Export, hypack, aq::ID_EXPORT_HYPACK)->Arg(kMillion)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Export, usarmy, aq::ID_EXPORT_US_ARMY)->Arg(kMillion)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Export, csv, aq::ID_EXPORT_CSV)->Arg(kMillion)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Export, geotronics, aq::ID_EXPORT_GEOTRONICS)->Arg(kMillion)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Export, hpr, aq::ID_EXPORT_HPR_REPORT)->Arg(kMillion)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Export, dxf, aq::ID_EXPORT_DXF)->Arg(kMillion)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DxfAllPositions)->Arg(kMillion)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LocalTimeLibrary)->Arg(kMillion)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LocalTimeCached)->Arg(kMillion)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    // A zone with summer time, as surveyors' machines have.
    return aq::bench::RunBenchmarks(argc, argv, "GMT0BST,M3.5.0/1,M10.5.0");
}
