// SPDX-License-Identifier: GPL-3.0-or-later
// Imports of large generated text files, each including the recalculation (or restore)
// that ends it:
//   tide table, 1 M lines of seven numbers (a reading a second);
//   formatted, 1 M lines "dd/mm/yyyy hh:mm:ss.s N northing E easting depth" through a
//     coordinate layout of eight columns, a position each;
//   Vivoz(2000), 1 M lines of the ASCII export (depths, positions, tides in turn).
// Each reports the floor of reading the same file into memory, and its ratio to it.
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

#include "import/formatted.h"
#include "import/sounderlogs.h"
#include "import/tide.h"
#include "model/civiltime.h"
#include "model/doc.h"
#include "model/safefile.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Generated files live in one folder for the whole run.
class Files {
public:
    Files() : dir_(fs::temp_directory_path() / ("aquenta_import2_bench_" + std::to_string(::getpid()))) {
        fs::create_directories(dir_);
    }
    ~Files() {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    // A file of `lines` lines, line i written by `line`, made once.
    const std::string& Get(const char* name, int64_t lines, int (*line)(char* buf, size_t size, int64_t i)) {
        const std::string key = name + std::to_string(lines);
        auto it = made_.find(key);
        if (it != made_.end()) return it->second;
        const std::string path = (dir_ / key).string();
        std::FILE* f = std::fopen(path.c_str(), "wb");
        char buf[256];
        for (int64_t i = 0; i < lines; ++i) {
            const int n = line(buf, sizeof buf, i);
            std::fwrite(buf, 1, static_cast<size_t>(n), f);
        }
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

// The time of line i: one a second from 5 December 2009 00:00:00 on.
struct Stamp {
    int year, month, day, hour, minute, second;
};
Stamp StampOf(int64_t i) {
    const int64_t day = i / 86400, s = i % 86400;
    return {2009, 12 - static_cast<int>(day / 31) % 12, 1 + static_cast<int>(day % 28), static_cast<int>(s / 3600),
            static_cast<int>(s / 60 % 60), static_cast<int>(s % 60)};
}

int TideLine(char* buf, size_t size, int64_t i) {
    const Stamp t = StampOf(i);
    return std::snprintf(buf, size, "%d %d %d %d %d %d %.2f\r\n", t.year, t.month, t.day, t.hour, t.minute, t.second,
                         1.5 + (i % 300) / 100.0);
}

int ColumnLine(char* buf, size_t size, int64_t i) {
    const Stamp t = StampOf(i);
    return std::snprintf(buf, size, "%02d/%02d/%04d %02d:%02d:%02d.5 N %.2f E %.2f %.2f\r\n", t.day, t.month, t.year,
                         t.hour, t.minute, t.second, 5932289.95 + (i % 1000) * 0.37, 472079.96 + (i % 700) * 0.41,
                         10.0 + (i % 500) / 100.0);
}

int VivozLine(char* buf, size_t size, int64_t i) {
    const Stamp t = StampOf(i / 3);
    static const char kinds[] = {'D', 'P', 'T'};
    return std::snprintf(buf, size, "%c %8.2f %8.2f %6.2f %6.2f %6.2f %3d %04d %02d %02d %02d %02d %6.2f\r\n",
                         kinds[i % 3], 472079.96 + (i % 700) * 0.41, 5932289.95 + (i % 1000) * 0.37, 3.56,
                         10.0 + (i % 500) / 100.0, 0.5, static_cast<int>(i % 128), t.year, t.month, t.day, t.hour,
                         t.minute, t.second + (i % 3) / 3.0);
}

void BM_TideImport(benchmark::State& state) {
    aq::bench::RunImport(
        state, TheFiles().Get("tide.tid", state.range(0), TideLine),
        [](aq::CVKDoc& doc, const std::string& p) { aq::ImportTide(doc, p, aq::bench::Quiet()); }, "lines",
        state.range(0));
}

void BM_FormattedImport(benchmark::State& state) {
    aq::CFormImport layout;
    layout.SetType(aq::LAYOUT_COORDINATE);
    const std::pair<aq::LayoutColumn, int> columns[] = {
        {aq::COL_DAY, 1},      {aq::COL_MONTH, 2},    {aq::COL_YEAR, 3},    {aq::COL_HOUR, 4},
        {aq::COL_MINUTE, 5},   {aq::COL_SECONDS, 6},  {aq::COL_NORTHING, 7}, {aq::COL_EASTING, 8}};
    for (const auto& [c, n] : columns) layout.SetColumn(c, n);
    layout.UpdateMaxColumn();
    aq::bench::RunImport(
        state, TheFiles().Get("columns.txt", state.range(0), ColumnLine),
        [&layout](aq::CVKDoc& doc, const std::string& p) { aq::ImportFormatted(doc, p, layout, aq::bench::Quiet()); },
        "lines", state.range(0));
}

void BM_VivozImport(benchmark::State& state) {
    aq::bench::RunImport(
        state, TheFiles().Get("survey.s2k", state.range(0), VivozLine),
        [](aq::CVKDoc& doc, const std::string& p) { aq::ImportVivoz(doc, p, aq::bench::Quiet()); }, "lines",
        state.range(0));
}

BENCHMARK(BM_TideImport)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FormattedImport)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_VivozImport)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    // Local time with daylight saving, as the tests run in.
    return aq::bench::RunBenchmarks(argc, argv, "GMT0BST,M3.5.0/1,M10.5.0");
}
