// SPDX-License-Identifier: GPL-3.0-or-later
#include <benchmark/benchmark.h>

#include "bench_main.h"
#include "model/civiltime.h"

namespace aq::bench {

int RunBenchmarks(int argc, char** argv, const char* zone) {
    civil::SetZone(zone);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace aq::bench
