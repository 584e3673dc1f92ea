// SPDX-License-Identifier: GPL-3.0-or-later
// Surfaces of a large generated survey at 1 m cells: the soundings gathered from the
// document, every gridding method, the contours of the triangulated surface and its
// GeoTIFF, each with the memory it took beyond the survey.
//
// Sizes: AQUENTA_SURFACE_SOUNDINGS (default 10 000 000) and a tenth of it, which is the
// first tenth of the same survey. With AQUENTA_SURFACE_POINTS=BASE the tenth is also
// written as BASE.csv with BASE.vrt over it and BASE.grid holding gdal_grid's -txe, -tye
// and -outsize for the same cells, for scripts/bench to run gdal_grid on the same points.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench_main.h"
#include "model/doc.h"
#include "surface/contours.h"
#include "surface/gdalfile.h"
#include "surface/grid.h"
#include "surface/raster.h"
#include "surface/soundings.h"
#include "survey_gen.h"

namespace {

using namespace aq;
using surface::Method;

constexpr size_t kPerLine = 10000;  // 2500 m at 0.25 m
constexpr double kLineSpacing = 5;
constexpr double kStep = 0.25;

// splitmix64 seeded by the line, so that a line is the same in every survey that has it.
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ULL + 12345) {}
    double Uniform(double lo, double hi) {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        z ^= z >> 31;
        return lo + (hi - lo) * static_cast<double>(z >> 11) / 9007199254740992.0;
    }

private:
    uint64_t state_;
};

// A harbour approach surveyed in lines 2500 m long running east and back, 5 m apart, a
// depth every 0.25 m with the boat's wander of a few centimetres; the seabed shelving
// from 3 m to 15 m with sand waves across it. As recalculation leaves the records.
void MakeSurvey(CVKDoc& doc, size_t n) {
    doc.Records.clear();
    doc.ReserveRecords(n);
    const size_t lines = (n + kPerLine - 1) / kPerLine;
    int64_t t = 1'250'000'000;
    for (size_t k = 0; k < lines; ++k) {
        Random rnd(k);
        const double y0 = 5'700'000 + static_cast<double>(k) * kLineSpacing;
        for (size_t i = 0; i < kPerLine && doc.Records.size() < n; ++i, ++t) {
            const double along = static_cast<double>(k % 2 == 0 ? i : kPerLine - 1 - i) * kStep;
            const double x = 500'000 + along + rnd.Uniform(-0.03, 0.03);
            const double y = y0 + rnd.Uniform(-0.05, 0.05);
            const double floor = 3 + 12 * (y - 5'700'000) / 5000 + 0.4 * std::sin(x / 17) + rnd.Uniform(-0.05, 0.05);
            CVKData r = CVKData::OfDepth(t, static_cast<int>(std::lround(floor * 100)), 100, REC_DEPTH, 0);
            r.X = std::llround(x * 100);
            r.Y = std::llround(y * 100);
            doc.AddRecord(r);
        }
    }
    doc.KindFlags = REC_DEPTH;
}

struct Survey {
    CVKDoc doc;
    surface::Soundings soundings;
};

// The surveys, made once each.
Survey& SurveyOf(size_t n) {
    static std::map<size_t, std::unique_ptr<Survey>> made;
    auto& s = made[n];
    if (!s) {
        s = std::make_unique<Survey>();
        MakeSurvey(s->doc, n);
        std::string error;
        const CVKDoc* docs[] = {&s->doc};
        if (!surface::CollectSoundings(docs, s->soundings, error)) std::fprintf(stderr, "%s\n", error.c_str());
    }
    return *s;
}

// The memory a benchmark took beyond what was there before it.
class Memory {
public:
    Memory() : before_(gen::RssBytes()) { gen::ResetPeakRss(); }
    void Report(benchmark::State& state, size_t soundings, uint64_t gridBytes) const {
        const double extra = static_cast<double>(std::max<int64_t>(0, gen::PeakRssBytes() - before_));
        state.counters["extra_MB"] = extra / 1048576.0;
        // Beyond the survey, the grid counted twice and the soundings' own 20 bytes.
        state.counters["B_per_sounding"] =
            (extra + 20.0 * static_cast<double>(soundings) - 2.0 * static_cast<double>(gridBytes)) /
            static_cast<double>(soundings);
    }

private:
    int64_t before_;
};

void BM_Gather(benchmark::State& state) {
    Survey& s = SurveyOf(static_cast<size_t>(state.range(0)));
    const CVKDoc* docs[] = {&s.doc};
    for (auto _ : state) {
        surface::Soundings out;
        std::string error;
        if (!surface::CollectSoundings(docs, out, error)) state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(out.z.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

void BM_LineSpacing(benchmark::State& state) {
    Survey& s = SurveyOf(static_cast<size_t>(state.range(0)));
    double spacing = 0;
    for (auto _ : state) spacing = surface::MedianLineSpacing(s.soundings);
    state.counters["spacing_m"] = spacing;
}

void BM_Grid(benchmark::State& state, Method m) {
    Survey& s = SurveyOf(static_cast<size_t>(state.range(0)));
    surface::GridOptions o;
    o.method = m;
    o.cell = 1;
    // The default's line spacing is timed on its own.
    if (m == Method::Tin) o.maxEdge = 3 * kLineSpacing;
    uint64_t cells = 0;
    const Memory memory;
    for (auto _ : state) {
        surface::Surface out;
        std::string error;
        if (!surface::MakeSurface(s.soundings, o, out, error)) state.SkipWithError(error.c_str());
        cells = out.Cells();
        benchmark::DoNotOptimize(out.elevation.data());
    }
    memory.Report(state, s.soundings.size(), cells * 4);
    state.counters["cells_M"] = static_cast<double>(cells) / 1e6;
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

// The triangulated surface, made once for the contour and raster benchmarks.
const surface::Surface& TinSurface(size_t n) {
    static std::map<size_t, surface::Surface> made;
    auto it = made.find(n);
    if (it != made.end()) return it->second;
    surface::GridOptions o;
    o.method = Method::Tin;
    o.cell = 1;
    o.maxEdge = 3 * kLineSpacing;
    surface::Surface out;
    std::string error;
    surface::MakeSurface(SurveyOf(n).soundings, o, out, error);
    std::string crsError;
    surface::CrsFromDefinition("EPSG:32631", out.crs, crsError);
    return made.emplace(n, std::move(out)).first->second;
}

std::string TempPath(const char* name) {
    return (std::filesystem::temp_directory_path() / ("aquenta_surface_bench_" + std::to_string(::getpid()) + name))
        .string();
}

void BM_Contours(benchmark::State& state) {
    const surface::Surface& s = TinSurface(static_cast<size_t>(state.range(0)));
    surface::ContourLevels levels;
    levels.interval = 1;
    size_t lines = 0;
    const Memory memory;
    for (auto _ : state) {
        std::vector<surface::ContourLine> out;
        std::string error;
        if (!surface::MakeContours(s, levels, out, error)) state.SkipWithError(error.c_str());
        lines = out.size();
    }
    memory.Report(state, SurveyOf(static_cast<size_t>(state.range(0))).soundings.size(), s.Cells() * 4);
    state.counters["lines"] = static_cast<double>(lines);
}

void BM_ContoursToGpkg(benchmark::State& state) {
    const surface::Surface& s = TinSurface(static_cast<size_t>(state.range(0)));
    surface::ContourLevels levels;
    levels.interval = 1;
    const std::string path = TempPath("_contours.gpkg");
    for (auto _ : state) {
        std::vector<surface::ContourLine> out;
        std::string error;
        if (!surface::MakeContours(s, levels, out, error) || !surface::WriteContours(out, s.crs, path, error))
            state.SkipWithError(error.c_str());
    }
    std::remove(path.c_str());
}

void BM_WriteGeoTiff(benchmark::State& state) {
    const surface::Surface& s = TinSurface(static_cast<size_t>(state.range(0)));
    const std::string path = TempPath("_surface.tif");
    for (auto _ : state) {
        std::string error;
        if (!surface::WriteSurface(s, path, error)) state.SkipWithError(error.c_str());
    }
    state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1048576.0;
    std::remove(path.c_str());
}

// The soundings of the survey of n, for gdal_grid, and the cells our grid has.
void WritePointsForGdal(const std::string& base, size_t n) {
    const surface::Soundings& s = SurveyOf(n).soundings;
    {
        std::FILE* f = std::fopen((base + ".csv").c_str(), "w");
        if (!f) return;
        std::fputs("x,y,z\n", f);
        for (size_t i = 0; i < s.size(); ++i)
            std::fprintf(f, "%.2f,%.2f,%.2f\n", s.x[i], s.y[i], static_cast<double>(s.z[i]));
        std::fclose(f);
    }
    std::ofstream(base + ".vrt") << "<OGRVRTDataSource><OGRVRTLayer name=\"points\"><SrcDataSource>" << base
                                 << ".csv</SrcDataSource><SrcLayer>"
                                 << std::filesystem::path(base).filename().string()
                                 << "</SrcLayer><GeometryType>wkbPoint25D</GeometryType>"
                                    "<GeometryField encoding=\"PointFromColumns\" x=\"x\" y=\"y\" z=\"z\"/>"
                                    "</OGRVRTLayer></OGRVRTDataSource>\n";
    surface::GridOptions o;
    o.cell = 1;
    surface::GridGeometry g;
    std::string error;
    surface::PlanGrid(s, o, g, error);
    std::ofstream(base + ".grid") << "-txe " << std::fixed << g.x0 << " " << g.x0 + static_cast<double>(g.nx) << " -tye "
                                  << g.y0 << " " << g.y0 + static_cast<double>(g.ny) << " -outsize " << g.nx << " "
                                  << g.ny << "\n";
}

}  // namespace

int main(int argc, char** argv) {
    size_t n = 10'000'000;
    if (const char* text = std::getenv("AQUENTA_SURFACE_SOUNDINGS")) n = std::strtoull(text, nullptr, 10);
    n = std::max<size_t>(kPerLine * 10, n / (kPerLine * 10) * kPerLine * 10);
    const size_t tenth = n / 10;
    if (const char* base = std::getenv("AQUENTA_SURFACE_POINTS")) WritePointsForGdal(base, tenth);
    for (const size_t size : {tenth, n}) {
        const auto arg = static_cast<int64_t>(size);
        const auto add = [&](const char* name, auto&&... f) {
            benchmark::RegisterBenchmark(name, f...)->Arg(arg)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
        };
        add("gather", BM_Gather);
        add("line spacing", BM_LineSpacing);
        for (const Method m : {Method::Mean, Method::Median, Method::Shoalest, Method::Deepest, Method::Count,
                               Method::StdDev, Method::Idw, Method::Tin})
            add((std::string("grid ") + surface::MethodName(m)).c_str(), BM_Grid, m);
        add("contours", BM_Contours);
        add("contours to gpkg", BM_ContoursToGpkg);
        add("write geotiff", BM_WriteGeoTiff);
    }
    return aq::bench::RunBenchmarks(argc, argv, "UTC");
}
