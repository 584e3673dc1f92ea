// SPDX-License-Identifier: GPL-3.0-or-later
// Imports of large generated instrument files, each beside the floor of reading the same
// file into memory and doing nothing else:
//   Brivel, 1 M blocks (40 MB), including the recalculation that ends the import;
//   NMEA, 1 M lines (GGA, ZDA, DPT), including its recalculation.
// The import benchmarks report the floor measured in the same run and their ratio to it.
#include <benchmark/benchmark.h>

#include "bench_main.h"
#include "import_runner.h"
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

void BM_BrivelImport(benchmark::State& state) {
    const std::string& path = BrivelFile(state.range(0));
    const int64_t blocks = static_cast<int64_t>(fs::file_size(path) / aq::BRIVEL_BLOCK_BYTES);
    aq::bench::RunImport(
        state, path, [](aq::CVKDoc& doc, const std::string& p) { aq::ImportBrivel(doc, p, aq::bench::Quiet()); },
        "blocks", blocks);
}

void BM_BrivelFloor(benchmark::State& state) { Floor(state, BrivelFile(state.range(0))); }

void BM_NmeaImport(benchmark::State& state) {
    const std::string& path = NmeaFile(state.range(0));
    aq::bench::RunImport(
        state, path, [](aq::CVKDoc& doc, const std::string& p) { aq::ImportNmea(doc, p, aq::bench::Quiet()); }, "lines",
        state.range(0));
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
