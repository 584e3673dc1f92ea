// SPDX-License-Identifier: GPL-3.0-or-later
// Volumes of a large generated survey against a design level: by TIN, by the grid at
// 1 m (its surface made by TIN and by the mean of each cell), by both at once, with a
// boundary, and 100 cross sections.
//
// Size: AQUENTA_VOLUME_SOUNDINGS (default 10 000 000) and a tenth of it. The survey is the
// surfaces benchmark's: lines 2500 m long running east and back 5 m apart, a sounding
// every 0.25 m, a seabed shelving from 3 m to 15 m with sand waves.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "bench_main.h"
#include "surface/soundings.h"
#include "surface/volume.h"

namespace {

using namespace aq;

constexpr size_t kPerLine = 10000;
constexpr double kLineSpacing = 5;
constexpr double kStep = 0.25;

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

// The soundings straight onto the plane (gathering them from a document is timed by the
// surfaces benchmark).
const surface::Soundings& SurveyOf(size_t n) {
    static std::map<size_t, std::unique_ptr<surface::Soundings>> made;
    auto& s = made[n];
    if (s) return *s;
    s = std::make_unique<surface::Soundings>();
    s->x.reserve(n), s->y.reserve(n), s->z.reserve(n);
    const size_t lines = (n + kPerLine - 1) / kPerLine;
    for (size_t k = 0; k < lines; ++k) {
        Random rnd(k);
        const double y0 = 5'700'000 + static_cast<double>(k) * kLineSpacing;
        for (size_t i = 0; i < kPerLine && s->z.size() < n; ++i) {
            const double along = static_cast<double>(k % 2 == 0 ? i : kPerLine - 1 - i) * kStep;
            const double x = std::round((500'000 + along + rnd.Uniform(-0.03, 0.03)) * 100) / 100;
            const double y = std::round((y0 + rnd.Uniform(-0.05, 0.05)) * 100) / 100;
            const double floor = 3 + 12 * (y - 5'700'000) / 5000 + 0.4 * std::sin(x / 17) + rnd.Uniform(-0.05, 0.05);
            s->x.push_back(x);
            s->y.push_back(y);
            s->z.push_back(static_cast<float>(-std::round(floor * 100) / 100));
        }
    }
    s->runs = {0, s->z.size()};
    return *s;
}

surface::Reference Level() {
    surface::Reference r;
    r.kind = surface::ReferenceKind::Level;
    r.level = -8;
    return r;
}

// The CPU time of the whole process, every thread's, in seconds.
double ProcessCpu() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void Run(benchmark::State& state, const surface::VolumeOptions& o) {
    const surface::Soundings& s = SurveyOf(static_cast<size_t>(state.range(0)));
    surface::VolumeResult r;
    const double cpu = ProcessCpu();
    for (auto _ : state) {
        std::string error;
        if (!surface::MeasureVolumes(s, Level(), o, r, error)) state.SkipWithError(error.c_str());
    }
    // Both threads' time: on a machine to itself the wall-clock time is about half of it
    // where the work is split.
    state.counters["cpu_s_all_threads"] = (ProcessCpu() - cpu) / static_cast<double>(state.iterations());
    for (const VolumeFigures& f : r.figures) {
        state.counters[f.method + "_cut_m3"] = f.cut;
        state.counters[f.method + "_fill_m3"] = f.fill;
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

surface::VolumeOptions Base() {
    surface::VolumeOptions o;
    o.grid = o.tin = false;
    o.cell = 1;
    o.maxEdge = 3 * kLineSpacing;
    return o;
}

void BM_Tin(benchmark::State& state) {
    surface::VolumeOptions o = Base();
    o.tin = true;
    Run(state, o);
}

void BM_Grid(benchmark::State& state, surface::Method m) {
    surface::VolumeOptions o = Base();
    o.grid = true;
    o.method = m;
    Run(state, o);
}

// Both, as the command line measures by default: the prisms measured from the grid's own
// triangulation.
void BM_GridAndTin(benchmark::State& state) {
    surface::VolumeOptions o = Base();
    o.grid = o.tin = true;
    o.method = surface::Method::Tin;
    Run(state, o);
}

// A boundary cutting across the survey: a pentagon within it.
void BM_TinBoundary(benchmark::State& state) {
    surface::VolumeOptions o = Base();
    o.tin = true;
    const double top = 5'700'000 + static_cast<double>(state.range(0)) / kPerLine * kLineSpacing;
    std::string error;
    char text[256];
    std::snprintf(text, sizeof text, "500100.3,5700020.7 502400.1,5700050.2 502300.5,%.1f 501250.2,%.1f 500200.9,%.1f",
                  top - 30, top - 5, top - 60);
    surface::ParseBoundary(text, o.boundary, error);
    Run(state, o);
}

// 100 sections 200 m wide, sampled every metre, along a line down the survey.
void BM_Sections(benchmark::State& state) {
    surface::VolumeOptions o = Base();
    o.sections = true;
    const double top = 5'700'000 + static_cast<double>(state.range(0)) / kPerLine * kLineSpacing;
    o.centreLine.x = {500'100, 502'400};
    o.centreLine.y = {5'700'010, top - 10};
    const double length = std::hypot(o.centreLine.x[1] - o.centreLine.x[0], o.centreLine.y[1] - o.centreLine.y[0]);
    o.spacing = length / 99;
    o.width = 200;
    o.step = 1;
    Run(state, o);
}

}  // namespace

int main(int argc, char** argv) {
    size_t n = 10'000'000;
    if (const char* text = std::getenv("AQUENTA_VOLUME_SOUNDINGS")) n = std::strtoull(text, nullptr, 10);
    n = std::max<size_t>(kPerLine * 10, n / (kPerLine * 10) * kPerLine * 10);
    for (const size_t size : {n / 10, n}) {
        const auto arg = static_cast<int64_t>(size);
        const auto add = [&](const char* name, auto&&... f) {
            benchmark::RegisterBenchmark(name, f...)->Arg(arg)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
        };
        add("volume tin", BM_Tin);
        add("volume grid tin 1m", BM_Grid, surface::Method::Tin);
        add("volume grid mean 1m", BM_Grid, surface::Method::Mean);
        add("volume grid tin 1m and tin", BM_GridAndTin);
        add("volume tin boundary", BM_TinBoundary);
        add("100 cross sections", BM_Sections);
    }
    return aq::bench::RunBenchmarks(argc, argv, "UTC");
}
