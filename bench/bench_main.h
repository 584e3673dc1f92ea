// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace aq::bench {

// Pins the local time zone, then runs the benchmarks the command line selects; the
// body of every benchmark program's main (bench_main.cpp).
int RunBenchmarks(int argc, char** argv, const char* zone);

}  // namespace aq::bench
