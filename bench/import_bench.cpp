// SPDX-License-Identifier: GPL-3.0-or-later
// Imports of large generated instrument files, each beside the floor of reading the same
// file into memory and doing nothing else:
//   Brivel, 1 M blocks (40 MB), including the recalculation that ends the import;
//   NMEA, 1 M lines (GGA, ZDA, DPT), including its recalculation.
// The import benchmarks report the floor measured in the same run and their ratio to it.
#include <benchmark/benchmark.h>

#include "survey_gen.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "demo_gen.h"
#include "import/brivel.h"
#include "import/nmea.h"
#include "model/civiltime.h"
#include "model/doc.h"
#include "model/safefile.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Generated files live in one folder for the whole run.
class Files {
public:
    Files() : dir_(fs::temp_directory_path() / ("aquenta_import_bench_" + std::to_string(::getpid()))) {
        fs::create_directories(dir_);
    }
    ~Files() {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    // A file of the kind written by `write` for `seconds` of logging, made once.
    const std::string& Get(const char* ext, bool (*write)(const aq::demo::Options&, const aq::demo::Sink&),
                           uint64_t seconds) {
        const std::string key = ext + std::to_string(seconds);
        auto it = made_.find(key);
        if (it != made_.end()) return it->second;
        aq::demo::Options o;
        o.seconds = seconds;
        const std::string path = (dir_ / (key + ext)).string();
        std::FILE* f = std::fopen(path.c_str(), "wb");
        write(o, [f](std::string_view s) { return std::fwrite(s.data(), 1, s.size(), f) == s.size(); });
        std::fclose(f);
        return made_.emplace(key, path).first->second;
    }

private:
    fs::path dir_;
    std::map<std::string, std::string> made_;
};

Files& TheFiles() {
    static Files files;
    return files;
}

const std::string& BrivelFile(int64_t blocks) {
    return TheFiles().Get(".brv", aq::demo::WriteBrivel, aq::demo::SecondsForBlocks(static_cast<uint64_t>(blocks)));
}
const std::string& NmeaFile(int64_t lines) {
    return TheFiles().Get(".nmea", aq::demo::WriteNmea, aq::demo::SecondsForNmeaLines(static_cast<uint64_t>(lines)));
}

// Reading the whole file into memory, and nothing else.
double FloorSeconds(const std::string& path) {
    double best = 1e9;
    std::vector<uint8_t> bytes;
    for (int i = 0; i < 5; ++i) {
        const auto t0 = Clock::now();
        aq::ReadWholeFile(path, bytes);
        benchmark::DoNotOptimize(bytes.data());
        best = std::min(best, std::chrono::duration<double>(Clock::now() - t0).count());
        std::vector<uint8_t>().swap(bytes);
    }
    return best;
}

void Floor(benchmark::State& state, const std::string& path) {
    std::vector<uint8_t> bytes;
    for (auto _ : state) {
        aq::ReadWholeFile(path, bytes);
        benchmark::DoNotOptimize(bytes.data());
        state.PauseTiming();
        std::vector<uint8_t>().swap(bytes);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(fs::file_size(path)));
}

// Runs an import once per iteration on a fresh document and reports its time against
// the floor of the same file.
template <typename Import>
void Run(benchmark::State& state, const std::string& path, Import import, const char* unit, int64_t units) {
    const double floor = FloorSeconds(path);
    double total = 0;
    size_t records = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto doc = std::make_unique<aq::CVKDoc>();
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
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(fs::file_size(path)));
}

void BM_BrivelImport(benchmark::State& state) {
    const std::string& path = BrivelFile(state.range(0));
    const int64_t blocks = static_cast<int64_t>(fs::file_size(path) / aq::BRIVEL_BLOCK_BYTES);
    Run(
        state, path, [](aq::CVKDoc& doc, const std::string& p) { aq::ImportBrivel(doc, p); }, "blocks", blocks);
}

void BM_BrivelFloor(benchmark::State& state) { Floor(state, BrivelFile(state.range(0))); }

void BM_NmeaImport(benchmark::State& state) {
    const std::string& path = NmeaFile(state.range(0));
    Run(
        state, path, [](aq::CVKDoc& doc, const std::string& p) { aq::ImportNmea(doc, p); }, "lines", state.range(0));
}

void BM_NmeaFloor(benchmark::State& state) { Floor(state, NmeaFile(state.range(0))); }

BENCHMARK(BM_BrivelImport)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BrivelFloor)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_NmeaImport)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_NmeaFloor)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    // Local time with daylight saving, as the tests run in.
    return aq::bench::RunBenchmarks(argc, argv, "GMT0BST,M3.5.0/1,M10.5.0");
}
