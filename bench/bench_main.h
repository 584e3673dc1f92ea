// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/userport.h"

namespace aq::bench {

// The port of the commands a benchmark runs: nobody is there to hear them.
inline UserPort& Quiet() {
    static SilentPort port;
    return port;
}

// Pins the local time zone, then runs the benchmarks the command line selects; the
// body of every benchmark program's main (bench_main.cpp).
int RunBenchmarks(int argc, char** argv, const char* zone);

}  // namespace aq::bench
