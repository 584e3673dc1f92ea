// SPDX-License-Identifier: GPL-3.0-or-later
// Timing of an import against the floor of reading its file, shared by the import benchmarks.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "model/doc.h"
#include "model/safefile.h"

namespace aq::bench {

// Reading the whole file into memory, and nothing else: the best of five.
inline double FloorSeconds(const std::string& path) {
    using Clock = std::chrono::steady_clock;
    double best = 1e9;
    std::vector<uint8_t> bytes;
    for (int i = 0; i < 5; ++i) {
        const auto t0 = Clock::now();
        ReadWholeFile(path, bytes);
        benchmark::DoNotOptimize(bytes.data());
        best = std::min(best, std::chrono::duration<double>(Clock::now() - t0).count());
        std::vector<uint8_t>().swap(bytes);
    }
    return best;
}

// Runs an import once per iteration on a fresh document and reports its time against
// the floor of the same file; `units` of `unit` (blocks, lines) make one run.
template <typename Import>
void RunImport(benchmark::State& state, const std::string& path, Import import, const char* unit, int64_t units) {
    using Clock = std::chrono::steady_clock;
    const double floor = FloorSeconds(path);
    double total = 0;
    size_t records = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto doc = std::make_unique<CVKDoc>();
        state.ResumeTiming();
        const auto t0 = Clock::now();
        import(*doc, path);
        total += std::chrono::duration<double>(Clock::now() - t0).count();
        state.PauseTiming();
        records = doc->Records.size();
        doc.reset();
        state.ResumeTiming();
    }
    const double each = total / static_cast<double>(state.iterations());
    state.counters[unit] = static_cast<double>(units);
    state.counters["records"] = static_cast<double>(records);
    state.counters["floor_ms"] = floor * 1e3;
    state.counters["x_floor"] = each / floor;
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * units);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(std::filesystem::file_size(path)));
}

}  // namespace aq::bench
